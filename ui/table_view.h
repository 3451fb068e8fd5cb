#pragma once
// `TableView`: a whole table as a spreadsheet. A row per record, a column per
// control; sorting by any column, the filter box, a shading of numeric
// columns from low to high, the key and name columns kept in view. Cells are
// edited with the checks of the table's form, staged until Save writes every
// edited record as one transaction. Copy and paste tab-separated text;
// export the rows and columns in view as the command line's CSV.

#include "ui/app_context.h"
#include "ui/frozen_table.h"
#include "ui/grid_model.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <memory>
#include <vector>

namespace rt {

class StatusLine;

class TableView : public QWidget, public ContextWindow {
  Q_OBJECT
 public:
  TableView(AppContext& context, std::shared_ptr<const GridSource> source);

  // Reads the table; false (and reported) when it cannot.
  bool load();
  // Reads the table again (another image, an undo); edits of records still
  // there are kept when the image is the same one.
  void reread() override;
  // Another window wrote `written`: reads the rows again when they may hold
  // those bytes, keeping the edits; edited cells whose value changed are
  // named on the status line.
  void rereadWritten(const std::vector<ByteSpan>& written) override;
  // Selects the row of the record `keys` and brings it into view.
  void showRecord(const QVariantMap& keys);

  GridModel* model() const { return model_; }
  GridProxy* proxy() const { return proxy_; }
  FrozenTable* grid() const { return grid_; }
  // The history's source of this view's saves; Ctrl+Z undoes the newest.
  QString txSource() const;
  // The model columns in view, in the order shown.
  std::vector<int> columnsInView() const;
  // The rows and columns in view as the command line's CSV.
  QByteArray csvInView() const;
  // Tab-separated text of the selected cells (with a line of captions first).
  QString selectionText(bool headers) const;

 public slots:
  bool save() { return saveOver(false); }
  void revert();
  void copySelection();
  bool paste();  // the clipboard's text
  // Checks the whole block of tab-separated text first: one cell that is
  // refused, or a block that does not fit, and no cell changes.
  bool pasteText(const QString& text);
  void exportClicked();
  bool exportCsv(const QString& path);

 protected:
  void closeEvent(QCloseEvent* event) override;

 public:
  // With edits not saved, asks Save / Discard / Cancel; true when the edits
  // were saved or dropped (or there were none), false when they stay.
  bool mayDropEdits();
  // The question alone: Save saves (a refused save answers Cancel); Discard
  // leaves the edits to discardEdits, once every window has been asked.
  MessageSink::Unsaved askToKeepEdits();
  void discardEdits() override;
  // A table view keeps its edits over a reread of the same image.
  MessageSink::Unsaved mayLeave(bool sameImage) override {
    return sameImage ? MessageSink::Unsaved::Save : askToKeepEdits();
  }
  void setCaption(const QString& caption) override { setWindowTitle(caption); }

 private:
  void applyFilter();
  std::vector<int> columnsNamed(const QString& name) const;
  void fitColumns();
  void commitEditor();
  void updateCounts();
  // The "used by" column and the check's problems over the rows read.
  void markLinks();
  void say(const QString& text);
  void refuse(const QString& text, int sourceRow, int column);
  void undoOwn(UndoKind kind);
  // Saves; `overwrite` writes over cells saved elsewhere since read.
  bool saveOver(bool overwrite);
  // Asks about cells saved elsewhere since read: Overwrite saves over them,
  // Reload drops their edits for the image's values, Cancel keeps them.
  bool settleStale(const std::vector<GridStale>& stale);
  // "Unit 0 (name), HP": a cell in messages.
  QString cellName(int row, int control) const;
  QString cellValue(int control, const ControlValue& value) const;

  AppContext& context_;
  GridModel* model_;
  GridProxy* proxy_;
  FrozenTable* grid_;
  QLineEdit* filter_;
  QCheckBox* shade_;
  QCheckBox* headers_;
  QPushButton* save_;
  QPushButton* revert_;
  QLabel* count_;
  StatusLine* status_;
  QString title_;  // the window's title without the "*" of unsaved edits
  QString readFrom_;  // the image the rows were read from
};

// The name the context knows the view of `id` by.
QString tableViewName(const QString& id);
// Opens the view of table `id` (or brings the open one forward) on the record
// `keys` (none: where it is). nullptr when there is no such table or it could
// not be read (reported).
TableView* showTableView(AppContext& context, const QString& id, const QVariantMap& keys = {});

}  // namespace rt
