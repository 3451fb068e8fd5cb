#pragma once
// Links between records in the editor: the "Used by" list of the record a
// form shows, the go-to of its reference fields (Ctrl+click), and opening a
// linked record in its own editor.

#include "model/table_check.h"
#include "ui/app_context.h"

#include <QListWidget>

namespace rt {

class EditorForm;

// Opens record `keys` of `table` in its editor; says why when it cannot.
void openLinkedRecord(AppContext& context, QWidget* from, const QString& table, const QVariantMap& keys);

// The records naming the one a form shows; double-click opens one.
class UsedByList : public QListWidget {
  Q_OBJECT
 public:
  UsedByList(AppContext& context, QString table, QWidget* parent);
  // Reads which records name `keys` (nothing for no record).
  void showLinks(const QVariantMap& keys);
  const QVariantMap& shown() const { return keys_; }

 protected:
  void changeEvent(QEvent* event) override;

 private:
  AppContext& context_;
  QString table_;
  QVariantMap keys_;
  bool none_ = false;  // the list holds only the note that no record names this one
};

// Ctrl+click on each reference field of `form` (its table's declared
// references) opens the record the field's value names.
void addGoTo(EditorForm* form, AppContext& context, const TableAdapter& table);

}  // namespace rt
