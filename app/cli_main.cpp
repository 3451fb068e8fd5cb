// romtables-cli: export and import the ROM tables from the command line.
#include "app/cli.h"

#include <QCoreApplication>
#include <QFile>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QFile outFile, errFile;
  outFile.open(stdout, QIODevice::WriteOnly);
  errFile.open(stderr, QIODevice::WriteOnly);
  QTextStream out(&outFile), err(&errFile);
  const int code = rt::runCli(app.arguments().mid(1), QCoreApplication::applicationDirPath(), out, err);
  out.flush();
  err.flush();
  return code;
}
