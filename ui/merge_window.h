#pragma once
// `Merge`: another hack of the same clean image (or a change set) brought into
// the chosen image field by field. A tree by table and record lists the
// incoming changes with the clean value, the chosen image's ("mine") and the
// other hack's ("theirs"); a change the chosen image also made differently is
// a conflict. Each change is ticked to take theirs or left to keep mine, and
// Apply writes the ticked ones as one transaction ("merge FILE" in the
// history, undone by one undo). The comparison runs on a thread of its own.

#include "compare/change_set.h"
#include "ui/app_context.h"

#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QWidget>

#include <functional>

class QBoxLayout;

namespace rt {

class MergeWindow : public QWidget {
  Q_OBJECT
 public:
  explicit MergeWindow(AppContext& context);

  // The changes from `clean` to `other` (an image), or those of the change set `other` when `clean` is empty.
  void mergeFrom(const QString& clean, const QString& other);
  bool busy() const { return busy_; }
  // The changes shown, and how each meets the chosen image.
  const ChangeSet& incoming() const { return set_; }
  const ApplyPlan& plan() const { return plan_; }

 signals:
  void ready();  // the tree shows the incoming changes, or why they could not be read

 public slots:
  void applyChosen();

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void show();
  void showChoices();
  // Shows a status line, and again in the new language when the user switches.
  void say(std::function<QString()> text);

  AppContext& context_;
  QLabel* status_;
  QTreeWidget* tree_;
  QPushButton* apply_;
  QString clean_;
  QString other_;
  ChangeSet set_;
  ApplyPlan plan_;
  std::vector<QTreeWidgetItem*> items_;  // aligned with the changes, then the bytes
  bool busy_ = false;
  int generation_ = 0;
  std::function<QString()> statusText_;
};

// Adds `Merge` ("Merge...") to a column of Main's buttons.
void addMergeButton(AppContext& context, QWidget* menu, QBoxLayout* column);
// "Merge...": asks for the other hack (or a change set) and, for a hack, the clean image; then shows the merge.
void mergeWithChosen(AppContext& context, QWidget* parent);

}  // namespace rt
