#pragma once
// `romtables-cli import`: a JSON or CSV file of the export's shape applied to
// an image as one transaction, every value checked before anything is written.

#include "model/table_registry.h"

#include <QTextStream>

namespace rt {

struct ImportRequest {
  QString image;
  QString file;
  QString table;  // empty: the file names it
  QString names;
};

// The exit code: 0 imported, 1 refused or failed, 2 bad usage.
int importRecords(const TableRegistry& registry, const ImportRequest& request, QTextStream& out, QTextStream& err);

// A folder of such files, one per table (as `export --all` writes it), applied
// as one transaction: every file is read and checked, then every record of
// every file is planned under one lock, and all of them are written or none.
int importFolder(const TableRegistry& registry, const ImportRequest& request, QTextStream& out, QTextStream& err);

// An image must hold every byte a table's records use; the message gives both sizes.
Status checkImageHolds(RomImage& rom, const TableAdapter& table);

}  // namespace rt
