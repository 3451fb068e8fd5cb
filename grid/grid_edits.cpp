#include "grid/grid_edits.h"

#include <algorithm>

#include <QSet>

#include <map>

namespace rt {
namespace {

QString keyText(const QVariantMap& keys) {
  QString out;
  for (auto it = keys.begin(); it != keys.end(); ++it) out += it.key() + u'=' + it.value().toString() + u';';
  return out;
}

void apply(RecordState& state, const std::vector<const CellValue*>& values) {
  for (const CellValue* v : values)
    if (v->control >= 0 && static_cast<size_t>(v->control) < state.size()) state[static_cast<size_t>(v->control)] = v->value;
}

}  // namespace

std::unique_ptr<GridEdits::RowEdit> GridEdits::freshEdit() {
  if (spare_.empty()) return std::make_unique<RowEdit>();
  std::unique_ptr<RowEdit> e = std::move(spare_.back());
  spare_.pop_back();
  e->read.clear();
  e->writes.clear();
  e->cells.clear();
  e->changed = 0;
  e->refused.reset();
  return e;
}

void GridEdits::retire(std::unique_ptr<RowEdit>& edit) {
  if (!edit) return;
  if (spare_.size() < rows_.size()) spare_.push_back(std::move(edit));
  edit.reset();
}

void GridEdits::setRows(std::vector<GridRow> rows) {
  rows_ = std::move(rows);
  sharedRecords_ = std::any_of(rows_.begin(), rows_.end(), [](const GridRow& g) { return !g.history.isEmpty(); });
  edits_.clear();
  spare_.clear();
  edits_.resize(rows_.size());
  keyTexts_.clear();
  keyTexts_.resize(rows_.size());
  keyIndex_.assign(rows_.size(), kIndexUnknown);
  editedCells_ = 0;
  changedRows_.clear();
}

void GridEdits::rebase(std::vector<GridRow> rows) {
  // An edited cell keeps its value and what it was read as: a save then
  // finds out whether the image changed under it.
  std::map<QString, std::vector<std::pair<CellValue, ControlValue>>> kept;
  for (size_t r = 0; r < rows_.size(); ++r) {
    const RowEdit* e = edits_[r].get();
    if (!e) continue;
    auto& values = kept[keyText(rows_[r].ref.keys)];
    for (size_t c = 0; c < e->state.size(); ++c)
      if (!(e->state[c] == readOf(r)[c])) values.push_back({{0, static_cast<int>(c), e->state[c]}, readOf(r)[c]});
  }
  setRows(std::move(rows));
  std::vector<CellValue> again;
  std::vector<std::pair<CellValue, ControlValue>> reads;
  for (size_t r = 0; r < rows_.size() && !kept.empty(); ++r) {
    auto it = kept.find(keyText(rows_[r].ref.keys));
    if (it == kept.end()) continue;
    for (auto [v, read] : it->second) {
      if (static_cast<size_t>(v.control) >= rows_[r].state.size()) continue;
      v.row = static_cast<int>(r);
      again.push_back(v);
      reads.push_back({v, read});
    }
  }
  take(again);
  for (const auto& [v, read] : reads)
    if (auto& e = edits_[static_cast<size_t>(v.row)]) {
      const RecordState& row = rows_[static_cast<size_t>(v.row)].state;
      if (e->read.empty()) e->read = row;
      e->read[static_cast<size_t>(v.control)] = read;
      if (e->read == row) e->read.clear();
    }
  changedRows_.clear();
}

std::vector<std::pair<int, int>> GridEdits::changedUnderneath() const {
  std::vector<std::pair<int, int>> out;
  for (size_t r = 0; r < edits_.size(); ++r) {
    const RowEdit* e = edits_[r].get();
    if (!e) continue;
    for (size_t c = 0; c < e->state.size(); ++c)
      if (!(e->state[c] == readOf(r)[c]) && !(readOf(r)[c] == rows_[r].state[c]) && !(e->state[c] == rows_[r].state[c]))
        out.emplace_back(static_cast<int>(r), static_cast<int>(c));
  }
  return out;
}

const RecordState& GridEdits::readOf(size_t row) const {
  const auto& e = edits_[row];
  return e && !e->read.empty() ? e->read : rows_[row].state;
}

const RecordState& GridEdits::state(int row) const {
  const auto& e = edits_[static_cast<size_t>(row)];
  return e ? e->state : rows_[static_cast<size_t>(row)].state;
}

const ControlValue& GridEdits::value(int row, int control) const { return state(row)[static_cast<size_t>(control)]; }

bool GridEdits::edited(int row, int control) const {
  const auto& e = edits_[static_cast<size_t>(row)];
  return e && !(e->state[static_cast<size_t>(control)] == rows_[static_cast<size_t>(row)].state[static_cast<size_t>(control)]);
}

const QString* GridEdits::rejection(int row, int control) const {
  const auto& e = edits_[static_cast<size_t>(row)];
  if (!e || !e->refused || e->refused->control != control) return nullptr;
  return &e->refused->message;
}

int GridEdits::editedRows() const {
  int n = 0;
  for (const auto& e : edits_) n += e != nullptr;
  return n;
}

bool GridEdits::encodes(int row, const RecordState& state, FieldError* error) const {
  std::vector<ByteWrite> ignored;
  return source_->encode(rom_, rows_[static_cast<size_t>(row)], state, &ignored, error);
}

std::optional<GridRejection> GridEdits::check(const std::vector<CellValue>& values) const {
  std::map<int, std::vector<const CellValue*>> byRow;
  for (const CellValue& v : values) byRow[v.row].push_back(&v);
  for (const auto& [row, cells] : byRow) {
    auto given = [&cells = cells](int control) {
      for (const CellValue* v : cells)
        if (v->control == control) return true;
      return false;
    };
    RecordState state = this->state(row);
    apply(state, cells);
    FieldError error;
    if (encodes(row, state, &error)) continue;
    if (error.control >= 0 && !given(error.control)) {
      // An earlier edit of the row is refused, not one of these values: check
      // these over the values as read.
      RecordState read = rows_[static_cast<size_t>(row)].state;
      apply(read, cells);
      FieldError again;
      if (encodes(row, read, &again) || (again.control >= 0 && !given(again.control))) continue;
      error = again;
    }
    return GridRejection{row, error.control, error.message};
  }
  return std::nullopt;
}

void GridEdits::take(const std::vector<CellValue>& values) {
  std::vector<int> touched;
  for (const CellValue& v : values) {
    auto& e = edits_[static_cast<size_t>(v.row)];
    if (!e) {
      e = freshEdit();
      e->state = rows_[static_cast<size_t>(v.row)].state;  // into the spare's room
    }
    if (v.control < 0 || static_cast<size_t>(v.control) >= e->state.size()) continue;
    e->state[static_cast<size_t>(v.control)] = v.value;
    if (touched.empty() || touched.back() != v.row) touched.push_back(v.row);
  }
  QSet<int> done;
  for (int row : touched)
    if (!done.contains(row)) {
      done.insert(row);
      refresh(row);
    }
}

void GridEdits::refresh(int row) {
  auto& e = edits_[static_cast<size_t>(row)];
  const RecordState& read = rows_[static_cast<size_t>(row)].state;
  e->cells.clear();
  for (size_t c = 0; c < read.size(); ++c)
    if (!(e->state[c] == read[c])) e->cells.push_back(static_cast<int>(c));
  const int changed = static_cast<int>(e->cells.size());
  editedCells_ += changed - e->changed;
  e->changed = changed;
  changedRows_.push_back(row);
  if (changed == 0) {
    retire(e);
    return;
  }
  e->writes.clear();
  e->refused.reset();
  std::vector<ByteWrite> after;
  FieldError error;
  if (!source_->encode(rom_, rows_[static_cast<size_t>(row)], e->state, &after, &error)) {
    e->refused = error;
    return;
  }
  // The same encoding of the values as read says which bytes the edits
  // change; a byte that differs is written whole (with its field's mask).
  std::vector<ByteWrite> before;
  FieldError ignored;
  if (!source_->encode(rom_, rows_[static_cast<size_t>(row)], read, &before, &ignored)) before.clear();
  e->writes = changedWrites(before, std::move(after));
}

void GridEdits::revert() {
  for (size_t r = 0; r < edits_.size(); ++r)
    if (edits_[r]) {
      retire(edits_[r]);
      changedRows_.push_back(static_cast<int>(r));
    }
  editedCells_ = 0;
}

TxInfo GridEdits::ownRecordsTx(const QString& txSource, const std::vector<size_t>& rows) {
  // Most records are addressed by their index alone: the list is made from
  // the indices (packed when long), not from a text per record.
  std::vector<std::int64_t> indices;
  indices.reserve(rows.size());
  for (size_t r : rows) {
    std::int64_t& index = keyIndex_[r];
    if (index == kIndexUnknown && !recordIndexOnly(rows_[r].ref.keys, &index)) index = kNoIndex;
    if (index < 0) break;
    indices.push_back(index);
  }
  if (indices.size() == rows.size()) return recordTxOfIndices(txSource, source_->table(), indices);
  std::vector<const QByteArray*> texts;
  texts.reserve(rows.size());
  for (size_t r : rows) {
    QByteArray& text = keyTexts_[r];
    if (text.isEmpty()) text = recordKeysText(rows_[r].ref.keys);
    texts.push_back(&text);
  }
  return recordTxOfTexts(txSource, source_->table(), texts);
}

GridSaveResult GridEdits::save(const QString& txSource, const QString& namesDir, bool overwrite) {
  GridSaveResult result;
  std::vector<const QVariantMap*> records;  // the rows' own keys: copying each map cost a tenth of a large save
  std::vector<size_t> own;                  // or the rows, when every row is its own record
  QSet<QString> named;
  // Rows named by their own keys are distinct records; rows that stand for
  // others' records (their history lists) may share them.
  const bool shared = sharedRecords_;
  const size_t rowsEdited = static_cast<size_t>(editedRows());
  if (shared) records.reserve(rowsEdited);
  else own.reserve(rowsEdited);
  for (size_t r = 0; r < edits_.size(); ++r) {
    const RowEdit* e = edits_[r].get();
    if (!e) continue;
    if (e->refused) {
      result.rejected = GridRejection{static_cast<int>(r), e->refused->control, e->refused->message};
      result.status = Status::error(e->refused->message);
      return result;
    }
    const GridRow& row = rows_[r];
    if (!shared) {
      own.push_back(r);
      ++result.records;
      continue;
    }
    auto name = [&](const QVariantMap& keys) {
      const QString key = keyText(keys);
      if (named.contains(key)) return;
      named.insert(key);
      records.push_back(&keys);
    };
    if (row.history.isEmpty()) name(row.ref.keys);
    for (const QVariantMap& keys : row.history) name(keys);
    ++result.records;
  }
  if (result.records == 0) return result;
  const TxInfo info = shared ? recordTxOfKeys(txSource, source_->table(), records) : ownRecordsTx(txSource, own);
  WriteTransaction tx(rom_, info);
  if (!tx.status()) {
    result.status = tx.status();
    result.records = 0;
    return result;
  }
  std::vector<size_t> edited;
  std::vector<const GridRow*> wanted;
  edited.reserve(rowsEdited);
  wanted.reserve(rowsEdited);
  size_t staged = 0;
  for (size_t r = 0; r < edits_.size(); ++r)
    if (edits_[r]) {
      edited.push_back(r);
      wanted.push_back(&rows_[r]);
      staged += edits_[r]->writes.size();
    }
  // A row whose record holds the bytes it was read from, under the lock, is
  // as read: its edits' bits, found when they were made, are what it writes.
  // The others are read again.
  std::vector<bool> asRead(edited.size(), false);
  if (source_->encodesAlone()) {
    auto same = unchangedGridRows(*source_, rom_, wanted);
    if (!same) {
      result.status = same.status();
      result.records = 0;
      return result;
    }
    asRead = std::move(*same);
  }
  std::vector<ByteWrite> writes;
  writes.reserve(staged);
  std::vector<std::pair<size_t, size_t>> rowWrites(edited.size(), {0, 0});  // per edited row, its part of `writes`
  wanted.clear();
  for (size_t k = 0; k < edited.size(); ++k) {
    const RowEdit* e = edits_[edited[k]].get();
    if (!asRead[k] || !e->read.empty()) {
      wanted.push_back(&rows_[edited[k]]);
      continue;
    }
    rowWrites[k] = {writes.size(), writes.size() + e->writes.size()};
    for (const ByteWrite& b : e->writes) writes.push_back(b);  // into the room kept: a range insert a row cost more than the copy
  }
  // The edited rows as the image holds them now, under the lock.
  auto now = wanted.empty() ? Result<std::vector<GridRow>>(std::vector<GridRow>{})
                            : readGridRows(*source_, rom_, namesDir, wanted);
  if (!now) {
    result.status = now.status();
    result.records = 0;
    return result;
  }
  // The rows read back in the order asked for, as a fixed table's are, are
  // matched by position; any other reading by keys.
  bool inOrder = now->size() == wanted.size();
  for (size_t n = 0; inOrder && n < now->size(); ++n) inOrder = (*now)[n].ref.keys == wanted[n]->ref.keys;
  std::map<QString, size_t> nowRow;
  if (!inOrder)
    for (size_t n = 0; n < now->size(); ++n) nowRow[keyText((*now)[n].ref.keys)] = n;
  size_t asked = 0;
  for (size_t k = 0; k < edited.size(); ++k) {
    if (asRead[k] && edits_[edited[k]]->read.empty()) continue;
    const size_t r = edited[k];
    const RowEdit* e = edits_[r].get();
    size_t at = asked++;
    if (!inOrder) {
      auto it = nowRow.find(keyText(rows_[r].ref.keys));
      if (it == nowRow.end()) {  // a row no longer there: its edits as staged
        writes.insert(writes.end(), e->writes.begin(), e->writes.end());
        continue;
      }
      at = it->second;
    }
    const GridRow& current = (*now)[at];
    // Nothing saved elsewhere since the edited values were read: no quarrel,
    // and the edits over it are the edited values.
    const RecordState& read = readOf(r);
    const bool untouched = current.state == read && e->state.size() == read.size();
    if (!untouched)
      for (StaleControl& s : staleControls(read, e->state, current.state))
        result.stale.push_back({static_cast<int>(r), std::move(s)});
    RecordState merged;
    if (!untouched) merged = withEdits(current.state, read, e->state);
    const RecordState& wantedState = untouched ? e->state : merged;
    // Unchanged since the edit was encoded, and encoded from nothing else:
    // the bits the edits change are those found then.
    if (source_->encodesAlone() && current.ref.offset == rows_[r].ref.offset && current.state == rows_[r].state &&
        (untouched || wantedState == e->state)) {
      writes.insert(writes.end(), e->writes.begin(), e->writes.end());
      continue;
    }
    std::vector<ByteWrite> before, after;
    FieldError error;
    if (!source_->encode(rom_, current, wantedState, &after, &error)) {
      result.rejected = GridRejection{static_cast<int>(r), error.control, error.message};
      result.status = Status::error(error.message);
      result.records = 0;
      return result;
    }
    if (!source_->encode(rom_, current, current.state, &before, &error)) before.clear();
    const std::vector<ByteWrite> changed = changedWrites(before, std::move(after));
    writes.insert(writes.end(), changed.begin(), changed.end());
  }
  if (!overwrite && !result.stale.empty()) {
    result.status = Status::error(QStringLiteral("Rows were saved elsewhere since they were read; nothing was saved."));
    result.records = 0;
    return result;
  }
  result.stale.clear();
  const SaveResult saved = applyWrites(rom_, writes, info);
  result.status = saved.status;
  if (!saved.status) {
    result.records = 0;
    return result;
  }
  result.bytesChanged = saved.bytesChanged;
  // What was written is now what the rows hold.
  const std::vector<ControlRef>& controls = source_->controls();
  const std::vector<Field>& fields = source_->fields();
  const bool combos = std::any_of(controls.begin(), controls.end(), [](const ControlRef& c) { return c.kind == ControlKind::Combo; });
  changedRows_.reserve(changedRows_.size() + edited.size());
  for (size_t k = 0; k < edited.size(); ++k) {
    const size_t r = edited[k];
    GridRow& row = rows_[r];
    // A row saved over the bytes it was read from now holds them with its
    // edits' bits; a row read again is not known byte for byte any more.
    if (rowWrites[k].second > rowWrites[k].first) {
      char* held = row.bytes.data();  // detached once, not once a byte
      for (size_t w = rowWrites[k].first; w < rowWrites[k].second; ++w) {
        const ByteWrite& b = writes[w];
        const std::int64_t at = b.offset - row.ref.offset;
        if (at < 0 || at >= row.bytes.size()) continue;
        held[at] = static_cast<char>((static_cast<std::uint8_t>(held[at]) & ~b.mask) | (b.value & b.mask));
      }
    } else if (!asRead[k] || !edits_[r]->read.empty()) {
      row.bytes.clear();
    }
    if (combos)
      for (const int cell : edits_[r]->cells) {
        const auto c = static_cast<size_t>(cell);
        if (c >= row.stored.size() || c >= controls.size() || controls[c].kind != ControlKind::Combo) continue;
        const int byte = byteForRow(fields[static_cast<size_t>(controls[c].field)].combo, edits_[r]->state[c].row);
        if (byte >= 0) row.stored[c] = byte;
      }
    // The row's old values go with the edit to the spares, freed when they are.
    std::swap(row.state, edits_[r]->state);
    retire(edits_[r]);
    changedRows_.push_back(static_cast<int>(r));
  }
  editedCells_ = 0;
  return result;
}

}  // namespace rt
