#pragma once
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace rt {
// Whether two paths name one file (links included); false when either does not exist.
bool sameFile(const QString& a, const QString& b);

// A file a command reads, and how a message names it ("the image being read").
struct ReadInput {
  QString path;
  QString what;
};

// Why `output` must not be written by a command that reads `inputs`, as the
// whole message; empty when it may be. Refused: a path that is, or resolves
// to (links, relative paths), one of the inputs; an image's history or its
// SQLite log files ("*.history", "*.history-wal", "*.history-shm"), by name
// or by identity with an input's history; and any existing SQLite database.
QString outputRefusal(const QString& output, const std::vector<ReadInput>& inputs);
}  // namespace rt
