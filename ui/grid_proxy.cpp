// Sorting, filtering and the combo box editor of the table view.
#include "ui/grid_model.h"

#include <QComboBox>

namespace rt {

GridProxy::GridProxy(GridModel* model, QObject* parent) : QSortFilterProxyModel(parent), model_(model) {
  setSourceModel(model);
  // Rows stay where they are while being edited; sorting and filtering happen when asked.
  setDynamicSortFilter(false);
}

void GridProxy::setFilter(GridFilter filter) {
  filter_ = std::move(filter);
  invalidateFilter();
}

bool GridProxy::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
  const GridRow& row = model_->edits().rows()[static_cast<size_t>(sourceRow)];
  for (const QString& word : filter_.words) {
    bool found = row.ref.name.contains(word, Qt::CaseInsensitive);
    for (auto it = row.ref.keys.begin(); !found && it != row.ref.keys.end(); ++it)
      found = it.value().toString().contains(word);
    // Every other column of text: notes such as a weapon's units, and the items lists show.
    for (int column = 0; !found && column < model_->columnCount(); ++column)
      found = model_->textColumn(column) && model_->text(sourceRow, column).contains(word, Qt::CaseInsensitive);
    if (!found) return false;
  }
  for (const FilterCondition& c : filter_.conditions) {
    bool met = false;
    double v = 0;
    for (size_t k = 0; k < c.columns.size() && !met; ++k)
      met = model_->number(sourceRow, c.columns[k], &v) && holds(c.op, v, c.values[k]);
    if (!met) return false;
  }
  return true;
}

bool GridProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const {
  double a = 0, b = 0;
  const bool na = model_->number(left.row(), left.column(), &a);
  const bool nb = model_->number(right.row(), right.column(), &b);
  if (na && nb) return a < b;
  if (na != nb) return na;  // a text that is no number goes after the numbers
  return QString::compare(model_->text(left.row(), left.column()), model_->text(right.row(), right.column()),
                          Qt::CaseInsensitive) < 0;
}

namespace {

QModelIndex toSource(const QModelIndex& index) {
  if (const auto* proxy = qobject_cast<const QSortFilterProxyModel*>(index.model())) return proxy->mapToSource(index);
  return index;
}

}  // namespace

QWidget* GridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const QModelIndex at = toSource(index);
  const int control = model_->controlOf(at.column());
  if (control < 0 || model_->source().controls()[static_cast<size_t>(control)].kind != ControlKind::Combo ||
      !model_->listOf(control))
    return QStyledItemDelegate::createEditor(parent, option, index);
  auto* box = new QComboBox(parent);
  const QStringList& items = *model_->listOf(control);
  for (int i = 0; i < items.size(); ++i) box->addItem(items[i], i);
  // A stored byte without a row stays choosable, as in the form.
  const int row = model_->edits().value(at.row(), control).row;
  if (row >= items.size()) box->addItem(extraRowText(row), row);
  return box;
}

void GridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  if (auto* box = qobject_cast<QComboBox*>(editor)) {
    box->setCurrentIndex(box->findData(index.data(Qt::EditRole).toInt()));
    return;
  }
  QStyledItemDelegate::setEditorData(editor, index);
}

void GridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
  if (auto* box = qobject_cast<QComboBox*>(editor)) {
    if (box->currentIndex() >= 0) model->setData(index, box->currentData().toInt(), Qt::EditRole);
    return;
  }
  QStyledItemDelegate::setModelData(editor, model, index);
}

}  // namespace rt
