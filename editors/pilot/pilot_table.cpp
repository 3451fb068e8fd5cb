#include "editors/pilot/pilot_table.h"

#include "editors/layout.h"
#include "editors/pilot/registry.h"

namespace rt {

QStringList pilotStatCaptions() {
  return {QStringLiteral(QT_TRANSLATE_NOOP("Caption", "格鬥")), QStringLiteral(QT_TRANSLATE_NOOP("Caption", "射擊")), QStringLiteral(QT_TRANSLATE_NOOP("Caption", "技量")),
          QStringLiteral(QT_TRANSLATE_NOOP("Caption", "防禦")), QStringLiteral(QT_TRANSLATE_NOOP("Caption", "回避")), QStringLiteral(QT_TRANSLATE_NOOP("Caption", "命中"))};
}

TableDef pilotTable() {
  TableDef t{pilotPlace().id, layout::kPilotBase, layout::kPilotStride, layout::kPilotCount, {}};
  // Spirit command slots index the 35 commands of the spirit cost table; any
  // byte from 35 up means "none" and is stored back as 0xFF.
  const ComboRule spiritRule{ComboRule::NoneAbove, 35, 0xFF};
  // Two-state flags: 0xFF is "no" (row 0); every other byte is "yes", stored as 0x01.
  const ComboRule twoState{ComboRule::TwoState, -1, 0xFF};
  // Row 35 of the 36 spirit rows is the "none" row.
  const NameListSource spirits{QStringLiteral("SP.txt"), 36};
  const NameListSource twoStates{QStringLiteral("SpAp.txt"), 2};
  const QStringList stats = pilotStatCaptions();

  auto& f = t.fields;
  // 0x00..0x0B: not edited here
  f.push_back(int32Field(QStringLiteral("sit"), 0x0C, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "搭乘限制"))));  // boarding restriction
  // 0x10..0x13: not edited here
  // Personality: record number in the personality table. A byte past the list
  // keeps its value as an extra row, so it is never lost.
  f.push_back(comboField(QStringLiteral("character"), 0x14, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "性格")),
                         NameListSource{QStringLiteral("character.txt"), layout::kPersonalityCount}));
  f.push_back(byteField(QStringLiteral("story1"), 0x15, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "關注作品"))));  // series of interest
  f.push_back(byteField(QStringLiteral("story2"), 0x16, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "登場作品"))));  // series of appearance
  // 0x17..0x1A: not edited here
  f.push_back(byteField(QStringLiteral("PSP"), 0x1B, QStringLiteral("SP")));
  // 0x1C..0x1E: not edited here
  f.push_back(flagsField(QStringLiteral("PSpA"), 0x1F, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "特殊技能A"))));  // bit k = PSpA(k)
  f.push_back(flagsField(QStringLiteral("PSpB"), 0x20, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "特殊技能B"))));  // bit k = PSpB(k)
  // 0x21..0x35: not edited here
  for (int k = 0; k < 3; ++k)  // 0x36..0x38
    f.push_back(comboField(elementName(QStringLiteral("SpAP"), k), 0x36 + k, elementName(QStringLiteral("SpAP"), k),
                           twoStates, twoState));
  for (int k = 0; k < 6; ++k)  // 0x39..0x3E: combat stats
    f.push_back(byteField(elementName(QStringLiteral("Ab"), k), 0x39 + k, stats[k]));
  for (int k = 0; k < 6; ++k)  // 0x3F..0x44: spirit commands
    f.push_back(comboField(elementName(QStringLiteral("SP"), k), 0x3F + k,
                           QStringLiteral(QT_TRANSLATE_NOOP("Caption", "精神 %1")).arg(k + 1), spirits, spiritRule));
  for (int k = 0; k < 6; ++k)  // 0x45..0x4A: level at which each is learnt
    f.push_back(byteField(elementName(QStringLiteral("SP_LV"), k), 0x45 + k, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "修得等級 %1")).arg(k + 1)));
  // 0x4B: not edited here; 0x4C..0x67: the 14 skill slots (pilot skill editor)
  t.references.push_back(codeRef(QStringLiteral("character"), QStringLiteral("character"), layout::kPersonalityCount));
  for (int k = 0; k < 6; ++k)  // 0xFF: an empty slot
    t.references.push_back(
        codeRef(elementName(QStringLiteral("SP"), k), QStringLiteral("SPEdit"), layout::kSpiritCount, {0xFF}));
  return t;
}

NameListSource pilotNames() { return {QStringLiteral("Pilots.txt"), layout::kPilotCount}; }

}  // namespace rt
