#include "ui/table_form.h"

#include "model/shown_value.h"

#include <QShortcut>

#include <algorithm>

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
      save_(makeButton(QStringLiteral("Save"), TableForm::tr("&Save"))),
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
  setNote({});
  auto state = table_->read(context().rom(), record);
  if (!state) {
    fields_.clear();
    shownRef_.reset();
    reportError(state.message());
    return false;
  }
  fields_.setState(*state);
  shown_ = std::move(state.value());
  shownRef_ = record;
  noteRead();
  return true;
}

bool TableForm::saveShown(const RecordRef& record, bool overwrite) {
  if (!savesWhereRead()) return false;
  EditSave saved =
      rt::saveEdits(context().rom(), *table_, record, shown_, fields_.state(), saveInfo(record.keys), overwrite);
  if (!saved.stale.empty()) {
    context().reportNotices(this, caption());
    return settleStale(saved.stale, saved.now, [&] { return saveShown(record, true); });
  }
  if (saved.result.status) {
    // The edited boxes keep what was typed; the others show what the image
    // holds now (another window's save included), so no stale value of theirs
    // counts as an edit at the next save.
    const RecordState mine = fields_.state();
    RecordState display = saved.now;
    for (int c : editedControls(shown_, mine))
      if (static_cast<size_t>(c) < display.size()) display[static_cast<size_t>(c)] = mine[static_cast<size_t>(c)];
    fields_.setState(display);
    shown_ = saved.now;
  }
  return reportSave(saved.result, &fields_);
}

bool TableForm::saveShownPart(const TxInfo& info, const PartEncoder& encode, bool overwrite) {
  if (!savesWhereRead()) return false;
  std::vector<ByteWrite> writes;
  FieldError error;
  if (!encode(&writes, &error)) return reportSave(rejectedSave(error), &fields_);
  RomImage& rom = context().rom();
  EditCheck check;
  SaveResult result;
  {
    WriteTransaction tx(rom, info);
    result.status = tx.status();
    if (result.status && shownRef_ && !overwrite) {
      auto checked = checkEdits(rom, *table_, *shownRef_, shown_, fields_.state());
      if (checked) check = std::move(checked.value());
      else result.status = checked.status();
    }
    if (result.status && check.stale.empty()) result = applyWrites(rom, writes, info);
  }  // the lock is let go before anything is asked
  if (!check.stale.empty())
    return settleStale(check.stale, check.now, [&] { return saveShownPart(info, encode, true); });
  return reportSave(result, &fields_);
}

QString TableForm::controlCaption(int control) const {
  const ControlRef& c = fields_.controls()[static_cast<size_t>(control)];
  const QString caption = fields_.table().fields[static_cast<size_t>(c.field)].caption;
  return c.kind == ControlKind::Check || caption.isEmpty() ? c.name : caption;
}

QString TableForm::controlValue(int control, const ControlValue& value) const {
  const ControlRef& c = fields_.controls()[static_cast<size_t>(control)];
  QStringList items;
  if (const QComboBox* combo = fields_.combo(c.name))
    for (int row = 0; row < combo->count(); ++row) items << combo->itemText(row);
  return shownValue(c, fields_.table().fields[static_cast<size_t>(c.field)], value,
                    c.kind == ControlKind::Combo ? &items : nullptr);
}

bool TableForm::settleStale(const std::vector<StaleControl>& stale, const RecordState& now,
                            const std::function<bool()>& overwrite) {
  QStringList lines, names;
  for (const StaleControl& s : stale) {
    lines << TableForm::tr("%1: %2 now; this window would write %3.")
                 .arg(controlCaption(s.control), controlValue(s.control, s.now), controlValue(s.control, s.mine));
    names << controlCaption(s.control);
  }
  const QString question =
      (names.size() == 1
           ? TableForm::tr("Since this window read the record, it was saved elsewhere:\n%1\n\n"
                           "Overwrite writes this window's values over them.\n"
                           "Reload reads the record again: %2 then shows the image's values and this window's edits of "
                           "it are dropped; its edits of other fields stay, not saved.\n"
                           "Cancel writes nothing and keeps the edits.")
           : TableForm::tr("Since this window read the record, it was saved elsewhere:\n%1\n\n"
                           "Overwrite writes this window's values over them.\n"
                           "Reload reads the record again: %2 then show the image's values and this window's edits of "
                           "them are dropped; its edits of other fields stay, not saved.\n"
                           "Cancel writes nothing and keeps the edits."))
          .arg(lines.join(u'\n'), names.join(QStringLiteral(", ")));
  const QString title = caption().isEmpty() ? objectName() : caption();
  switch (context().messages().askStale(this, title, question)) {
    case MessageSink::Stale::Overwrite: return overwrite();
    case MessageSink::Stale::Reload: {
      const RecordState mine = fields_.state();
      RecordState display = now;
      for (int c : editedControls(shown_, mine)) {
        const bool dropped = std::any_of(stale.begin(), stale.end(), [c](const StaleControl& s) { return s.control == c; });
        if (!dropped && static_cast<size_t>(c) < display.size()) display[static_cast<size_t>(c)] = mine[static_cast<size_t>(c)];
      }
      fields_.setState(display, now);
      shown_ = now;
      setNote(TableForm::tr("Reloaded %1 as the image holds it; nothing was saved.").arg(names.join(QStringLiteral(", "))));
      return false;
    }
    case MessageSink::Stale::Cancel: break;
  }
  setNote(TableForm::tr("Nothing was saved; %1 saved elsewhere, the edits are kept.").arg(names.join(QStringLiteral(", "))));
  return false;
}

void TableForm::rereadKeepingEdits() {
  if (!hasUnsavedEdits() || !shownRef_) {
    EditorForm::rereadKeepingEdits();
    return;
  }
  auto now = table_->read(context().rom(), *shownRef_);
  if (!now || *now == shown_) return;  // a read that fails leaves the check of the save to guard
  const RecordState mine = fields_.state();
  RecordState read = *now, display = *now;
  for (int c : editedControls(shown_, mine)) {
    const auto at = static_cast<size_t>(c);
    if (at >= read.size() || at >= shown_.size()) continue;
    read[at] = shown_[at];  // what the save checks against stays what the window read
    display[at] = mine[at];
  }
  QStringList under;
  for (const StaleControl& s : staleControls(shown_, mine, *now))
    under << controlCaption(s.control) + u' ' + controlValue(s.control, s.now);
  fields_.setState(display, read);
  shown_ = std::move(read);
  if (!under.isEmpty()) setNote(TableForm::tr("changed underneath: %1 (saved elsewhere)").arg(under.join(QStringLiteral(", "))));
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
