#include "ui/compare_window.h"
#include "ui/named_button.h"

#include "model/caption.h"

#include "image/byte_source.h"
#include "compare/original_bytes.h"
#include "compare/change_set.h"
#include "compare/patch_stream.h"
#include "ui/background.h"
#include "ui/editor_form.h"

#include <QBoxLayout>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QThread>

#include <functional>
#include <map>
#include <optional>

namespace rt {
namespace {

constexpr int kTableRole = Qt::UserRole;
constexpr int kKeysRole = Qt::UserRole + 1;
const QString kFormName = QStringLiteral("Compare");

// "3", or "stage 2, index 5" for a record addressed by more than its index.
QString keysText(const QVariantMap& keys) {
  QStringList parts;
  for (auto it = keys.begin(); it != keys.end(); ++it)
    if (it.key() != QLatin1String("index")) parts << it.key() + QLatin1Char(' ') + it.value().toString();
  if (keys.contains(QStringLiteral("index")))
    parts << (parts.isEmpty() ? QString() : QStringLiteral("index ")) + keys.value(QStringLiteral("index")).toString();
  return parts.join(QStringLiteral(", "));
}

QString rangeText(const ByteRange& r) {
  return r.length == 1 ? hexOffset(r.offset) : QStringLiteral("%1..%2").arg(hexOffset(r.offset), hexOffset(r.offset + r.length - 1));
}

// Shows an item when it or one of its ancestors matches, or any descendant does.
bool filterItem(QTreeWidgetItem* item, const QString& text, bool ancestorMatches) {
  bool matches = ancestorMatches || text.isEmpty();
  for (int c = 0; !matches && c < item->columnCount(); ++c) matches = item->text(c).contains(text, Qt::CaseInsensitive);
  bool anyChild = false;
  for (int i = 0; i < item->childCount(); ++i) anyChild = filterItem(item->child(i), text, matches) || anyChild;
  const bool visible = matches || anyChild;
  item->setHidden(!visible);
  if (anyChild && !text.isEmpty()) item->setExpanded(true);
  return visible;
}

}  // namespace

CompareWindow::CompareWindow(AppContext& context)
    : QWidget(nullptr, Qt::Window),
      context_(context),
      status_(new QLabel(this)),
      filter_(new QLineEdit(this)),
      tree_(new QTreeWidget(this)) {
  setObjectName(kFormName);
  setWindowTitle(CompareWindow::tr("Compare"));
  // Esc closes the window, as it does every secondary window.
  connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
  status_->setObjectName(QStringLiteral("CompareStatus"));
  status_->setWordWrap(true);
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  filter_->setObjectName(QStringLiteral("CompareFilter"));
  filter_->setPlaceholderText(CompareWindow::tr("Filter: table, record, field or value"));
  filter_->setClearButtonEnabled(true);
  tree_->setObjectName(QStringLiteral("CompareTree"));
  tree_->setHeaderLabels({CompareWindow::tr("Table / record / field"), CompareWindow::tr("Control"), CompareWindow::tr("Old"),
                          CompareWindow::tr("New")});
  tree_->setUniformRowHeights(true);
  tree_->setAlternatingRowColors(true);
  tree_->setExpandsOnDoubleClick(false);  // a double-click opens the record
  tree_->header()->setStretchLastSection(true);
  tree_->setColumnWidth(0, 300);
  tree_->setColumnWidth(1, 110);
  tree_->setColumnWidth(2, 170);
  auto* close = namedButton(this, QStringLiteral("Close"), CompareWindow::tr("Close"));
  saveSet_ = namedButton(this, QStringLiteral("SaveChangeSet"), tr("Save change set..."));
  saveSet_->setToolTip(tr("Every difference as field changes, to apply to another image or merge with another hack"));
  saveSet_->setEnabled(false);
  connect(saveSet_, &QPushButton::clicked, this, &CompareWindow::saveChangeSet);
  connect(filter_, &QLineEdit::textChanged, this, &CompareWindow::applyFilter);
  connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) { openItem(item); });
  connect(close, &QPushButton::clicked, this, &QWidget::close);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(status_, 1);
  bottom->addWidget(saveSet_, 0, Qt::AlignBottom);
  bottom->addWidget(close, 0, Qt::AlignBottom);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(filter_);
  layout->addWidget(tree_, 1);
  layout->addLayout(bottom);
  resize(860, 560);
}

void CompareWindow::compareWith(const QString& clean) {
  clean_ = clean;
  const QString modified = context_.rom().romPath();
  tree_->clear();
  busy_ = true;
  saveSet_->setEnabled(false);
  status_->setText(CompareWindow::tr("Comparing \"%1\" with \"%2\"...")
                       .arg(QDir::toNativeSeparators(clean), QDir::toNativeSeparators(modified)));
  ImageDiffRequest request;
  request.clean = clean;
  request.modified = modified;
  request.namesDir = context_.namesDir();
  const int generation = ++generation_;
  // The thread gets its own copy of the table list: it may outlive the window.
  std::function<Result<ImageDiff>()> work = [registry = context_.tables(), request] { return diffImages(registry, request); };
  std::function<void(Result<ImageDiff>&)> done = [this, generation](Result<ImageDiff>& diff) {
    if (generation != generation_) return;
    busy_ = false;
    if (diff) {
      show(*diff);
      saveSet_->setEnabled(diff->cleanSize == diff->modifiedSize);
    } else {
      status_->setText(diff.message());
      context_.reportError(this, windowTitle(), diff.message());
    }
    emit compared();
  };
  inBackground(this, std::move(work), std::move(done));
}

void CompareWindow::show(const ImageDiff& diff) {
  QList<QTreeWidgetItem*> tables;
  QTreeWidgetItem* table = nullptr;
  QTreeWidgetItem* record = nullptr;
  QString recordKey;
  int records = 0;
  auto closeTable = [&] {
    if (table) table->setText(1, CompareWindow::tr("%1 record(s)").arg(table->childCount()));
  };
  for (const FieldChange& c : diff.changes) {
    if (!table || table->text(0) != c.table) {
      closeTable();
      table = new QTreeWidgetItem({c.table});
      table->setData(0, kTableRole, c.table);
      tables << table;
      record = nullptr;
    }
    const QString key = keysText(c.keys);
    if (!record || recordKey != key) {
      record = new QTreeWidgetItem(table, {c.name.isEmpty() ? key : QStringLiteral("%1  %2").arg(key, c.name)});
      record->setData(0, kTableRole, c.table);
      record->setData(0, kKeysRole, c.keys);
      record->setToolTip(0, CompareWindow::tr("Double-click to open this record in %1").arg(c.table));
      recordKey = key;
      ++records;
    }
    auto* field = new QTreeWidgetItem(record, {c.caption.isEmpty() ? c.field : shownCaption(c.caption), c.field, c.oldValue, c.newValue});
    field->setData(0, kTableRole, c.table);
    field->setData(0, kKeysRole, c.keys);
  }
  closeTable();
  if (!diff.outside.empty()) {
    auto* other = new QTreeWidgetItem({CompareWindow::tr("Other bytes"),
                                       CompareWindow::tr("%1 byte(s)").arg(diff.outsideBytes)});
    other->setToolTip(0, CompareWindow::tr("Bytes that differ where no field of a table shows the difference"));
    for (const ByteRange& r : diff.outside)
      new QTreeWidgetItem(other, {rangeText(r), CompareWindow::tr("%1 byte(s)").arg(r.length)});
    tables << other;
  }
  tree_->addTopLevelItems(tables);
  // A few changes are shown whole; many start folded to their records.
  if (diff.changes.size() + diff.outside.size() <= 300) {
    tree_->expandAll();
  } else {
    for (QTreeWidgetItem* t : tables) t->setExpanded(t->childCount() <= 50);
  }

  QStringList parts;
  if (diff.same()) {
    parts << CompareWindow::tr("The images are the same.");
  } else {
    parts << CompareWindow::tr("%1 field(s) of %2 record(s) differ.").arg(diff.changes.size()).arg(records);
    if (!diff.outside.empty())
      parts << CompareWindow::tr("%1 other byte(s) in %2 range(s) differ.").arg(diff.outsideBytes).arg(diff.outside.size());
    if (diff.cleanSize != diff.modifiedSize)
      parts << CompareWindow::tr("The images have %1 and %2 bytes.").arg(diff.cleanSize).arg(diff.modifiedSize);
  }
  status_->setText(CompareWindow::tr("\"%1\" (old) against the chosen image (new): %2")
                       .arg(QDir::toNativeSeparators(clean_), parts.join(QLatin1Char(' '))));
  applyFilter();
}

void CompareWindow::saveChangeSet() {
  const QString title = tr("Save change set...");
  const QString modified = context_.rom().romPath();
  if (clean_.isEmpty() || modified.isEmpty()) return;
  const QFileInfo info(modified);
  const QString out = context_.chooser().chooseFileToWrite(
      this, tr("Save change set"), info.dir().filePath(info.completeBaseName() + QStringLiteral(".changes.json")),
      tr("Change sets (*.json)"));
  if (out.isEmpty()) return;
  if (QFileInfo(out).exists() && (QFileInfo(out).canonicalFilePath() == info.canonicalFilePath() ||
                                  QFileInfo(out).canonicalFilePath() == QFileInfo(clean_).canonicalFilePath())) {
    context_.reportError(this, title, tr("The change set cannot be written over an image it is made from; choose another file."));
    return;
  }
  saveSet_->setEnabled(false);
  ChangeSetRequest request{clean_, modified, context_.namesDir()};
  std::function<Result<ChangeSet>()> work = [registry = context_.tables(), request, out]() -> Result<ChangeSet> {
    auto set = makeChangeSet(registry, request);
    if (!set) return set;
    if (Status s = writeChangeSet(*set, out); !s) return s;
    return set;
  };
  QPointer<CompareWindow> self(this);
  std::function<void(Result<ChangeSet>&)> done = [self, out, title](Result<ChangeSet>& set) {
    if (!self) return;
    self->saveSet_->setEnabled(true);
    if (!set) {
      self->context_.reportError(self, title, set.message());
      return;
    }
    qsizetype bytes = 0;
    for (const ByteEdit& b : set->bytes) bytes += b.oldBytes.size();
    self->context_.messages().info(self, title,
                                   tr("Wrote %1: %2 field change(s), %3 byte(s) outside the fields.")
                                       .arg(QDir::toNativeSeparators(out))
                                       .arg(set->changes.size())
                                       .arg(bytes));
  };
  inBackground(this, std::move(work), std::move(done));
}

void CompareWindow::applyFilter() {
  const QString text = filter_->text().trimmed();
  for (int i = 0; i < tree_->topLevelItemCount(); ++i) filterItem(tree_->topLevelItem(i), text, false);
}

void CompareWindow::openItem(QTreeWidgetItem* item) {
  if (!item || !item->data(0, kKeysRole).isValid()) return;
  const QString table = item->data(0, kTableRole).toString();
  const QVariantMap keys = item->data(0, kKeysRole).toMap();
  auto* form = qobject_cast<EditorForm*>(context_.showForm(table));
  if (!form) return;  // no such form, or it could not load (the reason was reported)
  if (!form->showRecord(keys))
    context_.reportError(this, windowTitle(), CompareWindow::tr("%1 has no record %2 in the chosen image.").arg(table, keysText(keys)));
}

void addCompareButtons(AppContext& context, QWidget* menu, QBoxLayout* column) {
  auto* compare = namedButton(menu, QStringLiteral("Compare"), CompareWindow::tr("Compare with..."));
  compare->setToolTip(CompareWindow::tr("Every field that differs from another image, such as a clean copy"));
  auto* patch = namedButton(menu, QStringLiteral("ExportPatch"), CompareWindow::tr("Export patch..."));
  patch->setToolTip(CompareWindow::tr("A BPS patch of every change saved to the image since its history began"));
  QObject::connect(compare, &QPushButton::clicked, menu, [&context, menu] { compareWithChosen(context, menu); });
  QObject::connect(patch, &QPushButton::clicked, menu, [&context, menu] { exportPatchFromHistory(context, menu); });
  column->addWidget(compare);
  column->addWidget(patch);
}

void compareWithChosen(AppContext& context, QWidget* parent) {
  const QString title = CompareWindow::tr("Compare with...");
  const QString image = context.rom().romPath();
  if (image.isEmpty()) {
    context.reportError(parent, title, CompareWindow::tr("No ROM image has been chosen: open one first (Open NDS)."));
    return;
  }
  const QString clean = context.chooser().chooseFileToRead(parent, CompareWindow::tr("Compare with (the clean image)"), image,
                                                           CompareWindow::tr("NDS images (*.nds);;All files (*)"));
  if (clean.isEmpty()) return;
  if (!context.hasForm(kFormName))
    context.registerForm(kFormName, [](AppContext& c) -> QWidget* { return new CompareWindow(c); });
  if (auto* window = qobject_cast<CompareWindow*>(context.showForm(kFormName))) window->compareWith(clean);
}

void exportPatchFromHistory(AppContext& context, QWidget* parent) {
  const QString title = CompareWindow::tr("Export patch...");
  RomImage& rom = context.rom();
  const QString image = rom.romPath();
  if (image.isEmpty()) {
    context.reportError(parent, title, CompareWindow::tr("No ROM image has been chosen: open one first (Open NDS)."));
    return;
  }
  const Status recovered = rom.recover();
  context.reportNotices(parent, title);
  if (!recovered) {
    context.reportError(parent, title, recovered.message());
    return;
  }
  if (!rom.journal()) {
    context.reportError(parent, title,
                        CompareWindow::tr("\"%1\" has no history: nothing was saved to it, so there is no change to put "
                                       "in a patch.")
                            .arg(QDir::toNativeSeparators(image)));
    return;
  }
  // Read here, on the thread that owns the history; the image is read on another.
  auto original = originalBytes(*rom.journal());
  if (!original) {
    context.reportError(parent, title, original.message());
    return;
  }
  const QFileInfo info(image);
  QString out = context.chooser().chooseFileToWrite(parent, CompareWindow::tr("Export patch"),
                                                    info.dir().filePath(info.completeBaseName() + QStringLiteral(".bps")),
                                                    CompareWindow::tr("BPS patch (*.bps)"));
  if (out.isEmpty()) return;
  if (!patchFormatForName(out)) out += QStringLiteral(".bps");
  if (QFileInfo(out).exists() && QFileInfo(out).canonicalFilePath() == info.canonicalFilePath()) {
    context.reportError(parent, title, CompareWindow::tr("The patch cannot be written over the image itself; choose another file."));
    return;
  }
  QPointer<QWidget> where(parent);
  std::function<Result<PatchSummary>()> work = [image, bytes = std::move(original.value()), out]() mutable {
    return patchFromHistory(image, std::move(bytes), *patchFormatForName(out), out);
  };
  std::function<void(Result<PatchSummary>&)> done = [&context, where, out, title](Result<PatchSummary>& made) {
    if (!made) {
      context.reportError(where, title, made.message());
      return;
    }
    context.messages().info(where, title,
                            CompareWindow::tr("Wrote %1: %2 byte(s) in %3 run(s) differ from the image as its history "
                                           "began (CRC32 %4 before, %5 now).")
                                .arg(QDir::toNativeSeparators(out))
                                .arg(made->bytesChanged)
                                .arg(made->runs)
                                .arg(crcText(made->sourceCrc), crcText(made->targetCrc)));
  };
  inBackground(parent, std::move(work), std::move(done));
}

}  // namespace rt
