#pragma once
// romtables-cli: the tables on the command line, through the same codec as the
// forms. Returns the process exit code; output and errors go to the streams.

#include <QStringList>
#include <QTextStream>

namespace rt {

// args excludes the program name. namesDir is the default for --names.
int runCli(const QStringList& args, const QString& namesDir, QTextStream& out, QTextStream& err);

// The exit code of a run whose output could not be written: 2 for diff, whose
// 1 means "the images differ", else 1.
int outputFailureCode(const QStringList& args);

}  // namespace rt
