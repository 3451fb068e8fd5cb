#include "core/history/journal.h"

#include <QCryptographicHash>
#include <QDir>
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
    " PRIMARY KEY(tx, seq)) WITHOUT ROWID;";

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
  SqliteJournal(QString path, sqlite3* db, int lockFd) : path_(std::move(path)), db_(db), lockFd_(lockFd) {}
  ~SqliteJournal() override {
    for (auto& [sql, stmt] : kept_) sqlite3_finalize(stmt);
    // SQLite first: closing our descriptor of the same file while SQLite holds
    // its own locks on it would drop those locks (POSIX record-lock rules).
    sqlite3_close(db_);
#ifndef _WIN32
    if (lockFd_ >= 0) ::close(lockFd_);
#endif
  }

  QString path() const override { return path_; }

  Status lock(int timeoutMs) override {
    lookedUnderLock_ = false;
#ifndef _WIN32
    QElapsedTimer waited;
    waited.start();
    for (;;) {
      if (::flock(lockFd_, LOCK_EX | LOCK_NB) == 0) return Status::ok();
      if (errno != EWOULDBLOCK && errno != EINTR)
        return Status::error(QStringLiteral("The history file \"%1\" cannot be locked: %2.")
                                 .arg(path_, QString::fromLocal8Bit(std::strerror(errno))));
      if (waited.elapsed() >= timeoutMs)
        return Status::error(QStringLiteral("Another program is writing this image (its history \"%1\" stayed "
                                            "locked for %2 s). Nothing was written; try again when it has finished.")
                                 .arg(path_)
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
    ::flock(lockFd_, LOCK_UN);
#endif
  }

  Result<std::int64_t> begin(const TxInfo& info, const std::vector<Run>& runs) override {
    // Looked at just before under this lock (as every write session does), no
    // other writer can have committed since: no second look.
    const bool wasClean = lookedUnderLock_ ? clean_ : isClean();
    clean_ = false;  // pending from here until finished
    if (Status s = exec("BEGIN IMMEDIATE"); !s) return s;
    Statement tx(kept("INSERT INTO transactions(time, source, tbl, records, record_count, state, kind, target, target_state)"
                      " VALUES(?, ?, ?, ?, ?, 'pending', ?, ?, ?)"));
    if (!tx.ok()) return rollbackWith(QStringLiteral("cannot prepare"));
    tx.bind(1, QDateTime::currentMSecsSinceEpoch());
    tx.bind(2, info.source);
    tx.bind(3, info.table);
    tx.bind(4, QString::fromUtf8(info.records.isEmpty() ? QByteArray("[]") : info.records));
    tx.bind(5, static_cast<std::int64_t>(info.recordCount));
    tx.bind(6, info.kind);
    tx.bind(7, info.target);
    tx.bind(8, stateName(info.targetState));
    if (tx.step() != SQLITE_DONE) return rollbackWith(errorText());
    const std::int64_t id = sqlite3_last_insert_rowid(db_);
    // Many runs (an import's) go in rows of kBatch at a time: a statement per
    // run cost an import most of its time in the history.
    static const std::string batchSql = [] {
      std::string sql = "INSERT INTO runs(tx, seq, offset, old, new) VALUES(?, ?, ?, ?, ?)";
      for (int i = 1; i < kBatch; ++i) sql += ", (?, ?, ?, ?, ?)";
      return sql;
    }();
    size_t i = 0;
    if (runs.size() >= static_cast<size_t>(kBatch)) {
      Statement batch(kept(batchSql.c_str()));
      if (!batch.ok()) return rollbackWith(errorText());
      for (; i + kBatch <= runs.size(); i += kBatch) {
        for (int k = 0; k < kBatch; ++k) bindRun(batch, 5 * k, id, i + k, runs[i + k]);
        if (batch.step() != SQLITE_DONE) return rollbackWith(errorText());
        batch.reset();
      }
    }
    Statement run(kept("INSERT INTO runs(tx, seq, offset, old, new) VALUES(?, ?, ?, ?, ?)"));
    if (!run.ok()) return rollbackWith(errorText());
    for (; i < runs.size(); ++i) {
      bindRun(run, 0, id, i, runs[i]);
      if (run.step() != SQLITE_DONE) return rollbackWith(errorText());
      run.reset();
    }
    if (Status s = exec("COMMIT"); !s) return rollbackWith(s.message());
    if (Status s = syncLog(); !s) return s;
    if (wasClean) begunClean_.insert(id);
    if (info.target <= 0) untargeted_.insert(id);
    return id;
  }

  Status finish(std::int64_t id, TxState state) override {
    // The done mark is the one commit not flushed by itself (see Journal::finish).
    Status result = finishNow(id, state);
    if (result && state != TxState::Done) result = syncLog();
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
    auto found = select("WHERE state IN ('pending', 'rolling back') ORDER BY id ASC", -1, true);
    clean_ = found && found->empty();
    cleanVersion_ = version;
    lookedUnderLock_ = clean_;
    return found;
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

  static constexpr int kBatch = 32;
  static void bindRun(Statement& insert, int first, std::int64_t tx, size_t seq, const Run& run) {
    insert.bind(first + 1, tx);
    insert.bind(first + 2, static_cast<std::int64_t>(seq));
    insert.bind(first + 3, run.offset);
    insert.bindBlob(first + 4, run.before);
    insert.bindBlob(first + 5, run.after);
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
    const QByteArray sql = QByteArray("SELECT id, time, source, tbl, records, record_count, state, kind, target, "
                                      "target_state FROM transactions ") +
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
      t.time = QDateTime::fromMSecsSinceEpoch(q.integer(1), Qt::UTC);
      t.info.source = q.text(2);
      t.info.table = q.text(3);
      t.info.records = q.text(4).toUtf8();
      t.info.recordCount = static_cast<int>(q.integer(5));
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
      Statement runs(db_, "SELECT tx, offset, old, new FROM runs WHERE tx BETWEEN ? AND ? ORDER BY tx, seq");
      if (!runs.ok()) return readError();
      runs.bind(1, lo);
      runs.bind(2, hi);
      while ((rc = runs.step()) == SQLITE_ROW)
        if (auto t = byId.find(runs.integer(0)); t != byId.end())
          t->second->runs.push_back(Run{runs.integer(1), runs.blob(2), runs.blob(3)});
      if (rc != SQLITE_DONE) return readError();
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

Result<std::unique_ptr<Journal>> openSqlite(const QString& path) {
  using R = Result<std::unique_ptr<Journal>>;
  const QByteArray name = QFile::encodeName(path);
#ifndef _WIN32
  // Two programs making the same history at once would race on switching it
  // to WAL and creating its tables, which SQLite may refuse as busy without
  // waiting: the setup runs under the history's own lock. Another handle of
  // this process may hold that lock already; then the setup waits a little
  // and goes on, as the tables exist by then. The same descriptor is the
  // journal's lock afterwards.
  int lockFd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lockFd < 0)
    return R::failure(QStringLiteral("The history file \"%1\" cannot be opened: %2.")
                          .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
  for (int waited = 0; ::flock(lockFd, LOCK_EX | LOCK_NB) != 0 && waited < 2000; waited += 10) QThread::msleep(10);
  struct SetupLock {
    int fd;
    ~SetupLock() { ::flock(fd, LOCK_UN); }
  } setupLock{lockFd};
#else
  int lockFd = -1;
#endif
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(name.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  if (rc != SQLITE_OK) {
    const QString why = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    sqlite3_close(db);
#ifndef _WIN32
    ::close(lockFd);
#endif
    return R::failure(QStringLiteral("The history file \"%1\" cannot be opened: %2.").arg(path, why));
  }
  sqlite3_busy_timeout(db, 10000);
  auto journal = std::make_unique<SqliteJournal>(path, db, lockFd);
  // WAL: a commit is one append, and one flush where it must be durable when
  // it returns (syncLog), which is what "pending before the image is touched" needs.
  // Small pages (taken only by a new file): a save's commit appends a frame per
  // page it touches, and the flush that follows costs by the bytes appended.
  for (const char* sql : {"PRAGMA page_size=1024", "PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL", kSchema}) {
    if (Status s = journal->exec(sql); !s) return R::failure(s.message());
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
  Result<std::unique_ptr<Journal>> open(const QString& imagePath, bool create, QString* notice) override {
    const QString beside = historyPathBeside(imagePath);
    const QString inData = historyPathInDataFolder(imagePath);
    QString path;
    if (QFileInfo::exists(beside)) path = beside;
    else if (QFileInfo::exists(inData)) path = inData;
    if (path.isEmpty()) {
      if (!create) return std::unique_ptr<Journal>();
      if (folderWritable(QFileInfo(imagePath).absolutePath())) {
        path = beside;
      } else {
        path = inData;
        QDir().mkpath(QFileInfo(inData).absolutePath());
        if (notice)
          *notice = QStringLiteral("The folder of \"%1\" cannot be written, so its history is kept in \"%2\".")
                        .arg(imagePath, inData);
      }
    }
    return openSqlite(path);
  }
};

}  // namespace

std::shared_ptr<JournalStore> systemJournalStore() {
  static auto store = std::make_shared<SqliteJournalStore>();
  return store;
}

QString historyPathBeside(const QString& imagePath) { return imagePath + QStringLiteral(".history"); }

QString historyPathInDataFolder(const QString& imagePath) {
  const QString absolute = QFileInfo(imagePath).absoluteFilePath();
  const QByteArray digest = QCryptographicHash::hash(absolute.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
  return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/history/") +
         QFileInfo(imagePath).fileName() + QLatin1Char('-') + QString::fromLatin1(digest) + QStringLiteral(".history");
}

}  // namespace rt
