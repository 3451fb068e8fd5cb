#include "grid/grid_source.h"

#include "image/image_view.h"
#include "model/record_csv.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace rt {
namespace {

// A window this large holds any fixed table in one read; larger tables are read page by page.
constexpr std::int64_t kTableWindow = 1 << 20;

bool hasCombo(const std::vector<ControlRef>& controls) {
  return std::any_of(controls.begin(), controls.end(), [](const ControlRef& c) { return c.kind == ControlKind::Combo; });
}

}  // namespace

AdapterGrid::AdapterGrid(std::shared_ptr<const TableAdapter> table)
    : table_(std::move(table)), controls_(table_->controls()), fields_(table_->fields()) {
  if (const auto* fixed = dynamic_cast<const FixedTable*>(table_.get()))
    for (const Field& f : fixed->def().fields) recordBytes_ = std::max(recordBytes_, f.offset + widthOf(f.kind));
}

Result<std::vector<GridRow>> AdapterGrid::read(RomImage& rom, const QString& namesDir) const {
  auto refs = table_->records(rom, namesDir);
  if (!refs) return refs.status();
  std::vector<GridRow> rows;
  rows.reserve(refs->size());
  const bool combos = hasCombo(controls_);
  if (const auto* fixed = dynamic_cast<const FixedTable*>(table_.get())) {
    // Records at base + stride * i: the whole table in one session.
    const TableDef& def = fixed->def();
    RomSession session(rom, Access::Read);
    if (!session.status()) return session.status();
    const std::int64_t span = table_->requiredSize() - def.base;
    if (span <= kTableWindow) rom.prefetch(def.base, span);
    for (RecordRef& ref : *refs) {
      GridRow row;
      row.state = readFields(rom, def, ref.offset);
      if (combos) row.stored = storedComboBytes(rom, controls_, fields_, ref.offset);
      if (const std::uint8_t* held = rom.peek(ref.offset, recordBytes_))
        row.bytes = QByteArray(reinterpret_cast<const char*>(held), static_cast<qsizetype>(recordBytes_));
      row.ref = std::move(ref);
      rows.push_back(std::move(row));
    }
    if (Status closed = session.close(); !closed) return closed;
    return rows;
  }
  for (RecordRef& ref : *refs) {
    auto state = table_->read(rom, ref);
    if (!state) return state.status();
    GridRow row;
    row.state = std::move(*state);
    if (combos) {
      RomSession session(rom, Access::Read);
      if (!session.status()) return session.status();
      row.stored = storedComboBytes(rom, controls_, fields_, ref.offset);
      if (Status closed = session.close(); !closed) return closed;
    }
    row.ref = std::move(ref);
    rows.push_back(std::move(row));
  }
  return rows;
}

Result<std::vector<GridRow>> AdapterGrid::readRows(RomImage& rom, const QString& namesDir,
                                                   const std::vector<const GridRow*>& wanted) const {
  const auto* fixed = dynamic_cast<const FixedTable*>(table_.get());
  if (!fixed) return read(rom, namesDir);
  // Records at base + stride * i: a record's keys say where it is, and its
  // name is not in the image.
  const TableDef& def = fixed->def();
  const bool combos = hasCombo(controls_);
  std::vector<GridRow> rows;
  rows.reserve(wanted.size());
  RomSession session(rom, Access::Read);
  if (!session.status()) return session.status();
  for (const GridRow* w : wanted) {
    GridRow row;
    row.ref = w->ref;
    row.state = readFields(rom, def, row.ref.offset);
    if (combos) row.stored = storedComboBytes(rom, controls_, fields_, row.ref.offset);
    rows.push_back(std::move(row));
  }
  if (Status closed = session.close(); !closed) return closed;
  return rows;
}

std::vector<bool> AdapterGrid::unchanged(RomImage& rom, const std::vector<const GridRow*>& rows) const {
  std::vector<bool> same(rows.size(), false);
  std::vector<ByteSpan> spans;
  std::int64_t first = std::numeric_limits<std::int64_t>::max(), end = 0;
  for (const GridRow* row : rows)
    if (!row->bytes.isEmpty()) {
      spans.push_back({row->ref.offset, row->bytes.size()});
      first = std::min(first, row->ref.offset);
      end = std::max<std::int64_t>(end, row->ref.offset + row->bytes.size());
    }
  if (spans.empty()) return same;
  // Under a transaction the bytes are kept for it: its commit takes the old
  // bytes of what it writes from them instead of reading them again.
  const bool kept = rom.inTransaction();
  if (kept && !rom.holdSpans(std::move(spans))) return same;
  RomSession session(rom, Access::Read);
  if (!session.status()) return same;
  if (!kept) rom.prefetchSpans(std::move(spans));
  // The rows of a table lie in one run read at once, most often: looked up once.
  const std::uint8_t* all = rom.peek(first, end - first);
  for (size_t i = 0; i < rows.size(); ++i) {
    const QByteArray& was = rows[i]->bytes;
    if (was.isEmpty()) continue;
    const std::uint8_t* now = all ? all + (rows[i]->ref.offset - first) : rom.peek(rows[i]->ref.offset, was.size());
    same[i] = now && std::memcmp(now, was.constData(), static_cast<size_t>(was.size())) == 0;
  }
  if (!session.close()) return std::vector<bool>(rows.size(), false);  // a failed read proves nothing
  return same;
}

// A fixed table's encoding is its declaration's, over the record's offset only.
bool AdapterGrid::encodesAlone() const { return dynamic_cast<const FixedTable*>(table_.get()) != nullptr; }

bool AdapterGrid::encode(RomImage& rom, const GridRow& row, const RecordState& state, std::vector<ByteWrite>* writes,
                         FieldError* error) const {
  return table_->encode(rom, row.ref, state, writes, error);
}

std::shared_ptr<const GridSource> GridViews::make(const QString& id, const TableRegistry& tables) const {
  if (auto it = factories_.find(id); it != factories_.end()) return it->second(tables);
  for (const auto& table : tables.all())
    if (table->name() == id) return std::make_shared<AdapterGrid>(table);
  return nullptr;
}

GridSnapshot::GridSnapshot(RomImage& rom) {
  if (rom.romPath().isEmpty()) {
    status_ = Status::error(QStringLiteral("No ROM image has been chosen."));
    return;
  }
  auto pages = PageCache::open(rom.romPath(), rom.fileLayer());
  if (!pages) {
    status_ = pages.status();
    return;
  }
  // A view never writes, so it needs no history.
  view_ = std::make_unique<RomImage>(std::make_shared<ImageView>(*pages, std::vector<Run>{}, true), nullptr);
  view_->setRomPath(rom.romPath());
}

Result<std::vector<GridRow>> readGrid(const GridSource& source, RomImage& rom, const QString& namesDir) {
  GridSnapshot snapshot(rom);
  if (!snapshot.status()) return snapshot.status();
  return source.read(snapshot.image(), namesDir);
}

Result<std::vector<bool>> unchangedGridRows(const GridSource& source, RomImage& rom,
                                            const std::vector<const GridRow*>& rows) {
  // Under a transaction's lock the image is read through the transaction's
  // own handle: the bytes are the file's, with nothing to lay over them, and
  // a second view of the image read a save's whole span twice more.
  if (rom.inTransaction()) return source.unchanged(rom, rows);
  GridSnapshot snapshot(rom);
  if (!snapshot.status()) return snapshot.status();
  return source.unchanged(snapshot.image(), rows);
}

Result<std::vector<GridRow>> readGridRows(const GridSource& source, RomImage& rom, const QString& namesDir,
                                          const std::vector<const GridRow*>& wanted) {
  GridSnapshot snapshot(rom);
  if (!snapshot.status()) return snapshot.status();
  return source.readRows(snapshot.image(), namesDir, wanted);
}

}  // namespace rt
