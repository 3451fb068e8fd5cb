#pragma once
// What every window of one run shares: the ROM image (its path), the folder
// of the name lists, the file dialog and the message sink (both replaceable by
// tests), and the single instance of each form.

#include "model/form_place.h"
#include "grid/grid_source.h"
#include "history/undo.h"
#include "image/rom_image.h"
#include "model/table_registry.h"

#include <QHash>
#include <QPointer>
#include <QSettings>
#include <QTimer>
#include <QString>
#include <QVariant>
#include <QWidget>

#include <functional>
#include <memory>

namespace rt {

class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // The chosen file, or an empty text when the user cancelled.
  virtual QString chooseRomImage(QWidget* parent, const QString& current) = 0;
  // Another file to read (an image to compare with) or to write (a patch, a CSV export);
  // empty when cancelled. A chooser that only knows images answers as for one.
  virtual QString chooseFileToRead(QWidget* parent, const QString& title, const QString& current, const QString& filter) {
    Q_UNUSED(title);
    Q_UNUSED(filter);
    return chooseRomImage(parent, current);
  }
  virtual QString chooseFileToWrite(QWidget* parent, const QString& title, const QString& suggested,
                                    const QString& filter) {
    Q_UNUSED(title);
    Q_UNUSED(filter);
    return chooseRomImage(parent, suggested);
  }
};

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void error(QWidget* parent, const QString& title, const QString& text) = 0;
  // Something the user should know that is not a failure (a rolled-back change).
  virtual void info(QWidget* parent, const QString& title, const QString& text) = 0;
  // A Yes/No question; true only for Yes, so a dismissed question means No.
  virtual bool ask(QWidget* parent, const QString& title, const QString& question) = 0;
  // A window with unsaved edits is closing. A sink without a three-way
  // question asks "save?" and then "discard?"; No to both cancels.
  enum class Unsaved { Save, Discard, Cancel };
  virtual Unsaved askUnsaved(QWidget* parent, const QString& title, const QString& text);
  // A save would write over values saved elsewhere since the window read
  // them. A sink without a three-way question asks "overwrite?" and then
  // "reload?"; No to both cancels.
  enum class Stale { Overwrite, Reload, Cancel };
  virtual Stale askStale(QWidget* parent, const QString& title, const QString& text);
};

// A window the context keeps open and speaks to when the image changes under
// it. Editor forms, table views and the History window implement it, so the
// context needs to know none of them.
class ContextWindow {
 public:
  virtual ~ContextWindow() = default;
  // The image is about to change under the window. Save: it may go on (no
  // edits, or they were saved; a refused save answers Cancel); Discard: its
  // edits may go once every window has been asked; Cancel: they stay.
  // `sameImage`: only the bytes of the image open change (an undo).
  virtual MessageSink::Unsaved mayLeave(bool sameImage) = 0;
  // Drops the edits a Discard of mayLeave kept for now.
  virtual void discardEdits() = 0;
  // Shows what the image holds now.
  virtual void reread() = 0;
  // Another window wrote `written`: shows it, keeping this window's unsaved
  // edits (a window that cannot keep them over a reread leaves them be).
  virtual void rereadWritten(const std::vector<ByteSpan>& written) {
    Q_UNUSED(written);
    reread();
  }
  // The menu row's text, as the window's title.
  virtual void setCaption(const QString& caption) = 0;
};

// The real dialogs.
std::shared_ptr<FileChooser> dialogFileChooser();
std::shared_ptr<MessageSink> dialogMessageSink();

class AppContext;
using FormFactory = std::function<QWidget*(AppContext&)>;

class AppContext {
 public:
  AppContext(QString namesDir, std::shared_ptr<FileChooser> chooser, std::shared_ptr<MessageSink> messages,
             std::shared_ptr<FileLayer> files = systemFileLayer());
  ~AppContext();

  RomImage& rom() { return rom_; }
  const QString& namesDir() const { return namesDir_; }
  FileChooser& chooser() { return *chooser_; }
  void reportError(QWidget* parent, const QString& title, const QString& text) { messages_->error(parent, title, text); }
  MessageSink& messages() { return *messages_; }
  // Shows what the image's history had to say (what was rolled back, where it is kept).
  void reportNotices(QWidget* parent, const QString& title);

  // Every table, for the history's field-level view and for undo.
  void setTables(TableRegistry tables) { tables_ = std::move(tables); }
  const TableRegistry& tables() const { return tables_; }
  // Which form each row of the menus opens, as the editors declare it.
  void setMenus(MenuRows menus) { menus_ = std::move(menus); }
  const MenuRows& menus() const { return menus_; }
  // The table views the editors declare beyond the registered tables.
  void setGridViews(GridViews views) { gridViews_ = std::move(views); }
  const GridViews& gridViews() const { return gridViews_; }

  // Makes `path` the image (Open NDS): rolls back its interrupted changes,
  // says what happened, and has every open window show the new image. Edits
  // not saved are asked about first; false when one was kept (Cancel) and the
  // image chosen before stays.
  bool openImage(QWidget* parent, const QString& path);
  // Undo, redo or revert. A refusal because the bytes changed since asks
  // whether to go ahead anyway; every failure is reported. On success every
  // open window shows the image as it is now. Returns the sentence of what
  // was done, or an empty text when nothing was.
  QString undo(QWidget* parent, const QString& title, UndoRequest request);
  // Every open editor reads its record again, a table view its rows; the history window lists again.
  void rereadForms();
  // The image was written: an open history window lists again.
  void historyChanged();
  // A window (`by`) saved: the history lists again, and every other open
  // window showing what the last transaction wrote reads it again, keeping
  // its own unsaved edits (they are then marked as changed underneath).
  void imageWritten(QWidget* by);

  void registerForm(const QString& name, FormFactory factory) { factories_.insert(name, std::move(factory)); }
  bool hasForm(const QString& name) const { return factories_.contains(name) || fixed_.contains(name); }
  // A window that lives for the whole run (the main menu); showForm only raises it.
  void registerWindow(const QString& name, QWidget* window) { fixed_.insert(name, window); }
  // Shows the form, creating and loading it when it is not open, or brings the
  // open one to the front. Returns the window, or nullptr when there is no such
  // form or it could not load (the reason was reported).
  QWidget* showForm(const QString& name);
  QWidget* openForm(const QString& name) const;  // nullptr when not open
  // Closes every open form (the program is ending).
  void closeAllForms();
  // Asks each open window with edits not saved (Save / Discard / Cancel);
  // false when one was kept. With `tableViews`, table views are asked too (a
  // table view keeps its edits over a reread of the same image).
  bool mayDropEdits(bool tableViews);

  // The title of the window `id`: the text of the menu row that opens it
  // ("機師技能 / Pilot skills"), else the caption its place declares; empty
  // when no menu row opens it.
  QString captionOf(const QString& id) const;

  // Values a form keeps outside its controls, alive until the program ends.
  QVariant& formValue(const QString& key) { return formValues_[key]; }

  // What outlives the run (the recent images): the user's settings, or the
  // file given here (tests keep theirs apart).
  void setSettingsFile(const QString& path) { settingsFile_ = path; }
  std::unique_ptr<QSettings> settings() const;

 private:
  // " Record Pilot 3." : the records of the transaction the last undo or redo acted on.
  QString undoneRecords();

  RomImage rom_;
  TableRegistry tables_;
  MenuRows menus_;
  GridViews gridViews_;
  QString namesDir_;
  std::shared_ptr<FileChooser> chooser_;
  std::shared_ptr<MessageSink> messages_;
  QHash<QString, FormFactory> factories_;
  QHash<QString, QPointer<QWidget>> open_;
  QHash<QString, QPointer<QWidget>> fixed_;
  QHash<QString, QVariant> formValues_;
  QString settingsFile_;
  // Copies the history's log into its file a moment after the last save, so
  // the history file alone holds it all while the editor sits idle.
  std::unique_ptr<QTimer> checkpoint_;
  mutable QHash<QString, QStringList> menuRows_;  // the menus' row texts, by file
};

}  // namespace rt
