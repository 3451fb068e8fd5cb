#pragma once
#include "model/table_registry.h"

#include <QStringList>

namespace rt {
// The 14 special-ability bytes of a unit record (0x6C..0x79), each a set of 8
// ability bits. Same records as unitTable(); no other byte is touched.
inline constexpr int kAbilityBytes = 14;
inline constexpr std::int64_t kAbilityOffset = 0x6C;

TableDef unitAbilityTable();

// Ability byte b (0 = USpA .. 13 = USpN).
QString abilityArrayName(int b);  // "USpA".."USpN"
QString abilityByteCaption(int b);  // "機體特殊能力A".."機體特殊能力N"
// The name of bit k of byte b, as the form shows it beside the box. Unnamed
// bits are "?" or "---"; blanks at either end are part of the caption.
QString abilityCaption(int b, int k);
}  // namespace rt
