#pragma once
// The history of an image: every write session is a transaction recorded here
// before the image is touched (pending), and marked done once the image is
// flushed. A pending transaction found later is one that was interrupted; its
// runs are put back to their old bytes. The same records let a change be undone.
//
// The journal also owns the image's write lock: one writer at a time, across
// processes, for the whole of a write session.

#include "core/result.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace rt {

// One span of the image a transaction wrote, with what it held before and after.
struct Run {
  std::int64_t offset = 0;
  QByteArray before;
  QByteArray after;
};

// RollingBack: a save that failed and is being put back; unlike a pending
// one, recovery never keeps it, even when every byte reached the image.
enum class TxState { Pending, Done, Undone, RolledBack, RollingBack };
QString stateName(TxState state);  // "pending", "done", "undone", "rolled back", "rolling back"

// What a transaction is, told by whoever starts the write.
struct TxInfo {
  QString source;      // the form's name, or "import FILE", "undo 7"...
  QString table;       // the table written (a form's name); empty when unknown
  QByteArray records;  // JSON array of the written records' keys, e.g. [{"index":3}]
  int recordCount = 0;
  QString kind = QStringLiteral("edit");  // "edit", "undo", "redo"
  std::int64_t target = 0;                // undo/redo: the transaction undone or redone
  TxState targetState = TxState::Done;    // what the target becomes once this one is done
};

struct Transaction {
  std::int64_t id = 0;
  QDateTime time;
  TxInfo info;
  TxState state = TxState::Pending;
  std::vector<Run> runs;  // filled only when asked for
};

class Journal {
 public:
  virtual ~Journal() = default;
  virtual QString path() const = 0;
  // Exclusive across processes; waits up to timeoutMs, then refuses with a message.
  virtual Status lock(int timeoutMs) = 0;
  virtual void unlock() = 0;
  // Records the transaction as pending and makes that durable before returning.
  virtual Result<std::int64_t> begin(const TxInfo& info, const std::vector<Run>& runs) = 0;
  // Marking a transaction done also sets its target's state, atomically. Every
  // state is durable when this returns except Done, which becomes durable with
  // the next commit: a pending transaction whose every byte reached the image
  // is kept by recovery, so losing that mark to a power cut loses nothing.
  virtual Status finish(std::int64_t id, TxState state) = 0;
  // Pending and rolling-back transactions, with runs, oldest first.
  virtual Result<std::vector<Transaction>> pending() = 0;
  // Newest first; limit < 0 for all. Runs included when withRuns.
  virtual Result<std::vector<Transaction>> list(int limit, bool withRuns) = 0;
  virtual Result<Transaction> get(std::int64_t id) = 0;  // with runs
  // The transactions after `id`, newest first, with runs.
  virtual Result<std::vector<Transaction>> newer(std::int64_t id) = 0;
  // At most `count` transactions with ids below `beforeId` (beforeId <= 0: from
  // the newest), newest first: a long history read a page at a time.
  virtual Result<std::vector<Transaction>> page(std::int64_t beforeId, int count, bool withRuns) = 0;
};

// Where journals live, behind an interface so tests can make any step fail.
class JournalStore {
 public:
  virtual ~JournalStore() = default;
  // The journal of the image at imagePath. With create false, gives nullptr
  // (and no error) when the image has no history yet. `notice` receives a
  // sentence for the user when the history is not kept beside the image.
  virtual Result<std::unique_ptr<Journal>> open(const QString& imagePath, bool create, QString* notice) = 0;
};

// SQLite files: "<image file name>.history" beside the image, or, where that
// folder cannot be written, a file in the per-user data folder named from the
// image's absolute path.
std::shared_ptr<JournalStore> systemJournalStore();
QString historyPathBeside(const QString& imagePath);
QString historyPathInDataFolder(const QString& imagePath);

}  // namespace rt

#include <QList>
#include <QVariantMap>

namespace rt {
// A transaction description for a write of `records` (their keys, as the
// command line addresses them) of `table`, started by `source`.
TxInfo recordTx(const QString& source, const QString& table, const QList<QVariantMap>& records);
}  // namespace rt
