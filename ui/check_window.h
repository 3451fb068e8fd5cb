#pragma once
// Check: every broken or suspicious link and value of the chosen image, with
// a filter, and a double-click opening the record a problem names. It checks
// again whenever the image is written or another one is chosen.

#include "model/table_check.h"
#include "ui/app_context.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <QWidget>

namespace rt {

class CheckWindow : public QWidget, public ContextWindow {
  Q_OBJECT
 public:
  explicit CheckWindow(AppContext& context);

  // Checks the chosen image and lists what it finds.
  void recheck();
  const std::vector<Problem>& problems() const { return problems_; }

  MessageSink::Unsaved mayLeave(bool) override { return MessageSink::Unsaved::Save; }
  void discardEdits() override {}
  void reread() override { recheck(); }
  void setCaption(const QString& caption) override { setWindowTitle(caption); }

 public slots:
  void applyFilter();
  void openItem(QTreeWidgetItem* item);

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void showProblems();

  AppContext& context_;
  QLabel* status_;
  QLineEdit* filter_;
  QCheckBox* errorsOnly_;
  QTreeWidget* tree_;
  std::vector<Problem> problems_;
  QString checked_;  // the file name of the image the problems are of; empty before a check
};

// Shows the Check window, checking the chosen image.
CheckWindow* showCheckWindow(AppContext& context);
// Adds `Check` to a column of Main's buttons.
void addCheckButton(AppContext& context, QWidget* menu, QBoxLayout* column);

}  // namespace rt
