// The record codec over every registered table, on short and random images.
// Each run builds an image file of a chosen size and contents, picks a table
// and a record, and then
//  - saves the record unchanged: the save lands whole when every byte lies in
//    the file and not at all otherwise, the file never changes size, only the
//    written bytes change (for a plain table: only bytes of combo fields whose
//    "none" rule rewrites them), and reading again gives the same record;
//  - saves a record of chosen control values: it is refused with a message, or
//    its bytes lie within the record's fields (under their masks) and reading
//    then saving again changes nothing.
// Every read and write the image makes goes through a file layer that stops
// the run when one reaches outside the file.
//
// Input: table, mode bits, record keys, size, window, payload, then one choice
// per control for the chosen values (see the reads in LLVMFuzzerTestOneInput).

#include "model/conversions.h"
#include "model/record_codec.h"
#include "image/rom_image.h"
#include "model/table_registry.h"
#include "editors/all_tables.h"
#include "fuzz/fuzz_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

namespace {

using rt::fuzz::FuzzInput;

// What the file layer saw during one save: for every byte written, the value
// before the save and the value it was last given.
struct Journal {
  std::map<std::int64_t, std::pair<std::uint8_t, std::uint8_t>> bytes;
  std::set<std::int64_t> changed() const {
    std::set<std::int64_t> out;
    for (const auto& [offset, values] : bytes)
      if (values.first != values.second) out.insert(offset);
    return out;
  }
};

// Forwards to the system's file and stops the run on any access outside it.
class BoundedFile final : public rt::RomFile {
 public:
  BoundedFile(std::unique_ptr<rt::RomFile> inner, Journal* journal)
      : inner_(std::move(inner)), journal_(journal), size_(inner_->size()) {}

  std::int64_t readAt(std::int64_t offset, void* buffer, std::int64_t length) override {
    FUZZ_CHECK(offset >= 0 && length >= 0 && offset + length <= size_,
               QStringLiteral("read of %1 bytes at %2 in a file of %3").arg(length).arg(offset).arg(size_));
    return inner_->readAt(offset, buffer, length);
  }
  std::int64_t writeAt(std::int64_t offset, const void* buffer, std::int64_t length) override {
    FUZZ_CHECK(offset >= 0 && length >= 0 && offset + length <= size_,
               QStringLiteral("write of %1 bytes at %2 in a file of %3").arg(length).arg(offset).arg(size_));
    std::vector<std::uint8_t> before(static_cast<size_t>(length));
    std::int64_t got = 0;
    while (got < length) {
      const std::int64_t n = inner_->readAt(offset + got, before.data() + got, length - got);
      FUZZ_CHECK(n > 0, QStringLiteral("journal read failed: ") + inner_->errorText());
      got += n;
    }
    const std::int64_t put = inner_->writeAt(offset, buffer, length);
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    for (std::int64_t i = 0; i < put; ++i) {
      auto [it, fresh] = journal_->bytes.try_emplace(offset + i, before[static_cast<size_t>(i)], 0);
      it->second.second = bytes[i];
      (void)fresh;
    }
    return put;
  }
  std::int64_t size() override { return inner_->size(); }
  rt::Status flush() override { return inner_->flush(); }
  bool interrupted() const override { return inner_->interrupted(); }
  rt::Status stillAtPath() override { return inner_->stillAtPath(); }
  QString errorText() const override { return inner_->errorText(); }

 private:
  std::unique_ptr<rt::RomFile> inner_;
  Journal* journal_;
  std::int64_t size_;
};

class BoundedLayer final : public rt::FileLayer {
 public:
  Journal journal;
  rt::Result<std::unique_ptr<rt::RomFile>> open(const QString& path, rt::OpenMode mode) override {
    auto opened = rt::systemFileLayer()->open(path, mode);
    if (!opened) return opened.status();
    return std::unique_ptr<rt::RomFile>(std::make_unique<BoundedFile>(std::move(opened.value()), &journal));
  }
};

// The bytes a plain table's record may be written at, with the bits of each.
std::map<std::int64_t, int> fieldBytes(const rt::TableDef& def, std::int64_t recordOffset) {
  std::map<std::int64_t, int> out;
  for (const rt::Field& f : def.fields) {
    const int mask = rt::writeMaskOf(f);
    if (mask == 0) continue;
    for (int i = 0; i < widthOf(f.kind); ++i) out[recordOffset + f.offset + i] |= mask;
  }
  return out;
}

// Bytes an unchanged save may rewrite: combo bytes whose "none" rule stores
// another byte than the one read (a byte past the "none" row, say).
std::set<std::int64_t> normalisedBytes(const rt::TableDef& def, std::int64_t recordOffset) {
  std::set<std::int64_t> out;
  for (const rt::Field& f : def.fields)
    if (f.kind == rt::FieldKind::Combo && f.combo.kind != rt::ComboRule::Plain) out.insert(recordOffset + f.offset);
  return out;
}

struct Tables {
  rt::TableRegistry registry = rt::allTables();
  Tables() {
    FUZZ_CHECK(!registry.all().empty(), QStringLiteral("no table is registered"));
    // Within a plain table no two fields share a bit: a save writes each once.
    for (const auto& t : registry.all()) {
      const auto* fixed = dynamic_cast<const rt::FixedTable*>(t.get());
      if (!fixed) continue;
      std::map<std::int64_t, int> seen;
      for (const rt::Field& f : fixed->def().fields) {
        const int mask = rt::writeMaskOf(f);
        for (int i = 0; i < widthOf(f.kind); ++i) {
          int& bits = seen[f.offset + i];
          FUZZ_CHECK((bits & mask) == 0, QStringLiteral("%1: field %2 overlaps another field").arg(t->name(), f.control));
          bits |= mask;
        }
      }
    }
  }
};

const Tables& tables() {
  static const Tables t;
  return t;
}

std::int64_t clampSize(std::int64_t size) { return std::clamp<std::int64_t>(size, 0, 0x1800000); }

// The image file: `size` bytes, zero except where written.
class ImageFile {
 public:
  ImageFile() : path_(QDir(rt::fuzz::scratchDir()).filePath(QStringLiteral("image.nds"))) {}
  const QString& path() const { return path_; }

  void create(std::int64_t size) {
    forgetHistory();
    QFile f(path_);
    FUZZ_CHECK(f.open(QIODevice::ReadWrite | QIODevice::Truncate), f.errorString());
    FUZZ_CHECK(f.resize(size), f.errorString());
    size_ = size;
  }
  void resize(std::int64_t size) {
    forgetHistory();
    QFile f(path_);
    FUZZ_CHECK(f.resize(size), f.errorString());
    size_ = size;
  }
  // An image of another size is another file: its history starts anew.
  void forgetHistory() {
    for (const char* suffix : {".history", ".history-wal", ".history-shm"}) QFile::remove(path_ + QLatin1String(suffix));
  }
  // Writes `pattern` repeated over [start, start + length), clipped to the file.
  void tile(std::int64_t start, std::int64_t length, const QByteArray& pattern) {
    if (pattern.isEmpty()) return;
    const std::int64_t from = std::max<std::int64_t>(start, 0);
    const std::int64_t to = std::min(start + length, size_);
    if (from >= to) return;
    QByteArray run(static_cast<qsizetype>(to - from), '\0');
    for (std::int64_t i = from; i < to; ++i)
      run[static_cast<qsizetype>(i - from)] = pattern[static_cast<qsizetype>((i - start) % pattern.size())];
    put(from, run);
  }
  void poke(std::int64_t offset, char value) {
    if (offset >= 0 && offset < size_) put(offset, QByteArray(1, value));
  }
  std::int64_t size() const { return size_; }
  std::int64_t sizeOnDisk() const { return QFileInfo(path_).size(); }

 private:
  void put(std::int64_t offset, const QByteArray& bytes) {
    QFile f(path_);
    FUZZ_CHECK(f.open(QIODevice::ReadWrite), f.errorString());
    FUZZ_CHECK(f.seek(offset) && f.write(bytes) == bytes.size(), f.errorString());
  }
  QString path_;
  std::int64_t size_ = 0;
};

// A value for one control: often the one read, else a choice from the input.
rt::ControlValue chosenValue(FuzzInput& in, const rt::ControlRef& control, const rt::ControlValue& current) {
  const std::uint8_t how = in.byte();
  if (how < 96) return current;
  rt::ControlValue v = current;
  switch (control.kind) {
    case rt::ControlKind::Text:
      switch (how % 7) {
        case 0: v.text = QString::number(in.range(-300, 70000)); break;
        case 1: v.text = QString::number(static_cast<std::int32_t>(in.u32())); break;
        case 2: v.text = QString::number(static_cast<std::int64_t>(in.u64())); break;
        case 3: v.text = rt::hexText(in.u16()); break;
        case 4: v.text = QStringLiteral(" %1.%2 ").arg(in.range(-300, 300)).arg(in.byte() % 100); break;
        case 5: v.text = QString::number(in.byte()); break;
        default: v.text = QString::fromUtf8(in.bytes(in.byte() % 12)); break;
      }
      break;
    case rt::ControlKind::Combo:
      v.row = how % 2 ? static_cast<int>(in.range(-2, 300)) : static_cast<std::int32_t>(in.u32());
      break;
    case rt::ControlKind::Check: v.checked = how & 1; break;
  }
  return v;
}

// How far runs got, printed at exit when RT_FUZZ_STATS is set: a way to see
// whether a corpus reaches the saves at all.
struct Stats {
  long runs = 0, resolved = 0, read = 0, sameApplied = 0, editedAccepted = 0, editedApplied = 0;
  ~Stats() {
    if (qEnvironmentVariableIsSet("RT_FUZZ_STATS"))
      std::fprintf(stderr, "runs %ld, records found %ld, read %ld, unchanged saves landed %ld, edited saves accepted %ld, landed %ld\n",
                   runs, resolved, read, sameApplied, editedAccepted, editedApplied);
  }
};
Stats stats;

struct Save {
  bool accepted = false;
  bool applied = false;
  std::vector<rt::ByteWrite> writes;
  std::set<std::int64_t> changed;
};

// Encodes and applies one record state, checking what every save must hold.
Save save(const rt::TableAdapter& table, rt::RomImage& rom, BoundedLayer& layer, ImageFile& image,
          const rt::RecordRef& ref, const rt::RecordState& state, const QString& what) {
  Save s;
  rt::FieldError error;
  s.accepted = table.encode(rom, ref, state, &s.writes, &error);
  const int controls = static_cast<int>(table.controls().size());
  if (!s.accepted) {
    FUZZ_CHECK(s.writes.empty(), what + QStringLiteral(": a refused record produced bytes"));
    FUZZ_CHECK(!error.message.isEmpty(), what + QStringLiteral(": refused without a message"));
    FUZZ_CHECK(error.control >= -1 && error.control < controls,
               what + QStringLiteral(": refused at control %1 of %2").arg(error.control).arg(controls));
    return s;
  }
  bool inside = true;
  for (const rt::ByteWrite& w : s.writes) inside &= w.offset >= 0 && w.offset < image.size();

  layer.journal.bytes.clear();
  const rt::SaveResult result = rt::applyWrites(rom, s.writes, {});
  s.applied = bool(result.status);
  FUZZ_CHECK(image.sizeOnDisk() == image.size(),
             what + QStringLiteral(": the file is %1 bytes after a save, was %2").arg(image.sizeOnDisk()).arg(image.size()));
  FUZZ_CHECK(s.applied == inside, what + QStringLiteral(": a save with %1 bytes %2 the file %3")
                                           .arg(s.writes.size())
                                           .arg(inside ? QStringLiteral("inside") : QStringLiteral("partly outside"))
                                           .arg(s.applied ? QStringLiteral("landed") : QStringLiteral("failed: ") + result.status.message()));
  s.changed = layer.journal.changed();
  if (!s.applied) {
    FUZZ_CHECK(s.changed.empty(), what + QStringLiteral(": a failed save changed %1 bytes").arg(s.changed.size()));
    return s;
  }
  std::set<std::int64_t> written;
  for (const rt::ByteWrite& w : s.writes) written.insert(w.offset);
  for (std::int64_t o : s.changed)
    FUZZ_CHECK(written.count(o), what + QStringLiteral(": byte %1 changed but was not written").arg(o));
  FUZZ_CHECK(result.bytesChanged == static_cast<std::int64_t>(s.changed.size()),
             what + QStringLiteral(": reported %1 bytes changed, the file saw %2").arg(result.bytesChanged).arg(s.changed.size()));
  return s;
}

// A plain table's bytes: exactly its field bytes, each under its field's mask.
void checkFieldWrites(const rt::TableDef& def, const rt::RecordRef& ref, const std::vector<rt::ByteWrite>& writes,
                      const QString& what) {
  const auto allowed = fieldBytes(def, ref.offset);
  std::map<std::int64_t, int> seen;
  for (const rt::ByteWrite& w : writes) {
    const auto it = allowed.find(w.offset);
    FUZZ_CHECK(it != allowed.end(), what + QStringLiteral(": byte %1 is not a field of the record at %2").arg(w.offset).arg(ref.offset));
    FUZZ_CHECK((w.mask & ~it->second) == 0,
               what + QStringLiteral(": byte %1 written under mask %2, its fields have %3").arg(w.offset).arg(w.mask).arg(it->second));
    seen[w.offset] |= w.mask;
  }
  FUZZ_CHECK(seen == allowed, what + QStringLiteral(": %1 field bytes written of %2").arg(seen.size()).arg(allowed.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  rt::fuzz::ensureApplication();
  const auto& all = tables().registry.all();
  FuzzInput in(data, size);
  ++stats.runs;

  const rt::TableAdapter& table = *all[in.byte() % all.size()];
  const auto* fixed = dynamic_cast<const rt::FixedTable*>(&table);
  const std::uint8_t mode = in.byte();
  // Pick from records() instead of resolve(). Listing a table that walks the
  // image costs time in proportion to the file (a stage list without its end
  // marker runs to the end of the file), so those tables list less often.
  const bool fromList = (mode & 1) && (fixed || (mode & 64));
  const bool chooseValues = mode & 2;     // also save chosen control values
  const int sizeMode = (mode >> 2) & 3;
  const bool cutAtRecord = mode & 16;     // the file ends at or near the record
  const bool fieldsFromPayload = mode & 32;

  QVariantMap keys;
  const QStringList keyNames = table.keyNames();
  for (qsizetype k = 0; k < keyNames.size(); ++k) {
    const std::uint16_t raw = in.u16();
    const int limit = k == 0 ? std::max(table.count(), 1) : 64;
    keys.insert(keyNames[k], raw & 0x8000 ? static_cast<int>(static_cast<std::int16_t>(raw)) : raw % (limit + 2) - 1);
  }

  const std::int64_t span = std::max<std::int64_t>(table.stride(), 1) * std::max(table.count(), 1);
  const std::int64_t tableEnd = table.base() + span;
  const std::uint32_t sizeRaw = in.u32();
  std::int64_t imageSize = 0;
  switch (sizeMode) {
    case 0: imageSize = sizeRaw % 65536; break;
    case 1: imageSize = tableEnd + static_cast<std::int64_t>(sizeRaw % 8192) - 4096; break;
    case 2: imageSize = 0xC00000 + sizeRaw % 4096; break;
    default: imageSize = sizeRaw % 0x1000000; break;
  }
  // and over a file that ends soon after the table.
  if (fromList && !fixed) imageSize = std::min<std::int64_t>(imageSize, tableEnd + 8192);
  imageSize = clampSize(imageSize);
  const std::int64_t windowStart = table.base() + static_cast<std::int64_t>(in.u32() % (span + 8192)) - 4096;
  const std::int64_t windowLength = in.u16();
  const QByteArray payload = in.bytes(in.u16() % 4096);

  static ImageFile image;
  image.create(imageSize);
  image.tile(windowStart, windowLength, payload);

  BoundedLayer* layer = new BoundedLayer;  // owned by the image below
  rt::RomImage rom{std::shared_ptr<rt::FileLayer>(layer)};
  rom.setRomPath(image.path());

  rt::RecordRef ref;
  if (fromList) {
    auto list = table.records(rom, rt::fuzz::namesDir());
    if (!list || list->empty()) return 0;
    ref = (*list)[in.u16() % list->size()];
  } else {
    auto resolved = table.resolve(rom, keys);
    if (!resolved) {
      FUZZ_CHECK(!resolved.message().isEmpty(), table.name() + QStringLiteral(": resolve refused without a message"));
      return 0;
    }
    ref = *resolved;
  }

  // The record's own bytes from the payload, and maybe a file that ends in it.
  std::int64_t recordEnd = ref.offset + std::max<std::int64_t>(table.stride(), 1);
  if (fixed) {
    const auto bytes = fieldBytes(fixed->def(), ref.offset);
    if (!bytes.empty()) recordEnd = bytes.rbegin()->first + 1;
    if (fieldsFromPayload && !payload.isEmpty()) {
      qsizetype k = 0;
      for (const auto& [offset, mask] : bytes) image.poke(offset, payload[k++ % payload.size()]);
    }
  } else if (fieldsFromPayload) {
    image.tile(ref.offset, payload.size(), payload);
  }
  if (cutAtRecord) {
    image.resize(clampSize(recordEnd + in.range(-(table.stride() + 8), 8)));
  }
  const QString where = QStringLiteral("%1 record at %2 in a file of %3").arg(table.name()).arg(ref.offset).arg(image.size());
  ++stats.resolved;

  auto read = table.read(rom, ref);
  if (!read) return 0;
  ++stats.read;
  const std::vector<rt::ControlRef> controls = table.controls();
  FUZZ_CHECK(read->size() == controls.size(),
             where + QStringLiteral(": read %1 values for %2 controls").arg(read->size()).arg(controls.size()));

  // Unchanged save.
  bool recordInside = false;
  if (fixed) {
    const auto bytes = fieldBytes(fixed->def(), ref.offset);
    recordInside = !bytes.empty() && bytes.begin()->first >= 0 && bytes.rbegin()->first < image.size();
  }
  const Save same = save(table, rom, *layer, image, ref, *read, where + QStringLiteral(", unchanged save"));
  if (fixed) {
    FUZZ_CHECK(same.accepted || !recordInside, where + QStringLiteral(": the record as read was refused"));
    if (same.accepted) checkFieldWrites(fixed->def(), ref, same.writes, where + QStringLiteral(", unchanged save"));
    if (same.applied) {
      const auto mayChange = normalisedBytes(fixed->def(), ref.offset);
      for (std::int64_t o : same.changed)
        FUZZ_CHECK(mayChange.count(o), where + QStringLiteral(": an unchanged save changed byte %1").arg(o));
    }
  }
  if (same.applied) {
    ++stats.sameApplied;
    auto again = table.read(rom, ref);
    FUZZ_CHECK(again && *again == *read, where + QStringLiteral(": reading after an unchanged save gives another record"));
  }

  if (!chooseValues) return 0;
  rt::RecordState chosen = *read;
  for (size_t c = 0; c < controls.size(); ++c) chosen[c] = chosenValue(in, controls[c], (*read)[c]);
  (void)table.follow(rom, ref, chosen);
  const Save edited = save(table, rom, *layer, image, ref, chosen, where + QStringLiteral(", edited save"));
  if (fixed && edited.accepted) checkFieldWrites(fixed->def(), ref, edited.writes, where + QStringLiteral(", edited save"));
  stats.editedAccepted += edited.accepted;
  if (!edited.applied) return 0;
  ++stats.editedApplied;
  // What was stored reads back as a record that stores the same bytes.
  auto stored = table.read(rom, ref);
  FUZZ_CHECK(bool(stored), where + QStringLiteral(": the saved record cannot be read: ") + stored.message());
  const Save resaved = save(table, rom, *layer, image, ref, *stored, where + QStringLiteral(", save of the saved record"));
  FUZZ_CHECK(resaved.applied && resaved.changed.empty(),
             where + QStringLiteral(": saving the saved record again changed %1 bytes").arg(resaved.changed.size()));
  return 0;
}
