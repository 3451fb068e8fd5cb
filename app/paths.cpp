#include "app/paths.h"

#include "image/journal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace rt {

bool sameFile(const QString& a, const QString& b) {
#ifndef _WIN32
  struct stat sa {}, sb {};
  if (::stat(QFile::encodeName(a).constData(), &sa) != 0 || ::stat(QFile::encodeName(b).constData(), &sb) != 0)
    return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
#else
  return QFileInfo(a).canonicalFilePath().compare(QFileInfo(b).canonicalFilePath(), Qt::CaseInsensitive) == 0 &&
         QFileInfo::exists(a);
#endif
}

namespace {

const char* const kLogSuffixes[] = {"-wal", "-shm", "-journal"};

// Where a path leads: the file itself when it exists, else the target of a
// dangling link, else its folder resolved with the name put back.
QString resolved(const QString& path) {
  const QFileInfo info(path);
  if (info.exists()) return info.canonicalFilePath();
  if (info.isSymLink()) return QFileInfo(info.symLinkTarget()).absoluteFilePath();
  const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
  return folder.isEmpty() ? info.absoluteFilePath() : QDir(folder).filePath(info.fileName());
}

bool namesHistory(const QString& path) {
  const QString name = QFileInfo(path).fileName();
  if (name.endsWith(QLatin1String(".history"))) return true;
  for (const char* suffix : kLogSuffixes)
    if (name.endsWith(QLatin1String(".history") + QLatin1String(suffix))) return true;
  return false;
}

// The first bytes of an existing file; empty when it cannot be read.
QByteArray head(const QString& path, int length) {
  QFile file(path);
  if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) return {};
  return file.read(length);
}

bool isSqlite(const QString& path) { return head(path, 16) == QByteArray("SQLite format 3\0", 16); }

}  // namespace

QString outputRefusal(const QString& output, const std::vector<ReadInput>& inputs) {
  const QString target = resolved(output);
  auto refuse = [&output](const QString& why) {
    return QStringLiteral("--output %1 %2; choose another file. Nothing was written.").arg(output, why);
  };
  for (const ReadInput& input : inputs) {
    if (input.path.isEmpty()) continue;
    if (sameFile(output, input.path) || target == resolved(input.path))
      return refuse(QStringLiteral("names %1 (%2)").arg(input.what, input.path));
    QStringList histories{historyPathBeside(input.path), historyPathInDataFolder(input.path)};
    for (const QString& history : QStringList(histories))
      for (const char* suffix : kLogSuffixes) histories << history + QLatin1String(suffix);
    for (const QString& history : histories)
      if (sameFile(output, history) || target == resolved(history))
        return refuse(QStringLiteral("is the history of %1, which only its edits write").arg(input.path));
  }
  if (namesHistory(output) || namesHistory(target))
    return refuse(QStringLiteral("is named as an image's history (*.history), which only the image's edits write"));
  if (isSqlite(target)) return refuse(QStringLiteral("is a SQLite database (an image's history is one)"));
  const QByteArray magic = head(target, 4);
  if (magic == QByteArray("\x37\x7f\x06\x82", 4) || magic == QByteArray("\x37\x7f\x06\x83", 4))
    return refuse(QStringLiteral("is the write-ahead log of a SQLite database (an image's history has one)"));
  for (const char* suffix : kLogSuffixes) {
    const QString name = QLatin1String(suffix);
    if (target.endsWith(name) && isSqlite(target.chopped(name.size())))
      return refuse(QStringLiteral("is a log file of the SQLite database %1").arg(target.chopped(name.size())));
  }
  return {};
}

}  // namespace rt
