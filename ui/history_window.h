#pragma once
// `History`: the transactions of the chosen image, newest first, and the field
// changes of the selected one, each listed with a summary (table, records,
// fields); Undo and Redo act on the newest transaction
// that can be undone or redone, Revert on the selected one.

#include "history/changes.h"
#include "ui/app_context.h"

#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QWidget>

#include <memory>

namespace rt {

class HistoryWindow : public QWidget, public ContextWindow {
  Q_OBJECT
 public:
  // A write is listed by historyChanged() already.
  void rereadWritten(const std::vector<ByteSpan>&) override {}
  // A long history is listed only this far back, so opening it stays quick.
  static constexpr int kListed = 500;

  explicit HistoryWindow(AppContext& context);
  // Lists the transactions again; the selected one stays selected while listed.
  void refresh();
  // It holds no edits, and reads the image's history again when told to.
  MessageSink::Unsaved mayLeave(bool) override { return MessageSink::Unsaved::Save; }
  void discardEdits() override {}
  void reread() override { refresh(); }
  void setCaption(const QString& caption) override { setWindowTitle(caption); }

 protected:
  // A new language: the list, its states, summaries and captions, shown again in it.
  void changeEvent(QEvent* event) override;

 public slots:
  void showChanges();  // of the selected transaction
  void undoClicked();
  void redoClicked();
  void revertClicked();

 private:
  std::int64_t selectedId() const;
  // Adds the captions of the fields `changes` holds to the item's summary, once.
  void summarise(QTreeWidgetItem* item, const std::vector<FieldChange>& changes);
  void run(UndoKind kind, std::int64_t id);

  AppContext& context_;
  QLabel* note_;
  QTreeWidget* transactions_;
  QTreeWidget* changes_;
  QLabel* status_;
  QPushButton* undo_;
  QPushButton* redo_;
  QPushButton* revert_;
  // Made again at each refresh: it caches the image's bytes.
  std::unique_ptr<ChangeReader> reader_;
};

}  // namespace rt
