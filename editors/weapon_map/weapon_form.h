#pragma once
// Weapon: pick a unit in List1, one of its weapons in List2, edit the 26 shown
// bytes of that weapon record.

#include "ui/table_form.h"

#include <QListWidget>
#include <QStringList>

namespace rt {

class WeaponForm : public TableForm {
  Q_OBJECT
 public:
  explicit WeaponForm(AppContext& context);
  bool load() override;  // Form_Load
  void reread() override;  // the unit's weapons and the selected one again
  // Weapon `index`: the first unit whose weapons hold it, and the weapon in List2.
  using TableForm::showRecord;  // the read of a record reference, beside the look-up by keys below
  bool showRecord(const QVariantMap& keys) override;
  QVariantMap shownRecord() const override;  // the weapon record shown

 public slots:
  void showUnitWeapons();    // List1_Click
  void readWeaponRecord();   // List2_Click
  void writeWeaponRecord();  // Save_Click

 private:
  void saveSelected() override { writeWeaponRecord(); }
  QWidget* makeFlagFrame(int frame, const QString& group, const QString& caption, const QList<QWidget*>& captions);
  QLineEdit* makeCaptionBox(const QString& name);

  QListWidget* units_;
  QListWidget* weapons_;
  QStringList weaponNames_;
  QList<QLineEdit*> captionA_, captionB_, captionD_;  // EPropertyA/B/D(i): texts beside the flag boxes
  // The selected unit's weapons as last read; -1 until a unit was read.
  int firstWeapon_ = -1;
  int weaponCount_ = 0;
};

}  // namespace rt
