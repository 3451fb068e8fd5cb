#pragma once
// A table whose first columns stay in view when it scrolls sideways: a second
// view of the same model lies over them, showing only those columns, sharing
// the selection and following the vertical scrolling.

#include <QTableView>

namespace rt {

class FrozenTable : public QTableView {
  Q_OBJECT
 public:
  explicit FrozenTable(QWidget* parent = nullptr);
  // Sets the model of both views; the first `frozen` columns stay in view.
  void setModel(QAbstractItemModel* model, int frozen);
  QTableView* frozenView() const { return frozen_; }
  int frozenCount() const { return count_; }
  bool editing() const { return state() == EditingState; }
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
  void updateGeometries() override;

 private:
  int frozenWidth() const;
  void placeFrozen();
  QTableView* frozen_;
  int count_ = 0;
};

}  // namespace rt
