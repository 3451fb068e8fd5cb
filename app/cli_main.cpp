// romtables-cli: export and import the ROM tables from the command line.
#include "app/cli.h"
#include "history/sqlite_journal.h"
#include "model/name_list.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// Flushes and closes a standard stream; false when any write to it failed,
// so output lost to a full disk or a closed pipe is a failure, with `why` the
// system's reason (taken before close(), which clears the file's error).
bool closeStream(QFile& file, QTextStream& stream, std::FILE* handle, QString* why) {
  stream.flush();
  bool ok = stream.status() == QTextStream::Ok;
  ok = file.flush() && ok;
  ok = file.error() == QFileDevice::NoError && ok;
  if (!ok) *why = file.errorString();
  file.close();
  errno = 0;
  if (std::ferror(handle)) ok = false;
  if (std::fclose(handle) != 0) {
    ok = false;
    if (why->isEmpty() && errno) *why = QString::fromLocal8Bit(std::strerror(errno));
  }
  return ok;
}

#ifdef __linux__
// No application object: the command line uses none of what it sets up (an
// event loop, the C library's locale; about 0.2 ms of an export's 8), and
// reads its arguments and folder as Qt does on Linux, in UTF-8 and from
// /proc/self/exe.
QStringList programArguments(int argc, char** argv) {
  QStringList args;
  args.reserve(argc);
  for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  return args;
}
QString programFolder() {
  return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absolutePath();
}
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef __linux__
  const QStringList args = programArguments(argc, argv);
  const QString folder = programFolder();
#else
  QCoreApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  const QString folder = QCoreApplication::applicationDirPath();
#endif
  rt::setDefaultJournalStore(rt::systemJournalStore());  // every image journals into its SQLite history
  // The editor's name: both keep an image's history in the same data folder when
  // its own folder cannot be written, and look for edited name lists there.
  QCoreApplication::setApplicationName(QStringLiteral("RomTables"));
  QFile outFile, errFile;
  // By descriptor: a failed write then keeps its reason (a full disk), which
  // Qt's writes through a stdio stream report as "Unknown error".
  outFile.open(fileno(stdout), QIODevice::WriteOnly | QIODevice::Unbuffered);
  errFile.open(fileno(stderr), QIODevice::WriteOnly | QIODevice::Unbuffered);
  QTextStream out(&outFile), err(&errFile);
  const QString names = rt::nameListSearchPath(folder,
                                               QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
  int code = rt::runCli(args.mid(1), names, out, err);
  QString why;
  if (!closeStream(outFile, out, stdout, &why)) {
    err << QStringLiteral("Writing the output failed: %1.\n").arg(why);
    // Whatever the command found, what it printed is lost: never an answer of 0 (or diff's 1).
    if (code == 0 || code == 1) code = rt::outputFailureCode(args.mid(1));
  }
  QString ignored;
  if (!closeStream(errFile, err, stderr, &ignored) && code == 0) code = 1;
  return code;
}
