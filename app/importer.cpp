#include "app/importer.h"

#include "app/dump.h"
#include "app/record_io.h"
#include "app/table_threads.h"
#include "image/byte_source.h"
#include "compare/patch_stream.h"
#include "history/changes.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QFileInfo>
#include <QJsonDocument>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>
#include <map>
#include <memory>
#include <optional>

namespace rt {
namespace {

enum Exit { kOk = 0, kFailed = 1, kUsage = 2 };
constexpr qint64 kMaxImportBytes = 64 * 1024 * 1024;
// A table spanning more than this is read record by record instead.
constexpr std::int64_t kMaxHeldSpan = 4 * 1024 * 1024;

struct Input {
  QByteArray bytes;
  bool json = false;
};

// Reads at most 64 MiB and says what the file is before any parser sees it.
Result<Input> readInput(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
    return Result<Input>::failure(QStringLiteral("Cannot read %1: %2.").arg(path, file.errorString()));
  if (!QFileInfo(path).isFile())
    return Result<Input>::failure(QStringLiteral("%1 is not a regular file.").arg(path));
  if (file.size() > kMaxImportBytes)
    return Result<Input>::failure(
        QStringLiteral("%1 is %2 bytes; an import file may hold at most 64 MiB.").arg(path).arg(file.size()));
  Input in;
  in.bytes = file.read(kMaxImportBytes + 1);
  if (in.bytes.size() > kMaxImportBytes)
    return Result<Input>::failure(QStringLiteral("%1 holds more than 64 MiB; an import file may hold at most 64 MiB.").arg(path));
  if (file.error() != QFileDevice::NoError)
    return Result<Input>::failure(QStringLiteral("Cannot read %1: %2.").arg(path, file.errorString()));
  const QByteArray& b = in.bytes;
  if (b.startsWith("\xFF\xFE") || b.startsWith("\xFE\xFF"))
    return Result<Input>::failure(QStringLiteral("%1 is UTF-16 text; save it as UTF-8 and import it again.").arg(path));
  if (b.contains('\0'))
    return Result<Input>::failure(
        QStringLiteral("%1 is not a text file: it holds a NUL byte at %2.").arg(path, lineAndColumn(b, b.indexOf('\0'))));
  qsizetype first = b.startsWith("\xEF\xBB\xBF") ? 3 : 0;
  while (first < b.size() && (b[first] == ' ' || b[first] == '\t' || b[first] == '\r' || b[first] == '\n')) ++first;
  if (first < b.size() && b[first] == '[')
    return Result<Input>::failure(QStringLiteral(
        "%1 holds a JSON array; an import needs an object: {\"table\": ..., \"records\": [...]}, as export writes.").arg(path));
  in.json = first < b.size() && b[first] == '{';
  return in;
}

// Records a JSON text holds, counted without building a document: objects two
// levels down ({"records": [ {...}, ... ]}).
int countJsonRecords(const QByteArray& bytes) {
  int depth = 0, count = 0;
  bool inString = false, escaped = false;
  for (char c : bytes) {
    if (inString) {
      if (escaped) escaped = false;
      else if (c == '\\') escaped = true;
      else if (c == '"') inString = false;
      continue;
    }
    if (c == '"') inString = true;
    else if (c == '{' || c == '[') {
      if (c == '{' && depth == 2) ++count;
      ++depth;
    } else if (c == '}' || c == ']') {
      --depth;
    }
  }
  return count;
}

QString keyText(const QVariantMap& keys) { return QString::fromUtf8(QJsonDocument::fromVariant(keys).toJson(QJsonDocument::Compact)); }

// A byte the import writes, with the record that writes it.
struct Planned {
  std::int64_t offset;
  std::uint8_t value;
  std::uint8_t mask;
  const ImportedRecord* from;
};

}  // namespace

Status checkImageHolds(RomImage& rom, const TableAdapter& table) {
  auto size = imageSize(rom);
  if (!size) return size.status();
  const std::int64_t needed = table.requiredSize();
  if (*size < needed)
    return Status::error(QStringLiteral("\"%1\" is %2 bytes; the %3 table needs at least %4 bytes. Is it the right image?")
                             .arg(rom.romPath())
                             .arg(*size)
                             .arg(table.name())
                             .arg(needed));
  return Status::ok();
}

namespace {

// A file read, parsed and checked against its table, before the image is opened.
struct LoadedFile {
  QString path;
  QString requestedTable;
  QString label;  // the file's name before each record's in messages (a folder's files)
  const TableAdapter* table = nullptr;
  ImportFile parsed;
  // A file laid out as export writes (its first and last lines), read whole
  // and parsed only when it is not what export writes now: until then it is
  // compared with that text as it lies in the file, never all in memory.
  bool pending = false;
  int records = 0;
  // What export writes for the table now, made before the file is planned
  // (on another thread); `made` false where it was not made or failed.
  struct Now {
    bool made = false;
    bool same = false;  // the file is export's text (then `text` is not kept)
    std::vector<RecordRef> refs;
    QByteArray text;
    std::vector<std::pair<qsizetype, qsizetype>> spans;
  } now;
};

// The table of a JSON text laid out as export writes it: its first and last
// lines as export writes them, the table known (and the one asked for).
const TableAdapter* exportLayoutTable(const TableRegistry& registry, const QByteArray& text, const QString& requested) {
  static constexpr std::string_view head = "{\n    \"records\": [", tail = "\"\n}\n", named = "\n    \"table\": \"";
  const std::string_view t(text.constData(), static_cast<size_t>(text.size()));
  if (!t.starts_with(head) || !t.ends_with(tail)) return nullptr;
  const size_t at = t.rfind(named);
  if (at == std::string_view::npos) return nullptr;
  const std::string_view name = t.substr(at + named.size(), t.size() - tail.size() - at - named.size());
  if (name.empty() || name.size() > 64 ||
      !std::all_of(name.begin(), name.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }))
    return nullptr;
  const QString table = QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
  if (!requested.isEmpty() && requested != table) return nullptr;
  return registry.find(table);
}

int parseFile(const TableRegistry& registry, const QByteArray& bytes, bool json, LoadedFile* loaded, QTextStream& err);
int readAndParse(const TableRegistry& registry, LoadedFile* loaded, QTextStream& err);

// The first and last lines of a regular file of at most 64 MiB, joined, for
// exportLayoutTable; empty for any other file (it is then read whole, and
// readInput says what is wrong with it).
QByteArray headAndTail(const QString& path) {
  constexpr qint64 kEnds = 256;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered) || !QFileInfo(path).isFile()) return {};
  const qint64 size = file.size();
  if (size > kMaxImportBytes) return {};
  if (size <= 2 * kEnds) return file.read(size);
  QByteArray ends = file.read(kEnds);
  if (ends.size() != kEnds || !file.seek(size - kEnds)) return {};
  ends += file.read(kEnds);
  return ends.size() == 2 * kEnds ? ends : QByteArray();
}

// Whether the file at `path` holds exactly `text`: read a block at a time
// into room that serves every block, not into memory of its own.
bool fileHolds(const QString& path, const QByteArray& text) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered) || file.size() != text.size()) return false;
  constexpr qint64 kBlock = 64 * 1024;
  const auto block = std::make_unique_for_overwrite<char[]>(kBlock);
  for (qsizetype at = 0; at < text.size();) {
    const qint64 got = file.read(block.get(), std::min<qint64>(kBlock, text.size() - at));
    if (got <= 0 || std::memcmp(block.get(), text.constData() + at, static_cast<size_t>(got)) != 0) return false;
    at += got;
  }
  char more;
  return file.read(&more, 1) == 0;
}

// The exit code; on a failure the message went to err.
int loadFile(const TableRegistry& registry, const QString& path, const QString& requestedTable, const QString& label,
             LoadedFile* loaded, QTextStream& err) {
  loaded->path = path;
  loaded->requestedTable = requestedTable;
  loaded->label = label;
  if (const TableAdapter* table = exportLayoutTable(registry, headAndTail(path), requestedTable)) {
    loaded->table = table;
    loaded->pending = true;
    return kOk;
  }
  return readAndParse(registry, loaded, err);
}

int readAndParse(const TableRegistry& registry, LoadedFile* loaded, QTextStream& err) {
  auto input = readInput(loaded->path);
  if (!input) {
    err << input.message() << '\n';
    return kFailed;
  }
  return parseFile(registry, input->bytes, input->json, loaded, err);
}

int parseFile(const TableRegistry& registry, const QByteArray& bytes, bool json, LoadedFile* loaded, QTextStream& err) {
  const QString& path = loaded->path;
  const QString& requestedTable = loaded->requestedTable;
  QString tableName = requestedTable;
  Result<ImportFile> parsed = Result<ImportFile>::failure(QString());
  int maxRecords = 0;
  for (const auto& t : registry.all()) maxRecords = std::max(maxRecords, t->maxRecords());
  if (const TableAdapter* named = registry.find(requestedTable)) maxRecords = named->maxRecords();
  // The export's own JSON is read in one pass, its records counted as they
  // are read (no more than any table holds); anything else is counted first
  // and parsed by Qt.
  std::optional<ImportFile> quick = json ? readExportedJson(bytes, maxRecords, true) : std::nullopt;
  const int records = quick                ? static_cast<int>(quick->records.size())
                      : json        ? countJsonRecords(bytes)
                                           : countCsvRecords(bytes) - 1;
  if (records > maxRecords) {
    err << QStringLiteral("%1 holds %2 records; the table has at most %3. Nothing was written.\n")
               .arg(path)
               .arg(records)
               .arg(maxRecords);
    return kFailed;
  }
  if (json) {
    parsed = quick ? Result<ImportFile>(std::move(*quick)) : parseJsonImport(bytes);
    if (!parsed) {
      err << path << ": " << parsed.message() << '\n';
      return kFailed;
    }
    if (tableName.isEmpty()) tableName = parsed->table;
    if (!requestedTable.isEmpty() && !parsed->table.isEmpty() && parsed->table != requestedTable) {
      err << QStringLiteral("The file holds table \"%1\", not \"%2\".\n").arg(parsed->table, requestedTable);
      return kUsage;
    }
  }
  if (tableName.isEmpty()) {
    err << (json ? "The JSON file does not name its table; give --table TABLE.\n"
                        : "A CSV file does not name its table; give --table TABLE.\n");
    return kUsage;
  }
  const TableAdapter* table = registry.find(tableName);
  if (!table) {
    err << QStringLiteral("Unknown table \"%1\"; `romtables-cli tables` lists them.\n").arg(tableName);
    return kUsage;
  }
  if (records > table->maxRecords()) {
    err << QStringLiteral("%1 holds %2 records; %3 has at most %4. Nothing was written.\n")
               .arg(path)
               .arg(records)
               .arg(table->name())
               .arg(table->maxRecords());
    return kFailed;
  }
  if (!json) parsed = parseCsvImport(bytes, *table);
  if (!parsed) {
    err << path << ": " << parsed.message() << '\n';
    return kFailed;
  }
  const QStringList keyNames = table->keyNames();
  for (const ImportedRecord& record : parsed->records) {
    for (auto it = record.keys.begin(); it != record.keys.end(); ++it) {
      if (keyNames.contains(it.key())) continue;
      err << QStringLiteral("Nothing was written. %1 has an unknown key \"%2\"; a record holds %3, name, offset and "
                            "fields.\n")
                 .arg(record.where, it.key(), keyNames.join(QStringLiteral(", ")));
      return kFailed;
    }
  }
  loaded->table = table;
  loaded->parsed = std::move(parsed.value());
  loaded->records = static_cast<int>(loaded->parsed.records.size());
  if (!loaded->label.isEmpty())
    for (ImportedRecord& r : loaded->parsed.records) r.where = QStringLiteral("%1, %2").arg(loaded->label, r.where);
  return kOk;
}

// What the files of one import write: each record's bits of each byte, in the
// order planned (mergePlan groups them by byte).
struct Plan {
  std::vector<Planned> planned;
  QList<QVariantMap> keys;  // as resolved, so the history holds numbers whatever the file held
  int records = 0;
};

// What export writes for the file's table now, made in `scratch` (whose
// room serves table after table) and kept in file.now only where the file is
// not that text. Left unmade where the image cannot be read for it: the
// planning then reads each record on its own, which reports the failure.
void makeNow(RomImage& rom, LoadedFile& file, const QString& names, QByteArray* scratch) {
  if (!checkImageHolds(rom, *file.table)) return;
  auto refs = file.table->records(rom, names);
  if (!refs) return;
  if (!exportJson(rom, *file.table, *refs, &file.now.spans, scratch)) return;
  file.now.same = file.pending && fileHolds(file.path, *scratch);
  if (!file.now.same) file.now.text = QByteArray(scratch->constData(), scratch->size());
  file.now.refs = std::move(*refs);
  file.now.made = true;
}

// Reads each record of `file` under the import's transaction, puts the file's
// values over it, and plans the bytes that change. `tagged`: the history's keys
// name the table too (an import of several tables).
int planFile(const TableRegistry& registry, RomImage& rom, LoadedFile& file, const QString& names, bool tagged, Plan* plan,
             QTextStream& err) {
  const TableAdapter* table = file.table;
  if (Status holds = checkImageHolds(rom, *table); !holds) {
    err << holds.message() << " Nothing was written.\n";
    return kFailed;
  }
  // A record the import applies, named in the history as resolved.
  auto count = [&](const QVariantMap& resolved) {
    QVariantMap keys = resolved;
    if (tagged) keys.insert(QStringLiteral("table"), table->name());
    plan->keys << keys;
    ++plan->records;
  };
  // The table's records are read once, under the transaction's lock, and
  // every record's read below is served from them; not for a file found to be
  // export's text already, whose records are not read at all.
  const bool knownSame = file.pending && file.now.made && file.now.same;
  if (!knownSame && (file.pending || !file.parsed.records.empty())) {
    const std::int64_t span = table->requiredSize() - table->base();
    if (span > 0 && span <= kMaxHeldSpan)
      if (Status held = rom.holdSpans({{table->base(), span}}); !held) {
        err << held.message() << " Nothing was written.\n";
        return kFailed;
      }
  }
  // What export writes for the table now, record by record (made ahead on
  // another thread, or here): a record the file holds in exactly that text
  // changes nothing, and its fields are not read (export and import are each
  // other's inverse).
  if (!file.now.made && (file.pending || file.parsed.anyDeferred())) {
    QByteArray scratch;
    makeNow(rom, file, names, &scratch);
  }
  if (file.pending) {
    // The whole file as export writes it now: not one value changes.
    if (file.now.made && file.now.same) {
      for (const RecordRef& ref : file.now.refs) count(ref.keys);
      file.records = static_cast<int>(file.now.refs.size());
      return kOk;
    }
    file.pending = false;
    if (int code = readAndParse(registry, &file, err); code != kOk) return code;
  }
  const std::vector<RecordRef>& nowRefs = file.now.refs;
  const QByteArray& nowText = file.now.text;
  const std::vector<std::pair<qsizetype, qsizetype>>& nowSpans = file.now.spans;
  const QByteArray& fileText = file.parsed.text;
  auto unchanged = [&](size_t i, const ImportedRecord& r) {
    if (i >= nowSpans.size()) return false;
    const auto [begin, end] = nowSpans[i];
    return end - begin == r.textEnd - r.textBegin &&
           std::memcmp(nowText.constData() + begin, fileText.constData() + r.textBegin, static_cast<size_t>(end - begin)) == 0;
  };
  const TableShape shape(*table);
  const std::vector<ControlRef>& controls = shape.controls;
  const std::vector<Field>& fields = shape.fields;
  std::map<QString, ImportedRecord*> seen;
  std::vector<std::int64_t> keep;
  for (size_t i = 0; i < file.parsed.records.size(); ++i) {
    ImportedRecord& record = file.parsed.records[i];
    auto fail = [&](const QString& why) {
      err << QStringLiteral("Nothing was written. %1: %2\n").arg(record.where, why);
      return kFailed;
    };
    // The same record twice says one thing or is refused; either is read whole.
    auto twice = [&](ImportedRecord* first, const QVariantMap& keys) {
      for (ImportedRecord* r : {first, &record})
        if (Status read = readDeferredFields(file.parsed, *r); !read) return fail(read.message());
      if (first->fields == record.fields) return kOk;
      return fail(QStringLiteral("it addresses the same record as %1 (%2) with other values; give each record once")
                      .arg(first->where, keyText(keys)));
    };
    if (record.deferred() && unchanged(i, record)) {
      const RecordRef& ref = nowRefs[i];
      if (auto [it, fresh] = seen.try_emplace(recordKeyText(ref.keys), &record); !fresh) {
        if (int code = twice(it->second, ref.keys); code != kOk) return code;
        continue;
      }
      count(ref.keys);
      continue;
    }
    if (Status read = readDeferredFields(file.parsed, record); !read) return fail(read.message());
    // The record and its values in one read (a stage list is walked in the same session).
    auto fetched = table->fetch(rom, record.keys);
    if (!fetched) {
      // A record that cannot be addressed is the file's fault; a read that failed is the image's.
      if (auto addressed = table->resolve(rom, record.keys); !addressed) return fail(addressed.message());
      err << fetched.message() << " Nothing was written.\n";
      return kFailed;
    }
    const RecordRef* ref = &fetched->ref;
    if (auto [it, fresh] = seen.try_emplace(recordKeyText(ref->keys), &record); !fresh) {
      if (int code = twice(it->second, ref->keys); code != kOk) return code;
      continue;
    }
    count(ref->keys);
    const RecordState* current = &fetched->state;
    auto stored = storedComboBytes(rom, shape, *ref);
    if (!stored) {
      err << stored.message() << " Nothing was written.\n";
      return kFailed;
    }
    auto state = overlayFields(shape, *current, record.fields, &*stored);
    if (!state) return fail(state.message());
    // Fields that point elsewhere select what the other fields show; the
    // imported values then go over what the imported pointers select.
    auto followed = table->follow(rom, *ref, *state);
    if (!followed) return fail(followed.message());
    if (*followed != *state) {
      state = overlayFields(shape, *followed, record.fields, &*stored);
      if (!state) return fail(state.message());
    }
    std::vector<ByteWrite> writes;
    FieldError error;
    if (!table->encode(rom, *ref, *state, &writes, &error)) {
      const QString field = error.control >= 0 ? controls[static_cast<size_t>(error.control)].name : QString();
      return fail(field.isEmpty() ? error.message : QStringLiteral("field %1: %2").arg(field, error.message));
    }
    // A combo whose row did not change from what was read keeps its stored
    // byte, even one its row would store differently ("none" rows, two-state
    // boxes). Tables with combos have no pointers, so `current` is what was read.
    keep.clear();
    for (size_t c = 0; c < controls.size(); ++c)
      if (controls[c].kind == ControlKind::Combo && (*state)[c].row == (*current)[c].row)
        keep.push_back(ref->offset + fields[static_cast<size_t>(controls[c].field)].offset);
    std::sort(keep.begin(), keep.end());
    std::erase_if(writes, [&](const ByteWrite& w) { return std::binary_search(keep.begin(), keep.end(), w.offset); });
    // Within one record a later write wins, as in a form's save (a pilot's
    // slots sharing a level record take the higher slot's values).
    std::stable_sort(writes.begin(), writes.end(), [](const ByteWrite& a, const ByteWrite& b) { return a.offset < b.offset; });
    size_t kept = 0;
    for (const ByteWrite& w : writes) {
      if (kept > 0 && writes[kept - 1].offset == w.offset) {
        ByteWrite& into = writes[kept - 1];
        into.value = static_cast<std::uint8_t>((into.value & ~w.mask) | (w.value & w.mask));
        into.mask |= w.mask;
      } else {
        writes[kept++] = w;
      }
    }
    writes.resize(kept);
    // A byte whose bits the row leaves as the image holds them plans nothing
    // (mergePlan would pass over it): an unchanged export plans no byte.
    auto now = readSession(rom, [&](RomImage& open) {
      std::vector<std::uint8_t> held;
      held.reserve(writes.size());
      for (const ByteWrite& w : writes) {
        if (const std::uint8_t* at = open.peek(w.offset, 1)) {
          held.push_back(*at);
        } else {
          open.seek(w.offset);
          held.push_back(static_cast<std::uint8_t>(open.readU8()));
        }
      }
      return held;
    });
    if (!now) {
      err << now.message() << " Nothing was written.\n";
      return kFailed;
    }
    for (size_t i = 0; i < writes.size(); ++i) {
      const ByteWrite& w = writes[i];
      if ((w.value & w.mask) != ((*now)[i] & w.mask)) plan->planned.push_back(Planned{w.offset, w.value, w.mask, &record});
    }
  }
  return kOk;
}

// Only bytes a row changes from what the image holds are written: storage
// several records reach (pilots sharing a level record) takes the row that
// changed it, not the rows that merely repeat what they read. Two rows that
// change one byte differently are refused.
int mergePlan(RomImage& rom, Plan& plan, std::vector<ByteWrite>* writes, QTextStream& err) {
  // By byte, each byte's entries in the order planned (a record's writes to one byte are one entry).
  std::vector<Planned>& planned = plan.planned;
  std::stable_sort(planned.begin(), planned.end(), [](const Planned& a, const Planned& b) { return a.offset < b.offset; });
  std::vector<ByteSpan> spans;
  for (const Planned& p : planned)
    if (spans.empty() || spans.back().offset != p.offset) spans.push_back({p.offset, 1});
  auto held = readSession(rom, [&](RomImage& open) {
    std::vector<int> bytes;
    bytes.reserve(spans.size());
    open.prefetchSpans(spans);
    for (const ByteSpan& span : spans) {
      open.seek(span.offset);
      bytes.push_back(open.readU8());
    }
    return bytes;
  });
  if (!held) {
    err << held.message() << " Nothing was written.\n";
    return kFailed;
  }
  size_t at = 0;
  for (size_t i = 0; i < planned.size();) {
    const std::int64_t offset = planned[i].offset;
    const int now = (*held)[at++];
    const Planned* first = nullptr;
    ByteWrite merged{offset, static_cast<std::uint8_t>(now), 0};
    for (; i < planned.size() && planned[i].offset == offset; ++i) {
      const Planned& p = planned[i];
      if ((p.value & p.mask) == (now & p.mask)) continue;
      if (first) {
        const std::uint8_t both = first->mask & p.mask;
        if ((first->value & both) != (p.value & both)) {
          err << QStringLiteral("Nothing was written. %1 and %2 set the byte at 0x%3 (shared by both records) to "
                                "different values; keep one of the two changes.\n")
                     .arg(first->from->where, p.from->where, QString::number(offset, 16).toUpper());
          return kFailed;
        }
      } else {
        first = &p;
      }
      merged.value = static_cast<std::uint8_t>((merged.value & ~p.mask) | (p.value & p.mask));
      merged.mask |= p.mask;
    }
    if (merged.mask) writes->push_back(merged);
  }
  return kOk;
}

// What manifest.json says of the image a folder was exported from.
struct ManifestImage {
  bool present = false;
  qint64 size = -1;
  QString crc;
};

// A folder exported from another image, or from this one before later saves,
// still imports (its values are checked like any others), with a warning.
void warnOfOtherImage(const ManifestImage& manifest, const QString& dir, const QString& imagePath, qint64 size,
                      const std::optional<std::uint32_t>& sum, QTextStream& err) {
  const QString crc = sum ? crcText(*sum) : QString();
  if (!manifest.present || (!crc.isEmpty() && crc.compare(manifest.crc, Qt::CaseInsensitive) == 0)) return;
  err << QStringLiteral("Warning: %1 was exported from an image of %2 bytes, CRC32 %3; %4 has %5 bytes%6. Importing "
                        "its values anyway.\n")
             .arg(dir)
             .arg(manifest.size)
             .arg(manifest.crc.isEmpty() ? QStringLiteral("unknown") : manifest.crc, imagePath)
             .arg(size)
             .arg(crc.isEmpty() ? QString() : QStringLiteral(", CRC32 %1").arg(crc));
}

// Under the lock, from one read-only view of the image on several threads:
// the text export writes now for every table whose file may be export's
// (most of an unchanged dump's import is making it), and the image's CRC32
// when a manifest names the image's size.
void readAhead(const ImportRequest& request, std::vector<LoadedFile>& files, const ManifestImage* manifest,
               const QString& dir, QTextStream& err) {
  std::vector<LoadedFile*> wanted;
  for (LoadedFile& file : files)
    if (file.pending || file.parsed.anyDeferred()) wanted.push_back(&file);
  const bool sum = manifest && manifest->present;
  if (wanted.empty() && !sum) return;
  auto pages = PageCache::open(request.image);
  if (!pages) return;  // the planning reads the image itself and says what is wrong
  (*pages)->mapWhole();  // the tables of a whole dump, and the sum
  std::stable_sort(wanted.begin(), wanted.end(), [](const LoadedFile* a, const LoadedFile* b) {
    return std::int64_t{a->table->count()} * a->table->stride() > std::int64_t{b->table->count()} * b->table->stride();
  });
  std::optional<std::uint32_t> crc;
  const bool sameSize = sum && (*pages)->size() == manifest->size;
  onImageThreads(
      *pages, request.image, wanted.size(),
      [&](size_t k, RomImage& rom, QByteArray& scratch) { makeNow(rom, *wanted[k], request.names, &scratch); },
      [&] {
        if (!sameSize) return;
        if (auto got = (*pages)->fileCrc32()) crc = *got;
      });
  // An image that cannot be read is the import's own failure to report.
  if (sum && (!sameSize || crc)) warnOfOtherImage(*manifest, dir, request.image, (*pages)->size(), crc, err);
}

// Plans every file under one transaction and writes all of them or nothing.
// Returns the exit code; `changed` gets the bytes written.
int importFiles(const TableRegistry& registry, const ImportRequest& request, std::vector<LoadedFile>& files,
                const QString& source, Plan* plan, std::int64_t* changed, QTextStream& err,
                const ManifestImage* manifest = nullptr) {
  RomImage rom;
  rom.setRomPath(request.image);
  rom.setFieldNamer(ChangeReader::namer(registry, request.image, request.names));
  const bool tagged = files.size() != 1;
  const QString tableName = tagged ? QString() : files.front().table->name();
  // The lock is held from the first read to the last write: a second writer
  // waits, and no value read here is stale when written back.
  WriteTransaction transaction(rom, recordTx(source, tableName, {}));
  for (const QString& notice : rom.takeNotices()) err << notice << '\n';
  if (!transaction.status()) {
    err << transaction.status().message() << '\n';
    return kFailed;
  }
  readAhead(request, files, manifest, request.file, err);
  for (LoadedFile& file : files)
    if (int code = planFile(registry, rom, file, request.names, tagged, plan, err); code != kOk) return code;
  std::vector<ByteWrite> writes;
  if (int code = mergePlan(rom, *plan, &writes, err); code != kOk) return code;
  // Writes that change nothing record nothing: the description is only made for a change.
  const TxInfo info = writes.empty() ? TxInfo{} : recordTx(source, tableName, plan->keys);
  SaveResult saved = applyWrites(rom, writes, info);
  for (const QString& notice : rom.takeNotices()) err << notice << '\n';
  if (!saved.status) {
    err << saved.status.message() << '\n';
    return kFailed;
  }
  *changed = saved.bytesChanged;
  return kOk;
}

// The files of a folder: those manifest.json lists, or else every .json and
// .csv file named after a table. A file named after a table in another letter
// case is refused rather than passed over.
int folderFiles(const TableRegistry& registry, const QString& dir, std::vector<std::pair<QString, QString>>* files,
                ManifestImage* image, QTextStream& err) {
  const QDir folder(dir);
  if (QFileInfo::exists(folder.filePath(QString::fromLatin1(kIncompleteMarker)))) {
    err << QStringLiteral("%1 is an export --all that did not finish (it holds %2); nothing was written. Export the "
                          "folder again.\n")
               .arg(dir, QString::fromLatin1(kIncompleteMarker));
    return kFailed;
  }
  const QString manifestPath = folder.filePath(QStringLiteral("manifest.json"));
  if (QFileInfo::exists(manifestPath)) {
    QFile manifest(manifestPath);
    if (!manifest.open(QIODevice::ReadOnly)) {
      err << QStringLiteral("Cannot read %1: %2.\n").arg(manifestPath, manifest.errorString());
      return kFailed;
    }
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(manifest.read(kMaxImportBytes), &error);
    const QJsonArray tables = doc.object().value(QStringLiteral("tables")).toArray();
    if (doc.isNull() || tables.isEmpty()) {
      err << QStringLiteral("%1 lists no tables (%2); it is not the manifest export --all writes.\n")
                 .arg(manifestPath, doc.isNull() ? error.errorString() : QStringLiteral("no \"tables\""));
      return kFailed;
    }
    image->present = true;
    image->size = doc.object().value(QStringLiteral("size")).toInteger(-1);
    image->crc = doc.object().value(QStringLiteral("crc32")).toString();
    for (const QJsonValue& t : tables) {
      const QString table = t.toObject().value(QStringLiteral("table")).toString();
      const QString file = t.toObject().value(QStringLiteral("file")).toString();
      if (table.isEmpty() || file.isEmpty() || QFileInfo(file).fileName() != file) {
        err << QStringLiteral("%1: every table needs a \"table\" and a \"file\" in the folder.\n").arg(manifestPath);
        return kFailed;
      }
      files->emplace_back(folder.filePath(file), table);
    }
  }
  QStringList miscased;
  for (const QFileInfo& info : folder.entryInfoList(QDir::Files, QDir::Name)) {
    const QString suffix = info.suffix().toLower();
    if (suffix != QLatin1String("json") && suffix != QLatin1String("csv")) continue;
    const QString base = info.completeBaseName();
    if (registry.find(base) && info.suffix() == suffix) {
      if (!image->present) files->emplace_back(info.filePath(), base);
      continue;
    }
    if (std::any_of(files->begin(), files->end(), [&](const auto& f) { return f.first == info.filePath(); })) continue;
    for (const auto& t : registry.all()) {
      if (t->name().compare(base, Qt::CaseInsensitive) == 0) {
        miscased << QStringLiteral("%1 (the table is %2, file %2.%3)").arg(info.fileName(), t->name(), suffix);
        break;
      }
    }
  }
  if (!miscased.isEmpty()) {
    err << QStringLiteral("Nothing was written. A file of the folder is named after a table in another letter case, "
                          "and table names are exact: rename %1.\n")
               .arg(miscased.join(QStringLiteral(", ")));
    return kFailed;
  }
  if (files->empty()) {
    err << QStringLiteral("%1 holds no manifest.json and no .json or .csv file named after a table (Pilot.json, "
                          "...).\n")
               .arg(dir);
    return kFailed;
  }
  return kOk;
}

}  // namespace

int importRecords(const TableRegistry& registry, const ImportRequest& request, QTextStream& out, QTextStream& err) {
  std::vector<LoadedFile> files(1);
  if (int code = loadFile(registry, request.file, request.table, QString(), &files.front(), err); code != kOk) return code;
  Plan plan;
  std::int64_t changed = 0;
  const QString source = QStringLiteral("import %1").arg(QFileInfo(request.file).fileName());
  if (int code = importFiles(registry, request, files, source, &plan, &changed, err); code != kOk) return code;
  out << QStringLiteral("Imported %1 record(s) into %2 of %3; %4 byte(s) changed.\n")
             .arg(plan.keys.size())
             .arg(files.front().table->name(), QFileInfo(request.image).fileName())
             .arg(changed);
  return kOk;
}

int importFolder(const TableRegistry& registry, const ImportRequest& request, QTextStream& out, QTextStream& err) {
  if (!request.table.isEmpty()) {
    err << "--table names the table of one file; the files of a folder are named after their tables.\n";
    return kUsage;
  }
  std::vector<std::pair<QString, QString>> names;
  ManifestImage manifest;
  if (int code = folderFiles(registry, request.file, &names, &manifest, err); code != kOk) return code;
  std::vector<LoadedFile> files(names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    // Messages name the file as well as the record.
    const QString label = QFileInfo(names[i].first).fileName();
    if (int code = loadFile(registry, names[i].first, names[i].second, label, &files[i], err); code != kOk) return code;
  }
  Plan plan;
  std::int64_t changed = 0;
  const QString source = QStringLiteral("import %1").arg(QDir(request.file).dirName());
  if (int code = importFiles(registry, request, files, source, &plan, &changed, err, &manifest); code != kOk) return code;
  // The tables of the files applied: those holding at least one record.
  const auto applied = std::count_if(files.begin(), files.end(), [](const LoadedFile& f) { return f.records > 0; });
  out << QStringLiteral("Imported %1 record(s) of %2 table(s) into %3; %4 byte(s) changed.\n")
             .arg(plan.records)
             .arg(applied)
             .arg(QFileInfo(request.image).fileName())
             .arg(changed);
  return kOk;
}

}  // namespace rt
