#include "app/dump.h"

#include "app/importer.h"
#include "app/paths.h"
#include "app/record_io.h"
#include "app/table_threads.h"
#include "image/byte_source.h"
#include "image/image_view.h"
#include "compare/patch_stream.h"

#include <QDir>
#include <QFileInfo>
#include <QCoreApplication>

#include <optional>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace rt {
namespace {

enum Exit { kOk = 0, kFailed = 1, kUsage = 2 };
constexpr int kReadAttempts = 3;
const QString kManifest = QStringLiteral("manifest.json");
const QString kIncomplete = QString::fromLatin1(kIncompleteMarker);

QString errnoText() { return QString::fromLocal8Bit(std::strerror(errno)); }

struct TableFile {
  QString table;
  QString file;
  int records = 0;
  QByteArray bytes;
  bool kept = false;  // the folder's file holds this text already (`bytes` is then empty)
  qint64 keptSize = 0;
};

// Whether a file holds exactly the text given it a piece at a time.
class FileMatch {
 public:
  explicit FileMatch(const QString& path) : file_(path) {
    same_ = file_.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
  }
  void next(const QByteArray& text) {
    for (qsizetype at = 0; same_ && at < text.size();) {
      const qint64 got = file_.read(chunk_, std::min<qsizetype>(sizeof chunk_, text.size() - at));
      same_ = got > 0 && std::memcmp(chunk_, text.constData() + at, static_cast<size_t>(got)) == 0;
      at += got;
    }
  }
  // Whether all the text matched and the file holds nothing more.
  bool whole() { return same_ && file_.read(chunk_, 1) == 0; }
  bool same() const { return same_; }

 private:
  QFile file_;
  bool same_ = false;
  char chunk_[64 * 1024];
};

// The folder export --all writes into, when it is one already.
QString existingFolder(const QString& dir) {
  const QFileInfo info(dir);
  return info.isDir() ? info.canonicalFilePath() : QString();
}

// A table's file; when the folder `into` holds a file of the name, its text is
// compared with it as it is made (in `scratch`, which every table reuses) and
// not kept where it is the same.
Result<TableFile> dumpTable(RomImage& rom, const TableAdapter& table, const QString& names, bool csv, const QString& into,
                            QByteArray* scratch) {
  if (Status holds = checkImageHolds(rom, table); !holds) return holds;
  TableFile file;
  file.table = table.name();
  file.file = table.name() + (csv ? QStringLiteral(".csv") : QStringLiteral(".json"));
  const ExportFormat format = csv ? ExportFormat::Csv : ExportFormat::Json;
  if (!into.isEmpty()) {
    FileMatch match(QDir(into).filePath(file.file));
    if (match.same()) {
      // Most of a table already exported is text the file holds: compared a
      // batch at a time, it is never all in memory.
      scratch->resize(0);  // keeps its room
      auto records = appendTableExport(rom, table, names, format, scratch, [&match](QByteArray& text) {
        match.next(text);
        if (match.same()) text.resize(0);
      });
      if (!records) return records.status();
      file.records = *records;
      match.next(*scratch);  // the text after the last batch
      scratch->resize(0);
      if (match.whole()) {
        file.kept = true;
        file.keptSize = QFileInfo(QDir(into).filePath(file.file)).size();
        return file;
      }
      // It differs: made again whole, to be written.
    }
  }
  auto records = appendTableExport(rom, table, names, format, &file.bytes);
  if (!records) return records.status();
  file.records = *records;
  return file;
}

// What says an image file is unchanged between two looks: the same file
// (device and inode), size, and modification and change times to the nanosecond.
struct ImageStamp {
  std::int64_t device = 0, inode = 0, size = -1, modified = 0, changed = 0;
  bool operator==(const ImageStamp&) const = default;
};

Result<ImageStamp> stampOf(const QString& path) {
  ImageStamp s;
#ifndef _WIN32
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0)
    return Result<ImageStamp>::failure(QStringLiteral("\"%1\" cannot be read: %2.").arg(path, errnoText()));
  s.device = static_cast<std::int64_t>(st.st_dev);
  s.inode = static_cast<std::int64_t>(st.st_ino);
  s.size = static_cast<std::int64_t>(st.st_size);
  s.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  s.changed = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
#else
  const QFileInfo info(path);
  if (!info.exists()) return Result<ImageStamp>::failure(QStringLiteral("\"%1\" cannot be read.").arg(path));
  s.size = info.size();
  s.modified = info.lastModified().toMSecsSinceEpoch();
  s.changed = info.metadataChangeTime().toMSecsSinceEpoch();
#endif
  return s;
}

// Every table's file and the manifest, read from one view of the image.
struct Snapshot {
  std::vector<TableFile> files;  // the manifest last
  int records = 0;
};

Result<Snapshot> readSnapshot(const TableRegistry& registry, const DumpCommand& c, bool csv) {
  auto pages = PageCache::open(c.image);
  if (!pages) return pages.status();
  (*pages)->setOverlay(recoveryOverlay(c.image));
  (*pages)->mapWhole();  // every table is read, and the whole file for its sum
  Snapshot snapshot;
  const QString into = existingFolder(c.dir);
  // The tables are made on several threads, the largest first; meanwhile
  // this thread reads the whole file for the manifest's CRC32, as the file
  // holds it, then joins the tables, which read only their own pages.
  const auto& all = registry.all();
  std::vector<size_t> order(all.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  auto weight = [&](size_t i) { return std::int64_t{all[i]->count()} * all[i]->stride(); };
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return weight(a) > weight(b); });
  std::vector<std::optional<Result<TableFile>>> made(all.size());
  Result<std::uint32_t> crc = 0u;
  onImageThreads(
      *pages, c.image, order.size(),
      [&](size_t k, RomImage& rom, QByteArray& scratch) {
        made[order[k]] = dumpTable(rom, *all[order[k]], c.names, csv, into, &scratch);
      },
      [&] { crc = (*pages)->fileCrc32(); });
  if (!crc) return crc.status();
  for (auto& file : made) {
    if (!*file) return file->status();
    snapshot.records += (*file)->records;
    snapshot.files.push_back(std::move(file->value()));
  }
  ExportManifest manifest{QFileInfo(c.image).fileName(), (*pages)->size(), crcText(*crc), c.format, {}};
  manifest.tables.reserve(snapshot.files.size());
  for (const TableFile& f : snapshot.files) manifest.tables.push_back({f.table, f.file, f.records});
  snapshot.files.push_back({QString(), kManifest, 0, manifestJson(manifest)});
  return snapshot;
}

#ifdef __linux__
// Linux flushes the files of a folder together: one syncfs() of its file
// system is one journal commit and one flush of the disk's cache, where a
// flush per file costs one of each per file. syncfs() reports a failed
// writeback of any file since it was opened (Linux 5.8 and later).
constexpr bool kFlushTogether = true;
#else
constexpr bool kFlushTogether = false;
#endif

// A new file holding `bytes`; on the disk when this returns if `flush`, else
// once flushTogether() of its folder has returned. The message keeps the system's reason.
Status writeNewFile(const QString& path, const QByteArray& bytes, bool flush = true) {
  auto failed = [&path](const QString& why) { return Status::error(QStringLiteral("Cannot write %1: %2.").arg(path, why)); };
#ifndef _WIN32
  const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return failed(errnoText());
  const char* data = bytes.constData();
  qsizetype left = bytes.size();
  while (left > 0) {
    const ssize_t put = ::write(fd, data, static_cast<size_t>(left));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      const QString why = put < 0 ? errnoText() : QStringLiteral("nothing was written");
      ::close(fd);
      return failed(why);
    }
    data += put;
    left -= put;
  }
  if (flush && ::fdatasync(fd) != 0) {
    const QString why = errnoText();
    ::close(fd);
    return failed(why);
  }
  if (::close(fd) != 0) return failed(errnoText());
#else
  Q_UNUSED(flush);
  QFile file(path);
  if (!file.open(QIODevice::NewOnly) || file.write(bytes) != bytes.size() || !file.flush())
    return failed(file.errorString());
#endif
  return Status::ok();
}

// Every file written unflushed into `dir` (and its folder entries) on the disk.
Status flushTogether(const QString& dir) {
#ifdef __linux__
  const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return Status::error(QStringLiteral("Cannot flush %1: %2.").arg(dir, errnoText()));
  int synced;
  while ((synced = ::syncfs(fd)) != 0 && errno == EINTR) {
  }
  const QString why = synced != 0 ? errnoText() : QString();
  ::close(fd);
  if (synced != 0) return Status::error(QStringLiteral("Cannot flush %1: %2.").arg(dir, why));
#else
  Q_UNUSED(dir);
#endif
  return Status::ok();
}

// Renames and removals in a folder reach the disk (POSIX: the folder itself is flushed).
void syncFolder(const QString& dir) {
#ifndef _WIN32
  const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
#else
  Q_UNUSED(dir);
#endif
}

bool renamed(const QString& from, const QString& to, QString* why) {
  std::error_code error;
  std::filesystem::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData(), error);
  if (error) *why = QString::fromLocal8Bit(error.message().c_str());
  return !error;
}

void removeTree(const QString& dir) {
  std::error_code ignored;
  std::filesystem::remove_all(QFile::encodeName(dir).constData(), ignored);
}

// Whether the file at `path` holds exactly `bytes`.
bool holdsAlready(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered) || file.size() != bytes.size()) return false;
  QByteArray chunk(static_cast<qsizetype>(std::min<qint64>(bytes.size(), 1 << 20)), Qt::Uninitialized);
  for (qsizetype at = 0; at < bytes.size();) {
    const qint64 got = file.read(chunk.data(), std::min<qsizetype>(chunk.size(), bytes.size() - at));
    if (got <= 0 || std::memcmp(chunk.constData(), bytes.constData() + at, static_cast<size_t>(got)) != 0) return false;
    at += got;
  }
  return true;
}

// Writes the files into a new folder beside `dir`, all on the disk before
// anything moves into `dir`, so a failure (a full disk) leaves `dir` as it was.
// A new `dir` is that folder renamed. An existing one keeps whatever else it
// holds (a dump is often kept in a git repository), and every file that
// already holds what this export would write: the others are renamed into it
// under kIncompleteMarker, which import refuses, and the marker goes once all
// are in place. What a crash leaves is thus never taken for an export: `dir`
// as it was, or marked unfinished; and a folder `dir`.tmp-PID beside it.
Status writeFolder(const QString& dir, const std::vector<TableFile>& files) {
  const QFileInfo info(dir);
  const QString target = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
  const bool existing = QFileInfo::exists(target);
  const QDir out(target);
  std::vector<const TableFile*> changed;
  // A file found to hold its text while the tables were read, not kept in
  // memory: it must still be there.
  for (const TableFile& f : files)
    if (f.kept && (!existing || QFileInfo(out.filePath(f.file)).size() != f.keptSize))
      return Status::error(QStringLiteral("%1 changed while the export read the image; export again.").arg(target));
  for (const TableFile& f : files)
    if (!existing || (!f.kept && !holdsAlready(out.filePath(f.file), f.bytes))) changed.push_back(&f);
  const bool stale = existing && QFileInfo::exists(out.filePath(kIncomplete));
  if (existing && changed.empty()) {
    // The folder holds this export already and nothing is written: what is
    // there is its writer's to flush. A mark left by an export that stopped
    // goes only once the files it moved in are on the disk.
    if (!stale) return Status::ok();
    Status flushed = kFlushTogether ? flushTogether(target) : Status::ok();
    if (flushed && !QFile::remove(out.filePath(kIncomplete)))
      flushed = Status::error(QStringLiteral("Cannot remove %1.").arg(out.filePath(kIncomplete)));
    if (flushed) syncFolder(target);
    return flushed;
  }
  const QString fresh = target + QStringLiteral(".tmp-") + QString::number(QCoreApplication::applicationPid());
  removeTree(fresh);  // a folder of this name is only ever this program's, left by a process gone
  if (!QDir().mkpath(fresh)) return Status::error(QStringLiteral("Cannot make the folder %1.").arg(fresh));
  const QDir staged(fresh);
  const QByteArray unfinished = QByteArrayLiteral("An export --all that has not finished: export again.\n");
  const bool flushEach = !kFlushTogether;
  Status written = writeNewFile(staged.filePath(kIncomplete), unfinished, flushEach);
  for (size_t i = 0; written && i < changed.size(); ++i)
    written = writeNewFile(staged.filePath(changed[i]->file), changed[i]->bytes, flushEach);
  // An existing folder is marked unfinished before anything moves into it;
  // a mark left by an export that stopped stays, saying the same.
  bool marked = false;
  if (written && existing && !stale) {
    written = writeNewFile(out.filePath(kIncomplete), unfinished, flushEach);
    marked = written.isOk();
  }
  if (written && kFlushTogether) written = flushTogether(fresh);
  if (!written) {
    if (marked) QFile::remove(out.filePath(kIncomplete));
    removeTree(fresh);
    return written;
  }
  if (!existing) {
    QString why;
    if (!QFile::remove(staged.filePath(kIncomplete)))
      written = Status::error(QStringLiteral("Cannot remove %1.").arg(staged.filePath(kIncomplete)));
    else if (syncFolder(fresh); !renamed(fresh, target, &why))
      written = Status::error(QStringLiteral("Cannot put the export in place as %1: %2.").arg(target, why));
    if (written) {
      syncFolder(QFileInfo(target).absolutePath());
      return Status::ok();
    }
    removeTree(fresh);
    return written;
  }
  if (flushEach) syncFolder(target);  // the mark, before anything moves in
  for (const TableFile* f : changed) {
    QString why;
    if (!renamed(staged.filePath(f->file), out.filePath(f->file), &why))
      return Status::error(QStringLiteral("Cannot move %1 into %2: %3; the folder is marked unfinished (%4), export "
                                          "again.")
                               .arg(f->file, target, why, kIncomplete));
  }
  syncFolder(target);
  QFile::remove(out.filePath(kIncomplete));
  syncFolder(target);
  removeTree(fresh);
  return written;
}

}  // namespace

int runExportAll(const TableRegistry& registry, const DumpCommand& c, QTextStream& out, QTextStream& err) {
  const bool csv = c.format == QLatin1String("csv");
  if (!csv && c.format != QLatin1String("json")) {
    err << QStringLiteral("Unknown format \"%1\"; use json or csv.\n").arg(c.format);
    return kUsage;
  }
  if (c.dir.isEmpty()) {
    err << "export --all needs --output DIR, the folder that gets a file per table.\n";
    return kUsage;
  }
  if (const QString refused = outputRefusal(c.dir, {{c.image, QStringLiteral("the image being read")}});
      !refused.isEmpty()) {
    err << refused << '\n';
    return kUsage;
  }
  if (QFileInfo(c.dir).exists() && !QFileInfo(c.dir).isDir()) {
    err << QStringLiteral("--output %1 is a file; export --all writes a folder.\n").arg(c.dir);
    return kUsage;
  }
  // Every table and the manifest from one view of the image: a save landing
  // while it is read (another program's) shows in the file's size, identity
  // or times, and the whole read is made again.
  Result<Snapshot> snapshot = Result<Snapshot>::failure(QString());
  bool steady = false;
  for (int attempt = 0; attempt < kReadAttempts && !steady; ++attempt) {
    auto before = stampOf(c.image);
    if (!before) {
      err << before.message() << '\n';
      return kFailed;
    }
    snapshot = readSnapshot(registry, c, csv);
    if (!snapshot) {
      err << snapshot.message() << " Nothing was written.\n";
      return kFailed;
    }
    auto after = stampOf(c.image);
    steady = after && *after == *before;
  }
  if (!steady) {
    err << QStringLiteral("%1 changed while it was read, %2 times in a row; nothing was written. Export again when no "
                          "other program is saving to it.\n")
               .arg(c.image)
               .arg(kReadAttempts);
    return kFailed;
  }
  if (Status s = writeFolder(c.dir, snapshot->files); !s) {
    err << s.message() << (s.message().contains(kIncomplete) ? QString() : QStringLiteral(" %1 was left as it was.").arg(c.dir))
        << '\n';
    return kFailed;
  }
  const std::vector<TableFile>& files = snapshot->files;
  const int records = snapshot->records;
  out << QStringLiteral("Exported %1 table(s), %2 record(s), of %3 to %4, with manifest.json.\n")
             .arg(files.size() - 1)
             .arg(records)
             .arg(QFileInfo(c.image).fileName(), QDir::toNativeSeparators(c.dir));
  return kOk;
}

}  // namespace rt
