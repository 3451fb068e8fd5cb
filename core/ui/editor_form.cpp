#include "core/ui/editor_form.h"

#include "core/ui/field_binder.h"
#include "core/ui/table_view.h"

#include <QApplication>
#include <QBoxLayout>
#include <QGridLayout>
#include <QKeyEvent>
#include <QShortcut>

#include <algorithm>

namespace rt {
namespace {
const QKeyCombination kUndoKey(Qt::ControlModifier, Qt::Key_Z);
const QKeyCombination kRedoKey(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z);
}  // namespace

EditorForm::EditorForm(AppContext& context, const QString& formName, const QString& caption, const QString& menu)
    : QWidget(nullptr, Qt::Window), context_(context), menu_(menu) {
  setObjectName(formName);
  setWindowTitle(caption);
  exit_ = makeButton(QStringLiteral("Exit"), QStringLiteral("Exit"));
  connect(exit_, &QPushButton::clicked, this, &EditorForm::exitForm);
  connect(new QShortcut(QKeySequence(kUndoKey), this), &QShortcut::activated, this, &EditorForm::undoLast);
  connect(new QShortcut(QKeySequence(kRedoKey), this), &QShortcut::activated, this, &EditorForm::redoLast);
  table_ = makeButton(QStringLiteral("Table"), QStringLiteral("Table"));
  table_->setToolTip(QStringLiteral("The whole table as a grid, on this record (Ctrl+T)"));
  connect(table_, &QPushButton::clicked, this, &EditorForm::showTable);
  connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_T), this), &QShortcut::activated, this, &EditorForm::showTable);
  // A text box claims Ctrl+Z for its own typing; in an editor the keys undo saves.
  qApp->installEventFilter(this);
}

bool EditorForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == this) {
    const QKeyCombination key = static_cast<QKeyEvent*>(event)->keyCombination();
    if (key == kUndoKey || key == kRedoKey) {
      event->ignore();  // not claimed: the form's shortcut takes the keys
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

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
  // The forms place Exit as they lay out their widgets; Table goes beside it
  // once the layout is complete.
  if (event->type() == QEvent::Polish && !tablePlaced_) {
    tablePlaced_ = true;
    if (!placeBefore(layout(), exit_, table_)) table_->hide();
  }
  return QWidget::event(event);
}

void EditorForm::showTable() { showTableView(context_, objectName(), shownRecord()); }

void EditorForm::undoLast() { undoOwn(UndoKind::Undo); }
void EditorForm::redoLast() { undoOwn(UndoKind::Redo); }

void EditorForm::undoOwn(UndoKind kind) {
  UndoRequest request;
  request.kind = kind;
  request.source = objectName();  // what saveInfo records as the source
  context_.undo(this, windowTitle().isEmpty() ? objectName() : windowTitle(), request);  // rereads every form
}

bool EditorForm::savesWhereRead() {
  const QString& chosen = context_.rom().romPath();
  if (readFrom_ == chosen) return true;
  reportError(readFrom_.isEmpty()
                  ? QStringLiteral("The values shown were not read from \"%1\"; nothing was saved. Select the record "
                                   "again to read it.")
                        .arg(chosen)
                  : QStringLiteral("The values shown were read from \"%1\", not from the chosen image \"%2\"; "
                                   "nothing was saved. Select the record again to read it from \"%2\".")
                        .arg(readFrom_, chosen));
  return false;
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
  context_.reportNotices(this, windowTitle().isEmpty() ? objectName() : windowTitle());
  if (result.status) {
    if (result.bytesChanged > 0) context_.historyChanged();
    return true;
  }
  if (result.badControl >= 0) {
    reportError(QStringLiteral("Nothing was saved.\n%1").arg(result.status.message()));
    if (fields) fields->focusControl(result.badControl);
  } else {
    reportError(result.status.message());
  }
  return false;
}

}  // namespace rt
