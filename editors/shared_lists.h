#pragma once
// Name lists whose rows fill combo boxes of tables in more than one editor.

#include "core/name_list.h"

namespace rt {
// Terrain ranks: a stored byte 0..4 is row 0..4 ("-", "D", "C", "B", "A"), in
// unit and weapon records alike.
inline NameListSource terrainRankList() { return {QStringLiteral("ground.txt"), 5}; }
}  // namespace rt
