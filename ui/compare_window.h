#pragma once
// `Compare`: the chosen image against another one (a clean copy), as a tree of
// tables, their records and the fields whose shown value differs, then the
// bytes no field shows. `CompareFilter` narrows the tree; a double-click opens
// the record's editor at that record. The comparison runs on a thread of its
// own, so a large image never stalls the window.
//
// Main's "Compare with..." (`Compare`) and "Export patch..." (`ExportPatch`)
// come from here too: the patch is a BPS patch from the history's original
// bytes to the image as it is.

#include "compare/image_diff.h"
#include "ui/app_context.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QWidget>

class QBoxLayout;

namespace rt {

class CompareWindow : public QWidget {
  Q_OBJECT
 public:
  explicit CompareWindow(AppContext& context);

  // Compares `clean` with the chosen image; the tree fills once it is done.
  void compareWith(const QString& clean);
  bool busy() const { return busy_; }

 signals:
  void compared();  // the tree shows a finished comparison, or why it failed

 public slots:
  void applyFilter();
  void openItem(QTreeWidgetItem* item);
  // "Save change set...": the comparison's changes as a change set file, written on a thread of its own.
  void saveChangeSet();

 private:
  void show(const ImageDiff& diff);

  AppContext& context_;
  QLabel* status_;
  QLineEdit* filter_;
  QTreeWidget* tree_;
  QPushButton* saveSet_;
  QString clean_;
  bool busy_ = false;
  int generation_ = 0;  // a comparison finished after a newer one began is dropped
};

// Adds `Compare` ("Compare with...") and `ExportPatch` ("Export patch...") to
// a column of Main's buttons.
void addCompareButtons(AppContext& context, QWidget* menu, QBoxLayout* column);

// "Compare with...": asks for the clean image and shows the comparison.
void compareWithChosen(AppContext& context, QWidget* parent);
// "Export patch...": asks where, then writes the patch on a thread of its own
// and reports the outcome through the context's messages.
void exportPatchFromHistory(AppContext& context, QWidget* parent);

}  // namespace rt
