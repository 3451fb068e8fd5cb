#pragma once
// `romtables-cli patch` and `apply`: standard BPS and IPS patches between two
// images, or from an image's history alone; and their application to a copy.

#include <QString>
#include <QTextStream>

namespace rt {

struct PatchCommand {
  QString clean;     // empty with fromHistory
  QString modified;  // the image the patch makes
  QString output;    // .bps or .ips
  bool fromHistory = false;
};

// 0 written, 1 refused or failed (nothing written), 2 bad usage.
int runPatch(const PatchCommand& command, QTextStream& out, QTextStream& err);

struct ApplyCommand {
  QString patch;
  QString image;
  QString output;
};

int runApply(const ApplyCommand& command, QTextStream& out, QTextStream& err);

}  // namespace rt
