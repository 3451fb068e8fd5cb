#include "ui/frozen_table.h"

#include <QHeaderView>
#include <QScrollBar>

namespace rt {

FrozenTable::FrozenTable(QWidget* parent) : QTableView(parent), frozen_(new QTableView(this)) {
  frozen_->setObjectName(QStringLiteral("FrozenGrid"));
  frozen_->setFocusPolicy(Qt::NoFocus);
  frozen_->verticalHeader()->hide();
  frozen_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  frozen_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  frozen_->setVerticalScrollMode(ScrollPerPixel);
  frozen_->setEditTriggers(NoEditTriggers);
  frozen_->setStyleSheet(QStringLiteral("QTableView { border: none; }"));
  setHorizontalScrollMode(ScrollPerPixel);
  setVerticalScrollMode(ScrollPerPixel);
  viewport()->stackUnder(frozen_);

  connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
    if (column < count_) {
      frozen_->setColumnWidth(column, size);
      placeFrozen();
    }
  });
  connect(verticalHeader(), &QHeaderView::sectionResized, this,
          [this](int row, int, int size) { frozen_->setRowHeight(row, size); });
  connect(frozen_->verticalScrollBar(), &QAbstractSlider::valueChanged, verticalScrollBar(), &QAbstractSlider::setValue);
  connect(verticalScrollBar(), &QAbstractSlider::valueChanged, frozen_->verticalScrollBar(), &QAbstractSlider::setValue);
  // A click on a frozen column's header sorts like one on the table's own.
  connect(frozen_->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
    if (!isSortingEnabled()) return;
    QHeaderView* header = horizontalHeader();
    const Qt::SortOrder order = header->sortIndicatorSection() == column && header->sortIndicatorOrder() == Qt::AscendingOrder
                                    ? Qt::DescendingOrder
                                    : Qt::AscendingOrder;
    sortByColumn(column, order);
  });
  connect(horizontalHeader(), &QHeaderView::sortIndicatorChanged, this, [this](int column, Qt::SortOrder order) {
    frozen_->horizontalHeader()->setSortIndicatorShown(column < count_);
    frozen_->horizontalHeader()->setSortIndicator(column < count_ ? column : -1, order);
  });
}

void FrozenTable::setModel(QAbstractItemModel* model, int frozen) {
  count_ = frozen;
  QTableView::setModel(model);
  frozen_->setModel(model);
  frozen_->setSelectionModel(selectionModel());
  frozen_->setSelectionBehavior(selectionBehavior());
  frozen_->setSelectionMode(selectionMode());
  const int columns = model ? model->columnCount() : 0;
  for (int c = 0; c < columns; ++c) {
    frozen_->setColumnHidden(c, c >= count_);
    if (c < count_) frozen_->setColumnWidth(c, columnWidth(c));
  }
  frozen_->horizontalHeader()->setSectionsClickable(true);
  frozen_->show();
  placeFrozen();
}

int FrozenTable::frozenWidth() const {
  int width = 0;
  for (int c = 0; c < count_; ++c) width += columnWidth(c);
  return width;
}

void FrozenTable::placeFrozen() {
  const int header = verticalHeader()->isVisible() ? verticalHeader()->width() : 0;
  frozen_->setGeometry(header + frameWidth(), frameWidth(), frozenWidth(),
                       viewport()->height() + horizontalHeader()->height());
  frozen_->horizontalHeader()->setFixedHeight(horizontalHeader()->height());
}

void FrozenTable::resizeEvent(QResizeEvent* event) {
  QTableView::resizeEvent(event);
  placeFrozen();
}

void FrozenTable::updateGeometries() {
  QTableView::updateGeometries();
  placeFrozen();
}

QModelIndex FrozenTable::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) {
  const QModelIndex current = QTableView::moveCursor(cursorAction, modifiers);
  // Moving left into a column hidden under the frozen ones scrolls it out from under them.
  if (cursorAction == MoveLeft && current.column() >= count_ && visualRect(current).left() < frozenWidth()) {
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() + visualRect(current).left() - frozenWidth());
  }
  return current;
}

void FrozenTable::scrollTo(const QModelIndex& index, ScrollHint hint) {
  if (index.column() >= count_) {
    QTableView::scrollTo(index, hint);
    return;
  }
  // A frozen column is always in view: scroll only vertically.
  const int sideways = horizontalScrollBar()->value();
  QTableView::scrollTo(index, hint);
  horizontalScrollBar()->setValue(sideways);
}

}  // namespace rt
