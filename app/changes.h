#pragma once
// `romtables-cli changes`, `apply` of a change set and `merge`: a hack as
// field changes, carried onto another image, and two hacks of one clean image
// combined (compare/change_set.h).

#include "model/table_registry.h"

#include <QTextStream>

namespace rt {

struct ChangesCommand {
  QString clean;
  QString modified;
  QString output;  // the change set (JSON)
  QString names;
};

// 0 written (with or without changes), 1 failed, 2 bad usage.
int runChanges(const TableRegistry& registry, const ChangesCommand& command, QTextStream& out, QTextStream& err);

struct ApplyChangesCommand {
  QString changeSet;
  QString image;
  QString output;  // empty with inPlace
  bool inPlace = false;
  bool force = false;
  QString names;
};

// 0 applied, 1 conflicts (nothing written) or failed, 2 bad usage.
int runApplyChanges(const TableRegistry& registry, const ApplyChangesCommand& command, QTextStream& out, QTextStream& err);

struct MergeCommand {
  QString clean;
  QString a;
  QString b;
  QString output;
  QString prefer;  // "", "a" or "b"
  QString format = QStringLiteral("text");
  QString names;
};

// 0 merged, 1 conflicts (nothing written unless a side is preferred), 2 an error.
int runMerge(const TableRegistry& registry, const MergeCommand& command, QTextStream& out, QTextStream& err);

}  // namespace rt
