#pragma once
// `romtables-cli diff CLEAN MODIFIED`: every field whose shown value differs,
// by table and record, then the bytes that differ where no field shows it.

#include "model/table_registry.h"

#include <QTextStream>

namespace rt {

struct DiffCommand {
  QString clean;
  QString modified;
  QString format = QStringLiteral("text");  // text, json or csv
  QStringList tables;                        // empty: every table
  QString names;
};

// Like diff(1): 0 when the images are the same, 1 when they differ, 2 on an error.
int runDiff(const TableRegistry& registry, const DiffCommand& command, QTextStream& out, QTextStream& err);

}  // namespace rt
