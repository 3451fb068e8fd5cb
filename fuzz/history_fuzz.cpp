// The history of an image as another program, a full disk or a crash may leave
// it: a damaged SQLite file, or a sound one whose rows hold anything. The
// history is opened through systemJournalStore() and read (list, pending, get,
// newer), the image is recovered (RomImage::recover), and the command line
// lists it (`history`, text and JSON) and may undo, redo or revert from it and
// make a patch from it. Nothing may crash, and nothing may write outside the
// image or change its size: recovery changes only bytes of an interrupted
// transaction's runs, back to their old values; an undo, redo or revert only
// bytes of a run of a listed transaction, to its old or new value; listing and
// making a patch nothing more than their own recovery may. Every refusal has a
// message.
//
// Input: 1 byte mode. Bit 0: 0 the rest is the history file; 1 the rest edits
// the rows of a history made by a few imports and an undo (see editRows).
// Bit 1 (file): first put the new bytes of the file's done and pending runs
// into the image, so that it looks as the history says. Bits 2-3: then undo,
// redo, revert (the transaction id is the next byte) or nothing; bit 4 with
// --force. Bit 5: make a patch from the history.

#include "app/cli.h"
#include "history/sqlite_journal.h"
#include "image/rom_image.h"
#include "fuzz/fuzz_support.h"

#include <QDir>
#include <QFile>

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>

namespace {

using rt::fuzz::FuzzInput;

// The sample's header and code, where every table this history writes lies.
constexpr qsizetype kImageBytes = 1 << 20;

const QString& workDir() {
  static const QString dir = [] {
    const QString d = rt::fuzz::scratchDir() + QStringLiteral("/history");
    QDir().mkpath(d);
    return d;
  }();
  return dir;
}
QString imagePath() { return workDir() + QStringLiteral("/image.nds"); }

struct CliResult {
  int code = 0;
  QString out, err;
};

CliResult cli(const QStringList& args) {
  CliResult r;
  QTextStream out(&r.out), err(&r.err);
  r.code = rt::runCli(args, rt::fuzz::namesDir(), out, err);
  out.flush();
  err.flush();
  return r;
}

struct Made {
  QByteArray image, history;
};

// A history made the way users make one: imports of a few records, then an undo.
const Made& madeHistory() {
  static const Made made = [] {
    const QString dir = rt::fuzz::scratchDir() + QStringLiteral("/history-made");
    QDir().mkpath(dir);
    const QString image = dir + QStringLiteral("/image.nds");
    rt::fuzz::writeWhole(image, rt::fuzz::sampleImage().left(kImageBytes));
    const QByteArray edits[] = {
        R"({"table":"SPEdit","records":[{"index":3,"fields":{"SP_VAL":"7"}}]})",
        R"j({"table":"Pilot","records":[{"index":12,"fields":{"Ab(0)":"1"}},{"index":13,"fields":{"Ab(1)":"2"}}]})j",
        R"({"table":"SPEdit","records":[{"index":3,"fields":{"SP_VAL":"9"}},{"index":4,"fields":{"SP_VAL":"250"}}]})",
        R"j({"table":"money","records":[{"index":2,"fields":{"Value(1)":"1234"}}]})j",
    };
    for (const QByteArray& edit : edits) {
      const QString file = dir + QStringLiteral("/edit.json");
      rt::fuzz::writeWhole(file, edit);
      const CliResult r = cli({QStringLiteral("import"), image, file});
      FUZZ_CHECK(r.code == 0, QStringLiteral("the import that makes the history failed: ") + r.err);
    }
    const CliResult undone = cli({QStringLiteral("undo"), image});
    FUZZ_CHECK(undone.code == 0, QStringLiteral("the undo that makes the history failed: ") + undone.err);
    // The log may stay beside it (it is kept when a program closes), but the
    // history file alone holds every transaction: the seeds are that file.
    return Made{rt::fuzz::readWhole(image), rt::fuzz::readWhole(rt::historyPathBeside(image))};
  }();
  return made;
}

class Db {
 public:
  explicit Db(const QString& path, int flags) {
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, flags, nullptr) != SQLITE_OK) {
      sqlite3_close(db_);
      db_ = nullptr;
    }
    if (db_) sqlite3_busy_timeout(db_, 1000);
  }
  ~Db() { sqlite3_close(db_); }
  sqlite3* get() const { return db_; }

 private:
  sqlite3* db_ = nullptr;
};

// The new bytes of the history's done and pending runs put into the image, oldest first.
void forward(const QString& history, QByteArray* image) {
  Db db(history, SQLITE_OPEN_READONLY);
  if (!db.get()) return;
  sqlite3_stmt* q = nullptr;
  if (sqlite3_prepare_v2(db.get(),
                         "SELECT r.offset, r.new FROM runs r JOIN transactions t ON t.id = r.tx"
                         " WHERE t.state IN ('done', 'pending') ORDER BY r.tx, r.seq",
                         -1, &q, nullptr) == SQLITE_OK) {
    while (sqlite3_step(q) == SQLITE_ROW) {
      const std::int64_t offset = sqlite3_column_int64(q, 0);
      const QByteArray bytes(static_cast<const char*>(sqlite3_column_blob(q, 1)), sqlite3_column_bytes(q, 1));
      if (offset >= 0 && offset <= image->size() && bytes.size() <= image->size() - offset) image->replace(offset, bytes.size(), bytes);
    }
  }
  sqlite3_finalize(q);
}

std::int64_t anyInteger(FuzzInput& in) {
  static const std::int64_t chosen[] = {0, 1, -1, 2, 3, 12, INT64_MAX, INT64_MIN, INT64_MAX - 1, INT32_MAX,
                                        std::int64_t{1} << 32, kImageBytes, kImageBytes - 1, kImageBytes - 2,
                                        std::int64_t{1} << 62, -(std::int64_t{1} << 62)};
  const std::uint8_t how = in.byte();
  if (how < 128) return chosen[how % std::size(chosen)];
  if (how < 192) return in.u32() % (kImageBytes + 64);  // an offset in or just past the image
  return static_cast<std::int64_t>(in.u64());
}

QByteArray anyText(FuzzInput& in) {
  static const char* chosen[] = {"pending", "done", "undone", "rolled back", "rolling back", "edit", "undo", "redo",
                                 "SPEdit", "Pilot", "money", "MAP", "import edit.json", "undo 2", "",
                                 R"([{"index":3}])", R"([{"index":-1}])", R"([{"index":1e300}])", R"([{"index":"x"}])",
                                 R"([{"stage":0,"index":0,"table":"MAP"}])", R"([{"index":3,"table":"Pilot"}])", "[", "{}"};
  const std::uint8_t how = in.byte();
  if (how < 160) return QByteArray(chosen[how % std::size(chosen)]);
  return in.bytes(in.byte());
}

QByteArray anyBlob(FuzzInput& in) {
  const std::uint8_t how = in.byte();
  if (how < 32) return QByteArray(how * 1024, static_cast<char>(in.byte()));  // long runs
  return in.bytes(how % 64);
}

void bindAny(sqlite3_stmt* q, int i, FuzzInput& in) {
  switch (in.byte() % 5) {
    case 0: sqlite3_bind_int64(q, i, anyInteger(in)); break;
    case 1: {
      const QByteArray t = anyText(in);
      sqlite3_bind_text(q, i, t.constData(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
      break;
    }
    case 2: {
      const QByteArray b = anyBlob(in);
      sqlite3_bind_blob(q, i, b.constData(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
      break;
    }
    case 3: sqlite3_bind_null(q, i); break;
    default: sqlite3_bind_double(q, i, static_cast<double>(anyInteger(in)) * 1.5); break;
  }
}

// Up to 16 changes to the rows, each: 1 byte what (bits 0-1: set a column,
// delete a row, add a run; bit 2: runs rather than transactions), 1 byte
// column, 1 byte which row, then the value (1 byte kind: integer, text, blob,
// null, real; then its bytes). A change the schema refuses is left out.
void editRows(const QString& history, FuzzInput& in) {
  Db db(history, SQLITE_OPEN_READWRITE);
  FUZZ_CHECK(db.get(), QStringLiteral("the made history does not open"));
  static const char* txColumns[] = {"id", "time", "source", "tbl", "records", "record_count", "state", "kind", "target", "target_state"};
  static const char* runColumns[] = {"tx", "seq", "offset", "old", "new"};
  for (int n = 0; n < 16 && in.left() > 0; ++n) {
    const std::uint8_t what = in.byte();
    const bool runs = what & 4;
    const std::uint8_t column = in.byte();
    const std::uint8_t row = in.byte();
    const char* table = runs ? "runs" : "transactions";
    const char* key = runs ? "(tx, seq) IN (SELECT tx, seq FROM runs ORDER BY tx, seq" : "id IN (SELECT id FROM transactions ORDER BY id";
    QByteArray sql;
    switch (what & 3) {
      case 1:
        sql = QByteArray("DELETE FROM ") + table + " WHERE " + key + " LIMIT 1 OFFSET ?2)";
        break;
      case 2:
        sql = "INSERT INTO runs(tx, seq, offset, old, new) VALUES((SELECT id FROM transactions ORDER BY id LIMIT 1 OFFSET ?2), ?1, ?3, ?4, ?5)";
        break;
      default:
        sql = QByteArray("UPDATE ") + table + " SET " + (runs ? runColumns[column % 5] : txColumns[column % 10]) + " = ?1 WHERE " +
              key + " LIMIT 1 OFFSET ?2)";
    }
    sqlite3_stmt* q = nullptr;
    FUZZ_CHECK(sqlite3_prepare_v2(db.get(), sql.constData(), -1, &q, nullptr) == SQLITE_OK,
               QString::fromUtf8(sql) + QStringLiteral(": ") + QString::fromUtf8(sqlite3_errmsg(db.get())));
    if ((what & 3) != 1) bindAny(q, 1, in);
    sqlite3_bind_int64(q, 2, row % 8);
    if ((what & 3) == 2) {
      sqlite3_bind_int64(q, 3, anyInteger(in));
      for (int i : {4, 5}) {
        const QByteArray b = anyBlob(in);
        sqlite3_bind_blob(q, i, b.constData(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
      }
    }
    sqlite3_step(q);
    sqlite3_finalize(q);
  }
}

// Per offset, the values a write from the history may leave there.
using Allowed = std::map<std::int64_t, std::set<std::uint8_t>>;

void allow(const QByteArray& bytes, std::int64_t offset, Allowed* allowed) {
  if (offset >= kImageBytes || offset <= -bytes.size()) return;  // no byte of the run lies in the image
  for (qsizetype i = offset < 0 ? -offset : 0; i < bytes.size() && offset + i < kImageBytes; ++i)
    (*allowed)[offset + i].insert(static_cast<std::uint8_t>(bytes[i]));
}

void checkChanges(const QByteArray& before, const QByteArray& after, const Allowed& allowed, const QString& what) {
  FUZZ_CHECK(after.size() == before.size(), what + QStringLiteral(" changed the image's size from %1 to %2").arg(before.size()).arg(after.size()));
  for (qsizetype i = 0; i < before.size(); ++i) {
    if (before[i] == after[i]) continue;
    // Undo puts back only the bits a transaction flipped: every bit that
    // changed must come from one value a run of the history holds there.
    const auto was = static_cast<std::uint8_t>(before[i]), now = static_cast<std::uint8_t>(after[i]);
    const auto it = allowed.find(i);
    const bool fromARun = it != allowed.end() && std::any_of(it->second.begin(), it->second.end(), [&](std::uint8_t v) {
                            return ((was ^ now) & (now ^ v)) == 0;
                          });
    FUZZ_CHECK(fromARun,
               what + QStringLiteral(" wrote %1 at 0x%2, which no run of the history holds there")
                          .arg(static_cast<std::uint8_t>(after[i]))
                          .arg(QString::number(i, 16)));
  }
}

template <typename T>
void checkRead(const rt::Result<T>& result, const char* what) {
  if (!result) FUZZ_CHECK(!result.message().isEmpty(), QStringLiteral("%1 failed without a message").arg(QLatin1String(what)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  rt::fuzz::ensureApplication();
  FuzzInput in(data, size);
  const std::uint8_t mode = in.byte();
  const QString image = imagePath();
  const QString history = rt::historyPathBeside(image);
  rt::fuzz::removeFiles(workDir());
  QByteArray bytes;
  if (mode & 1) {
    const Made& made = madeHistory();
    bytes = made.image;
    rt::fuzz::writeWhole(history, made.history);
    editRows(history, in);
  } else {
    bytes = rt::fuzz::sampleImage().left(kImageBytes);
    rt::fuzz::writeWhole(history, in.rest());
    if (mode & 2) forward(history, &bytes);
  }
  rt::fuzz::writeWhole(image, bytes);

  // The history as the journal reads it; the runs of the transactions it
  // lists and of the interrupted ones say which bytes a write from it may set.
  Allowed interrupted, listed;
  {
    QString notice;
    auto opened = rt::systemJournalStore()->open(image, false, &notice);
    checkRead(opened, "opening the history");
    if (opened && *opened) {
      rt::Journal& journal = **opened;
      auto allowRuns = [&listed](const rt::Transaction& tx) {
        for (const rt::Run& run : tx.runs) {
          allow(run.before, run.offset, &listed);
          allow(run.after, run.offset, &listed);
        }
      };
      const auto all = journal.list(-1, true);
      checkRead(all, "list");
      if (all) {
        for (const rt::Transaction& tx : *all) allowRuns(tx);
        if (!all->empty()) checkRead(journal.newer(all->back().id), "newer");
      }
      // Undo, redo and revert take their transaction by its id, which can
      // still be read where a damaged page keeps the whole list from being read.
      std::set<std::int64_t> ids;
      for (std::int64_t id = 1; id <= 8; ++id) ids.insert(id);
      if (const auto brief = journal.list(-1, false); brief)
        for (const rt::Transaction& tx : *brief) ids.insert(tx.id);
      for (const std::int64_t id : ids) {
        const auto one = journal.get(id);
        checkRead(one, "get");
        if (one) allowRuns(*one);
      }
      checkRead(journal.list(2, false), "a short list");
      const auto pending = journal.pending();
      checkRead(pending, "pending");
      if (pending)
        for (const rt::Transaction& tx : *pending)
          for (const rt::Run& run : tx.runs) {
            allow(run.before, run.offset, &interrupted);
          }
    }
  }

  {
    rt::RomImage rom;
    rom.setRomPath(image);
    rom.setLockTimeout(0);
    const rt::Status recovered = rom.recover();
    if (!recovered) FUZZ_CHECK(!recovered.message().isEmpty(), QStringLiteral("recovery failed without a message"));
    rom.takeNotices();
  }
  const QByteArray recovered = rt::fuzz::readWhole(image);
  checkChanges(bytes, recovered, interrupted, QStringLiteral("recovery"));

  for (const QStringList& args : {QStringList{QStringLiteral("history"), image},
                                  QStringList{QStringLiteral("history"), image, QStringLiteral("--format"), QStringLiteral("json"),
                                              QStringLiteral("--limit"), QStringLiteral("3")}}) {
    const CliResult r = cli(args);
    FUZZ_CHECK(r.code == 0 || (r.code == 1 && !r.err.isEmpty()), QStringLiteral("history: exit %1: %2").arg(r.code).arg(r.err));
  }
  // The command line recovers too, which changes nothing more unless the first recovery failed.
  const QByteArray afterListing = rt::fuzz::readWhole(image);
  checkChanges(recovered, afterListing, interrupted, QStringLiteral("listing the history"));

  const int write = (mode >> 2) & 3;
  if (write) {
    QStringList args{write == 1 ? QStringLiteral("undo") : write == 2 ? QStringLiteral("redo") : QStringLiteral("revert"), image};
    if (write == 3) args << QString::number(1 + in.byte() % 8);
    if (mode & 16) args << QStringLiteral("--force");
    const CliResult r = cli(args);
    FUZZ_CHECK(r.code == 0 || (r.code == 1 && !r.err.isEmpty()), QStringLiteral("%1: exit %2: %3").arg(args.front()).arg(r.code).arg(r.err));
    // Recovery inside the write may put back interrupted runs first.
    Allowed either = listed;
    for (const auto& [offset, values] : interrupted) either[offset].insert(values.begin(), values.end());
    checkChanges(afterListing, rt::fuzz::readWhole(image), either, args.front());
  }

  if (mode & 32) {
    const QByteArray now = rt::fuzz::readWhole(image);
    const QString out = workDir() + QStringLiteral("/from-history.bps");
    const CliResult r = cli({QStringLiteral("patch"), image, QStringLiteral("--from-history"), QStringLiteral("--output"), out});
    FUZZ_CHECK(r.code == 0 || (r.code == 1 && !r.err.isEmpty()), QStringLiteral("patch: exit %1: %2").arg(r.code).arg(r.err));
    FUZZ_CHECK(r.code != 0 || QFile::exists(out), QStringLiteral("patch --from-history wrote no patch"));
    // Recovery before the patch may still roll back what an interrupted write left.
    checkChanges(now, rt::fuzz::readWhole(image), interrupted, QStringLiteral("patch --from-history"));
  }
  return 0;
}
