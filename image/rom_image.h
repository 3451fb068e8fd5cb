#pragma once
// The ROM image: one file addressed by 0-based offsets, all multi-byte values
// little-endian. Every read or save is one session: openRomImage, position
// romCursor, call the accessors (each advances the cursor by its width),
// closeRomImage. Nothing is cached between sessions, so a change made by
// another program shows at the next read.
//
// Reads are served from a window filled by one positioned read, so a record
// costs one system call, not one per byte; bytes past the end of the file read
// as 0. Writes are staged and land only in closeRomImage, after every staged
// byte was checked to lie inside the file: a save writes all of its bytes or
// none, and the file never grows or shrinks.

#include "image/file_layer.h"
#include "image/journal.h"
#include "image/result.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

namespace rt {

enum class Access { Read, Write };

// An allocator whose containers grow without zeroing what they add: for
// buffers of bytes read from a file, every one of which is read (or zeroed
// past the file's end) before it is looked at.
template <class T>
struct NoZero : std::allocator<T> {
  using std::allocator<T>::allocator;
  template <class U>
  struct rebind {
    using other = NoZero<U>;
  };
  template <class U>
  void construct(U* at) noexcept(std::is_nothrow_default_constructible_v<U>) {
    ::new (static_cast<void*>(at)) U;
  }
  template <class U, class... A>
  void construct(U* at, A&&... args) {
    ::new (static_cast<void*>(at)) U(std::forward<A>(args)...);
  }
};
using ReadBytes = std::vector<std::uint8_t, NoZero<std::uint8_t>>;

// A run of bytes of the image: where it starts and how many bytes it holds.
struct ByteSpan {
  std::int64_t offset = 0;
  std::int64_t length = 0;
};

class RomImage {
 public:
  explicit RomImage(std::shared_ptr<FileLayer> files = systemFileLayer(),
                    std::shared_ptr<JournalStore> journals = defaultJournalStore());
  RomImage(const RomImage&) = delete;
  RomImage& operator=(const RomImage&) = delete;
  ~RomImage();

  // The chosen image; empty until the user picks one.
  const QString& romPath() const { return romPath_; }
  void setRomPath(const QString& path);
  // The files the image is read and written through.
  const std::shared_ptr<FileLayer>& fileLayer() const { return files_; }

  // Write transactions. Every write session runs inside one: the image's lock
  // is taken (waiting up to lockTimeout), interrupted transactions are rolled
  // back, and the written runs are recorded as pending before the image is
  // touched. A caller that reads before it writes (an import, undo) begins the
  // transaction itself, so no other writer slips in between; otherwise a write
  // session begins and ends one of its own. Nested begins share the outer one.
  Status beginTransaction(const TxInfo& info);
  void endTransaction();
  bool inTransaction() const { return depth_ > 0; }
  // Describes the next write session (source, table, records).
  void setTransactionInfo(const TxInfo& info) { info_ = info; }
  // Rolls back the chosen image's interrupted transactions, if it has any,
  // after checking that the image is the file its history describes.
  Status recover();
  // For a command that only reads: opens the history for reading, writes
  // nothing, and reads the image as recovery would leave it (an interrupted
  // transaction's old bytes laid over it in memory). Anything amiss with the
  // history becomes a notice; the image can still be read.
  void prepareRead();
  // Whether reads are served as recovery would leave the image (prepareRead found it interrupted).
  bool readsRecovered() const { return !overlay_.empty(); }
  // The bytes prepareRead lays over the file's.
  const std::map<std::int64_t, std::uint8_t>& readOverlay() const { return overlay_; }
  // Sets the history aside under a new name and starts a new one for the image
  // as it is now; notices say where the old one went.
  Status restartHistory();
  // Whether the last refusal was about the history itself (not this file's,
  // damaged, unreadable): restarting the history is then the way on.
  bool historyRefused() const { return historyRefused_; }
  // Whether the next transactions also require the bytes the history's newest
  // transaction left to be in place (a patch made from the history relies on
  // them); size and header are always checked.
  void setStrictIdentity(bool strict) {
    if (strict && !strictIdentity_) expectKnown_ = false;  // the sample of bytes is kept only for a strict check
    strictIdentity_ = strict;
  }
  // Whether a write may make a history where there is none (undo must not).
  void setCreatesHistory(bool creates) { createsHistory_ = creates; }
  // Copies the history's log into its file (the editor does it when idle; a
  // command does it when it ends), so the history file alone holds it all.
  void checkpointHistory(Journal::LogStart start = Journal::LogStart::Later);
  // An edit's save is then durable once its history record is: the image's
  // own flush is left to flushImage (the editor calls it when idle), and until
  // then recovery writes the save again if the disk lost it. A save that
  // fails still puts the old bytes back at once. Undo and redo, which also
  // change another transaction's state, keep both flushes.
  void setDeferredFlush(bool deferred) { deferFlush_ = deferred; }
  // Flushes what saves left unflushed and tells the history; done when nothing was left.
  Status flushImage();
  // Sentences for the user: what recovery rolled back, where the history is kept.
  QStringList takeNotices() { return std::exchange(notices_, {}); }
  void setLockTimeout(int ms) { lockTimeoutMs_ = ms; }
  // The open history (after a transaction or a recovery); nullptr when none.
  Journal* journal() { return journal_.get(); }
  // Closes the history file, releasing it (another image is chosen, or a test
  // wants to look at it from outside).
  void closeJournal();
  // Names the fields of a transaction's runs ("<table> 3 (<record name>), <caption>"), for the
  // message of a rollback that failed; front ends that know the tables set it.
  void setFieldNamer(std::function<QStringList(const Transaction&)> namer) { fieldNamer_ = std::move(namer); }
  // The id of the transaction the last successful write session recorded.
  std::int64_t lastTransaction() const { return lastTx_; }

  // A read session opens the file read-only, so a read-only image can be viewed;
  // only a write session asks for write access.
  Status openRomImage(Access access = Access::Read);
  // Ends the session. For a write session this is where the staged bytes land:
  // all of them, flushed to the disk, or none, with the reason.
  Status closeRomImage();
  // Ends the session without writing anything staged.
  void abortRomImage();
  bool isOpen() const { return file_ != nullptr; }

  // Offset of the next byte an accessor touches. Kept in 0..2^31-1.
  std::int64_t romCursor() const { return cursor_; }
  void seek(std::int64_t offset);
  void skip(std::int64_t count);  // checked; an overflow fails the session

  int readU8();
  int readU16();           // 0..65535
  std::int32_t readU32();  // two's complement
  void writeU8(int value);              // 0..255, else the session fails
  void writeU16(int value);             // 0..65535, else the session fails
  void writeU32(std::int32_t value);
  // Writes only the bits of `mask`; the other bits keep what the file holds at
  // the moment of saving (bits that no control shows are never lost).
  void writeU8Masked(int value, int mask);
  // The same at `offset`, the cursor left where it is: a save of many records
  // stages thousands of single bytes.
  void writeU8MaskedAt(std::int64_t offset, int value, int mask);
  void reserveWrites(size_t count) { staged_.reserve(staged_.size() + count); }

  // Makes the next accesses inside [offset, offset + length) one system call.
  void prefetch(std::int64_t offset, std::int64_t length);
  // Reads every span of a set now and keeps them until the session ends, so a
  // table that follows pointers reads what they select without a system call
  // per record: spans closer than 4 KiB share one positioned read, and each
  // byte is read once however many spans hold it.
  void prefetchSpans(std::vector<ByteSpan> spans);
  // The bytes [offset, offset + length) when the session already holds every
  // one of them (a prefetch read them), else null: a caller then reads them
  // through the accessors. Valid until the next prefetch or the session's end.
  const std::uint8_t* peek(std::int64_t offset, std::int64_t length);

  // Inside a transaction, reads `spans` now and serves the transaction's read
  // sessions from them until it ends or writes: the lock is held, so no
  // other writer changes them meanwhile. A command that reads many records
  // before writing them (an import) reads each run once. Read sessions inside
  // a transaction also share one read-only handle of the image, opened once.
  Status holdSpans(std::vector<ByteSpan> spans);

  std::int64_t fileSize() const { return size_; }  // of the open file
  // Bytes whose value the last successful write session changed.
  std::int64_t lastBytesChanged() const { return lastChanged_; }
  // Offset of the first byte the last successful write session changed; -1 when none.
  std::int64_t lastFirstChanged() const { return lastFirst_; }

 private:
  // A byte written in this session, in the order written; bits outside mask are the file's.
  struct Staged {
    std::int64_t offset;
    std::uint8_t value, mask;
  };
  int byteAt(std::int64_t offset);
  bool take(int width, std::int64_t* offset);
  void stage(std::int64_t offset, int value, int mask);
  void fail(const QString& message);
  Status commit();
  Status writeFully(std::int64_t offset, const std::uint8_t* data, std::int64_t length);
  void reset();
  Status openJournal(bool create, bool readOnly = false);
  Status recoverLocked(RomFile& image, std::int64_t size);
  Status checkIdentity(RomFile& image, std::int64_t size, const std::map<std::int64_t, std::uint8_t>& over);
  QString notTheFile(const QString& why);
  bool historyRefused_ = false;
  struct RecoveryPlan;
  Status planRecovery(RomFile& image, const std::vector<Transaction>& pending, RecoveryPlan* plan);
  Status checkUnchanged();
  Status putBack(const std::vector<Run>& runs, size_t count, std::vector<Run>* stuck);

  std::shared_ptr<FileLayer> files_;
  QString romPath_;
  std::unique_ptr<RomFile> file_;
  bool deferFlush_ = false;
  std::unique_ptr<RomFile> owedFile_;  // written by a save whose flush was left for later
  std::int64_t owedTx_ = 0;            // the newest such save
  Access access_ = Access::Read;
  std::int64_t cursor_ = 0;
  std::int64_t size_ = 0;
  Status error_;
  ReadBytes window_;
  std::int64_t windowStart_ = -1;
  struct Held {
    std::int64_t start;
    ReadBytes bytes;
  };
  std::vector<Held> held_;  // from prefetchSpans (or, for a write session, the transaction's), by start; dropped when the session ends
  size_t lastHeld_ = 0;
  // The transaction's read-only handle and the runs holdSpans read, by start;
  // file_ borrows the handle during a read session of the transaction.
  std::unique_ptr<RomFile> txFile_;
  std::int64_t txSize_ = 0;
  bool borrowed_ = false;
  std::vector<Held> txHeld_;
  size_t lastTxHeld_ = 0;
  void dropTxReads();
  bool readInto(std::int64_t offset, std::int64_t end, ReadBytes* bytes);
  bool readRaw(std::int64_t offset, std::int64_t end, std::uint8_t* out);
  const Held* heldAt(std::int64_t offset, std::int64_t end);
  // Appended as written, ordered and merged once at commit: a map per byte
  // cost a write of many records most of its time.
  std::vector<Staged> staged_;
  std::int64_t lastChanged_ = 0;
  std::int64_t lastFirst_ = -1;

  std::shared_ptr<JournalStore> journals_;
  std::unique_ptr<Journal> journal_;
  bool journalReadOnly_ = false;
  bool createsHistory_ = true;
  bool strictIdentity_ = false;
  // What the image must hold for the history to be its own, as last read: the
  // recorded size and header, and the bytes the newest finished transaction
  // left; reread only when another program has written the history since.
  bool expectKnown_ = false;
  ImageIdentity expectIdentity_;
  // The sample of those bytes: where each run lies, and its bytes at `at` in
  // `must` (what must be there) and `was` (what was there before).
  struct ExpectedBytes {
    struct Run {
      std::int64_t offset;
      std::uint32_t at, length;
    };
    std::vector<Run> runs;
    std::vector<char> must, was;
    void clear() {
      runs.clear();
      must.clear();
      was.clear();
    }
    void add(std::int64_t offset, const char* mustBytes, const char* wasBytes, qsizetype length) {
      runs.push_back({offset, static_cast<std::uint32_t>(must.size()), static_cast<std::uint32_t>(length)});
      must.insert(must.end(), mustBytes, mustBytes + length);
      was.insert(was.end(), wasBytes, wasBytes + length);
    }
  };
  ExpectedBytes expectBytes_;
  std::int64_t expectTx_ = 0;
  // Bytes as recovery would leave them, laid over what read sessions read.
  std::map<std::int64_t, std::uint8_t> overlay_;
  int depth_ = 0;
  bool implicitTx_ = false;
  TxInfo info_;
  QString identity_;              // of the file when the transaction began
  std::int64_t identitySize_ = -1;
  int lockTimeoutMs_ = 10000;
  QStringList notices_;
  std::int64_t lastTx_ = 0;
  std::function<QStringList(const Transaction&)> fieldNamer_;
};

// Holds a write transaction for a scope.
class WriteTransaction {
 public:
  WriteTransaction(RomImage& rom, const TxInfo& info) : rom_(rom), status_(rom.beginTransaction(info)) {}
  ~WriteTransaction() {
    if (status_) rom_.endTransaction();
  }
  WriteTransaction(const WriteTransaction&) = delete;
  WriteTransaction& operator=(const WriteTransaction&) = delete;
  const Status& status() const { return status_; }

 private:
  RomImage& rom_;
  Status status_;
};

// "An interrupted import of 304 <table> records from 12:01": what a transaction was, for messages.
QString describeTransaction(const Transaction& tx);

// Opens a session and ends it when leaving scope. A write session that was not
// closed explicitly writes nothing: leaving early must never land half a record.
class RomSession {
 public:
  RomSession(RomImage& rom, Access access) : rom_(rom), status_(rom.openRomImage(access)) {}
  ~RomSession() {
    if (rom_.isOpen()) rom_.abortRomImage();
  }
  const Status& status() const { return status_; }
  Status close() { return rom_.isOpen() ? rom_.closeRomImage() : status_; }

 private:
  RomImage& rom_;
  Status status_;
};

// Runs `read(rom)` inside one read session and ends it: what `read` returns,
// or why the session failed (the open, a read, or the close). Code outside
// image/ and model/ reads the image only through this and the record codec, so no read
// leaves a session open or half-checked.
template <typename Read>
auto readSession(RomImage& rom, Read&& read) -> Result<std::decay_t<std::invoke_result_t<Read&, RomImage&>>> {
  RomSession session(rom, Access::Read);
  if (!session.status()) return session.status();
  auto value = read(rom);
  if (Status closed = session.close(); !closed) return closed;
  return value;
}

// The bytes a reader of the image at `path` lays over the file's: an
// interrupted transaction's old bytes, as recovery will leave them (see
// RomImage::prepareRead). Notices are left to the caller's own prepareRead.
std::map<std::int64_t, std::uint8_t> recoveryOverlay(const QString& path);

// The size of the chosen image, in a read session of its own.
Result<std::int64_t> imageSize(RomImage& rom);

}  // namespace rt
