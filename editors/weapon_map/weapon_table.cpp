#include "editors/weapon_map/weapon_table.h"

#include "editors/weapon_map/registry.h"

#include "editors/shared_lists.h"
#include "editors/weapon_map/weapon_upgrade_table.h"

namespace rt {

TableDef weaponTable() {
  using namespace weapon_layout;
  TableDef t{weaponPlace().id, kBase, kStride, kCount, {}};
  // 0x00..0x07: not shown
  t.fields = {
      wordField(QStringLiteral("ATK"), 0x08, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "攻擊力"))),
      byteField(QStringLiteral("EN"), 0x0A, QStringLiteral("EN")),
      signedByteField(QStringLiteral("Shoot"), 0x0B, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "命中"))),  // hit modifier
      signedByteField(QStringLiteral("CT"), 0x0C, QStringLiteral("CT")),       // critical modifier
      byteField(QStringLiteral("Bullet"), 0x0D, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "殘彈"))),
      byteField(QStringLiteral("Bullet_N"), 0x0E, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "殘彈武器編號"))),  // weapon whose ammo is shared
      byteField(QStringLiteral("chiu"), 0x0F, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "氣力"))),              // morale required
      byteField(QStringLiteral("BGM"), 0x10, QStringLiteral("BGM")),
      byteField(QStringLiteral("max_S"), 0x11, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "最大射程"))),
      byteField(QStringLiteral("min_S"), 0x12, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "最小射程"))),
      byteField(QStringLiteral("MAP"), 0x13, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "MAP範圍"))),
      byteField(QStringLiteral("gotha1"), 0x14, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "合體攻擊機體代碼"))),  // combination partner unit
      byteField(QStringLiteral("gotha2"), 0x15, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "合體攻擊機師代碼"))),  // combination partner pilot
      comboField(QStringLiteral("special"), 0x16, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "特殊效果")),
                 NameListSource{QStringLiteral("special.txt"), 11}),
      byteField(QStringLiteral("sp_lv"), 0x17, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "效果等級"))),
      // A column of the upgrade table, named as the upgrade table's records are.
      comboField(QStringLiteral("EWeapon"), 0x18, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "改造幅度")), weaponUpgradeNameList()),
      comboField(QStringLiteral("ground(0)"), 0x19, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "空")), terrainRankList()),
      comboField(QStringLiteral("ground(1)"), 0x1A, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "陸")), terrainRankList()),
      comboField(QStringLiteral("ground(2)"), 0x1B, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "海")), terrainRankList()),
      comboField(QStringLiteral("ground(3)"), 0x1C, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "宇")), terrainRankList()),
      flagsField(QStringLiteral("EProperty"), 0x1D, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "武器屬性"))),
      flagsField(QStringLiteral("RequirementA"), 0x1E, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "必要條件A"))),
      flagsField(QStringLiteral("RequirementB"), 0x1F, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "必要條件B"))),
      flagsField(QStringLiteral("noneA"), 0x20, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "無效化A"))),
      flagsField(QStringLiteral("noneB"), 0x21, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "無效化B"))),
      // 0x22..0x23: not shown
  };
  // A combination attack names its partner unit and pilot; 0 is no partner
  // (so unit 0 and pilot 0 are never one).
  t.references = {
      codeRef(QStringLiteral("gotha1"), QStringLiteral("Unit"), kUnitCount, {0}),
      codeRef(QStringLiteral("gotha2"), QStringLiteral("Pilot"), layout::kPilotCount, {0}),
      codeRef(QStringLiteral("EWeapon"), QStringLiteral("EWeapon"), layout::kUpgradeStepTypes),
  };
  return t;
}

NameListSource weaponNameList() { return {QStringLiteral("Weapons.txt"), weapon_layout::kCount}; }
NameListSource weaponUnitNameList() { return {QStringLiteral("Units.txt"), weapon_layout::kUnitCount}; }

Result<UnitWeapons> readUnitWeapons(RomImage& rom, int unit) {
  using namespace weapon_layout;
  return readSession(rom, [&](RomImage& open) {
    open.seek(kUnitBase + kUnitStride * unit + kUnitFirstWeapon);
    UnitWeapons w;
    w.first = open.readU16();
    w.count = open.readU8();
    return w;
  });
}

const std::shared_ptr<const FixedTable>& weaponRecords() {
  static const auto table = std::make_shared<const FixedTable>(weaponTable(), weaponNameList());
  return table;
}

QString weaponListText(const QStringList& names, int weapon) {
  if (weapon >= 0 && weapon < names.size()) return names[weapon];
  return QStringLiteral("#%1").arg(weapon);
}

}  // namespace rt
