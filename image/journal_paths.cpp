// What the image layer knows of histories without reading one: where a
// history file lives, how it is set aside, what a run really changes, the
// identity of an image's header, and which store a RomImage journals through.
// The SQLite store itself lives in history/.
#include "image/byte_source.h"
#include "image/journal.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <mutex>

namespace rt {

namespace {

// Until a program names its store, every history is refused: an image is
// never written without its journal.
class NoJournalStore final : public JournalStore {
 public:
  Result<std::unique_ptr<Journal>> open(const QString& imagePath, bool, QString*, bool) override {
    return Result<std::unique_ptr<Journal>>::failure(
        QStringLiteral("No history can be kept for \"%1\": this program has no history store.").arg(imagePath));
  }
  QString leftBehind(const QString&, const std::function<Result<ImageIdentity>()>&) override { return {}; }
};

std::mutex defaultStoreMutex;
std::shared_ptr<JournalStore>& defaultStore() {
  static std::shared_ptr<JournalStore> store = std::make_shared<NoJournalStore>();
  return store;
}

}  // namespace

std::shared_ptr<JournalStore> defaultJournalStore() {
  std::lock_guard lock(defaultStoreMutex);
  return defaultStore();
}

void setDefaultJournalStore(std::shared_ptr<JournalStore> store) {
  std::lock_guard lock(defaultStoreMutex);
  defaultStore() = store ? std::move(store) : std::make_shared<NoJournalStore>();
}

std::vector<Run> changedBytes(const std::vector<Run>& runs) {
  std::vector<Run> out;
  for (const Run& run : runs) {
    const qsizetype n = std::min(run.before.size(), run.after.size());
    for (qsizetype i = 0; i < n;) {
      if (run.before[i] == run.after[i]) {
        ++i;
        continue;
      }
      qsizetype j = i;
      while (j < n && run.before[j] != run.after[j]) ++j;
      out.push_back(Run{run.offset + i, run.before.mid(i, j - i), run.after.mid(i, j - i)});
      i = j;
    }
  }
  return out;
}

QString damagedTransaction(std::int64_t id, const QString& historyPath, const QString& imagePath) {
  return QStringLiteral("Transaction %1 in the history \"%2\" is damaged (a stored change fails its checksum). Nothing "
                        "was written. Move the history aside or start a new one: romtables-cli history \"%3\" --restart.")
      .arg(id)
      .arg(historyPath, imagePath);
}

std::uint32_t headerCrc(const std::uint8_t* data, std::int64_t length) {
  return crc32Update(0, data, std::min(length, ImageIdentity::kHeaderSpan));
}

Result<QString> JournalStore::restartHistory(const QString& imagePath) {
  const QString path = historyPathOf(imagePath);
  if (path.isEmpty()) return QString();
  const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
  QString aside = QStringLiteral("%1.old-%2").arg(path, stamp);
  for (int n = 2; QFileInfo::exists(aside); ++n) aside = QStringLiteral("%1.old-%2-%3").arg(path, stamp).arg(n);
  // The log goes with its database (SQLite pairs them by name); the index of
  // the log is rebuilt from it and is not kept.
  if (!QFile::rename(path, aside) && !QDir().rename(path, aside))
    return Result<QString>::failure(QStringLiteral("The history \"%1\" cannot be moved aside.").arg(path));
  if (QFileInfo::exists(path + QStringLiteral("-wal"))) QFile::rename(path + QStringLiteral("-wal"), aside + QStringLiteral("-wal"));
  QFile::remove(path + QStringLiteral("-shm"));
  return aside;
}

QString resolvedImagePath(const QString& imagePath) {
  const QString canonical = QFileInfo(imagePath).canonicalFilePath();
  return canonical.isEmpty() ? QFileInfo(imagePath).absoluteFilePath() : canonical;
}

QString historyPathBeside(const QString& imagePath) { return resolvedImagePath(imagePath) + QStringLiteral(".history"); }

QString historyPathOf(const QString& imagePath) {
  const QString beside = historyPathBeside(imagePath);
  if (QFileInfo::exists(beside) || QFileInfo(beside).isSymLink()) return beside;
  const QString inData = historyPathInDataFolder(imagePath);
  if (QFileInfo::exists(inData)) return inData;
  return {};
}

QString historyPathInDataFolder(const QString& imagePath) {
  const QString absolute = resolvedImagePath(imagePath);
  const QByteArray digest = QCryptographicHash::hash(absolute.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
  return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/history/") +
         QFileInfo(imagePath).fileName() + QLatin1Char('-') + QString::fromLatin1(digest) + QStringLiteral(".history");
}

}  // namespace rt
