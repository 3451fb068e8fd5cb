#include "core/ui/editor_form.h"

#include "core/ui/field_binder.h"

#include <algorithm>

namespace rt {

EditorForm::EditorForm(AppContext& context, const QString& formName, const QString& caption, const QString& menu)
    : QWidget(nullptr, Qt::Window), context_(context), menu_(menu) {
  setObjectName(formName);
  setWindowTitle(caption);
  exit_ = makeButton(QStringLiteral("Exit"), QStringLiteral("Exit"));
  connect(exit_, &QPushButton::clicked, this, &EditorForm::exitForm);
}

void EditorForm::exitForm() {
  // Unload this window (unsaved edits go with it), then bring the menu forward.
  const QString menu = menu_;
  AppContext& context = context_;
  close();
  context.showForm(menu);
}

QPushButton* EditorForm::makeButton(const QString& objectName, const QString& caption) {
  auto* button = new QPushButton(caption, this);
  button->setObjectName(objectName);
  return button;
}

QLabel* EditorForm::makeLabel(const QString& objectName, const QString& caption) {
  auto* label = new QLabel(caption, this);
  if (!objectName.isEmpty()) label->setObjectName(objectName);
  return label;
}

bool EditorForm::loadList(const NameListSource& list, QStringList* items) {
  auto loaded = loadNames(context_.namesDir(), list);
  if (!loaded) {
    reportError(QStringLiteral("%1 cannot open.\n%2").arg(objectName(), loaded.message()));
    return false;
  }
  *items = *loaded;
  return true;
}

bool EditorForm::fillCombos(FieldBinder& fields, const QStringList& controls) {
  const std::vector<Field>& declared = fields.table().fields;
  auto listOf = [&](const ControlRef& c) -> const NameListSource& { return declared[static_cast<size_t>(c.field)].list; };
  for (const QString& name : controls) {
    const auto& all = fields.controls();
    const auto named = std::find_if(all.begin(), all.end(), [&](const ControlRef& c) { return c.name == name; });
    Q_ASSERT(named != all.end() && named->kind == ControlKind::Combo && !listOf(*named).file.isEmpty());
    if (named == all.end()) continue;
    const NameListSource& list = listOf(*named);
    QStringList items;
    if (!loadList(list, &items)) return false;
    for (const ControlRef& c : all)
      if (c.kind == ControlKind::Combo && listOf(c) == list) fields.fillCombo(c.name, items);
  }
  return true;
}

void EditorForm::reportError(const QString& text) {
  context_.reportError(this, windowTitle().isEmpty() ? objectName() : windowTitle(), text);
}

bool EditorForm::reportSave(const SaveResult& result, const FieldBinder* fields) {
  if (result.status) return true;
  if (result.badControl >= 0) {
    reportError(QStringLiteral("Nothing was saved.\n%1").arg(result.status.message()));
    if (fields) fields->focusControl(result.badControl);
  } else {
    reportError(result.status.message());
  }
  return false;
}

}  // namespace rt
