#include "core/ui/app_context.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace rt {
namespace {

class DialogFileChooser final : public FileChooser {
 public:
  QString chooseRomImage(QWidget* parent, const QString& current) override {
    // "*.nds" in any letter case, so "GAME.NDS" is offered too.
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Open NDS"), QFileInfo(current).absolutePath(),
                                        QStringLiteral("NDS (*.[nN][dD][sS]);;All files (*)"));
  }
};

class DialogMessageSink final : public MessageSink {
 public:
  void error(QWidget* parent, const QString& title, const QString& text) override {
    QMessageBox::warning(parent, title, text);
  }
};

}  // namespace

std::shared_ptr<FileChooser> dialogFileChooser() { return std::make_shared<DialogFileChooser>(); }
std::shared_ptr<MessageSink> dialogMessageSink() { return std::make_shared<DialogMessageSink>(); }

AppContext::AppContext(QString namesDir, std::shared_ptr<FileChooser> chooser, std::shared_ptr<MessageSink> messages,
                       std::shared_ptr<FileLayer> files)
    : rom_(std::move(files)), namesDir_(std::move(namesDir)), chooser_(std::move(chooser)), messages_(std::move(messages)) {}

AppContext::~AppContext() { closeAllForms(); }

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
