#include "ui/table_view.h"
#include "ui/named_button.h"

#include "model/record_csv.h"
#include "model/table_check.h"
#include "ui/status_line.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QSaveFile>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>

namespace rt {
namespace {

QString captionOf(const AppContext& context, const QString& id) {
  const QString caption = context.captionOf(id);
  return caption.isEmpty() ? id : caption;
}

// The nouns counted, one and many, for lupdate to collect.
[[maybe_unused]] const char* const kCountedNouns[] = {
    QT_TRANSLATE_NOOP("rt::TableView", "record"), QT_TRANSLATE_NOOP("rt::TableView", "records"),
    QT_TRANSLATE_NOOP("rt::TableView", "edited cell"), QT_TRANSLATE_NOOP("rt::TableView", "edited cells"),
    QT_TRANSLATE_NOOP("rt::TableView", "byte"), QT_TRANSLATE_NOOP("rt::TableView", "bytes"),
    QT_TRANSLATE_NOOP("rt::TableView", "cell"), QT_TRANSLATE_NOOP("rt::TableView", "cells")};

// "1 cell", "2 cells".
QString counted(qsizetype n, const char* noun) {
  const QByteArray word = n == 1 ? QByteArray(noun) : QByteArray(noun) + 's';
  return QStringLiteral("%1 %2").arg(n).arg(TableView::tr(word.constData()));
}

}  // namespace

TableView::TableView(AppContext& context, std::shared_ptr<const GridSource> source)
    : QWidget(nullptr, Qt::Window),
      context_(context),
      model_(new GridModel(source, context.rom(), context.namesDir(), this)),
      proxy_(new GridProxy(model_, this)),
      grid_(new FrozenTable(this)),
      filter_(new QLineEdit(this)),
      shade_(new QCheckBox(TableView::tr("Shade"), this)),
      headers_(new QCheckBox(TableView::tr("with headers"), this)),
      save_(namedButton(this, QStringLiteral("Save"), TableView::tr("&Save"), TableView::tr("Write every edited record (Ctrl+S)"))),
      revert_(namedButton(this, QStringLiteral("Revert"), TableView::tr("&Revert"), TableView::tr("Drop every edit"))),
      count_(new QLabel(this)),
      status_(new StatusLine(this)),
      title_(TableView::tr("Table view - %1").arg(captionOf(context, source->id()))) {
  setObjectName(QStringLiteral("TableView"));
  setWindowTitle(title_);

  grid_->setObjectName(QStringLiteral("Grid"));
  grid_->setItemDelegate(new GridDelegate(model_, grid_));
  grid_->setSortingEnabled(true);
  grid_->horizontalHeader()->setSortIndicatorShown(true);
  grid_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  grid_->verticalHeader()->hide();
  grid_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  grid_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                         QAbstractItemView::AnyKeyPressed);
  grid_->setWordWrap(false);
  const int rowHeight = grid_->fontMetrics().height() + 6;
  grid_->verticalHeader()->setDefaultSectionSize(rowHeight);
  grid_->setModel(proxy_, model_->frozenColumns());
  grid_->frozenView()->verticalHeader()->setDefaultSectionSize(rowHeight);
  grid_->frozenView()->setItemDelegate(new GridDelegate(model_, grid_->frozenView()));
  // Columns leave and come back by the header's menu; an export takes the columns in view.
  grid_->horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(grid_->horizontalHeader(), &QHeaderView::customContextMenuRequested, this, [this](const QPoint& at) {
    const int column = grid_->horizontalHeader()->logicalIndexAt(at);
    QMenu menu(this);
    QAction* hide = menu.addAction(TableView::tr("Hide column"));
    hide->setEnabled(column >= model_->frozenColumns());
    QAction* all = menu.addAction(TableView::tr("Show every column"));
    QAction* chosen = menu.exec(grid_->horizontalHeader()->mapToGlobal(at));
    if (chosen == hide) grid_->setColumnHidden(column, true);
    if (chosen == all)
      for (int c = 0; c < model_->columnCount(); ++c) grid_->setColumnHidden(c, false);
  });

  filter_->setObjectName(QStringLiteral("Filter"));
  filter_->setPlaceholderText(TableView::tr("name or index, or caption > number (e.g. 格鬥 > 180); join with ,"));
  filter_->setClearButtonEnabled(true);
  filter_->setToolTip(TableView::tr("Words match a record's name, index or any column of words; \"caption op value\" "
                                     "(op: < <= > >= = !=) compares a column, in hex where it shows hex and by item "
                                     "where it shows a list. Several, separated by commas, must all hold."));
  connect(filter_, &QLineEdit::textChanged, this, &TableView::applyFilter);
  shade_->setObjectName(QStringLiteral("Shade"));
  shade_->setToolTip(TableView::tr("Colour each numeric column by value: low blue, high red"));
  connect(shade_, &QCheckBox::toggled, model_, &GridModel::setShade);
  headers_->setObjectName(QStringLiteral("CopyHeaders"));
  headers_->setToolTip(TableView::tr("Copy puts the column captions on a first line"));
  count_->setObjectName(QStringLiteral("Count"));
  status_->setObjectName(QStringLiteral("Status"));

  auto* copy = namedButton(this, QStringLiteral("Copy"), TableView::tr("Copy"), TableView::tr("Copy the selected cells as tab-separated text (Ctrl+C)"));
  auto* paste = namedButton(this, QStringLiteral("Paste"), TableView::tr("Paste"),
                       TableView::tr("Paste a tab-separated block at the selection (Ctrl+V)"));
  auto* exportCsv = namedButton(this, QStringLiteral("ExportCsv"), TableView::tr("Export CSV..."),
                           TableView::tr("Write the rows and columns in view as CSV for romtables-cli import"));
  auto* close = namedButton(this, QStringLiteral("Close"), TableView::tr("C&lose"), TableView::tr("Close the view (Esc)"));
  if (!source->exportTable()) {
    exportCsv->setEnabled(false);
    exportCsv->setToolTip(TableView::tr("The command line has no table these rows import into"));
  }
  connect(save_, &QPushButton::clicked, this, &TableView::save);
  connect(revert_, &QPushButton::clicked, this, &TableView::revert);
  connect(copy, &QPushButton::clicked, this, &TableView::copySelection);
  connect(paste, &QPushButton::clicked, this, &TableView::paste);
  connect(exportCsv, &QPushButton::clicked, this, &TableView::exportClicked);
  connect(close, &QPushButton::clicked, this, &QWidget::close);
  connect(model_, &GridModel::editsChanged, this, &TableView::updateCounts);

  auto shortcut = [this](const QKeySequence& keys, auto slot, QWidget* on, Qt::ShortcutContext where) {
    auto* s = new QShortcut(keys, on);
    s->setContext(where);
    connect(s, &QShortcut::activated, this, slot);
  };
  shortcut(QKeySequence::Copy, &TableView::copySelection, grid_, Qt::WidgetWithChildrenShortcut);
  shortcut(QKeySequence::Paste, &TableView::paste, grid_, Qt::WidgetWithChildrenShortcut);
  shortcut(QKeySequence::Save, &TableView::save, this, Qt::WindowShortcut);
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { undoOwn(UndoKind::Undo); }, this, Qt::WindowShortcut);
  shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), [this] { undoOwn(UndoKind::Redo); }, this, Qt::WindowShortcut);
  shortcut(QKeySequence::Find, [this] { filter_->setFocus(); }, this, Qt::WindowShortcut);
  // Esc closes the view (asking about unsaved edits); a cell being edited takes Esc for itself.
  shortcut(QKeySequence(Qt::Key_Escape), &QWidget::close, this, Qt::WindowShortcut);

  auto* top = new QHBoxLayout;
  auto* filterLabel = new QLabel(TableView::tr("Filter:"), this);
  filterLabel->setBuddy(filter_);
  top->addWidget(filterLabel);
  top->addWidget(filter_, 1);
  top->addWidget(shade_);
  top->addSpacing(12);
  top->addWidget(count_);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(save_);
  bottom->addWidget(revert_);
  bottom->addSpacing(12);
  bottom->addWidget(copy);
  bottom->addWidget(headers_);
  bottom->addWidget(paste);
  bottom->addWidget(exportCsv);
  for (const GridSource::Link& link : source->linked()) {
    auto* open = namedButton(this, link.button, tr(link.caption.toUtf8().constData()));  // declared with QT_TRANSLATE_NOOP
    connect(open, &QPushButton::clicked, this, [this, id = link.id] { showTableView(context_, id); });
    bottom->addWidget(open);
  }
  bottom->addSpacing(12);
  bottom->addWidget(status_, 1);
  bottom->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(grid_, 1);
  layout->addLayout(bottom);
  resize(1200, 720);
}

void TableView::markLinks() {
  const TableRegistry& tables = context_.tables();
  const QString table = model_->source().table();
  const TableAdapter* adapter = tables.find(table);
  if (!adapter) return;
  std::vector<int> counts;
  const bool pointedInto = referencedTables(tables).contains(table);
  if (pointedInto) {
    auto read = usedByCounts(context_.rom(), tables, table, adapter->count());
    if (read) counts = std::move(*read);
  }
  auto problems = checkImage(context_.rom(), tables, context_.namesDir(), {table});
  model_->setLinks(pointedInto ? &counts : nullptr, problems ? *problems : std::vector<Problem>{});
}

QString TableView::txSource() const { return QStringLiteral("TableView %1").arg(model_->source().id()); }

bool TableView::load() {
  const Status read = model_->load();
  if (!read) {
    context_.reportError(this, title_, TableView::tr("The table view of %1 cannot open.\n%2")
                                                   .arg(model_->source().id(), read.message()));
    return false;
  }
  readFrom_ = context_.rom().romPath();
  markLinks();
  fitColumns();
  updateCounts();
  return true;
}

void TableView::reread() {
  commitEditor();
  const bool sameImage = readFrom_ == context_.rom().romPath();
  const bool hadEdits = model_->edits().editedCells() > 0;
  const Status read = sameImage ? model_->reload() : model_->load();
  if (!read) {
    context_.reportError(this, title_, read.message());
    return;
  }
  readFrom_ = context_.rom().romPath();
  const QHeaderView* header = grid_->horizontalHeader();
  markLinks();
  if (header->sortIndicatorSection() >= 0) proxy_->sort(header->sortIndicatorSection(), header->sortIndicatorOrder());
  updateCounts();
  if (!sameImage && hadEdits) say(TableView::tr("Another image was opened; the edits were dropped."));
}

void TableView::showRecord(const QVariantMap& keys) {
  if (keys.isEmpty()) return;
  const auto& rows = model_->edits().rows();
  for (size_t r = 0; r < rows.size(); ++r) {
    bool same = true;
    for (auto it = keys.begin(); same && it != keys.end(); ++it)
      same = rows[r].ref.keys.value(it.key()).toString() == it.value().toString();
    if (!same) continue;
    QModelIndex at = proxy_->mapFromSource(model_->index(static_cast<int>(r), model_->columnOfControl(0)));
    if (!at.isValid()) {  // filtered out: show every row again
      filter_->clear();
      at = proxy_->mapFromSource(model_->index(static_cast<int>(r), model_->columnOfControl(0)));
    }
    grid_->setCurrentIndex(at);
    grid_->selectionModel()->select(at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    grid_->scrollTo(at, QAbstractItemView::PositionAtCenter);
    return;
  }
}

void TableView::fitColumns() {
  // Widths from the captions and a sample of the rows: measuring every cell of a large table is slow.
  const QFontMetrics cells = grid_->fontMetrics();
  const QFontMetrics heads = grid_->horizontalHeader()->fontMetrics();
  const int rows = model_->rowCount();
  const int step = std::max(1, rows / 100);
  for (int c = 0; c < model_->columnCount(); ++c) {
    int width = heads.horizontalAdvance(model_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString()) + 26;
    const int control = model_->controlOf(c);
    const ControlKind kind =
        control >= 0 ? model_->source().controls()[static_cast<size_t>(control)].kind : ControlKind::Text;
    if (kind == ControlKind::Combo && model_->listOf(control)) {
      for (const QString& item : *model_->listOf(control)) width = std::max(width, cells.horizontalAdvance(item) + 18);
    } else if (kind != ControlKind::Check) {
      for (int r = 0; r < rows; r += step) width = std::max(width, cells.horizontalAdvance(model_->text(r, c)) + 18);
    }
    grid_->setColumnWidth(c, std::clamp(width, 34, c == model_->frozenColumns() - 1 ? 200 : 240));
  }
}

void TableView::commitEditor() {
  // A cell still being typed into takes its text before anything reads the values.
  if (!grid_->editing()) return;
  QWidget* editor = QApplication::focusWidget();
  if (!editor || !grid_->isAncestorOf(editor)) return;
  emit grid_->itemDelegate()->commitData(editor);
  emit grid_->itemDelegate()->closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void TableView::updateCounts() {
  const GridEdits& edits = model_->edits();
  QString text = TableView::tr("%1 of %2").arg(proxy_->rowCount()).arg(counted(model_->rowCount(), "record"));
  if (edits.editedCells() > 0)
    text += TableView::tr("; %1 in %2").arg(counted(edits.editedCells(), "edited cell"), counted(edits.editedRows(), "record"));
  count_->setText(text);
  save_->setEnabled(edits.editedCells() > 0);
  revert_->setEnabled(edits.editedCells() > 0);
  setWindowTitle(edits.editedCells() > 0 ? title_ + QStringLiteral(" *") : title_);
}

void TableView::say(const QString& text) { status_->setText(text); }

void TableView::refuse(const QString& text, int sourceRow, int column) {
  if (sourceRow >= 0 && column >= 0) {
    const QModelIndex at = proxy_->mapFromSource(model_->index(sourceRow, column));
    if (at.isValid()) {
      grid_->setCurrentIndex(at);
      grid_->scrollTo(at);
    }
  }
  say(text.section(u'\n', 0, 0));
  context_.reportError(this, title_, text);
}

std::vector<int> TableView::columnsNamed(const QString& name) const {
  std::vector<int> exact, within;
  for (int c = 0; c < model_->columnCount(); ++c) {
    const GridModel::Column& col = model_->columns()[static_cast<size_t>(c)];
    // A column is named by its declared caption or by the caption shown in the interface's language.
    const QString shown = model_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    if (col.caption.compare(name, Qt::CaseInsensitive) == 0 || col.tip.compare(name, Qt::CaseInsensitive) == 0 ||
        model_->columnName(c).compare(name, Qt::CaseInsensitive) == 0 || shown.compare(name, Qt::CaseInsensitive) == 0)
      exact.push_back(c);
    else if (col.caption.contains(name, Qt::CaseInsensitive) || shown.contains(name, Qt::CaseInsensitive))
      within.push_back(c);
  }
  return exact.empty() ? within : exact;
}

void TableView::applyFilter() {
  GridFilter filter = parseGridFilter(
      filter_->text(), [this](const QString& name) { return columnsNamed(name); },
      [this](int column, const QString& text, QString* why) { return model_->valueOf(column, text, why); });
  filter_->setStyleSheet(filter.error.isEmpty() ? QString() : QStringLiteral("QLineEdit { background: #ffd0d0; }"));
  filter_->setToolTip(filter.error.isEmpty() ? QString() : filter.error);
  say(filter.error);
  proxy_->setFilter(std::move(filter));
  updateCounts();
}

std::vector<int> TableView::columnsInView() const {
  std::vector<std::pair<int, int>> byPlace;  // visual position, column
  const QHeaderView* header = grid_->horizontalHeader();
  for (int c = 0; c < model_->columnCount(); ++c)
    if (!grid_->isColumnHidden(c)) byPlace.emplace_back(header->visualIndex(c), c);
  std::sort(byPlace.begin(), byPlace.end());
  std::vector<int> out;
  for (const auto& [place, column] : byPlace) out.push_back(column);
  return out;
}

bool TableView::saveOver(bool overwrite) {
  commitEditor();
  if (model_->edits().editedCells() == 0) {
    say(TableView::tr("There are no edits to save."));
    return true;
  }
  if (readFrom_ != context_.rom().romPath()) {
    refuse(TableView::tr("The rows shown were read from \"%1\", not from the chosen image \"%2\"; nothing was saved.")
               .arg(readFrom_, context_.rom().romPath()),
           -1, -1);
    return false;
  }
  const GridSaveResult saved = model_->save(txSource(), overwrite);
  context_.reportNotices(this, title_);
  if (!saved.stale.empty()) return settleStale(saved.stale);
  if (saved.rejected) {
    const int column = saved.rejected->control >= 0 ? model_->columnOfControl(saved.rejected->control) : -1;
    refuse(TableView::tr("Nothing was saved: %1%2 is refused.\n%3")
               .arg(model_->rowName(saved.rejected->row),
                    column >= 0 ? QStringLiteral(", ") + model_->columnName(column) : QString(), saved.rejected->message),
           saved.rejected->row, column);
    return false;
  }
  if (!saved.status) {
    refuse(saved.status.message(), -1, -1);
    return false;
  }
  reread();  // what the image holds now, other windows' saves included
  if (saved.bytesChanged > 0) context_.imageWritten(this);
  say(TableView::tr("Saved %1; %2 changed.").arg(counted(saved.records, "record"), counted(saved.bytesChanged, "byte")));
  return true;
}

QString TableView::cellName(int row, int control) const {
  return model_->rowName(row) + QStringLiteral(", ") + model_->columnName(model_->columnOfControl(control));
}

QString TableView::cellValue(int control, const ControlValue& value) const {
  const ControlRef& c = model_->source().controls()[static_cast<size_t>(control)];
  if (c.kind == ControlKind::Check) return value.checked ? QStringLiteral("1") : QStringLiteral("0");
  return shownValue(c, model_->source().fields()[static_cast<size_t>(c.field)], value, model_->listOf(control));
}

bool TableView::settleStale(const std::vector<GridStale>& stale) {
  QStringList lines;
  for (const GridStale& s : stale)
    lines << TableView::tr("%1: %2 now; this view would write %3.")
                 .arg(cellName(s.row, s.cell.control), cellValue(s.cell.control, s.cell.now),
                      cellValue(s.cell.control, s.cell.mine));
  const QString question =
      TableView::tr("Since this view read the rows, these cells were saved elsewhere:\n%1\n\n"
                     "Overwrite writes this view's values over them.\n"
                     "Reload reads the rows again: these cells then show the image's values and their edits are "
                     "dropped; the other edited cells stay, not saved.\n"
                     "Cancel writes nothing and keeps the edits.")
          .arg(lines.join(u'\n'));
  switch (context_.messages().askStale(this, title_, question)) {
    case MessageSink::Stale::Overwrite: return saveOver(true);
    case MessageSink::Stale::Reload: {
      // The rows read again keep every edit; the cells saved elsewhere then take the image's values.
      std::vector<std::pair<QVariantMap, int>> dropped;
      for (const GridStale& s : stale) dropped.push_back({model_->edits().rows()[static_cast<size_t>(s.row)].ref.keys, s.cell.control});
      reread();
      std::vector<CellValue> values;
      const auto& rows = model_->edits().rows();
      for (size_t r = 0; r < rows.size(); ++r)
        for (const auto& [keys, control] : dropped)
          if (rows[r].ref.keys == keys) values.push_back({static_cast<int>(r), control, rows[r].state[static_cast<size_t>(control)]});
      model_->take(values);
      say((stale.size() == 1 ? TableView::tr("Reloaded %1 as the image holds it; nothing was saved.")
                             : TableView::tr("Reloaded %1 as the image holds them; nothing was saved."))
              .arg(counted(static_cast<qsizetype>(stale.size()), "cell")));
      return false;
    }
    case MessageSink::Stale::Cancel: break;
  }
  say(TableView::tr("Nothing was saved; the edits are kept."));
  return false;
}

void TableView::rereadWritten(const std::vector<ByteSpan>& written) {
  // A table at base + stride * i shown as it is (no columns from other
  // tables) is read again only when the bytes written reach into it.
  if (const auto* fixed = dynamic_cast<const FixedTable*>(model_->source().exportTable());
      fixed && model_->source().infoColumns().isEmpty() && model_->source().id() == fixed->name()) {
    const std::int64_t begin = fixed->base(), end = fixed->requiredSize();
    const bool reaches = std::any_of(written.begin(), written.end(), [&](const ByteSpan& s) {
      return s.offset < end && s.offset + s.length > begin;
    });
    if (!reaches) return;
  }
  reread();
  QStringList under;
  for (const auto& [row, control] : model_->edits().changedUnderneath())
    under << cellName(row, control) + u' ' + cellValue(control, model_->edits().rows()[static_cast<size_t>(row)].state[static_cast<size_t>(control)]);
  if (!under.isEmpty()) say(TableView::tr("changed underneath: %1 (saved elsewhere)").arg(under.join(QStringLiteral("; "))));
}

void TableView::revert() {
  commitEditor();
  const int cells = model_->edits().editedCells();
  model_->revert();
  say(TableView::tr("Dropped %1.").arg(counted(cells, "edited cell")));
}

QByteArray TableView::csvInView() const {
  const GridEdits& edits = model_->edits();
  std::vector<ExportedRecord> records;
  records.reserve(static_cast<size_t>(proxy_->rowCount()));
  for (int r = 0; r < proxy_->rowCount(); ++r) {
    const int source = proxy_->mapToSource(proxy_->index(r, 0)).row();
    const GridRow& row = edits.rows()[static_cast<size_t>(source)];
    records.push_back({row.ref, edits.state(source), row.stored});
  }
  std::vector<int> shown;
  for (int column : columnsInView())
    if (model_->controlOf(column) >= 0) shown.push_back(model_->controlOf(column));
  const GridSource& source = model_->source();
  return recordsToCsv(source.keyNames(), source.controls(), source.fields(), records, shown);
}

void TableView::exportClicked() {
  commitEditor();
  const TableAdapter* table = model_->source().exportTable();
  if (!table) return;
  const QString suggested = QFileInfo(context_.rom().romPath()).dir().filePath(table->name() + QStringLiteral(".csv"));
  const QString path = context_.chooser().chooseFileToWrite(this, TableView::tr("Export CSV"), suggested,
                                                         TableView::tr("CSV (*.csv);;All files (*)"));
  if (!path.isEmpty()) exportCsv(path);
}

bool TableView::exportCsv(const QString& path) {
  const TableAdapter* table = model_->source().exportTable();
  if (!table) return false;
  QSaveFile file(path);  // written beside the target, then renamed over it
  const QByteArray csv = csvInView();
  if (!file.open(QIODevice::WriteOnly) || file.write(csv) != csv.size() || !file.commit()) {
    refuse(TableView::tr("\"%1\" cannot be written: %2.").arg(QDir::toNativeSeparators(path), file.errorString()), -1, -1);
    return false;
  }
  say(TableView::tr("Exported %1 records to %2; romtables-cli import IMAGE FILE --table %3 reads it back.")
          .arg(proxy_->rowCount())
          .arg(QDir::toNativeSeparators(path), table->name()));
  return true;
}

void TableView::undoOwn(UndoKind kind) {
  commitEditor();
  UndoRequest request;
  request.kind = kind;
  request.source = txSource();
  const QString done = context_.undo(this, title_, request);  // rereads every window, this one included
  if (!done.isEmpty()) say(done);
}

MessageSink::Unsaved TableView::askToKeepEdits() {
  commitEditor();
  const int cells = model_->edits().editedCells();
  if (cells == 0) return MessageSink::Unsaved::Discard;
  const int rows = model_->edits().editedRows();
  const auto answer = context_.messages().askUnsaved(
      this, title_,
      (cells == 1 ? TableView::tr("%1 of %2 is edited and not saved.") : TableView::tr("%1 of %2 are edited and not saved."))
          .arg(counted(cells, "cell"), counted(rows, "record")));
  if (answer == MessageSink::Unsaved::Save && !save()) return MessageSink::Unsaved::Cancel;
  return answer;
}

void TableView::discardEdits() {
  if (model_->edits().editedCells() > 0) model_->revert();
}

bool TableView::mayDropEdits() {
  const auto answer = askToKeepEdits();
  if (answer == MessageSink::Unsaved::Discard) discardEdits();
  return answer != MessageSink::Unsaved::Cancel;
}

void TableView::closeEvent(QCloseEvent* event) {
  if (mayDropEdits()) event->accept();
  else event->ignore();
}

QString tableViewName(const QString& id) { return QStringLiteral("TableView:") + id; }

TableView* showTableView(AppContext& context, const QString& id, const QVariantMap& keys) {
  const QString name = tableViewName(id);
  if (!context.hasForm(name)) {
    context.registerForm(name, [id](AppContext& c) -> QWidget* {
      auto source = c.gridViews().make(id, c.tables());
      if (!source) {
        c.reportError(nullptr, TableView::tr("Table view"), TableView::tr("%1 has no table to show.").arg(id));
        return nullptr;
      }
      auto* view = new TableView(c, std::move(source));
      if (!view->load()) {
        delete view;
        return nullptr;
      }
      return view;
    });
  }
  auto* view = qobject_cast<TableView*>(context.showForm(name));
  if (view) view->showRecord(keys);
  return view;
}

}  // namespace rt
