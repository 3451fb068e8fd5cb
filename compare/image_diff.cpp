#include "compare/image_diff.h"

#include "image/byte_source.h"
#include "image/image_view.h"

#include <algorithm>

#include <map>

namespace rt {
namespace {

// Per byte, the bits whose change the listed fields show.
using Explained = std::map<std::int64_t, std::uint8_t>;

struct Masked {
  std::uint8_t value = 0;
  std::uint8_t mask = 0;
};

std::map<std::int64_t, Masked> merged(const std::vector<ByteWrite>& writes) {
  std::map<std::int64_t, Masked> out;
  for (const ByteWrite& w : writes) {  // a later write wins, as in a save
    Masked& m = out[w.offset];
    m.value = static_cast<std::uint8_t>((m.value & ~w.mask) | (w.value & w.mask));
    m.mask |= w.mask;
  }
  return out;
}

// The bytes a record's changed fields stand for: where the record saved with
// its old values and saved with its new ones would store different bits.
void explain(const TableAdapter& table, RomImage& rom, const RecordRef& ref, const RecordState& oldState,
             const RecordState& newState, Explained* explained) {
  std::vector<ByteWrite> oldWrites, newWrites;
  FieldError error;
  if (!table.encode(rom, ref, oldState, &oldWrites, &error) || !table.encode(rom, ref, newState, &newWrites, &error))
    return;  // then the record's bytes are listed as bytes
  const auto before = merged(oldWrites);
  const auto after = merged(newWrites);
  for (const auto& [offset, b] : after) {
    auto a = before.find(offset);
    if (a == before.end() || a->second.mask != b.mask) continue;
    if ((a->second.value & b.mask) != (b.value & b.mask)) (*explained)[offset] |= b.mask;
  }
}

struct Side {
  std::shared_ptr<PageCache> pages;
  std::shared_ptr<ImageView> view;
  std::unique_ptr<RomImage> rom;
  bool recovered = false;  // reads see an interrupted transaction's old bytes, not the file's
};

// Where the two files' bytes differ, as sorted, merged ranges; past the end of
// the shorter file every byte differs. The raw files are kept open for the
// bytes of ranges a listed field partly explains.
struct Differing {
  std::unique_ptr<FileSource> clean, modified;
  std::vector<ByteRange> runs;
  // Whether any byte of [offset, offset + length) differs.
  bool touches(std::int64_t offset, std::int64_t length) const {
    auto after = std::upper_bound(runs.begin(), runs.end(), offset,
                                  [](std::int64_t at, const ByteRange& r) { return at < r.offset; });
    if (after != runs.begin() && std::prev(after)->offset + std::prev(after)->length > offset) return true;
    return after != runs.end() && after->offset < offset + length;
  }
};

Result<Differing> differingBytes(const ImageDiffRequest& request) {
  Differing d;
  auto clean = FileSource::open(request.clean, request.files);
  if (!clean) return clean.status();
  auto modified = FileSource::open(request.modified, request.files);
  if (!modified) return modified.status();
  d.clean = std::move(clean.value());
  d.modified = std::move(modified.value());
  Status scanned = scanBlocks(*d.clean, *d.modified, [&d](const BlockPair& block) {
    differingRuns(block, [&](std::int64_t start, std::int64_t length) {
      const std::int64_t from = block.offset + start;
      if (!d.runs.empty() && d.runs.back().offset + d.runs.back().length == from) d.runs.back().length += length;
      else d.runs.push_back({from, length});
    });
    return Status::ok();
  });
  if (!scanned) return scanned;
  return d;
}

Result<Side> openSide(const QString& path, const std::shared_ptr<FileLayer>& files) {
  auto pages = PageCache::open(path, files);
  if (!pages) return pages.status();
  Side side;
  side.pages = *pages;
  if (files == systemFileLayer()) {
    auto overlay = recoveryOverlay(path);
    side.recovered = !overlay.empty();
    side.pages->setOverlay(std::move(overlay));
  }
  // A read-only view: the tables read through cached pages, and nothing can write.
  side.view = std::make_shared<ImageView>(side.pages, std::vector<Run>{}, true);
  side.rom = std::make_unique<RomImage>(side.view, nullptr);
  side.rom->setRomPath(path);
  return side;
}

// Records are decoded only where their bytes differ: a record of a fixed
// table holds its span and nothing else; any other record is read from the
// clean image with its reads logged, and read from the modified one only when
// a byte it read differs there. Bytes laid over a file by recovery are not in
// the files' comparison, so such an image is read record by record throughout.
Status compareTable(const TableAdapter& table, Side& clean, Side& modified, const QString& namesDir, ListCache& lists,
                    const Differing& differing, ImageDiff* diff, Explained* explained) {
  for (Side* side : {&clean, &modified}) {
    if (side->pages->size() < table.requiredSize())
      return Status::error(QStringLiteral("\"%1\" is %2 bytes; the %3 table needs at least %4 bytes. Is it the right "
                                          "image? --tables chooses the tables to compare.")
                               .arg(side->rom->romPath())
                               .arg(side->pages->size())
                               .arg(table.name())
                               .arg(table.requiredSize()));
  }
  const bool byBytes = !clean.recovered && !modified.recovered;
  const bool sameSize = clean.pages->size() == modified.pages->size();
  // Equal files list the same records and read the same values: nothing is
  // read, not even the names of the records.
  if (byBytes && sameSize && differing.runs.empty()) return Status::ok();
  const auto* fixed = dynamic_cast<const FixedTable*>(&table);
  std::int64_t span = 1;
  if (fixed) {
    const TableDef& def = fixed->def();
    for (const Field& f : def.fields) span = std::max<std::int64_t>(span, f.offset + widthOf(f.kind));
    bool touched = !byBytes;
    for (int i = 0; i < def.count && !touched; ++i) touched = differing.touches(def.recordOffset(i), span);
    if (!touched) return Status::ok();  // no record of it holds a differing byte
  }
  auto oldRefs = table.records(*clean.rom, namesDir);
  if (!oldRefs) return oldRefs.status();
  auto newRefs = table.records(*modified.rom, namesDir);
  if (!newRefs) return newRefs.status();
  // Records are matched by their keys: a stage list may be longer in one image.
  std::vector<std::pair<const RecordRef*, const RecordRef*>> pairs;
  const bool aligned = oldRefs->size() == newRefs->size() &&
                       std::equal(oldRefs->begin(), oldRefs->end(), newRefs->begin(),
                                  [](const RecordRef& a, const RecordRef& b) { return a.keys == b.keys; });
  if (aligned) {  // the same records in the same order, as a fixed table always lists them
    for (size_t i = 0; i < newRefs->size(); ++i) pairs.emplace_back(&(*oldRefs)[i], &(*newRefs)[i]);
  } else {
    std::map<QString, const RecordRef*> oldByKey;
    for (const RecordRef& r : *oldRefs) oldByKey.emplace(recordKeyText(r.keys), &r);
    for (const RecordRef& r : *newRefs) {
      auto it = oldByKey.find(recordKeyText(r.keys));
      pairs.emplace_back(it == oldByKey.end() ? nullptr : it->second, &r);
      if (it != oldByKey.end()) oldByKey.erase(it);
    }
    for (const RecordRef& r : *oldRefs)
      if (oldByKey.count(recordKeyText(r.keys))) pairs.emplace_back(&r, nullptr);
  }

  const std::vector<ControlRef> controls = table.controls();
  const std::vector<Field> fields = table.fields();
  for (const auto& [oldRef, newRef] : pairs) {
    RecordState oldState, newState;
    const bool paired = byBytes && oldRef && newRef && oldRef->offset == newRef->offset;
    if (paired && fixed && !differing.touches(oldRef->offset, span)) continue;
    if (paired && !fixed && sameSize)
      if (auto spans = table.readSpans(*clean.rom, *oldRef);
          spans && std::none_of(spans->begin(), spans->end(),
                                [&](const ByteSpan& s) { return differing.touches(s.offset, s.length); }))
        continue;  // every byte its read depends on is the same in both
    std::vector<SeenBytes> seen;
    if (oldRef) {
      if (paired && !fixed && sameSize) clean.view->setReadLog(&seen);
      auto read = table.read(*clean.rom, *oldRef);
      clean.view->setReadLog(nullptr);
      if (!read) return read.status();
      oldState = std::move(read.value());
    }
    if (!seen.empty() &&
        std::none_of(seen.begin(), seen.end(), [&](const SeenBytes& s) { return differing.touches(s.offset, s.bytes.size()); }))
      continue;  // the modified image holds every byte the clean one's read saw
    if (newRef) {
      auto read = table.read(*modified.rom, *newRef);
      if (!read) return read.status();
      newState = std::move(read.value());
    }
    const RecordRef& ref = newRef ? *newRef : *oldRef;
    bool changed = false;
    for (size_t c = 0; c < controls.size(); ++c) {
      const bool hasOld = c < oldState.size(), hasNew = c < newState.size();
      if (hasOld && hasNew && oldState[c] == newState[c]) continue;
      const Field& field = fields[static_cast<size_t>(controls[c].field)];
      const QStringList* items =
          field.kind == FieldKind::Combo && !field.list.file.isEmpty() ? lists.items(namesDir, field.list) : nullptr;
      const QString oldText = hasOld ? shownValue(controls[c], field, oldState[c], items) : QString();
      const QString newText = hasNew ? shownValue(controls[c], field, newState[c], items) : QString();
      if (oldText == newText && hasOld == hasNew) continue;
      diff->changes.push_back({table.name(), ref.keys, ref.name, controls[c].name, field.caption, oldText, newText});
      changed = true;
    }
    if (changed && oldRef && newRef) explain(table, *modified.rom, *newRef, oldState, newState, explained);
  }
  return Status::ok();
}

// Every differing byte whose difference no listed field shows, as ranges.
Status outsideRanges(const Differing& differing, const Explained& explained, ImageDiff* diff) {
  auto add = [diff](std::int64_t offset, std::int64_t length) {
    diff->outsideBytes += length;
    if (!diff->outside.empty() && diff->outside.back().offset + diff->outside.back().length == offset)
      diff->outside.back().length += length;
    else
      diff->outside.push_back({offset, length});
  };
  const std::int64_t both = std::min(differing.clean->size(), differing.modified->size());
  std::vector<std::uint8_t> a, b;
  for (const ByteRange& run : differing.runs) {
    const std::int64_t from = run.offset, to = from + run.length;
    auto it = explained.lower_bound(from);
    if (it == explained.end() || it->first >= to) {
      add(from, run.length);
      continue;
    }
    // Only bytes both files hold can be explained by a field.
    const std::int64_t held = std::clamp<std::int64_t>(both - from, 0, run.length);
    a.resize(static_cast<size_t>(held));
    b.resize(static_cast<size_t>(held));
    if (held > 0) {
      if (Status s = differing.clean->read(from, a.data(), held); !s) return s;
      if (Status s = differing.modified->read(from, b.data(), held); !s) return s;
    }
    for (std::int64_t at = from; at < to; ++at) {
      while (it != explained.end() && it->first < at) ++it;
      const std::int64_t i = at - from;
      const bool inBoth = i < held;
      const std::uint8_t bits = inBoth ? static_cast<std::uint8_t>(a[static_cast<size_t>(i)] ^ b[static_cast<size_t>(i)]) : 0xFF;
      const std::uint8_t shown = it != explained.end() && it->first == at && inBoth ? it->second : 0;
      if (bits & ~shown) add(at, 1);
    }
  }
  return Status::ok();
}

}  // namespace

Result<ImageDiff> diffImages(const TableRegistry& registry, const ImageDiffRequest& request) {
  std::vector<const TableAdapter*> tables;
  if (request.tables.isEmpty()) {
    for (const auto& t : registry.all()) tables.push_back(t.get());
  } else {
    for (const QString& name : request.tables) {
      const TableAdapter* t = registry.find(name);
      if (!t) return Result<ImageDiff>::failure(QStringLiteral("Unknown table \"%1\"; `romtables-cli tables` lists them.").arg(name));
      tables.push_back(t);
    }
  }
  auto clean = openSide(request.clean, request.files);
  if (!clean) return clean.status();
  auto modified = openSide(request.modified, request.files);
  if (!modified) return modified.status();
  ImageDiff diff;
  diff.cleanSize = clean->pages->size();
  diff.modifiedSize = modified->pages->size();
  // The bytes first: records whose bytes are equal in both are not decoded.
  auto differing = differingBytes(request);
  if (!differing) return differing.status();
  ListCache lists;
  Explained explained;
  for (const TableAdapter* table : tables)
    if (Status s = compareTable(*table, *clean, *modified, request.namesDir, lists, *differing, &diff, &explained); !s)
      return s;
  if (Status s = outsideRanges(*differing, explained, &diff); !s) return s;
  return diff;
}

QString recordHeading(const QString& table, const QVariantMap& keys, const QString& name) {
  // The stage before the index: "MAP stage 3, index 2".
  QStringList parts;
  for (auto it = keys.begin(); it != keys.end(); ++it)
    if (it.key() != QLatin1String("index")) parts << it.key() + QLatin1Char(' ') + it.value().toString();
  if (keys.contains(QStringLiteral("index")))
    parts << (parts.isEmpty() ? QString() : QStringLiteral("index ")) + keys.value(QStringLiteral("index")).toString();
  QString heading = table + QLatin1Char(' ') + parts.join(QStringLiteral(", "));
  if (!name.isEmpty()) heading += QStringLiteral(" (%1)").arg(name);
  return heading;
}

QString recordHeading(const FieldChange& c) { return recordHeading(c.table, c.keys, c.name); }

}  // namespace rt
