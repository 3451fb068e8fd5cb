#pragma once
// romtables-cli: the tables on the command line, through the same codec as the
// forms. Returns the process exit code; output and errors go to the streams.

#include <QStringList>
#include <QTextStream>

namespace rt {

// args excludes the program name. namesDir is the default for --names.
int runCli(const QStringList& args, const QString& namesDir, QTextStream& out, QTextStream& err);

}  // namespace rt
