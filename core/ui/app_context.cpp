#include "core/ui/app_context.h"

#include "core/ui/editor_form.h"
#include "core/ui/history_window.h"
#include "core/ui/table_view.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace rt {
namespace {

class DialogFileChooser final : public FileChooser {
 public:
  QString chooseRomImage(QWidget* parent, const QString& current) override {
    QFileDialog dialog(parent, QStringLiteral("Open NDS"), QFileInfo(current).absolutePath(),
                       QStringLiteral("NDS ROM images (*.nds)"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    // Qt's own dialog, whose filter can ignore letter case: "GAME.NDS" is offered too.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
  }
  QString chooseFileToRead(QWidget* parent, const QString& title, const QString& current, const QString& filter) override {
    return QFileDialog::getOpenFileName(parent, title, QFileInfo(current).absolutePath(), filter);
  }
  QString chooseFileToWrite(QWidget* parent, const QString& title, const QString& suggested, const QString& filter) override {
    return QFileDialog::getSaveFileName(parent, title, suggested, filter);
  }
};

class DialogMessageSink final : public MessageSink {
 public:
  void error(QWidget* parent, const QString& title, const QString& text) override {
    QMessageBox::warning(parent, title, text);
  }
  void info(QWidget* parent, const QString& title, const QString& text) override {
    QMessageBox::information(parent, title, text);
  }
  bool ask(QWidget* parent, const QString& title, const QString& question) override {
    return QMessageBox::question(parent, title, question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
           QMessageBox::Yes;
  }
  Unsaved askUnsaved(QWidget* parent, const QString& title, const QString& text) override {
    switch (QMessageBox::question(parent, title, text, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                                  QMessageBox::Cancel)) {
      case QMessageBox::Save: return Unsaved::Save;
      case QMessageBox::Discard: return Unsaved::Discard;
      default: return Unsaved::Cancel;
    }
  }
};

QString anywayQuestion(const UndoRequest& request) {
  const char* verb = request.kind == UndoKind::Redo ? "Redo" : request.kind == UndoKind::Revert ? "Revert" : "Undo";
  return QStringLiteral("%1 it anyway? Its recorded bytes then replace what the image holds there now.")
      .arg(QString::fromLatin1(verb));
}

}  // namespace

MessageSink::Unsaved MessageSink::askUnsaved(QWidget* parent, const QString& title, const QString& text) {
  if (ask(parent, title, text + QStringLiteral("\n\nSave them?"))) return Unsaved::Save;
  if (ask(parent, title, QStringLiteral("Discard the edits?"))) return Unsaved::Discard;
  return Unsaved::Cancel;
}

std::shared_ptr<FileChooser> dialogFileChooser() { return std::make_shared<DialogFileChooser>(); }
std::shared_ptr<MessageSink> dialogMessageSink() { return std::make_shared<DialogMessageSink>(); }

AppContext::AppContext(QString namesDir, std::shared_ptr<FileChooser> chooser, std::shared_ptr<MessageSink> messages,
                       std::shared_ptr<FileLayer> files)
    : rom_(std::move(files)), namesDir_(std::move(namesDir)), chooser_(std::move(chooser)), messages_(std::move(messages)) {
  registerForm(QStringLiteral("History"), [](AppContext& c) -> QWidget* { return new HistoryWindow(c); });
}

AppContext::~AppContext() { closeAllForms(); }

std::unique_ptr<QSettings> AppContext::settings() const {
  if (!settingsFile_.isEmpty()) return std::make_unique<QSettings>(settingsFile_, QSettings::IniFormat);
  return std::make_unique<QSettings>(QSettings::UserScope, QStringLiteral("RomTables"), QStringLiteral("RomTables"));
}

void AppContext::reportNotices(QWidget* parent, const QString& title) {
  const QStringList notices = rom_.takeNotices();
  if (!notices.isEmpty()) messages_->info(parent, title, notices.join(QStringLiteral("\n\n")));
}

bool AppContext::mayDropEdits(bool tableViews) {
  const auto forms = open_.values();
  for (const QPointer<QWidget>& window : forms) {
    if (auto* form = qobject_cast<EditorForm*>(window.data()); form && !form->mayLeaveRecord()) return false;
    if (auto* grid = qobject_cast<TableView*>(window.data()); grid && tableViews && !grid->mayDropEdits()) return false;
  }
  return true;
}

bool AppContext::openImage(QWidget* parent, const QString& path) {
  if (!mayDropEdits(true)) return false;
  const QString title = QStringLiteral("Open NDS");
  rom_.setRomPath(path);
  const Status recovered = rom_.recover();
  reportNotices(parent, title);
  if (!recovered && rom_.historyRefused()) {
    // The history is not this file's (or cannot be read): the user may set it aside and go on.
    if (messages_->ask(parent, title,
                       recovered.message() + QStringLiteral("\n\nSet the old history aside and start a new one for "
                                                            "this image?"))) {
      const Status restarted = rom_.restartHistory();
      reportNotices(parent, title);
      if (!restarted) reportError(parent, title, restarted.message());
    }
  } else if (!recovered) {
    reportError(parent, title, recovered.message());
  }
  rereadForms();
  return true;
}

QString AppContext::undo(QWidget* parent, const QString& title, UndoRequest request) {
  if (!mayDropEdits(false)) return {};  // the editors read their records again after it
  for (;;) {
    bool changedSince = false;
    auto done = undoTransaction(rom_, tables_, namesDir_, request, &changedSince);
    reportNotices(parent, title);
    if (done) {
      rereadForms();
      return *done;
    }
    if (!changedSince || request.force) {
      reportError(parent, title, done.message());
      return {};
    }
    // The question carries the refusal, so a No needs no second message.
    if (!messages_->ask(parent, title, done.message() + QStringLiteral("\n\n") + anywayQuestion(request))) return {};
    request.force = true;
  }
}

void AppContext::rereadForms() {
  const auto forms = open_.values();
  for (const QPointer<QWidget>& window : forms) {
    if (auto* form = qobject_cast<EditorForm*>(window.data())) form->reread();
    else if (auto* history = qobject_cast<HistoryWindow*>(window.data())) history->refresh();
    else if (auto* grid = qobject_cast<TableView*>(window.data())) grid->reread();
  }
}

void AppContext::historyChanged() {
  if (!checkpoint_) {
    checkpoint_ = std::make_unique<QTimer>();
    checkpoint_->setSingleShot(true);
    QObject::connect(checkpoint_.get(), &QTimer::timeout, [this] { rom_.checkpointHistory(); });
  }
  checkpoint_->start(1500);
  if (auto* history = qobject_cast<HistoryWindow*>(openForm(QStringLiteral("History")))) history->refresh();
}

QWidget* AppContext::openForm(const QString& name) const {
  if (auto fixed = fixed_.find(name); fixed != fixed_.end()) return fixed->data();
  auto it = open_.find(name);
  return it == open_.end() ? nullptr : it->data();
}

QWidget* AppContext::showForm(const QString& name) {
  if (QWidget* open = openForm(name)) {
    open->showNormal();
    open->raise();
    open->activateWindow();
    return open;
  }
  auto factory = factories_.find(name);
  if (factory == factories_.end()) return nullptr;
  QWidget* form = (*factory)(*this);  // nullptr when its lists could not load
  if (!form) return nullptr;
  form->setAttribute(Qt::WA_DeleteOnClose);
  open_.insert(name, form);
  form->show();
  form->raise();
  form->activateWindow();
  return form;
}

void AppContext::closeAllForms() {
  const auto forms = open_.values();
  for (const QPointer<QWidget>& form : forms)
    if (form) delete form.data();
  open_.clear();
}

}  // namespace rt
