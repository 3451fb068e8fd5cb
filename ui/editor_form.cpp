#include "ui/editor_form.h"

#include "model/caption.h"
#include "model/table_check.h"

#include "ui/field_binder.h"
#include "ui/record_links.h"
#include "ui/status_line.h"
#include "ui/table_view.h"

#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QShortcut>

#include <algorithm>

namespace rt {
namespace {
const QKeyCombination kUndoKey(Qt::ControlModifier, Qt::Key_Z);
const QKeyCombination kRedoKey(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z);
}  // namespace

EditorForm::EditorForm(AppContext& context, const QString& formName, const QString& caption, const QString& menu)
    : QWidget(nullptr, Qt::Window), context_(context), menu_(menu) {
  caption_ = caption;
  status_ = new StatusLine(this);
  status_->setObjectName(QStringLiteral("Status"));
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    if (now && now->window() == this) showStatus();
  });
  setObjectName(formName);
  setWindowTitle(caption);
  exit_ = makeButton(QStringLiteral("Exit"), EditorForm::tr("E&xit"));
  connect(exit_, &QPushButton::clicked, this, &EditorForm::exitForm);
  connect(new QShortcut(QKeySequence(kUndoKey), this), &QShortcut::activated, this, &EditorForm::undoLast);
  connect(new QShortcut(QKeySequence(kRedoKey), this), &QShortcut::activated, this, &EditorForm::redoLast);
  table_ = makeButton(QStringLiteral("Table"), EditorForm::tr("&Table"));
  table_->setToolTip(EditorForm::tr("The whole table as a grid, on this record (Ctrl+T)"));
  connect(table_, &QPushButton::clicked, this, &EditorForm::showTable);
  connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_T), this), &QShortcut::activated, this, &EditorForm::showTable);
  connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &EditorForm::exitForm);
  connect(new QShortcut(QKeySequence::Find, this), &QShortcut::activated, this, &EditorForm::focusFilter);
  // A text box keeps Ctrl+Z for its own typing; elsewhere in the form the keys undo saves.
}

void EditorForm::setCaption(const QString& caption) {
  caption_ = caption;
  updateEditedMark();
}

void EditorForm::showLastRecord() {
  const QVariantMap keys = context_.formValue(QStringLiteral("lastRecord/") + objectName()).toMap();
  if (!keys.isEmpty()) showRecord(keys);
}

namespace {

// The selection of a record list that asks the form before the current row
// moves: a refused move leaves both the current row and the selection where
// they were, so the row shown and the row selected never part.
class RecordListGuard final : public QItemSelectionModel {
 public:
  RecordListGuard(QListWidget* list, EditorForm* form) : QItemSelectionModel(list->model(), list), list_(list), form_(form) {
    list->viewport()->installEventFilter(this);
    QObject::connect(list, &QListWidget::itemClicked, form, [this](QListWidgetItem* item) { clicked(item); });
  }

  void setCurrentIndex(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) override {
    if (index != currentIndex() && index.isValid() && !form_->mayLeaveRecord()) return;
    moving_ = true;
    QItemSelectionModel::setCurrentIndex(index, command);
    moving_ = false;
  }
  void select(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) override {
    QItemSelectionModel::select(index, command);  // goes on to the overload below
  }
  void select(const QItemSelection& selection, QItemSelectionModel::SelectionFlags command) override {
    // A click selects the row it pressed after asking to make it current; a
    // refused row is not selected either.
    if (!moving_ && (command & QItemSelectionModel::Select) && !selection.isEmpty() &&
        !selection.contains(currentIndex()))
      return;
    QItemSelectionModel::select(selection, command);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonPress) pressedRow_ = list_->currentRow();
    return QItemSelectionModel::eventFilter(watched, event);
  }

 private:
  // A click on the row that was already selected reads it again, as a click
  // on another row reads that one (the image may have changed under it).
  void clicked(QListWidgetItem* item) {
    const int row = list_->row(item);
    if (row < 0 || row != pressedRow_ || row != list_->currentRow()) return;
    pressedRow_ = -1;
    if (form_->mayLeaveRecord()) emit list_->currentRowChanged(row);
  }

  QListWidget* list_;
  EditorForm* form_;
  bool moving_ = false;
  int pressedRow_ = -1;
};

// The box above a record list that narrows it to the rows whose text holds
// what is typed (any letter case), or whose number in the list it is. Down or
// Enter goes on into the list, onto the first row shown when the current one
// is filtered out. Rows the list gains later (another stage, another unit)
// are filtered as they come.
class RecordFilter final : public QLineEdit {
 public:
  RecordFilter(QListWidget* list, QWidget* parent) : QLineEdit(parent), list_(list) {
    setObjectName(list->objectName() + QStringLiteral("Filter"));
    setPlaceholderText(EditorForm::tr("Filter: name or number"));
    setClearButtonEnabled(true);
    setToolTip(EditorForm::tr("Shows the rows whose name holds this text, or the row of this number; Down or "
                              "Enter moves into the list"));
    QObject::connect(this, &QLineEdit::textChanged, this, [this] { apply(); });
    QObject::connect(list->model(), &QAbstractItemModel::rowsInserted, this, [this] { apply(); });
    QObject::connect(list->model(), &QAbstractItemModel::modelReset, this, [this] { apply(); });
  }

  void apply() {
    const QString wanted = text().trimmed();
    bool isNumber = false;
    const int number = wanted.toInt(&isNumber);
    for (int row = 0; row < list_->count(); ++row) {
      const bool shown = wanted.isEmpty() || (isNumber && row == number) ||
                         list_->item(row)->text().contains(wanted, Qt::CaseInsensitive);
      list_->setRowHidden(row, !shown);
    }
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const int key = event->key();
    if (key != Qt::Key_Down && key != Qt::Key_Return && key != Qt::Key_Enter) {
      QLineEdit::keyPressEvent(event);
      return;
    }
    const int current = list_->currentRow();
    if (current < 0 || list_->isRowHidden(current)) {
      for (int row = 0; row < list_->count(); ++row) {
        if (list_->isRowHidden(row)) continue;
        list_->setCurrentRow(row);  // reads it, as a click would
        break;
      }
    }
    list_->setFocus(Qt::TabFocusReason);
  }

 private:
  QListWidget* list_;
};

// Puts `above` over `widget` in whichever layout holds it: a column takes one
// more row; anywhere else the two become a column in the widget's place.
bool placeAbove(QLayout* layout, QWidget* widget, QWidget* above) {
  if (!layout) return false;
  const int at = layout->indexOf(widget);
  if (at < 0) {
    for (int i = 0; i < layout->count(); ++i)
      if (placeAbove(layout->itemAt(i)->layout(), widget, above)) return true;
    return false;
  }
  auto* box = qobject_cast<QBoxLayout*>(layout);
  if (box && box->direction() == QBoxLayout::TopToBottom) {
    box->insertWidget(at, above);
    return true;
  }
  auto* column = new QVBoxLayout;
  column->setContentsMargins(0, 0, 0, 0);
  if (box) {
    const int stretch = box->stretch(at);
    delete box->takeAt(at);
    column->addWidget(above);
    column->addWidget(widget, 1);
    box->insertLayout(at, column, stretch);
    return true;
  }
  if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
    int row = 0, col = 0, rows = 1, cols = 1;
    grid->getItemPosition(at, &row, &col, &rows, &cols);
    grid->removeWidget(widget);
    column->addWidget(above);
    column->addWidget(widget, 1);
    grid->addLayout(column, row, col, rows, cols);
    return true;
  }
  delete column;
  return false;
}

// Puts the status line under the whole form: a grid gets a row of its own; a
// row of columns moves into a column whose last entry is the status line.
void placeStatus(QLayout* top, QWidget* status) {
  if (auto* grid = qobject_cast<QGridLayout*>(top)) {
    grid->addWidget(status, grid->rowCount(), 0, 1, grid->columnCount());
    return;
  }
  auto* box = qobject_cast<QBoxLayout*>(top);
  if (!box) {
    status->hide();
    return;
  }
  if (box->direction() != QBoxLayout::TopToBottom) {
    auto* row = new QBoxLayout(box->direction());
    while (box->count() > 0) {
      const int stretch = box->stretch(0);
      QLayoutItem* item = box->takeAt(0);
      if (QLayout* inner = item->layout()) {
        row->addLayout(inner, stretch);
      } else if (QWidget* widget = item->widget()) {
        row->addWidget(widget, stretch, item->alignment());
        delete item;
      } else {
        row->addItem(item);
      }
    }
    box->setDirection(QBoxLayout::TopToBottom);
    box->addLayout(row, 1);
  }
  box->addWidget(status);
}

QString hexOffset(std::int64_t at) { return QStringLiteral("0x") + QString::number(at, 16).toUpper(); }

// "12", or "stage 3 record 12": the record as its keys name it.
QString recordLabel(const QVariantMap& keys) {
  const QString index = keys.value(QStringLiteral("index")).toString();
  if (!keys.contains(QStringLiteral("stage"))) return index;
  return QStringLiteral("stage %1 record %2").arg(keys.value(QStringLiteral("stage")).toString(), index);
}

}  // namespace

namespace {

// Puts `added` just before `anchor` in whichever layout holds `anchor`: a row
// or column of buttons takes one more, a grid cell becomes a row of two.
bool placeBefore(QLayout* layout, QWidget* anchor, QWidget* added) {
  if (!layout) return false;
  const int at = layout->indexOf(anchor);
  if (at >= 0) {
    if (auto* box = qobject_cast<QBoxLayout*>(layout)) {
      box->insertWidget(at, added);
      return true;
    }
    if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
      int row = 0, column = 0, rows = 1, columns = 1;
      grid->getItemPosition(at, &row, &column, &rows, &columns);
      const Qt::Alignment align = grid->itemAt(at)->alignment();
      grid->removeWidget(anchor);
      auto* pair = new QHBoxLayout;
      pair->addWidget(added);
      pair->addWidget(anchor);
      grid->addLayout(pair, row, column, rows, columns, align);
      return true;
    }
    return false;
  }
  for (int i = 0; i < layout->count(); ++i)
    if (placeBefore(layout->itemAt(i)->layout(), anchor, added)) return true;
  return false;
}

}  // namespace

bool EditorForm::event(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) {
    // The warning of a save's new errors and the status line in the new language.
    if (!newErrors_.isEmpty()) {
      const bool noted = note_ == errorsNote_;
      errorsNote_ = newErrorsNote();
      if (noted) note_ = errorsNote_;
      showNewErrors();
    }
    showStatus();
  }
  // The forms place Exit as they lay out their widgets; Table goes beside it
  // once the layout is complete.
  if (event->type() == QEvent::Polish && !tablePlaced_) {
    tablePlaced_ = true;
    if (!placeBefore(layout(), exit_, table_)) table_->hide();
    placeLinks();
    placeStatus(layout(), status_);
    showStatus();
    QList<QListWidget*> lists = findChildren<QListWidget*>();
    lists.removeAll(usedBy_);  // what names the record shown, not a list of records to pick
    for (QListWidget* list : lists) {
      guardRecordList(list);
      auto* filter = new RecordFilter(list, this);
      if (placeAbove(layout(), list, filter)) filters_.emplace_back(list, filter);
      else delete filter;
    }
    // A box that only shows a caption (a code's name, a slot's name) is drawn
    // on the window's colour, not as a box to type in.
    for (QLineEdit* box : findChildren<QLineEdit*>()) {
      if (!box->isReadOnly()) continue;
      QPalette shown = box->palette();
      shown.setColor(QPalette::Base, shown.color(QPalette::Window));
      box->setPalette(shown);
    }
    buttonsLastInTabOrder();
    // The form opens with its record list in hand, as it did before lists had
    // filters; Ctrl+F goes to the filter.
    if (!lists.isEmpty()) lists.front()->setFocus(Qt::OtherFocusReason);
  }
  return QWidget::event(event);
}

void EditorForm::focusFilter() {
  // The filter of the list in hand, or of the first list.
  QLineEdit* chosen = nullptr;
  for (const auto& [list, filter] : filters_)
    if (!chosen || list->hasFocus()) chosen = filter;
  if (!chosen) return;
  chosen->setFocus(Qt::ShortcutFocusReason);
  chosen->selectAll();
}

namespace {

QRect placeIn(QWidget* window, QWidget* w) { return QRect(w->mapTo(window, QPoint(0, 0)), w->size()); }

// Sorts `widgets` as a reader meets them in `window`: by rows, top to bottom,
// and left to right within a row. A widget is in the row of the first one
// above it whose height spans its middle, so a combo box and the text box
// beside it share a row though their tops differ by a pixel or two.
void inReadingOrder(QWidget* window, std::vector<QWidget*>* widgets) {
  auto rectOf = [window](QWidget* w) { return placeIn(window, w); };
  std::stable_sort(widgets->begin(), widgets->end(),
                   [&](QWidget* a, QWidget* b) { return rectOf(a).center().y() < rectOf(b).center().y(); });
  std::vector<std::pair<int, QWidget*>> rowed;  // (row, widget)
  int row = -1, rowBottom = -1;
  for (QWidget* w : *widgets) {
    const QRect r = rectOf(w);
    if (row < 0 || r.center().y() > rowBottom) {
      ++row;
      rowBottom = r.bottom();
    }
    rowed.emplace_back(row, w);
  }
  std::stable_sort(rowed.begin(), rowed.end(), [&](const auto& a, const auto& b) {
    if (a.first != b.first) return a.first < b.first;
    return rectOf(a.second).x() < rectOf(b.second).x();
  });
  for (size_t i = 0; i < rowed.size(); ++i) (*widgets)[i] = rowed[i].second;
}

// Sorts `widgets` down each column of the form, then the next column to the
// right. A column is a run of widgets whose horizontal spans overlap one
// another; a widget spanning two columns joins them, and such a column is read
// row by row.
void inColumnOrder(QWidget* window, std::vector<QWidget*>* widgets) {
  std::vector<QWidget*> byLeft = *widgets;
  std::stable_sort(byLeft.begin(), byLeft.end(),
                   [&](QWidget* a, QWidget* b) { return placeIn(window, a).left() < placeIn(window, b).left(); });
  std::vector<QWidget*> out;
  out.reserve(widgets->size());
  std::vector<QWidget*> column;
  int right = 0;
  auto flush = [&] {
    inReadingOrder(window, &column);
    out.insert(out.end(), column.begin(), column.end());
    column.clear();
  };
  for (QWidget* w : byLeft) {
    const QRect r = placeIn(window, w);
    if (!column.empty() && r.left() > right) flush();
    right = column.empty() ? r.right() : std::max(right, r.right());
    column.push_back(w);
  }
  flush();
  *widgets = std::move(out);
}

}  // namespace

void EditorForm::buttonsLastInTabOrder() {
  // Tab runs through the record lists, then the fields down each column and on
  // to the next, whatever order they were made in, then the buttons. Positions come from the layouts, laid out here before the window
  // is first shown: resizing it later changes sizes, not rows and columns.
  if (layout()) layout()->activate();
  for (QWidget* w : findChildren<QWidget*>())
    if (w->layout()) w->layout()->activate();  // a scrolled page lays out its own fields
  std::vector<QWidget*> lists, fields, buttons;
  for (QWidget* w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain()) {
    if (w->window() != this || !(w->focusPolicy() & Qt::TabFocus) || w->isHidden()) continue;
    if (std::any_of(filters_.begin(), filters_.end(), [w](const auto& f) { return f.second == w; }))
      continue;  // placed with its list below
    if (w == usedBy_) continue;  // after the fields, before the buttons
    if (qobject_cast<QPushButton*>(w)) buttons.push_back(w);
    else (qobject_cast<QListWidget*>(w) ? lists : fields).push_back(w);
  }
  inReadingOrder(this, &lists);
  inColumnOrder(this, &fields);
  lists.insert(lists.end(), fields.begin(), fields.end());
  if (usedBy_) lists.push_back(usedBy_);
  lists.insert(lists.end(), buttons.begin(), buttons.end());
  // A list's filter box comes just before its list.
  for (const auto& [list, filter] : filters_) lists.insert(std::find(lists.begin(), lists.end(), list), filter);
  for (size_t i = 1; i < lists.size(); ++i) setTabOrder(lists[i - 1], lists[i]);
}

void EditorForm::guardRecordList(QListWidget* list) {
  if (dynamic_cast<RecordListGuard*>(list->selectionModel())) return;
  QItemSelectionModel* old = list->selectionModel();
  auto* guard = new RecordListGuard(list, this);
  guard->setCurrentIndex(old->currentIndex(), QItemSelectionModel::NoUpdate);
  guard->select(old->selection(), QItemSelectionModel::ClearAndSelect);
  list->setSelectionModel(guard);
  old->deleteLater();
}

std::int64_t EditorForm::shownOffset() const {
  const QVariantMap keys = shownRecord();
  if (watched_.empty() || keys.size() != 1 || !keys.contains(QStringLiteral("index"))) return -1;
  return watched_.front()->table().recordOffset(keys.value(QStringLiteral("index")).toInt());
}

void EditorForm::placeLinks() {
  const TableAdapter* table = context_.tables().find(objectName());
  if (!table || !layout()) return;
  auto* panel = new QWidget(this);
  panel->setObjectName(QStringLiteral("UsedByPanel"));
  auto* row = new QHBoxLayout(panel);
  row->setContentsMargins(0, 0, 0, 0);
  auto* label = new QLabel(tr("Used by"), panel);
  label->setObjectName(QStringLiteral("UsedByLabel"));
  usedBy_ = new UsedByList(context_, table->name(), panel);
  usedBy_->setMaximumHeight(72);
  label->setBuddy(usedBy_);
  row->addWidget(label, 0, Qt::AlignTop);
  row->addWidget(usedBy_, 1);
  placeStatus(layout(), panel);

  newProblems_ = new QWidget(this);
  newProblems_->setObjectName(QStringLiteral("NewProblems"));
  auto* warning = new QHBoxLayout(newProblems_);
  warning->setContentsMargins(0, 0, 0, 0);
  newProblemsText_ = new QLabel(newProblems_);
  newProblemsText_->setObjectName(QStringLiteral("NewProblemsText"));
  newProblemsText_->setWordWrap(true);
  newProblemsText_->setStyleSheet(QStringLiteral("QLabel { background: #ffe0b0; padding: 3px; }"));
  auto* dismiss = new QPushButton(tr("Dismiss"), newProblems_);
  dismiss->setObjectName(QStringLiteral("DismissProblems"));
  connect(dismiss, &QPushButton::clicked, newProblems_, &QWidget::hide);
  warning->addWidget(newProblemsText_, 1);
  warning->addWidget(dismiss, 0, Qt::AlignTop);
  newProblems_->hide();
  placeStatus(layout(), newProblems_);
  addGoTo(this, context_, *table);
}

void EditorForm::showLinks(bool force) {
  if (!usedBy_) return;
  const QVariantMap keys = shownOffset() >= 0 ? shownRecord() : QVariantMap();
  if (!force && recordKeyText(keys) == recordKeyText(usedBy_->shown())) return;
  usedBy_->showLinks(keys);
  if (recordKeyText(keys) != recordKeyText(checkedKeys_)) {
    checkedKeys_ = keys;
    auto problems = keys.isEmpty() ? Result<std::vector<Problem>>(std::vector<Problem>{})
                                   : recordProblems(context_.rom(), context_.tables(), objectName(), keys);
    recordProblems_ = problems ? *problems : std::vector<Problem>{};
  }
}

void EditorForm::warnNewProblems() {
  if (!usedBy_) return;
  const QVariantMap keys = shownRecord();
  if (keys.isEmpty()) return;
  auto now = recordProblems(context_.rom(), context_.tables(), objectName(), keys);
  if (!now) return;
  const bool sameRecord = recordKeyText(keys) == recordKeyText(checkedKeys_);
  std::vector<Problem> added = newProblems(sameRecord ? recordProblems_ : std::vector<Problem>{}, *now);
  std::erase_if(added, [](const Problem& p) { return p.severity != Severity::Error; });
  checkedKeys_ = keys;
  recordProblems_ = *now;
  if (added.empty()) return;
  newErrors_.clear();
  for (const Problem& p : added) newErrors_ << p.message;
  note_ = errorsNote_ = newErrorsNote();
  showNewErrors();
  newProblems_->show();
}

QString EditorForm::newErrorsNote() const {
  return tr("The save brought in %n new error(s): %1", nullptr, static_cast<int>(newErrors_.size())).arg(newErrors_.front());
}

void EditorForm::showNewErrors() {
  newProblemsText_->setText(tr("Saved, but the game would trip on this:\n%1").arg(newErrors_.join(u'\n')));
}

void EditorForm::showStatus() {
  showLinks(false);
  QStringList parts;
  if (!note_.isEmpty()) parts << note_;
  if (!saved_.isEmpty()) parts << saved_;
  const std::int64_t at = shownOffset();
  if (at >= 0) {
    const QVariantMap keys = shownRecord();
    const QString label = recordLabel(keys);
    const QString record = keys.contains(QStringLiteral("stage")) ? label.left(1).toUpper() + label.mid(1)
                                                                  : EditorForm::tr("Record ") + label;
    // A table of values kept apart (the limits) has no place of its own, only
    // its fields do: the image's header is at 0, never a record.
    parts << (at > 0 ? EditorForm::tr("%1 at %2").arg(record, hexOffset(at)) : record);
    for (const FieldBinder* binder : watched_) {
      for (size_t i = 0; i < binder->controls().size(); ++i) {
        if (binder->widgetAt(static_cast<int>(i)) != focusWidget()) continue;
        const ControlRef& c = binder->controls()[i];
        const Field& f = binder->table().fields[static_cast<size_t>(c.field)];
        const std::int64_t fieldAt = fieldOffset(*binder, static_cast<int>(i));
        if (fieldAt < 0) continue;
        const int width = widthOf(f.kind);
        QStringList bytes;
        RomImage& rom = context_.rom();
        RomSession session(rom, Access::Read);
        if (session.status()) {
          rom.prefetch(fieldAt, width);
          rom.seek(fieldAt);
          for (int k = 0; k < width; ++k) bytes << QStringLiteral("%1").arg(rom.readU8(), 2, 16, QLatin1Char('0')).toUpper();
        }
        if (session.close()) parts << EditorForm::tr("%1 at %2: %3").arg(c.name, hexOffset(fieldAt), bytes.join(' '));
      }
    }
  }
  status_->setText(parts.join(QStringLiteral("    ")));
}

std::int64_t EditorForm::fieldOffset(const FieldBinder& fields, int control) const {
  const std::int64_t at = shownOffset();
  if (at < 0) return -1;
  const Field& f = fields.table().fields[static_cast<size_t>(fields.controls()[static_cast<size_t>(control)].field)];
  // A view that joins records of several tables (a pilot's skill slots and the
  // level rows they point at) repeats offsets that are not from the record
  // shown: such a form says where its fields are itself.
  const auto& all = fields.table().fields;
  if (std::count_if(all.begin(), all.end(), [&](const Field& g) { return g.offset == f.offset; }) > 1) return -1;
  return at + f.offset;
}

void EditorForm::watchFields(FieldBinder* fields) { watched_.push_back(fields); }

void EditorForm::forgetFields(FieldBinder* fields) { std::erase(watched_, fields); }

bool EditorForm::hasUnsavedEdits() const {
  return std::any_of(watched_.begin(), watched_.end(), [](const FieldBinder* f) { return f->edited(); });
}

void EditorForm::updateEditedMark() {
  setWindowTitle(hasUnsavedEdits() ? caption_ + QStringLiteral(" *") : caption_);
}

bool EditorForm::saveEdits() {
  // Save as the form's own button does; a rejected save keeps the record.
  if (auto* save = findChild<QPushButton*>(QStringLiteral("Save")); save && save->isEnabled()) save->click();
  return !hasUnsavedEdits();
}

MessageSink::Unsaved EditorForm::askToKeepEdits() {
  if (!hasUnsavedEdits()) return MessageSink::Unsaved::Discard;
  const auto answer = context_.messages().askUnsaved(
      this, messageTitle(), EditorForm::tr("The record shown has edits that were not saved."));
  if (answer == MessageSink::Unsaved::Save && !saveEdits()) return MessageSink::Unsaved::Cancel;
  return answer;
}

void EditorForm::discardEdits() {
  for (FieldBinder* f : watched_) f->markRead();
  updateEditedMark();
}

bool EditorForm::mayLeaveRecord() {
  const auto answer = askToKeepEdits();
  if (answer == MessageSink::Unsaved::Discard) discardEdits();
  return answer != MessageSink::Unsaved::Cancel;
}

void EditorForm::closeEvent(QCloseEvent* event) {
  if (!mayLeaveRecord()) {
    event->ignore();
    return;
  }
  // Opened again in this run, the form comes back to this record.
  if (const QVariantMap keys = shownRecord(); !keys.isEmpty())
    context_.formValue(QStringLiteral("lastRecord/") + objectName()) = keys;
  QWidget::closeEvent(event);
}

void EditorForm::showTable() { showTableView(context_, objectName(), shownRecord()); }

void EditorForm::undoLast() { undoOwn(UndoKind::Undo); }
void EditorForm::redoLast() { undoOwn(UndoKind::Redo); }

void EditorForm::undoOwn(UndoKind kind) {
  if (kind == UndoKind::Undo && hasUnsavedEdits()) {
    // The typing comes off first, as it went on last; the next Ctrl+Z undoes a save.
    reread();
    saved_ = EditorForm::tr("Dropped the edits not saved; Ctrl+Z again undoes the last save.");
    showStatus();
    return;
  }
  UndoRequest request;
  request.kind = kind;
  request.source = objectName();  // what saveInfo records as the source
  const QString done = context_.undo(this, messageTitle(), request);  // rereads every form
  if (done.isEmpty()) return;
  saved_ = done;
  showStatus();
}

bool EditorForm::savesWhereRead() {
  const QString& chosen = context_.rom().romPath();
  if (readFrom_ == chosen) return true;
  reportError(readFrom_.isEmpty()
                  ? EditorForm::tr("The values shown were not read from \"%1\"; nothing was saved. Select the record "
                                   "again to read it.")
                        .arg(chosen)
                  : EditorForm::tr("The values shown were read from \"%1\", not from the chosen image \"%2\"; "
                                   "nothing was saved. Select the record again to read it from \"%2\".")
                        .arg(readFrom_, chosen));
  return false;
}

void EditorForm::exitForm() {
  // Unload this window (asking first about unsaved edits), then bring the menu forward.
  const QString menu = menu_;
  AppContext& context = context_;
  if (!close()) return;  // the user kept the unsaved edits
  context.showForm(menu);
}

QPushButton* EditorForm::makeButton(const QString& objectName, const QString& caption) {
  auto* button = new QPushButton(caption, this);
  button->setObjectName(objectName);
  return button;
}

QLabel* EditorForm::makeLabel(const QString& objectName, const QString& caption) {
  // Captions are declared in the forms' own texts and shown in the interface's language.
  auto* label = new QLabel(shownCaption(caption), this);
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
  context_.reportError(this, messageTitle(), text);
}

bool EditorForm::reportSave(const SaveResult& result, const FieldBinder* fields) {
  context_.reportNotices(this, messageTitle());
  if (result.status) {
    note_.clear();
    for (FieldBinder* f : watched_) f->markRead();  // what is shown is what the image holds now
    updateEditedMark();
    // Where the first byte written lies, which need not be in the record's first bytes.
    const std::int64_t at = result.bytesChanged > 0 ? context_.rom().lastFirstChanged() : -1;
    saved_ = EditorForm::tr("Saved %1 %2: %3 %4%5 in %6")
                 .arg(objectName(), recordLabel(shownRecord()))
                 .arg(result.bytesChanged)
                 .arg(result.bytesChanged == 1 ? EditorForm::tr("byte") : EditorForm::tr("bytes"),
                      at > 0 ? EditorForm::tr(" at ") + hexOffset(at) : QString(),
                      QFileInfo(context_.rom().romPath()).fileName());
    warnNewProblems();
    showStatus();
    showLinks(true);
    if (result.bytesChanged > 0) context_.imageWritten(this);
    return true;
  }
  if (result.badControl >= 0) {
    reportError(EditorForm::tr("Nothing was saved.\n%1").arg(result.status.message()));
    if (fields) fields->focusControl(result.badControl);
  } else {
    reportError(result.status.message());
  }
  return false;
}

}  // namespace rt
