#include "ui/history_window.h"
#include "ui/named_button.h"

#include "model/caption.h"

#include <QEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSplitter>
#include <QVBoxLayout>

namespace rt {
namespace {

constexpr int kIdRole = Qt::UserRole;
constexpr int kRevertableRole = Qt::UserRole + 1;

// A transaction's state as the window shows it; the history stores stateName's words.
QString shownState(TxState state) {
  switch (state) {
    case TxState::Pending: return HistoryWindow::tr("pending");
    case TxState::Done: return HistoryWindow::tr("done");
    case TxState::Undone: return HistoryWindow::tr("undone");
    case TxState::RolledBack: return HistoryWindow::tr("rolled back");
    case TxState::RollingBack: return HistoryWindow::tr("rolling back");
  }
  return stateName(state);
}

QTreeWidget* tree(QWidget* parent, const QString& name, const QStringList& headers) {
  auto* t = new QTreeWidget(parent);
  t->setObjectName(name);
  t->setHeaderLabels(headers);
  t->setRootIsDecorated(false);
  t->setUniformRowHeights(true);  // keeps a long list quick to lay out
  t->setAlternatingRowColors(true);
  return t;
}

// "3", or "stage 2, index 5" for a record addressed by more than its index.
QString recordText(const QVariantMap& keys) {
  if (keys.size() == 1 && keys.contains(QStringLiteral("index"))) return keys.value(QStringLiteral("index")).toString();
  QStringList parts;
  for (auto it = keys.begin(); it != keys.end(); ++it)
    if (it.key() != QLatin1String("index")) parts << it.key() + QLatin1Char(' ') + it.value().toString();
  if (keys.contains(QStringLiteral("index"))) parts << QStringLiteral("index ") + keys.value(QStringLiteral("index")).toString();
  return parts.join(QStringLiteral(", "));
}

// Columns as wide as their texts, with some air between them.
void fitColumns(QTreeWidget* t) {
  for (int c = 0; c + 1 < t->columnCount(); ++c) {  // the last one stretches
    t->resizeColumnToContents(c);
    t->setColumnWidth(c, t->columnWidth(c) + 12);
  }
}

QString hexBytes(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex(' ').toUpper()); }

constexpr int kSummaryColumn = 4;
constexpr int kSummarisedRole = Qt::UserRole + 2;  // the summary names the fields
constexpr int kSummarisedAtOpen = 20;  // the newest transactions whose fields are named on listing

// "Pilot 3", "PSkills 0, level 37", "Weapon 3, 5 and 2 more": the table and records a transaction wrote.
QString recordsSummary(const TxInfo& info) {
  QStringList records;
  const QJsonArray keys = QJsonDocument::fromJson(info.records).array();
  for (const QJsonValue& v : keys) {
    if (records.size() == 3) break;
    records << recordText(v.toObject().toVariantMap());
  }
  QString text = info.table;
  if (!records.isEmpty()) text += (text.isEmpty() ? QString() : QStringLiteral(" ")) + records.join(QStringLiteral("; "));
  if (info.recordCount > records.size() && !records.isEmpty())
    text += HistoryWindow::tr(" and %1 more").arg(info.recordCount - records.size());
  if (info.kind != QLatin1String("edit") && info.target > 0)
    text = HistoryWindow::tr("%1 of %2").arg(info.kind).arg(info.target) + (text.isEmpty() ? QString() : QStringLiteral(": ") + text);
  return text;
}

// The captions of the fields changed, each once, in the order met.
QString fieldsSummary(const std::vector<FieldChange>& changes) {
  QStringList fields;
  for (const FieldChange& c : changes) {
    const QString name = c.caption.isEmpty() ? c.field : shownCaption(c.caption);
    if (!fields.contains(name)) fields << name;
  }
  const int more = static_cast<int>(fields.size()) - 4;
  if (more > 0) fields = fields.mid(0, 4) << HistoryWindow::tr("%1 more").arg(more);
  return fields.join(QStringLiteral(", "));
}

}  // namespace

HistoryWindow::HistoryWindow(AppContext& context)
    : QWidget(nullptr, Qt::Window),
      context_(context),
      note_(new QLabel(this)),
      transactions_(tree(this, QStringLiteral("Transactions"),
                         {HistoryWindow::tr("ID"), HistoryWindow::tr("Time"), HistoryWindow::tr("Source"), HistoryWindow::tr("State"),
                          HistoryWindow::tr("Summary")})),
      changes_(tree(this, QStringLiteral("Changes"),
                    {HistoryWindow::tr("Table"), HistoryWindow::tr("Record"), HistoryWindow::tr("Name"), HistoryWindow::tr("Field"),
                     HistoryWindow::tr("Control"), HistoryWindow::tr("Old"), HistoryWindow::tr("New")})),
      status_(new QLabel(this)),
      undo_(namedButton(this, QStringLiteral("Undo"), tr("Undo"))),
      redo_(namedButton(this, QStringLiteral("Redo"), tr("Redo"))),
      revert_(namedButton(this, QStringLiteral("Revert"), tr("Revert"))) {
  setObjectName(QStringLiteral("History"));
  setWindowTitle(tr("History"));
  note_->setObjectName(QStringLiteral("HistoryNote"));
  note_->setWordWrap(true);
  note_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  status_->setObjectName(QStringLiteral("HistoryStatus"));
  status_->setWordWrap(true);
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  transactions_->setSelectionMode(QAbstractItemView::SingleSelection);
  changes_->setSelectionMode(QAbstractItemView::NoSelection);
  undo_->setToolTip(HistoryWindow::tr("Undo the newest done change"));
  redo_->setToolTip(HistoryWindow::tr("Redo the newest undone change"));
  revert_->setToolTip(HistoryWindow::tr("Put back what the selected change replaced"));
  auto* close = namedButton(this, QStringLiteral("Close"), tr("Close"));
  close->setToolTip(HistoryWindow::tr("Close the history (Esc)"));
  connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);

  connect(transactions_, &QTreeWidget::currentItemChanged, this, &HistoryWindow::showChanges);
  connect(undo_, &QPushButton::clicked, this, &HistoryWindow::undoClicked);
  connect(redo_, &QPushButton::clicked, this, &HistoryWindow::redoClicked);
  connect(revert_, &QPushButton::clicked, this, &HistoryWindow::revertClicked);
  connect(close, &QPushButton::clicked, this, &QWidget::close);

  auto* split = new QSplitter(Qt::Vertical, this);
  split->addWidget(transactions_);
  split->addWidget(changes_);
  split->setChildrenCollapsible(false);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(undo_);
  buttons->addWidget(redo_);
  buttons->addWidget(revert_);
  buttons->addStretch(1);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(note_);
  layout->addWidget(split, 1);
  layout->addWidget(status_);
  layout->addLayout(buttons);
  resize(860, 560);
  refresh();
}

std::int64_t HistoryWindow::selectedId() const {
  const QTreeWidgetItem* item = transactions_->currentItem();
  return item ? item->data(0, kIdRole).toLongLong() : 0;
}

void HistoryWindow::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange && isVisible()) refresh();
  QWidget::changeEvent(event);
}

void HistoryWindow::refresh() {
  const std::int64_t keep = selectedId();
  const QSignalBlocker quiet(transactions_);  // the changes are shown once, at the end
  transactions_->clear();
  changes_->clear();
  reader_.reset();
  undo_->setEnabled(false);
  redo_->setEnabled(false);
  revert_->setEnabled(false);
  RomImage& rom = context_.rom();
  const QString path = rom.romPath();
  if (path.isEmpty()) {
    note_->setText(HistoryWindow::tr("No ROM image has been chosen."));
    return;
  }
  // Opens the history when the image has one, perhaps made by another program
  // since; an interrupted change is rolled back first, and said so.
  const Status recovered = rom.recover();
  context_.reportNotices(this, windowTitle());
  const QString shown = QDir::toNativeSeparators(path);
  if (!recovered) {
    note_->setText(recovered.message());
    return;
  }
  Journal* journal = rom.journal();
  if (!journal) {
    note_->setText(HistoryWindow::tr("\"%1\" has no history yet: nothing was saved to it.").arg(shown));
    return;
  }
  auto listed = journal->list(kListed + 1, false);
  if (!listed) {
    note_->setText(listed.message());
    return;
  }
  std::vector<Transaction>& list = *listed;
  const bool more = list.size() > static_cast<size_t>(kListed);
  if (more) list.resize(kListed);
  note_->setText(more ? HistoryWindow::tr("\"%1\": the newest %2 transactions; the command line's history lists all "
                                          "of them. History file: %3")
                            .arg(shown)
                            .arg(kListed)
                            .arg(QDir::toNativeSeparators(journal->path()))
                      : HistoryWindow::tr("\"%1\": %2 transaction(s). History file: %3")
                            .arg(shown)
                            .arg(list.size())
                            .arg(QDir::toNativeSeparators(journal->path())));
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(list.size()));
  QTreeWidgetItem* kept = nullptr;
  for (const Transaction& tx : list) {
    auto* item = new QTreeWidgetItem(
        {QString::number(tx.id), tx.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), tx.info.source,
         shownState(tx.state), recordsSummary(tx.info)});
    item->setData(0, kIdRole, static_cast<qlonglong>(tx.id));
    item->setData(0, kRevertableRole, tx.info.kind == QLatin1String("edit") && tx.state == TxState::Done);
    item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
    if (tx.id == keep) kept = item;
    items << item;
  }
  transactions_->addTopLevelItems(items);
  reader_ = std::make_unique<ChangeReader>(context_.tables(), path, context_.namesDir());
  // The newest transactions name their fields at once; an older one when it is selected.
  if (auto newest = journal->list(kSummarisedAtOpen, true)) {
    Rewind rewind;
    for (size_t i = 0; i < newest->size() && i < static_cast<size_t>(items.size()); ++i) {
      const Transaction& tx = (*newest)[i];
      auto changes = reader_->changes(tx, &rewind);
      rewind.fold(tx);
      if (changes) summarise(items[static_cast<qsizetype>(i)], *changes);
    }
  }
  fitColumns(transactions_);
  undo_->setEnabled(true);
  redo_->setEnabled(true);
  if (!kept && !items.isEmpty()) kept = items.front();
  if (kept) transactions_->setCurrentItem(kept);
  showChanges();
}

void HistoryWindow::showChanges() {
  changes_->clear();
  const QTreeWidgetItem* item = transactions_->currentItem();
  revert_->setEnabled(item && item->data(0, kRevertableRole).toBool());
  Journal* journal = context_.rom().journal();
  if (!item || !journal || !reader_) return;
  auto tx = journal->get(item->data(0, kIdRole).toLongLong());
  if (!tx) {
    context_.reportError(this, windowTitle(), tx.message());
    return;
  }
  auto newer = journal->newer(tx->id);
  if (!newer) {
    context_.reportError(this, windowTitle(), newer.message());
    return;
  }
  Rewind rewind;
  for (const Transaction& later : *newer) rewind.fold(later);
  auto changes = reader_->changes(*tx, &rewind);
  if (!changes) {
    context_.reportError(this, windowTitle(), changes.message());
    return;
  }
  QList<QTreeWidgetItem*> rows;
  for (const FieldChange& c : *changes)
    rows << new QTreeWidgetItem({c.table, recordText(c.keys), c.name, shownCaption(c.caption), c.field, c.oldValue, c.newValue});
  if (changes->empty()) {
    // No field of a known table differs as shown: the bytes say what changed.
    for (const Run& run : tx->runs)
      rows << new QTreeWidgetItem({tx->info.table, QString(), QString(), QStringLiteral("bytes"),
                                   QStringLiteral("0x%1").arg(QString::number(run.offset, 16).toUpper()),
                                   hexBytes(run.before), hexBytes(run.after)});
  }
  changes_->addTopLevelItems(rows);
  fitColumns(changes_);
  summarise(transactions_->currentItem(), *changes);
}

void HistoryWindow::summarise(QTreeWidgetItem* item, const std::vector<FieldChange>& changes) {
  if (!item || item->data(0, kSummarisedRole).toBool()) return;
  item->setData(0, kSummarisedRole, true);
  const QString fields = fieldsSummary(changes);
  if (fields.isEmpty()) return;
  const QString records = item->text(kSummaryColumn);
  item->setText(kSummaryColumn, records.isEmpty() ? fields : records + QStringLiteral(": ") + fields);
}

void HistoryWindow::run(UndoKind kind, std::int64_t id) {
  status_->clear();
  UndoRequest request;
  request.kind = kind;
  request.id = id;
  const QString done = context_.undo(this, windowTitle(), request);
  status_->setText(done);
  // The context lists again the history window it knows; one made elsewhere lists here.
  if (context_.openForm(objectName()) != this) refresh();
}

void HistoryWindow::undoClicked() { run(UndoKind::Undo, 0); }
void HistoryWindow::redoClicked() { run(UndoKind::Redo, 0); }

void HistoryWindow::revertClicked() {
  if (const std::int64_t id = selectedId(); id > 0) run(UndoKind::Revert, id);
}

}  // namespace rt
