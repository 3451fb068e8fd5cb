#include "history/sqlite_journal.h"

#include "image/packed_keys.h"
#include "image/byte_source.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace rt {

QString stateName(TxState state) {
  switch (state) {
    case TxState::Pending: return QStringLiteral("pending");
    case TxState::Done: return QStringLiteral("done");
    case TxState::Undone: return QStringLiteral("undone");
    case TxState::RolledBack: return QStringLiteral("rolled back");
    case TxState::RollingBack: return QStringLiteral("rolling back");
  }
  return {};
}

namespace {

// How long a commit waits for another program's commit to end.
constexpr int kBusyTimeoutMs = 10000;

TxState stateFromName(const QString& name) {
  if (name == QLatin1String("done")) return TxState::Done;
  if (name == QLatin1String("undone")) return TxState::Undone;
  if (name == QLatin1String("rolled back")) return TxState::RolledBack;
  if (name == QLatin1String("rolling back")) return TxState::RollingBack;
  return TxState::Pending;
}

// Ids follow the largest so far: rows are never deleted, so no id is reused.
// No index on the state: it cost every save a page in its pending commit and
// another in its done mark, while the look-up it served (interrupted
// transactions) runs once per program and image, a scan of 1 to 2 ms at
// 10,000 transactions. Files made before keep theirs until opened here.
const char* kSchema =
    "CREATE TABLE IF NOT EXISTS transactions("
    " id INTEGER PRIMARY KEY, time INTEGER NOT NULL, source TEXT NOT NULL,"
    " tbl TEXT NOT NULL, records TEXT NOT NULL, record_count INTEGER NOT NULL,"
    " state TEXT NOT NULL, kind TEXT NOT NULL, target INTEGER NOT NULL, target_state TEXT NOT NULL);"
    "DROP INDEX IF EXISTS transactions_state;"
    "CREATE TABLE IF NOT EXISTS runs("
    " tx INTEGER NOT NULL, seq INTEGER NOT NULL, offset INTEGER NOT NULL, old BLOB NOT NULL, new BLOB NOT NULL,"
    " sum INTEGER, PRIMARY KEY(tx, seq)) WITHOUT ROWID;"
    "CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value INTEGER NOT NULL) WITHOUT ROWID;"
    "CREATE TABLE IF NOT EXISTS tx_records(tx INTEGER PRIMARY KEY, keys TEXT NOT NULL);";

// The keys of many records (a table view's save of every row: 14 KB, 20
// bytes packed) are kept beside their transaction (kRecordsInRow), whose row
// then stays small: marking it done rewrote the whole row, keys and all, in
// every save. Its own column holds "[]" then, which a program that does not
// know tx_records reads as no records named.

// Offsets a ROM image can address (the image layer's own limit).
constexpr std::int64_t kMaxImageOffset = 0x7FFFFFFF;

// A run's checksum: of its offset, old and new bytes, so a flipped bit in any
// of them, or a run moved to another offset, is told.
std::int64_t runSum(std::int64_t offset, const QByteArray& before, const QByteArray& after) {
  std::uint8_t at[8];
  for (int i = 0; i < 8; ++i) at[i] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(offset) >> (8 * i));
  std::uint32_t crc = crc32Update(0, at, 8);
  crc = crc32Update(crc, reinterpret_cast<const std::uint8_t*>(before.constData()), before.size());
  crc = crc32Update(crc, reinterpret_cast<const std::uint8_t*>(after.constData()), after.size());
  return static_cast<std::int64_t>(crc);
}

// Many small runs (a table view's save of every record, an import of one
// field) go packed, up to kPackedRuns in a row: a row of SQLite per run of
// two bytes cost such a save most of its time in the history, and three times
// the pages a packed row takes. A packed row's offset is kPacked, which a
// program that does not know it takes for a damaged run, and applies nothing.
// Its old bytes hold, per run, the offset (from the previous run's, zigzag)
// and the length as varints, then the run's old bytes; its new bytes are the
// runs' new bytes one after another. Its sum covers both, as a run's does.
constexpr std::int64_t kPacked = -1;
constexpr size_t kPackFrom = 32;  // fewer runs keep a row each
constexpr size_t kPackedRuns = 4096;

bool getVarint(const QByteArray& in, qsizetype& at, std::uint64_t* v) {
  *v = 0;
  for (int shift = 0; shift < 64 && at < in.size(); shift += 7) {
    const auto b = static_cast<std::uint8_t>(in[at++]);
    *v |= static_cast<std::uint64_t>(b & 0x7F) << shift;
    if (!(b & 0x80)) return true;
  }
  return false;
}

char* putVarint(char* to, std::uint64_t v) {
  for (; v >= 0x80; v >>= 7) *to++ = static_cast<char>((v & 0x7F) | 0x80);
  *to++ = static_cast<char>(v);
  return to;
}

// Most runs are a byte or two: copied without a call.
char* copyShort(const QByteArray& from, char* to) {
  const qsizetype n = from.size();
  if (n == 1) *to = from[0];
  else if (n == 2) std::memcpy(to, from.constData(), 2);
  else std::copy_n(from.constData(), n, to);
  return to + n;
}

void packRuns(const Run* first, const Run* last, QByteArray* old, QByteArray* now) {
  // Sized once and written in place: a save of a whole table packs thousands
  // of runs of a byte or two, and an append each cost most of the packing.
  qsizetype oldRoom = 0, nowRoom = 0;
  for (const Run* r = first; r != last; ++r) {
    oldRoom += 20 + r->before.size();  // two varints of ten bytes at most
    nowRoom += r->after.size();
  }
  old->resize(oldRoom);
  now->resize(nowRoom);
  char* o = old->data();
  char* n = now->data();
  std::int64_t previous = 0;
  for (const Run* r = first; r != last; ++r) {
    const std::int64_t delta = r->offset - previous;
    o = putVarint(o, delta >= 0 ? static_cast<std::uint64_t>(delta) << 1 : (static_cast<std::uint64_t>(-delta) << 1) - 1);
    o = putVarint(o, static_cast<std::uint64_t>(r->before.size()));
    o = copyShort(r->before, o);
    n = copyShort(r->after, n);
    previous = r->offset;
  }
  old->resize(o - old->constData());
  now->resize(n - now->constData());
}

// False when the row does not read back as runs that lie in an image.
bool unpackRuns(const QByteArray& old, const QByteArray& now, std::vector<Run>* out) {
  qsizetype at = 0, taken = 0;
  std::int64_t offset = 0;
  while (at < old.size()) {
    std::uint64_t zigzag = 0, length = 0;
    if (!getVarint(old, at, &zigzag) || !getVarint(old, at, &length)) return false;
    const std::uint64_t magnitude = (zigzag >> 1) + (zigzag & 1);
    if (magnitude > static_cast<std::uint64_t>(kMaxImageOffset)) return false;
    offset += (zigzag & 1) ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    if (length == 0 || length > static_cast<std::uint64_t>(old.size() - at) ||
        length > static_cast<std::uint64_t>(now.size() - taken) || offset < 0 ||
        offset > kMaxImageOffset - static_cast<std::int64_t>(length))
      return false;
    const auto n = static_cast<qsizetype>(length);
    out->push_back(Run{offset, old.mid(at, n), now.mid(taken, n)});
    at += n;
    taken += n;
  }
  return taken == now.size() && taken > 0;
}

// A prepared statement that finalizes itself.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) { rc_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
  // A statement kept by the journal: reset for its next use, not finalized.
  explicit Statement(sqlite3_stmt* kept) : stmt_(kept), rc_(kept ? SQLITE_OK : SQLITE_ERROR), kept_(true) {}
  ~Statement() {
    if (kept_) reset();
    else sqlite3_finalize(stmt_);
  }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  bool ok() const { return rc_ == SQLITE_OK; }
  sqlite3_stmt* get() const { return stmt_; }
  void bind(int i, std::int64_t v) { sqlite3_bind_int64(stmt_, i, v); }
  void bind(int i, const QString& v) {
    const QByteArray u = v.toUtf8();
    sqlite3_bind_text(stmt_, i, u.constData(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
  }
  // Text already in UTF-8 (a transaction's record keys); `v` must outlive the next step.
  void bindUtf8(int i, const QByteArray& v) {
    sqlite3_bind_text(stmt_, i, v.constData(), static_cast<int>(v.size()), SQLITE_STATIC);
  }
  // `v` must outlive the statement's next step: it is not copied.
  void bindBlob(int i, const QByteArray& v) {
    sqlite3_bind_blob(stmt_, i, v.constData(), static_cast<int>(v.size()), SQLITE_STATIC);
  }
  int step() { return sqlite3_step(stmt_); }
  void reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }
  std::int64_t integer(int c) const { return sqlite3_column_int64(stmt_, c); }
  QString text(int c) const {
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt_, c)), sqlite3_column_bytes(stmt_, c));
  }
  QByteArray blob(int c) const {
    return QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt_, c)), sqlite3_column_bytes(stmt_, c));
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  int rc_ = SQLITE_ERROR;
  bool kept_ = false;
};

class SqliteJournal final : public Journal {
 public:
  // `lockFd`: a descriptor of the image itself, whose flock is the write lock.
  SqliteJournal(QString path, sqlite3* db, int lockFd, bool readOnly)
      : path_(std::move(path)), db_(db), lockFd_(lockFd), readOnly_(readOnly) {}
  ~SqliteJournal() override {
    for (auto& [sql, stmt] : kept_) sqlite3_finalize(stmt);
    sqlite3_close(db_);
#ifndef _WIN32
    if (lockFd_ >= 0) ::close(lockFd_);
#endif
  }

  // Whether the runs table has its checksum column (files made before it was
  // added get it when a writer opens them; a reader takes them as they are).
  void setHasSum(bool has) { hasSum_ = has; }
  void setHasRecordKeys(bool has) { hasKeys_ = has; }
  void setHasMeta(bool has) { hasMeta_ = has; }

  QString path() const override { return path_; }

  Status lock(int timeoutMs) override {
    lookedUnderLock_ = false;
    if (readOnly_ || lockFd_ < 0)
      return Status::error(QStringLiteral("The history file \"%1\" was opened for reading only.").arg(path_));
#ifndef _WIN32
    QElapsedTimer waited;
    waited.start();
    for (;;) {
      if (::flock(lockFd_, LOCK_EX | LOCK_NB) == 0) return Status::ok();
      if (errno != EWOULDBLOCK && errno != EINTR)
        return Status::error(QStringLiteral("The image of the history \"%1\" cannot be locked: %2.")
                                 .arg(path_, QString::fromLocal8Bit(std::strerror(errno))));
      if (waited.elapsed() >= timeoutMs)
        return Status::error(QStringLiteral("Another program or window is writing this image (it stayed locked for "
                                            "%1 s). Nothing was written; try again when it has finished.")
                                 .arg(timeoutMs / 1000.0));
      QThread::msleep(10);
    }
#else
    Q_UNUSED(timeoutMs);
    return Status::ok();
#endif
  }

  void unlock() override {
    lookedUnderLock_ = false;
#ifndef _WIN32
    if (lockFd_ >= 0) ::flock(lockFd_, LOCK_UN);
#endif
  }

  Result<std::int64_t> begin(const TxInfo& info, const std::vector<Run>& runs, Begin as) override {
    if (readOnly_) return Result<std::int64_t>::failure(QStringLiteral("The history file \"%1\" was opened for reading only.").arg(path_));
    // Looked at just before under this lock (as every write session does), no
    // other writer can have committed since: no second look.
    const bool wasClean = lookedUnderLock_ ? clean_ : isClean();
    clean_ = false;  // pending from here until finished
    // Committed sets no target's state: undo and redo begin pending.
    const bool committed = as == Begin::Committed && info.target <= 0;
    if (Status s = exec("BEGIN IMMEDIATE"); !s) return s;
    Statement tx(kept("INSERT INTO transactions(time, source, tbl, records, record_count, kind, target, target_state, state)"
                      " VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    if (!tx.ok()) return rollbackWith(QStringLiteral("cannot prepare"));
    tx.bind(1, QDateTime::currentMSecsSinceEpoch());
    tx.bind(2, info.source);
    tx.bind(3, info.table);
    static const QByteArray kNoRecords("[]");
    const bool packed = isPackedKeys(info.records);
    const bool keysBeside = packed || info.records.size() > kRecordsInRow;
    tx.bindUtf8(4, info.records.isEmpty() || keysBeside ? kNoRecords : info.records);
    tx.bind(5, static_cast<std::int64_t>(info.recordCount));
    tx.bind(6, info.kind);
    tx.bind(7, info.target);
    tx.bind(8, stateName(info.targetState));
    tx.bind(9, stateName(committed ? TxState::Done : TxState::Pending));
    if (tx.step() != SQLITE_DONE) return rollbackWith(errorText());
    const std::int64_t id = sqlite3_last_insert_rowid(db_);
    if (keysBeside) {
      const QByteArray stored = packed ? info.records : packedKeys(info.records);
      Statement keys(kept("INSERT INTO tx_records(tx, keys) VALUES(?, ?)"));
      if (!keys.ok()) return rollbackWith(errorText());
      keys.bind(1, id);
      keys.bindUtf8(2, stored);
      if (keys.step() != SQLITE_DONE) return rollbackWith(errorText());
    }
    // A few runs keep a row each; many go packed (see kPacked).
    Statement run(kept("INSERT INTO runs(tx, seq, offset, old, new, sum) VALUES(?, ?, ?, ?, ?, ?)"));
    if (!run.ok()) return rollbackWith(errorText());
    if (runs.size() < kPackFrom) {
      for (size_t i = 0; i < runs.size(); ++i) {
        bindRun(run, 0, id, i, runs[i]);
        if (run.step() != SQLITE_DONE) return rollbackWith(errorText());
        run.reset();
      }
    } else {
      size_t seq = 0;
      for (size_t i = 0; i < runs.size();) {
        const size_t end = std::min(runs.size(), i + kPackedRuns);
        Run packed{kPacked, {}, {}};
        packRuns(runs.data() + i, runs.data() + end, &packed.before, &packed.after);
        bindRun(run, 0, id, seq++, packed);
        if (run.step() != SQLITE_DONE) return rollbackWith(errorText());
        run.reset();
        i = end;
      }
    }
    if (committed) {
      // The first save left to a later flush marks where the image's disk may
      // lag: every transaction before it was flushed before it was marked done.
      Statement mark(kept("INSERT OR IGNORE INTO meta(key, value) VALUES('flushed_through', ?)"));
      mark.bind(1, id - 1);
      if (!mark.ok() || mark.step() != SQLITE_DONE) return rollbackWith(errorText());
    }
    if (Status s = exec("COMMIT"); !s) return rollbackWith(s.message());
    if (Status s = syncLog(); !s) return s;
    if (committed) {
      clean_ = wasClean;  // finished from the start: nothing left interrupted
      return id;
    }
    if (wasClean) begunClean_.insert(id);
    if (info.target <= 0) untargeted_.insert(id);
    return id;
  }

  Status finish(std::int64_t id, TxState state) override {
    if (readOnly_) return Status::error(QStringLiteral("The history file \"%1\" was opened for reading only.").arg(path_));
    // The done mark is the one commit not flushed by itself (see Journal::finish).
    Status result = finishNow(id, state);
    if (result && state != TxState::Done) result = syncLog();
    if (state == TxState::Pending || state == TxState::RollingBack) clean_ = false;
    untargeted_.erase(id);
    // A transaction begun when none was interrupted, and now ended, leaves none
    // interrupted again: the next write session need not look.
    const bool ended = state != TxState::Pending && state != TxState::RollingBack;
    if (result && ended && begunClean_.erase(id) && begunClean_.empty()) clean_ = true;
    return result;
  }

  Status finishNow(std::int64_t id, TxState state) {
    if (Status s = exec("BEGIN IMMEDIATE"); !s) return s;
    Statement set(kept("UPDATE transactions SET state = ? WHERE id = ?"));
    set.bind(1, stateName(state));
    set.bind(2, id);
    if (!set.ok() || set.step() != SQLITE_DONE) return rollbackWith(errorText()).status();
    if (state == TxState::Done && !untargeted_.count(id)) {
      // An undo or redo changes its target's state in the same commit, so a
      // crash never leaves the image undone while the history says done.
      Statement target(kept("UPDATE transactions SET state = (SELECT target_state FROM transactions WHERE id = ?1)"
                            " WHERE id = (SELECT target FROM transactions WHERE id = ?1 AND target > 0)"));
      target.bind(1, id);
      if (!target.ok() || target.step() != SQLITE_DONE) return rollbackWith(errorText()).status();
    }
    if (Status s = exec("COMMIT"); !s) return rollbackWith(s.message()).status();
    return Status::ok();
  }

  Result<std::vector<Transaction>> pending() override {
    const std::int64_t version = dataVersion();
    if (clean_ && version >= 0 && version == cleanVersion_) {
      lookedUnderLock_ = true;
      return std::vector<Transaction>{};
    }
    begunClean_.clear();
    auto found = select(hasMeta_ ? "WHERE state IN ('pending', 'rolling back') OR (state IN ('done', 'undone') AND id > "
                                   "(SELECT value FROM meta WHERE key = 'flushed_through')) ORDER BY id ASC"
                                 : "WHERE state IN ('pending', 'rolling back') ORDER BY id ASC",
                        -1, true);
    clean_ = found && found->empty();
    cleanVersion_ = version;
    lookedUnderLock_ = clean_;
    return found;
  }

  Status setFlushedThrough(std::int64_t id) override {
    if (readOnly_) return Status::error(QStringLiteral("The history file \"%1\" was opened for reading only.").arg(path_));
    // Not flushed by itself: a mark lost to a power cut only has recovery
    // write bytes the image already holds.
    Statement set(kept("UPDATE meta SET value = ?1 WHERE key = 'flushed_through' AND value < ?1"));
    set.bind(1, id);
    if (!set.ok() || set.step() != SQLITE_DONE)
      return Status::error(QStringLiteral("The history file \"%1\" cannot be written: %2.").arg(path_, errorText()));
    return Status::ok();
  }

  Result<std::vector<Transaction>> list(int limit, bool withRuns) override {
    return select("ORDER BY id DESC", limit, withRuns);
  }

  Result<Transaction> get(std::int64_t id) override {
    auto found = select("WHERE id = ?1", -1, true, id);
    if (!found) return found.status();
    if (found->empty()) return Result<Transaction>::failure(QStringLiteral("There is no transaction %1 in the history.").arg(id));
    return std::move(found->front());
  }

  Result<std::vector<Transaction>> newer(std::int64_t id) override {
    return select("WHERE id > ?1 ORDER BY id DESC", -1, true, id);
  }

  Result<Transaction> newestFinished() override {
    auto found = select("WHERE state IN ('done', 'undone', 'rolled back') ORDER BY id DESC", 1, true);
    if (!found) return found.status();
    if (found->empty()) return Transaction{};
    return std::move(found->front());
  }

  Result<ImageIdentity> identity() override {
    Statement q(kept("SELECT key, value FROM meta WHERE key IN ('image_size', 'header_crc')"));
    if (!q.ok()) return Result<ImageIdentity>::failure(QStringLiteral("The history file \"%1\" cannot be read: %2.").arg(path_, errorText()));
    ImageIdentity id;
    std::int64_t size = -1, crc = -1;
    int rc;
    while ((rc = q.step()) == SQLITE_ROW) {
      if (q.text(0) == QLatin1String("image_size")) size = q.integer(1);
      else crc = q.integer(1);
    }
    if (rc != SQLITE_DONE) return Result<ImageIdentity>::failure(QStringLiteral("The history file \"%1\" cannot be read: %2.").arg(path_, errorText()));
    if (size >= 0 && crc >= 0) {
      id.size = size;
      id.headerCrc = static_cast<std::uint32_t>(crc);
    }
    return id;
  }

  Status setIdentity(const ImageIdentity& id) override {
    if (readOnly_) return Status::error(QStringLiteral("The history file \"%1\" was opened for reading only.").arg(path_));
    if (Status s = exec("BEGIN IMMEDIATE"); !s) return s;
    Statement set(kept("INSERT OR REPLACE INTO meta(key, value) VALUES('image_size', ?1), ('header_crc', ?2)"));
    set.bind(1, id.size);
    set.bind(2, static_cast<std::int64_t>(id.headerCrc));
    if (!set.ok() || set.step() != SQLITE_DONE) return rollbackWith(errorText()).status();
    if (Status s = exec("COMMIT"); !s) return rollbackWith(s.message()).status();
    return syncLog();
  }

  Status checkpoint(LogStart start) override {
    if (readOnly_) return Status::ok();
    // Nothing written here since the last copy: nothing of this connection's
    // to copy. A log another program left is copied by the next one that
    // writes; a program opening the history cannot tell frames copied before
    // from new ones, so this copy cost a command that wrote nothing (an
    // import of an unchanged dump) two flushes and the folder's.
    const std::int64_t changes = sqlite3_total_changes64(db_);
    if (!madeSchema_ && changes == copiedChanges_) return Status::ok();
    int logFrames = 0, copied = 0;
    const int rc = sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_PASSIVE, &logFrames, &copied);
    if (rc == SQLITE_BUSY) return Status::ok();  // a reader is on; the next one copies it
    if (rc != SQLITE_OK)
      return Status::error(QStringLiteral("The history file \"%1\" cannot be written: %2.").arg(path_, errorText()));
    if (copied == logFrames) {
      copiedChanges_ = changes;
      madeSchema_ = false;
    }
    if (start == LogStart::Now && logFrames > 0 && copied == logFrames) startLogOver();
    return Status::ok();
  }
  // The tables were made or changed by this connection: copied at its next checkpoint.
  void setMadeSchema() { madeSchema_ = true; }

  // The first commit into a log copied whole starts it over, and writes and
  // flushes the log's header before its own frames (frames of a log started
  // over must never reach the disk ahead of the header that makes them
  // valid). A commit of nothing that matters, made while the editor idles,
  // takes that flush off the next save, which would otherwise wait for three
  // flushes instead of two. Another writer busy: skipped, and that save pays.
  void startLogOver() {
    sqlite3_busy_timeout(db_, 0);
    if (exec("BEGIN IMMEDIATE") && exec("INSERT OR REPLACE INTO meta(key, value) VALUES('log_started', 1)"))
      exec("COMMIT");
    // A commit that failed (a full disk) may leave the transaction open, and with it the write lock.
    if (!sqlite3_get_autocommit(db_)) exec("ROLLBACK");
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  }

  bool changedElsewhere() override {
    const std::int64_t version = dataVersion();
    const bool changed = version < 0 || version != seenVersion_;
    seenVersion_ = version;
    return changed;
  }

  Result<std::vector<Transaction>> page(std::int64_t beforeId, int count, bool withRuns) override {
    if (beforeId <= 0) return select("ORDER BY id DESC", count, withRuns);
    return select("WHERE id < ?1 ORDER BY id DESC", count, withRuns, beforeId);
  }

  // Statements of one step (BEGIN, COMMIT, PRAGMA ...) are kept too: compiling
  // them again on every save cost a third of a save's own work.
  Status exec(const char* sql) {
    if (sqlite3_stmt* stmt = kept(sql)) {
      Statement once(stmt);
      int rc;
      while ((rc = once.step()) == SQLITE_ROW) {
      }
      if (rc == SQLITE_DONE) return Status::ok();
      return Status::error(QStringLiteral("The history file \"%1\" cannot be written: %2.").arg(path_, errorText()));
    }
    return execScript(sql);
  }

  Status execScript(const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK) return Status::ok();
    const QString why = message ? QString::fromUtf8(message) : errorText();
    sqlite3_free(message);
    return Status::error(QStringLiteral("The history file \"%1\" cannot be written: %2.").arg(path_, why));
  }

 private:
  QString errorText() const { return QString::fromUtf8(sqlite3_errmsg(db_)); }

  static void bindRun(Statement& insert, int first, std::int64_t tx, size_t seq, const Run& run) {
    insert.bind(first + 1, tx);
    insert.bind(first + 2, static_cast<std::int64_t>(seq));
    insert.bind(first + 3, run.offset);
    insert.bindBlob(first + 4, run.before);
    insert.bindBlob(first + 5, run.after);
    insert.bind(first + 6, runSum(run.offset, run.before, run.after));
  }

  // Commits are not flushed by SQLite (synchronous=NORMAL, which still flushes
  // around every checkpoint); the ones that must be durable before the image is
  // touched flush the write-ahead log here. Switching the pragma per commit
  // instead cost two statements on every save.
  Status syncLog() {
    sqlite3_file* log = nullptr;
    if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_JOURNAL_POINTER, &log) != SQLITE_OK || !log || !log->pMethods)
      return Status::error(QStringLiteral("The history file \"%1\" cannot be flushed: its log is not open.").arg(path_));
    const int rc = log->pMethods->xSync(log, SQLITE_SYNC_NORMAL);
    if (rc == SQLITE_OK) return Status::ok();
    return Status::error(QStringLiteral("The history file \"%1\" cannot be written to the disk: %2.")
                             .arg(path_, QString::fromUtf8(sqlite3_errstr(rc))));
  }

  // A prepared statement kept for the journal's life; null when it does not
  // compile (or holds several statements), and the caller falls back.
  sqlite3_stmt* kept(const char* sql) {
    auto it = kept_.find(sql);
    if (it != kept_.end()) return it->second;
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, &tail) != SQLITE_OK || !stmt ||
        (tail && *tail)) {
      sqlite3_finalize(stmt);
      return nullptr;
    }
    kept_.emplace(sql, stmt);
    return stmt;
  }

  bool isClean() {
    const std::int64_t version = dataVersion();
    return clean_ && version >= 0 && version == cleanVersion_;
  }

  std::int64_t dataVersion() {
    Statement q(kept("PRAGMA data_version"));
    return q.ok() && q.step() == SQLITE_ROW ? q.integer(0) : -1;
  }

  Result<std::int64_t> rollbackWith(const QString& why) {
    const QString message = why.startsWith(QLatin1String("The history file"))
                                ? why
                                : QStringLiteral("The history file \"%1\" cannot be written: %2.").arg(path_, why);
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    return Result<std::int64_t>::failure(message);
  }

  Result<std::vector<Transaction>> select(const char* where, int limit, bool withRuns, std::int64_t id = 0) {
    const QByteArray sql = QByteArray("SELECT id, time, source, tbl, ") +
                           (hasKeys_ ? "COALESCE((SELECT keys FROM tx_records WHERE tx = transactions.id), records)"
                                     : "records") +
                           ", record_count, state, kind, target, target_state FROM transactions " +
                           where + (limit >= 0 ? QByteArray(" LIMIT ") + QByteArray::number(limit) : QByteArray());
    Statement q(db_, sql.constData());
    if (!q.ok()) return readError();
    if (id) q.bind(1, id);
    std::vector<Transaction> out;
    int rc;
    while ((rc = q.step()) == SQLITE_ROW) {
      Transaction t;
      t.id = q.integer(0);
      // In UTC: a local time asks the time zone (a stat of /etc/localtime) per row; callers convert what they show.
      // Kept within years 1970 to 9999: a damaged row may hold any number.
      t.time = QDateTime::fromMSecsSinceEpoch(std::clamp<std::int64_t>(q.integer(1), 0, 253402300799999), Qt::UTC);
      t.info.source = q.text(2);
      t.info.table = q.text(3);
      t.info.recordCount = static_cast<int>(q.integer(5));
      t.info.records = unpackedKeys(q.text(4).toUtf8(), t.info.recordCount);
      t.state = stateFromName(q.text(6));
      t.info.kind = q.text(7);
      t.info.target = q.integer(8);
      t.info.targetState = stateFromName(q.text(9));
      out.push_back(std::move(t));
    }
    if (rc != SQLITE_DONE) return readError();
    if (withRuns && !out.empty()) {
      // One pass over the runs of the ids listed, not one look-up per transaction:
      // the history of thousands of transactions spent a third of its time in those.
      std::int64_t lo = out.front().id, hi = lo;
      std::unordered_map<std::int64_t, Transaction*> byId;
      for (Transaction& t : out) {
        lo = std::min(lo, t.id);
        hi = std::max(hi, t.id);
        byId.emplace(t.id, &t);
      }
      Statement runs(db_, hasSum_ ? "SELECT tx, offset, old, new, sum FROM runs WHERE tx BETWEEN ? AND ? ORDER BY tx, seq"
                                  : "SELECT tx, offset, old, new, NULL FROM runs WHERE tx BETWEEN ? AND ? ORDER BY tx, seq");
      if (!runs.ok()) return readError();
      runs.bind(1, lo);
      runs.bind(2, hi);
      while ((rc = runs.step()) == SQLITE_ROW) {
        auto t = byId.find(runs.integer(0));
        if (t == byId.end()) continue;
        Run run{runs.integer(1), runs.blob(2), runs.blob(3)};
        // A run without a sum was stored before sums were kept; a run whose two
        // sides differ in length, or that lies before the file, is damaged too.
        const bool summed = sqlite3_column_type(runs.get(), 4) != SQLITE_NULL;
        if (summed && runs.integer(4) != runSum(run.offset, run.before, run.after)) {
          t->second->damaged = true;
        } else if (run.offset == kPacked) {
          if (!summed || !unpackRuns(run.before, run.after, &t->second->runs)) t->second->damaged = true;
          continue;
        } else if (run.before.size() != run.after.size() || run.before.isEmpty() || run.offset < 0 ||
                   run.offset > kMaxImageOffset - run.before.size()) {
          t->second->damaged = true;
        }
        t->second->runs.push_back(std::move(run));
      }
      if (rc != SQLITE_DONE) return readError();
      // Nothing reads the runs of a damaged transaction: one may lie anywhere.
      for (Transaction& t : out)
        if (t.damaged) t.runs.clear();
    }
    return out;
  }

  Result<std::vector<Transaction>> readError() const {
    return Result<std::vector<Transaction>>::failure(
        QStringLiteral("The history file \"%1\" cannot be read: %2.").arg(path_, errorText()));
  }

  QString path_;
  sqlite3* db_;
  int lockFd_;
  bool readOnly_ = false;
  bool hasSum_ = true;
  bool hasKeys_ = true;  // the file has tx_records (a reader of an older file may not)
  bool hasMeta_ = true;
  std::int64_t seenVersion_ = -2;
  bool madeSchema_ = false;
  std::int64_t copiedChanges_ = 0;  // sqlite3_total_changes64 at the last whole copy
  std::map<const char*, sqlite3_stmt*> kept_;  // keyed by the literal's address
  // No transaction was pending at the last look, and no other connection has
  // committed since (data_version) nor has this one begun one: the look-up that
  // opens every write session can be skipped.
  bool clean_ = false;
  std::int64_t cleanVersion_ = -1;
  std::set<std::int64_t> begunClean_;  // transactions this connection began while none was interrupted
  bool lookedUnderLock_ = false;  // pending() found none since lock() (cleared by unlock())
  std::set<std::int64_t> untargeted_;  // begun here with no target: their done mark sets nothing else
};

// Opens the image for its write lock: a descriptor of the file itself, so
// every name of it (a symbolic or hard link, another relative path) shares
// one lock, and flock, which belongs to this descriptor alone: another
// descriptor of the image opened and closed in this process does not drop it.
int openImageLock(const QString& imagePath, QString* why) {
#ifndef _WIN32
  const QByteArray name = QFile::encodeName(resolvedImagePath(imagePath));
  int fd;
  do {
    fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) *why = QString::fromLocal8Bit(std::strerror(errno));
  return fd;
#else
  Q_UNUSED(imagePath);
  Q_UNUSED(why);
  return -1;
#endif
}

void closeFd(int fd) {
#ifndef _WIN32
  if (fd >= 0) ::close(fd);
#else
  Q_UNUSED(fd);
#endif
}

bool columnExists(sqlite3* db, const char* table, const char* column) {
  Statement q(db, (QByteArray("PRAGMA table_info(") + table + ")").constData());
  while (q.ok() && q.step() == SQLITE_ROW)
    if (q.text(1) == QLatin1String(column)) return true;
  return false;
}

Result<std::unique_ptr<Journal>> openSqlite(const QString& path, const QString& imagePath, bool readOnly) {
  using R = Result<std::unique_ptr<Journal>>;
  const QByteArray name = QFile::encodeName(path);
  if (QFileInfo(path).isDir())
    return R::failure(QStringLiteral("The history file \"%1\" cannot be opened: it is a folder.").arg(path));
  int lockFd = -1;
  if (!readOnly) {
    QString why;
    lockFd = openImageLock(imagePath, &why);
#ifndef _WIN32
    if (lockFd < 0)
      return R::failure(QStringLiteral("The ROM image \"%1\" cannot be opened to lock it: %2.").arg(imagePath, why));
    // Two programs making the same history at once would race on switching it
    // to WAL and creating its tables, which SQLite may refuse as busy without
    // waiting: the setup of a new history runs under the image's lock. Another
    // handle may hold that lock already; then the setup waits a little and
    // goes on, as the tables exist by then.
    if (QFileInfo(path).size() == 0)
      for (int waited = 0; ::flock(lockFd, LOCK_EX | LOCK_NB) != 0 && waited < 2000; waited += 10) QThread::msleep(10);
#endif
  }
  struct SetupLock {
    int fd;
    ~SetupLock() {  // unlocking a lock not held is harmless
#ifndef _WIN32
      if (fd >= 0) ::flock(fd, LOCK_UN);
#endif
    }
  } setupLock{lockFd};
  sqlite3* db = nullptr;
  const int flags = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
  const int rc = sqlite3_open_v2(name.constData(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    const QString why = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    sqlite3_close(db);
    closeFd(lockFd);
    return R::failure(QStringLiteral("The history file \"%1\" cannot be opened: %2.").arg(path, why));
  }
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  // The log is never deleted when a connection closes: a program that closes
  // the history while another still writes would otherwise delete the log
  // under it, should that one's locks have been dropped (POSIX record locks
  // belong to the process and go with any descriptor of the file it closes).
  int persist = 1;
  sqlite3_file_control(db, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
  auto journal = std::make_unique<SqliteJournal>(path, db, lockFd, readOnly);
  if (readOnly) {
    // Read once now, so a file that is no database is told here, not at the first look.
    if (sqlite3_exec(db, "SELECT count(*) FROM transactions", nullptr, nullptr, nullptr) != SQLITE_OK)
      return R::failure(QStringLiteral("The history file \"%1\" cannot be read: %2.")
                            .arg(path, QString::fromUtf8(sqlite3_errmsg(db))));
    journal->setHasSum(columnExists(db, "runs", "sum"));
    journal->setHasRecordKeys(columnExists(db, "tx_records", "keys"));
    journal->setHasMeta(columnExists(db, "meta", "key"));
    return std::unique_ptr<Journal>(std::move(journal));
  }
  // WAL: a commit is one append, and one flush where it must be durable when
  // it returns (syncLog), which is what "pending before the image is touched" needs.
  // Small pages (taken only by a new file): a save's commit appends a frame per
  // page it touches, and the flush that follows costs by the bytes appended.
  // The checkpoint SQLite makes when the last connection closes is left out:
  // ours, at the end of a command or when the editor idles, copies what was
  // written (see checkpoint()).
  sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  const bool hadTables = columnExists(db, "tx_records", "keys");
  for (const char* sql : {"PRAGMA page_size=1024", "PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL", kSchema}) {
    if (Status s = journal->exec(sql); !s) return R::failure(s.message());
  }
  if (!hadTables) journal->setMadeSchema();
  if (!columnExists(db, "runs", "sum")) {
    if (Status s = journal->execScript("ALTER TABLE runs ADD COLUMN sum INTEGER"); !s) return R::failure(s.message());
    journal->setMadeSchema();
  }
  return std::unique_ptr<Journal>(std::move(journal));
}

bool folderWritable(const QString& folder) {
#ifndef _WIN32
  // access() says yes to root on a read-only mount; a real file says the truth.
  const QByteArray probe = QFile::encodeName(folder + QStringLiteral("/.romtables-probe-%1").arg(::getpid()));
  const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.constData());
  return true;
#else
  return QFileInfo(folder).isWritable();
#endif
}

class SqliteJournalStore final : public JournalStore {
 public:
  Result<std::unique_ptr<Journal>> open(const QString& imagePath, bool create, QString* notice, bool readOnly) override {
    QString path = historyPathOf(imagePath);
    if (path.isEmpty()) {
      if (!create || readOnly) return std::unique_ptr<Journal>();
      const QString image = resolvedImagePath(imagePath);
      if (folderWritable(QFileInfo(image).absolutePath())) {
        path = historyPathBeside(imagePath);
      } else {
        path = historyPathInDataFolder(imagePath);
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (notice)
          *notice = QStringLiteral("The folder of \"%1\" cannot be written, so its history is kept in \"%2\".")
                        .arg(imagePath, path);
      }
    }
    return openSqlite(path, imagePath, readOnly);
  }
  QString leftBehind(const QString& imagePath, const std::function<Result<ImageIdentity>()>& identity) override;
};

}  // namespace

QString SqliteJournalStore::leftBehind(const QString& imagePath, const std::function<Result<ImageIdentity>()>& identity) {
  std::optional<Result<ImageIdentity>> image;
  const QFileInfo info(resolvedImagePath(imagePath));
  QDirIterator it(info.absolutePath(), {QStringLiteral("*.history")}, QDir::Files | QDir::Hidden);
  for (int looked = 0; it.hasNext() && looked < 64;) {
    const QString candidate = it.next();
    const QString itsImage = candidate.chopped(8);  // ".history"
    if (QFileInfo::exists(itsImage) || candidate == historyPathBeside(imagePath)) continue;
    ++looked;
    auto other = openSqlite(candidate, itsImage, true);
    if (!other) continue;
    auto theirs = (*other)->identity();
    if (!theirs || !theirs->known()) continue;
    if (!image) image = identity();
    if (image->isOk() && image->value() == *theirs) return candidate;
  }
  return {};
}

std::shared_ptr<JournalStore> systemJournalStore() {
  static auto store = std::make_shared<SqliteJournalStore>();
  return store;
}

}  // namespace rt
