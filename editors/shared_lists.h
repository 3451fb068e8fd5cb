#pragma once
// Name lists whose rows fill combo boxes of tables in more than one editor.

#include "model/name_list.h"
#include "editors/layout.h"

namespace rt {
// Terrain ranks: a stored byte 0..4 is row 0..4 ("-", "D", "C", "B", "A"), in
// unit and weapon records alike.
inline NameListSource terrainRankList() {
  return {QString::fromLatin1(layout::kTerrainRankList), layout::kTerrainRanks};
}
}  // namespace rt
