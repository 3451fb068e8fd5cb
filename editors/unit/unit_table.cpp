#include "editors/unit/unit_table.h"

#include "editors/unit/registry.h"

#include "editors/shared_lists.h"

namespace rt {

namespace {
QString terrainCaption(int k) {
  static const char* const kTerrains[] = {"空", "陸", "海", "宇"};
  return QString::fromUtf8(kTerrains[k]);
}
}  // namespace

TableDef unitTable() {
  TableDef t{unitPlace().id, kUnitBase, kUnitStride, kUnitCount, {}};
  const QString ptr = QStringLiteral("name_ptr");
  t.fields = {
      int32Field(elementName(ptr, 0), 0x00, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "名稱指針1"))),
      int32Field(elementName(ptr, 1), 0x04, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "名稱指針2"))),
      int32Field(elementName(ptr, 2), 0x08, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "名稱指針3"))),
      int32Field(QStringLiteral("HP"), 0x0C, QStringLiteral("HP")),
      int32Field(QStringLiteral("sit"), 0x10, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "換乘限制"))),  // transfer restriction
      wordField(QStringLiteral("EN"), 0x14, QStringLiteral("EN")),
      wordField(QStringLiteral("VIT"), 0x16, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "裝甲值"))),     // armour
      wordField(QStringLiteral("money"), 0x18, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "擊破費"))),   // reward for destroying it
      // 0x1A..0x25: left alone
      wordField(QStringLiteral("first_weapon"), 0x26, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "首項武器代碼"))),  // index into the weapon table
      byteField(QStringLiteral("noOfWeapon"), 0x28, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "武器數量"))),        // consecutive weapon records
      comboField(QStringLiteral("MWeapon"), 0x29, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "武器改造費用")), weaponCostNames()),
      // Only air, land and sea have a box; bits 3..7 are kept as stored.
      flagsField(QStringLiteral("MoveT"), 0x2A, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "移動類型")), 0x07),
      byteField(QStringLiteral("MOV"), 0x2B, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "移動力"))),
      byteField(QStringLiteral("DEX"), 0x2C, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "照準值"))),
      byteField(QStringLiteral("AGI"), 0x2D, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "運動性"))),
      byteField(QStringLiteral("EXP"), 0x2E, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "基本經驗值"))),
      // 0x2F: left alone
      byteField(QStringLiteral("Item"), 0x30, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "強化零件格數"))),  // enhancement-part slots
      byteField(QStringLiteral("BGM"), 0x31, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "默認BGM"))),
      byteField(QStringLiteral("noOfPilots"), 0x32, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "搭乘人數"))),
      comboField(QStringLiteral("size"), 0x33, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "機體體積")), unitSizeNames()),
      byteField(QStringLiteral("story1"), 0x34, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "關注作品"))),
      byteField(QStringLiteral("story2"), 0x35, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "登場作品"))),
      // 0x36..0x6B: left alone; 0x6C..0x79: ability bytes, edited by UnitSP
  };
  // 0x7A..0x7D: terrain ranks, air, land, sea, space.
  for (int k = 0; k < 4; ++k)
    t.fields.push_back(
        comboField(elementName(QStringLiteral("ground"), k), 0x7A + k, terrainCaption(k), terrainRankList()));
  // 0x7E..0x83: upgrade values.
  static const char* const kUpgrades[] = {QT_TRANSLATE_NOOP("Caption", "HP改造"), QT_TRANSLATE_NOOP("Caption", "EN改造"),
                                          QT_TRANSLATE_NOOP("Caption", "照準值改造"), QT_TRANSLATE_NOOP("Caption", "運動性改造"),
                                          QT_TRANSLATE_NOOP("Caption", "裝甲值改造"), QT_TRANSLATE_NOOP("Caption", "武器改造")};
  for (int k = 0; k < 6; ++k)
    t.fields.push_back(byteField(elementName(QStringLiteral("UEdit"), k), 0x7E + k, QString::fromUtf8(kUpgrades[k])));
  // A unit's weapons are noOfWeapon consecutive weapon records from first_weapon.
  t.references = {rangeRef(QStringLiteral("first_weapon"), QStringLiteral("noOfWeapon"), QStringLiteral("Weapon"),
                           layout::kWeaponCount)};
  return t;
}

NameListSource unitNames() { return {QStringLiteral("Units.txt"), kUnitCount}; }
NameListSource weaponCostNames() { return {QStringLiteral("MWeapon.txt"), 6}; }
NameListSource unitSizeNames() { return {QStringLiteral("Size.txt"), 6}; }

}  // namespace rt
