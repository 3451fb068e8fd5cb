#include "ui/merge_window.h"
#include "ui/named_button.h"

#include "compare/image_diff.h"
#include "image/byte_source.h"
#include "model/caption.h"
#include "ui/background.h"

#include <QBoxLayout>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QPointer>
#include <QShortcut>

namespace rt {
namespace {

const QString kFormName = QStringLiteral("Merge");
constexpr int kChoiceColumn = 4;

// The incoming changes and how each meets the chosen image.
struct Incoming {
  ChangeSet set;
  ApplyPlan plan;
};

QString choiceText(Qt::CheckState state) {
  return state == Qt::Checked ? MergeWindow::tr("take theirs") : MergeWindow::tr("keep mine");
}

// A field as the tree names it: its caption in the language shown, then its control's name.
QString fieldText(const FieldEdit& e) {
  return e.caption.isEmpty() || e.caption == e.field ? e.field : QStringLiteral("%1 [%2]").arg(shownCaption(e.caption), e.field);
}

}  // namespace

MergeWindow::MergeWindow(AppContext& context)
    : QWidget(nullptr, Qt::Window), context_(context), status_(new QLabel(this)), tree_(new QTreeWidget(this)) {
  setObjectName(kFormName);
  setWindowTitle(tr("Merge"));
  connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
  status_->setObjectName(QStringLiteral("MergeStatus"));
  status_->setWordWrap(true);
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  tree_->setObjectName(QStringLiteral("MergeTree"));
  tree_->setHeaderLabels({tr("Table / record / field"), tr("Clean"), tr("Mine"), tr("Theirs"), tr("Choice")});
  tree_->setUniformRowHeights(true);
  tree_->setAlternatingRowColors(true);
  tree_->header()->setStretchLastSection(true);
  tree_->setColumnWidth(0, 280);
  for (int c = 1; c < kChoiceColumn; ++c) tree_->setColumnWidth(c, 130);
  // A tick in the choice column takes theirs; its text says which side stays.
  connect(tree_, &QTreeWidget::itemChanged, this, [](QTreeWidgetItem* item, int column) {
    if (column != kChoiceColumn || !(item->flags() & Qt::ItemIsUserCheckable)) return;
    const QString text = choiceText(item->checkState(kChoiceColumn));
    if (item->text(kChoiceColumn) != text) item->setText(kChoiceColumn, text);
  });
  apply_ = namedButton(this, QStringLiteral("MergeApply"), tr("Apply"));
  apply_->setToolTip(tr("Write the changes ticked \"take theirs\" into the chosen image, as one transaction"));
  apply_->setEnabled(false);
  auto* close = namedButton(this, QStringLiteral("MergeClose"), tr("Close"));
  connect(apply_, &QPushButton::clicked, this, &MergeWindow::applyChosen);
  connect(close, &QPushButton::clicked, this, &QWidget::close);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(status_, 1);
  bottom->addWidget(apply_, 0, Qt::AlignBottom);
  bottom->addWidget(close, 0, Qt::AlignBottom);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tree_, 1);
  layout->addLayout(bottom);
  resize(900, 560);
}

void MergeWindow::mergeFrom(const QString& clean, const QString& other) {
  clean_ = clean;
  other_ = other;
  tree_->clear();
  items_.clear();
  apply_->setEnabled(false);
  busy_ = true;
  const QString image = context_.rom().romPath();
  say([clean, other] {
    return clean.isEmpty() ? tr("Reading \"%1\"...").arg(QDir::toNativeSeparators(other))
                           : tr("Comparing \"%1\" with \"%2\"...")
                                 .arg(QDir::toNativeSeparators(clean), QDir::toNativeSeparators(other));
  });
  const int generation = ++generation_;
  std::function<Result<Incoming>()> work = [registry = context_.tables(), clean, other, image,
                                            names = context_.namesDir()]() -> Result<Incoming> {
    auto set = clean.isEmpty() ? readChangeSet(other) : makeChangeSet(registry, ChangeSetRequest{clean, other, names});
    if (!set) return set.status();
    // The chosen image read on this thread through an image object of its own.
    RomImage mine(systemFileLayer(), nullptr);
    mine.setRomPath(image);
    auto plan = planChangeSet(mine, registry, *set, false);
    if (!plan) return plan.status();
    return Incoming{std::move(set.value()), std::move(plan.value())};
  };
  QPointer<MergeWindow> self(this);
  std::function<void(Result<Incoming>&)> done = [self, generation](Result<Incoming>& incoming) {
    if (!self || generation != self->generation_) return;
    self->busy_ = false;
    if (incoming) {
      self->set_ = std::move(incoming->set);
      self->plan_ = std::move(incoming->plan);
      self->show();
    } else {
      self->say([message = incoming.message()] { return message; });
      self->context_.reportError(self, self->windowTitle(), incoming.message());
    }
    emit self->ready();
  };
  inBackground(this, std::move(work), std::move(done));
}

void MergeWindow::show() {
  const QSignalBlocker quiet(tree_);
  tree_->clear();
  items_.assign(set_.changes.size() + set_.bytes.size(), nullptr);
  auto addChoice = [this](QTreeWidgetItem* item, const EditOutcome& outcome) {
    if (outcome.state == EditState::Holds) {
      for (int c = 0; c <= kChoiceColumn; ++c) item->setForeground(c, palette().color(QPalette::Disabled, QPalette::Text));
      return;
    }
    // An incoming change the chosen image did not make is taken; a conflict keeps mine until chosen.
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(kChoiceColumn, outcome.state == EditState::Conflict ? Qt::Unchecked : Qt::Checked);
    if (outcome.state == EditState::Conflict)
      for (int c = 0; c <= kChoiceColumn; ++c) item->setBackground(c, QColor(255, 220, 220));
  };
  QHash<QString, QTreeWidgetItem*> tables, records;
  QList<QTreeWidgetItem*> top;
  for (size_t i = 0; i < set_.changes.size(); ++i) {
    const FieldEdit& e = set_.changes[i];
    QTreeWidgetItem*& table = tables[e.table];
    if (!table) {
      table = new QTreeWidgetItem({e.table});
      top << table;
    }
    QTreeWidgetItem*& record = records[e.table + QLatin1Char('\n') + recordKeyText(e.keys)];
    if (!record) record = new QTreeWidgetItem(table, {recordHeading(QString(), e.keys, e.name).trimmed()});
    auto* item = new QTreeWidgetItem(
        record, {fieldText(e), valueText(e.oldValue), valueText(plan_.changes[i].found), valueText(e.newValue)});
    addChoice(item, plan_.changes[i]);
    items_[i] = item;
  }
  if (!set_.bytes.empty()) {
    auto* other = new QTreeWidgetItem(QStringList());
    for (size_t i = 0; i < set_.bytes.size(); ++i) {
      const ByteEdit& b = set_.bytes[i];
      auto* item = new QTreeWidgetItem(other, {hexOffset(b.offset), QString::fromLatin1(b.oldBytes.toHex()),
                                               valueText(plan_.bytes[i].found), QString::fromLatin1(b.newBytes.toHex())});
      addChoice(item, plan_.bytes[i]);
      items_[set_.changes.size() + i] = item;
    }
    top << other;
  }
  tree_->addTopLevelItems(top);
  showChoices();
  if (set_.changes.size() + set_.bytes.size() <= 300) tree_->expandAll();
  else
    for (QTreeWidgetItem* t : top) t->setExpanded(t->childCount() <= 50);
  const int conflicts = plan_.count(EditState::Conflict);
  const int holds = plan_.count(EditState::Holds);
  const size_t changes = set_.changes.size() + set_.bytes.size();
  say([changes, conflicts, holds] {
    return tr("%1 incoming change(s): %2 conflict(s), %3 already in the chosen image. Tick \"take theirs\" for "
              "each change to write, then Apply.")
        .arg(changes)
        .arg(conflicts)
        .arg(holds);
  });
  apply_->setEnabled(static_cast<int>(items_.size()) > holds);
}

// The texts of the tree that say how each change meets the chosen image, in the language shown.
void MergeWindow::showChoices() {
  const size_t fields = set_.changes.size();
  for (size_t i = 0; i < items_.size(); ++i) {
    QTreeWidgetItem* item = items_[i];
    if (!item) continue;
    const EditOutcome& outcome = i < fields ? plan_.changes[i] : plan_.bytes[i - fields];
    const QString name = i < fields ? fieldText(set_.changes[i]) : hexOffset(set_.bytes[i - fields].offset);
    if (outcome.state == EditState::Holds) {
      item->setText(kChoiceColumn, tr("same"));
      item->setToolTip(kChoiceColumn, tr("The chosen image holds this value already"));
    } else {
      item->setText(kChoiceColumn, choiceText(item->checkState(kChoiceColumn)));
    }
    if (outcome.state == EditState::Conflict) {
      item->setText(0, name + QStringLiteral("  ") + tr("(conflict)"));
      item->setToolTip(0, tr("Both images changed this field, to different values"));
    } else {
      item->setText(0, name);
    }
    if (i == fields && item->parent()) {
      item->parent()->setText(0, tr("Other bytes"));
      item->parent()->setToolTip(0, tr("Bytes that differ where no field of a table shows the difference"));
    }
  }
}

void MergeWindow::say(std::function<QString()> text) {
  statusText_ = std::move(text);
  status_->setText(statusText_());
}

void MergeWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::LanguageChange) return;
  if (statusText_) status_->setText(statusText_());
  const QSignalBlocker quiet(tree_);
  showChoices();
}

void MergeWindow::applyChosen() {
  const QString title = tr("Merge");
  // Only the ticked changes, each checked against the value shown as mine: a
  // value saved elsewhere since the tree was filled stops the merge.
  ChangeSet chosen;
  chosen.source = set_.source;
  const size_t fields = set_.changes.size();
  for (size_t i = 0; i < items_.size(); ++i) {
    QTreeWidgetItem* item = items_[i];
    if (!item || !(item->flags() & Qt::ItemIsUserCheckable) || item->checkState(kChoiceColumn) != Qt::Checked) continue;
    const EditOutcome& outcome = i < fields ? plan_.changes[i] : plan_.bytes[i - fields];
    if (i < fields) {
      FieldEdit e = set_.changes[i];
      e.oldValue = outcome.found;
      chosen.changes.push_back(std::move(e));
    } else {
      ByteEdit b = set_.bytes[i - fields];
      b.oldBytes = QByteArray::fromHex(outcome.found.toString().toLatin1());
      chosen.bytes.push_back(std::move(b));
    }
  }
  if (chosen.empty()) {
    say([] { return tr("No change is ticked \"take theirs\": nothing to write."); });
    return;
  }
  RomImage& rom = context_.rom();
  auto applied = applyChangeSet(rom, context_.tables(), chosen, false,
                                QStringLiteral("merge %1").arg(QFileInfo(other_).fileName()));
  context_.reportNotices(this, title);
  if (!applied) {
    context_.reportError(this, title, applied.message());
    return;
  }
  if (const int stale = applied->count(EditState::Conflict)) {
    context_.reportError(this, title,
                         tr("Nothing was written: %1 value(s) changed in the chosen image since they were shown. The "
                            "changes are read again.")
                             .arg(stale));
    mergeFrom(clean_, other_);
    return;
  }
  if (!applied->writes.empty()) context_.imageWritten(this);
  const int written = applied->count(EditState::Applies);
  mergeFrom(clean_, other_);
  say([written, file = QFileInfo(other_).fileName()] {
    return tr("Wrote %1 change(s) as one transaction (\"merge %2\" in the History; one undo takes it back).")
        .arg(written)
        .arg(file);
  });
}

void addMergeButton(AppContext& context, QWidget* menu, QBoxLayout* column) {
  auto* merge = namedButton(menu, kFormName, MergeWindow::tr("Merge..."));
  merge->setToolTip(MergeWindow::tr("Bring another hack of the same clean image, or a change set, into this image"));
  QObject::connect(merge, &QPushButton::clicked, menu, [&context, menu] { mergeWithChosen(context, menu); });
  column->addWidget(merge);
}

void mergeWithChosen(AppContext& context, QWidget* parent) {
  const QString title = MergeWindow::tr("Merge...");
  const QString image = context.rom().romPath();
  if (image.isEmpty()) {
    context.reportError(parent, title, MergeWindow::tr("No ROM image has been chosen: open one first (Open NDS)."));
    return;
  }
  const QString other = context.chooser().chooseFileToRead(
      parent, MergeWindow::tr("Merge: another hack, or a change set"), image,
      MergeWindow::tr("NDS images or change sets (*.nds *.json);;All files (*)"));
  if (other.isEmpty()) return;
  QString clean;
  if (!isChangeSetFile(other)) {
    clean = context.chooser().chooseFileToRead(parent, MergeWindow::tr("Merge: the clean image both hacks were made from"),
                                               image, MergeWindow::tr("NDS images (*.nds);;All files (*)"));
    if (clean.isEmpty()) return;
  }
  if (!context.hasForm(kFormName))
    context.registerForm(kFormName, [](AppContext& c) -> QWidget* { return new MergeWindow(c); });
  if (auto* window = qobject_cast<MergeWindow*>(context.showForm(kFormName))) window->mergeFrom(clean, other);
}

}  // namespace rt
