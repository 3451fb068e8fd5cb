#include "core/ui/table_form.h"

#include <QShortcut>

namespace rt {

TableForm::TableForm(AppContext& context, const QString& formName, const QString& caption, TableDef table,
                     const QString& menu)
    : EditorForm(context, formName, caption, menu),
      save_(makeButton(QStringLiteral("Save"), QStringLiteral("Save"))),
      fields_(table, this) {
  connect(save_, &QPushButton::clicked, this, [this] { saveSelected(); });
  auto* shortcut = new QShortcut(QKeySequence::Save, this);
  connect(shortcut, &QShortcut::activated, this, [this] { saveSelected(); });
}

void TableForm::readRecordAt(int index) {
  if (index < 0) return;
  auto state = readRecord(context().rom(), fields_.table(), fields_.table().recordOffset(index));
  if (!state) {
    fields_.clear();
    reportError(state.message());
    return;
  }
  fields_.setState(*state);
  noteRead();
}

void TableForm::saveRecordAt(int index, const QString& noneMessage) {
  if (index < 0) {
    reportError(noneMessage);
    return;
  }
  if (!savesWhereRead()) return;
  reportSave(writeRecord(context().rom(), fields_.table(), fields_.table().recordOffset(index), fields_.state(),
                         saveInfo(index)),
             &fields_);
}

}  // namespace rt
