#pragma once
// `romtables-cli export ROM --all --output DIR`: every table in one run, a file
// per table named by its id, and manifest.json (the image's size and CRC32,
// the tables, their files and record counts). `import ROM DIR` takes it back.

#include "model/table_registry.h"

#include <QTextStream>

namespace rt {

struct DumpCommand {
  QString image;
  QString dir;
  QString format = QStringLiteral("json");  // json or csv
  QString names;
};

// A file in a folder export --all is still writing; import refuses a folder holding it.
inline constexpr const char* kIncompleteMarker = ".export-incomplete";

// 0 written, 1 failed (no file written), 2 bad usage. The image was recovered by the caller.
int runExportAll(const TableRegistry& registry, const DumpCommand& command, QTextStream& out, QTextStream& err);

}  // namespace rt
