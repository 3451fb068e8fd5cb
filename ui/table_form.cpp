#include "ui/table_form.h"

#include <QShortcut>

namespace rt {
namespace {

// The shape FieldBinder builds its widgets from: the table's fields, in its order.
TableDef shapeOf(const TableAdapter& table) {
  return TableDef{table.name(), table.base(), table.stride(), table.count(), table.fields()};
}

}  // namespace

TableForm::TableForm(AppContext& context, const QString& formName, const QString& caption, TableDef table,
                     const QString& menu)
    : TableForm(context, formName, caption, std::make_shared<const FixedTable>(std::move(table), NameListSource{}),
                menu) {}

TableForm::TableForm(AppContext& context, const QString& formName, const QString& caption,
                     std::shared_ptr<const TableAdapter> table, const QString& menu, SaveKey key)
    : EditorForm(context, formName, caption, menu),
      table_(std::move(table)),
      save_(makeButton(QStringLiteral("Save"), QStringLiteral("&Save"))),
      fields_(shapeOf(*table_), this) {
  connect(save_, &QPushButton::clicked, this, [this] { saveSelected(); });
  if (key == SaveKey::CtrlS) {
    auto* shortcut = new QShortcut(QKeySequence::Save, this);
    connect(shortcut, &QShortcut::activated, this, [this] { saveEdits(); });
  }
}

void TableForm::focusFirst(const QList<QWidget*>& widgets) {
  QWidget* previous = exitButton();
  for (QWidget* w : widgets) {
    setTabOrder(previous, w);
    previous = w;
  }
}

bool TableForm::showRecord(const RecordRef& record) {
  auto state = table_->read(context().rom(), record);
  if (!state) {
    fields_.clear();
    reportError(state.message());
    return false;
  }
  fields_.setState(*state);
  shown_ = std::move(state.value());
  noteRead();
  return true;
}

bool TableForm::saveShown(const RecordRef& record) {
  if (!savesWhereRead()) return false;
  return reportSave(rt::saveRecord(context().rom(), *table_, record, fields_.state(), saveInfo(record.keys)), &fields_);
}

bool TableForm::saveShownPart(const TxInfo& info, const PartEncoder& encode) {
  if (!savesWhereRead()) return false;
  std::vector<ByteWrite> writes;
  FieldError error;
  if (!encode(&writes, &error)) return reportSave(rejectedSave(error), &fields_);
  return reportSave(applyWrites(context().rom(), writes, info), &fields_);
}

void TableForm::readRecordAt(int index) {
  if (index < 0) return;
  auto record = table_->resolve(context().rom(), QVariantMap{{QStringLiteral("index"), index}});
  if (!record) {
    fields_.clear();
    reportError(record.message());
    return;
  }
  showRecord(*record);
}

void TableForm::saveRecordAt(int index, const QString& noneMessage) {
  if (index < 0) {
    reportError(noneMessage);
    return;
  }
  auto record = table_->resolve(context().rom(), QVariantMap{{QStringLiteral("index"), index}});
  if (!record) {
    reportError(record.message());
    return;
  }
  saveShown(*record);
}

}  // namespace rt
