#include "ui/app_context.h"

#include "model/name_list.h"
#include "ui/history_window.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QPushButton>
#include <QCoreApplication>

namespace rt {
namespace {

class DialogFileChooser final : public FileChooser {
 public:
  QString chooseRomImage(QWidget* parent, const QString& current) override {
    QFileDialog dialog(parent, QCoreApplication::translate("rt::AppContext", "Open NDS"), QFileInfo(current).absolutePath(),
                       QCoreApplication::translate("rt::AppContext", "NDS ROM images (*.nds)"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    // Qt's own dialog, whose filter can ignore letter case: "GAME.NDS" is offered too.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
  }
  QString chooseFileToRead(QWidget* parent, const QString& title, const QString& current, const QString& filter) override {
    QFileDialog dialog(parent, title, QFileInfo(current).absolutePath(), filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // Qt's own dialog, whose filter can ignore letter case: "*.nds" offers "GAME.NDS" too.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
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
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
    QPushButton* save = box.addButton(QCoreApplication::translate("rt::AppContext", "&Save"), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(QCoreApplication::translate("rt::AppContext", "&Discard"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(QCoreApplication::translate("rt::AppContext", "&Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(save);  // Enter saves: nothing is lost by it
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == save) return Unsaved::Save;
    if (box.clickedButton() == discard) return Unsaved::Discard;
    return Unsaved::Cancel;
  }
  Stale askStale(QWidget* parent, const QString& title, const QString& text) override {
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::NoButton, parent);
    QPushButton* overwrite = box.addButton(QCoreApplication::translate("rt::AppContext", "&Overwrite"), QMessageBox::DestructiveRole);
    QPushButton* reload = box.addButton(QCoreApplication::translate("rt::AppContext", "&Reload"), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QCoreApplication::translate("rt::AppContext", "&Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(cancel);  // Enter loses nothing
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == overwrite) return Stale::Overwrite;
    if (box.clickedButton() == reload) return Stale::Reload;
    return Stale::Cancel;
  }
};

QString anywayQuestion(const UndoRequest& request) {
  const char* verb = request.kind == UndoKind::Redo ? "Redo" : request.kind == UndoKind::Revert ? "Revert" : "Undo";
  return QCoreApplication::translate("rt::AppContext", "%1 it anyway? Its recorded bytes then replace what the image holds there now.")
      .arg(QString::fromLatin1(verb));
}

}  // namespace

MessageSink::Unsaved MessageSink::askUnsaved(QWidget* parent, const QString& title, const QString& text) {
  if (ask(parent, title, text + QCoreApplication::translate("rt::AppContext", "\n\nSave them?"))) return Unsaved::Save;
  if (ask(parent, title, QCoreApplication::translate("rt::AppContext", "Discard the edits?"))) return Unsaved::Discard;
  return Unsaved::Cancel;
}

MessageSink::Stale MessageSink::askStale(QWidget* parent, const QString& title, const QString& text) {
  if (ask(parent, title, text + QCoreApplication::translate("rt::AppContext", "\n\nOverwrite them?"))) return Stale::Overwrite;
  if (ask(parent, title, QCoreApplication::translate("rt::AppContext", "Reload the record?"))) return Stale::Reload;
  return Stale::Cancel;
}

std::shared_ptr<FileChooser> dialogFileChooser() { return std::make_shared<DialogFileChooser>(); }
std::shared_ptr<MessageSink> dialogMessageSink() { return std::make_shared<DialogMessageSink>(); }

AppContext::AppContext(QString namesDir, std::shared_ptr<FileChooser> chooser, std::shared_ptr<MessageSink> messages,
                       std::shared_ptr<FileLayer> files)
    : rom_(std::move(files)), namesDir_(std::move(namesDir)), chooser_(std::move(chooser)), messages_(std::move(messages)) {
  // A save waits for one flush, its history's; the image's follows when the
  // editor idles (historyChanged), when another image is chosen, or at exit.
  rom_.setDeferredFlush(true);
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
  // Every window is asked before any drops its edits: a Cancel in the last
  // one keeps the edits of all.
  std::vector<QPointer<QWidget>> discarded;
  const auto forms = open_.values();
  for (const QPointer<QWidget>& window : forms) {
    auto* open = dynamic_cast<ContextWindow*>(window.data());
    const MessageSink::Unsaved answer = open ? open->mayLeave(!tableViews) : MessageSink::Unsaved::Save;
    if (answer == MessageSink::Unsaved::Cancel) return false;
    if (answer == MessageSink::Unsaved::Discard) discarded.push_back(window);
  }
  for (const QPointer<QWidget>& window : discarded) {
    if (auto* open = dynamic_cast<ContextWindow*>(window.data())) open->discardEdits();
  }
  return true;
}

QString AppContext::captionOf(const QString& id) const {
  for (const FormPlace& place : menus_.all()) {
    if (place.id != id) continue;
    const QString file = place.menu == MenuKind::Main ? QStringLiteral("Main.txt") : QStringLiteral("main_2.txt");
    auto rows = menuRows_.find(file);
    if (rows == menuRows_.end()) {
      auto loaded = loadNameList(namesDir_, file, menus_.forms(place.menu).size());
      rows = menuRows_.insert(file, loaded ? *loaded : QStringList());
    }
    if (place.row >= 0 && place.row < rows->size() && !rows->at(place.row).trimmed().isEmpty())
      return rows->at(place.row).trimmed();
    return place.caption.isEmpty() ? id : place.caption;
  }
  return {};
}

bool AppContext::openImage(QWidget* parent, const QString& path) {
  if (!mayDropEdits(true)) return false;
  const QString title = QCoreApplication::translate("rt::AppContext", "Open NDS");
  // The image the saves so far went to is flushed before another is chosen.
  if (Status flushed = rom_.flushImage(); !flushed) reportError(parent, title, flushed.message());
  rom_.setRomPath(path);
  const Status recovered = rom_.recover();
  reportNotices(parent, title);
  if (!recovered && rom_.historyRefused()) {
    // The history is not this file's (or cannot be read): the user may set it aside and go on.
    if (messages_->ask(parent, title,
                       recovered.message() + QCoreApplication::translate("rt::AppContext", "\n\nSet the old history aside and start a new one for "
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
      return *done + undoneRecords();
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

QString AppContext::undoneRecords() {
  // The newest transaction is the undo or redo just done; its target's records say what it touched.
  Journal* journal = rom_.journal();
  if (!journal) return {};
  auto newest = journal->list(1, false);
  if (!newest || newest->empty()) return {};
  auto target = journal->get(newest->front().info.target);
  if (!target) return {};
  QStringList records;
  const QJsonArray keys = QJsonDocument::fromJson(target->info.records).array();
  for (const QJsonValue& v : keys) {
    const QVariantMap record = v.toObject().toVariantMap();
    QStringList parts;
    for (auto it = record.begin(); it != record.end(); ++it)
      parts << (it.key() == QLatin1String("index") ? it.value().toString() : it.key() + QLatin1Char(' ') + it.value().toString());
    records << parts.join(QStringLiteral(", "));
  }
  if (records.isEmpty()) return {};
  const QString table = target->info.table.isEmpty() ? QString() : target->info.table + QLatin1Char(' ');
  const int more = static_cast<int>(records.size()) - 3;
  if (more > 0) records = records.mid(0, 3) << QCoreApplication::translate("rt::AppContext", "%1 more").arg(more);
  return QStringLiteral(" %1: %2%3.")
      .arg(records.size() == 1 ? QCoreApplication::translate("rt::AppContext", "Record") : QCoreApplication::translate("rt::AppContext", "Records"), table,
           records.join(QStringLiteral("; ")));
}

void AppContext::rereadForms() {
  const auto forms = open_.values();
  for (const QPointer<QWidget>& window : forms) {
    if (auto* open = dynamic_cast<ContextWindow*>(window.data())) open->reread();
  }
}

void AppContext::historyChanged() {
  if (!checkpoint_) {
    checkpoint_ = std::make_unique<QTimer>();
    checkpoint_->setSingleShot(true);
    QObject::connect(checkpoint_.get(), &QTimer::timeout, [this] {
      if (Status flushed = rom_.flushImage(); !flushed)
        messages_->error(nullptr, QCoreApplication::translate("rt::AppContext", "Save"), flushed.message());
      rom_.checkpointHistory(Journal::LogStart::Now);
    });
  }
  checkpoint_->start(1500);
  if (auto* history = qobject_cast<HistoryWindow*>(openForm(QStringLiteral("History")))) history->refresh();
}

void AppContext::imageWritten(QWidget* by) {
  historyChanged();
  std::vector<ByteSpan> written;
  if (Journal* journal = rom_.journal(); journal && rom_.lastTransaction() > 0)
    if (auto tx = journal->get(rom_.lastTransaction()))
      for (const Run& run : tx->runs) written.push_back({run.offset, run.after.size()});
  const auto forms = open_.values();
  for (const QPointer<QWidget>& window : forms) {
    if (!window || window.data() == by) continue;
    if (auto* other = dynamic_cast<ContextWindow*>(window.data())) other->rereadWritten(written);
  }
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
  if (const QString caption = captionOf(name); !caption.isEmpty()) {
    if (auto* window = dynamic_cast<ContextWindow*>(form)) window->setCaption(caption);
    else form->setWindowTitle(caption);
  }
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
