#pragma once
#include "model/table_registry.h"

namespace rt {
// Pilot records: 476 records of 104 bytes at 0x8C9A4, one per pilot. The last
// 28 bytes are the skill slots, which the pilot skill editor owns.
TableDef pilotTable();
NameListSource pilotNames();  // "Pilots.txt", one row per record

// The six combat stats, in record order (captions of Ab(0)..Ab(5)).
QStringList pilotStatCaptions();
}  // namespace rt
