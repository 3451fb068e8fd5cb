#pragma once
// The history of an image: every write session is a transaction recorded here
// before the image is touched (pending), and marked done once the image is
// flushed. A pending transaction found later is one that was interrupted; its
// runs are put back to their old bytes. The same records let a change be undone.
//
// The journal also owns the image's write lock: one writer at a time, across
// processes, for the whole of a write session.

#include "image/result.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>
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
// A list of records longer than this is kept beside its transaction, packed
// where it can be (a table view's save of many rows), not in its row.
inline constexpr qsizetype kRecordsInRow = 512;

struct TxInfo {
  QString source;      // the form's name, or "import FILE", "undo 7"...
  QString table;       // the table written (a form's name); empty when unknown
  // JSON array of the written records' keys, e.g. [{"index":3}]; a list longer
  // than kRecordsInRow of indices alone may come packed (packed_keys.h).
  QByteArray records;
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
  // A stored run failed its checksum: the history was changed outside this
  // program or the disk lost bits. Nothing is ever applied from it.
  bool damaged = false;
};

// The runs cut down to the bytes whose value they change: a run keeps the
// bytes between changes that lie close together, and those were never the
// transaction's to check or put back.
std::vector<Run> changedBytes(const std::vector<Run>& runs);

// What a history knows of the file it journals, to tell that the file at the
// path is still that one: a copy made with its history is, another image
// copied over it is not.
struct ImageIdentity {
  std::int64_t size = -1;      // -1: not recorded (a history made before this was kept)
  std::uint32_t headerCrc = 0;  // CRC32 of the first kHeaderSpan bytes (fewer in a smaller file)
  static constexpr std::int64_t kHeaderSpan = 512;
  bool known() const { return size >= 0; }
  bool operator==(const ImageIdentity&) const = default;
};

class Journal {
 public:
  virtual ~Journal() = default;
  virtual QString path() const = 0;
  // Exclusive across processes; waits up to timeoutMs, then refuses with a message.
  virtual Status lock(int timeoutMs) = 0;
  virtual void unlock() = 0;
  // Records the transaction and makes that durable before returning.
  // Pending: recovery rolls it back unless every byte it flips reached the
  // image. Committed (an edit with no target, whose image is flushed later):
  // done from the start, and until the image is flushed past it
  // (setFlushedThrough), recovery writes its new bytes again where the disk
  // lost them. One flush a save instead of two.
  enum class Begin { Pending, Committed };
  virtual Result<std::int64_t> begin(const TxInfo& info, const std::vector<Run>& runs, Begin as = Begin::Pending) = 0;
  // The image, flushed to its disk, holds every transaction up to `id`.
  virtual Status setFlushedThrough(std::int64_t id) = 0;
  // Marking a transaction done also sets its target's state, atomically. Every
  // state is durable when this returns except Done, which becomes durable with
  // the next commit: a pending transaction whose every byte reached the image
  // is kept by recovery, so losing that mark to a power cut loses nothing.
  virtual Status finish(std::int64_t id, TxState state) = 0;
  // What recovery looks at, with runs, oldest first: pending and rolling-back
  // transactions, and done or undone ones begun committed that the image may
  // not hold on its disk yet.
  virtual Result<std::vector<Transaction>> pending() = 0;
  // Newest first; limit < 0 for all. Runs included when withRuns.
  virtual Result<std::vector<Transaction>> list(int limit, bool withRuns) = 0;
  virtual Result<Transaction> get(std::int64_t id) = 0;  // with runs
  // The transactions after `id`, newest first, with runs.
  virtual Result<std::vector<Transaction>> newer(std::int64_t id) = 0;
  // The newest transaction that reached an end (done, undone, rolled back),
  // with runs; id 0 when there is none.
  virtual Result<Transaction> newestFinished() = 0;
  // The file this history journals, as recorded by setIdentity.
  virtual Result<ImageIdentity> identity() = 0;
  virtual Status setIdentity(const ImageIdentity& identity) = 0;
  // Copies what the log holds into the history file itself, so that file alone
  // holds the whole history. Never waits for a reader. LogStart::Now (the
  // editor, when idle) also starts a log copied whole over at once, which the
  // next save would otherwise do, waiting for one more flush.
  enum class LogStart { Later, Now };
  virtual Status checkpoint(LogStart start) = 0;
  // Whether another connection has committed since this one last looked.
  virtual bool changedElsewhere() = 0;
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
  // A read-only journal never creates, changes or locks anything; its lock()
  // and the writing calls fail.
  virtual Result<std::unique_ptr<Journal>> open(const QString& imagePath, bool create, QString* notice,
                                                bool readOnly = false) = 0;
  // Sets the image's history aside under a new name (nothing is deleted) so
  // the next write starts a new one; gives the name it was moved to, or an
  // empty text when there was none.
  virtual Result<QString> restart(const QString& imagePath) { return restartHistory(imagePath); }
  // A history in the image's folder whose own image is gone and which records
  // this image's size and header: the image was renamed and its history left
  // behind. Empty when there is none.
  // `image` gives this image's identity; it is asked only when there is a candidate.
  virtual QString leftBehind(const QString& imagePath, const std::function<Result<ImageIdentity>()>& image) = 0;

  static Result<QString> restartHistory(const QString& imagePath);
};

// The store a RomImage made without one journals through. A program sets it
// once at start (history/sqlite_journal.h has the one the programs keep);
// until then every history is refused, so nothing is written unjournaled.
std::shared_ptr<JournalStore> defaultJournalStore();
void setDefaultJournalStore(std::shared_ptr<JournalStore> store);

// History files: "<image file name>.history" beside the image (the file a
// symbolic link points at), or, where that folder cannot be written, a file in
// the per-user data folder named from the image's absolute path.
QString historyPathBeside(const QString& imagePath);
QString historyPathInDataFolder(const QString& imagePath);
// The history file kept for the image now (beside it or in the data folder), or empty.
QString historyPathOf(const QString& imagePath);
// The path of the image itself: symbolic links resolved, so every name of it
// shares one history and one lock.
QString resolvedImagePath(const QString& imagePath);
// "Transaction 7 in the history ... is damaged ...": why nothing is applied from it, and how to go on.
QString damagedTransaction(std::int64_t id, const QString& historyPath, const QString& imagePath);
// The CRC32 of a header span, as ImageIdentity keeps it.
std::uint32_t headerCrc(const std::uint8_t* data, std::int64_t length);

}  // namespace rt

#include <QList>
#include <QVariantMap>

namespace rt {
// A transaction description for a write of `records` (their keys, as the
// command line addresses them) of `table`, started by `source`.
TxInfo recordTx(const QString& source, const QString& table, const QList<QVariantMap>& records);
// The same, from keys held elsewhere (a save of many rows copied each map first).
TxInfo recordTxOfKeys(const QString& source, const QString& table, const std::vector<const QVariantMap*>& records);
// One record's keys as the history keeps them; a view that saves the same
// records again and again makes each text once.
QByteArray recordKeysText(const QVariantMap& keys);
TxInfo recordTxOfTexts(const QString& source, const QString& table, const std::vector<const QByteArray*>& texts);
// Whether a record is addressed by its index alone, 0 or more (as most are), and which.
bool recordIndexOnly(const QVariantMap& keys, std::int64_t* index);
// The same list for records addressed by their indices alone: a long one
// packed as the history keeps it, without the text of each record.
TxInfo recordTxOfIndices(const QString& source, const QString& table, const std::vector<std::int64_t>& indices);
}  // namespace rt
