#include "editors/unit/unit_ability_table.h"

#include "editors/unit/registry.h"

#include "editors/unit/unit_table.h"

namespace rt {

namespace {
// Bit k of ability byte b, in file order of the bytes; shown in the language of the interface.
const char* const kAbilities[kAbilityBytes][8] = {
    {"?", "?", "?", "?", "?", "?", "?", "?"},  // USpA
    {"?", "?", "?", "?", "?", "?", "?", "?"},  // USpB
    {"?", "?", "?", "?", "?", "?", "?", "?"},  // USpC
    {"?", "?", "?", "?", "?", "?", "?", "?"},  // USpD
    {QT_TRANSLATE_NOOP("Caption", "劍裝備"), QT_TRANSLATE_NOOP("Caption", "銃裝備"), QT_TRANSLATE_NOOP("Caption", "シールド裝備"), QT_TRANSLATE_NOOP("Caption", "アンチビームシールド裝備"), QT_TRANSLATE_NOOP("Caption", "ビームシールド裝備"), QT_TRANSLATE_NOOP("Caption", "修理裝置"), QT_TRANSLATE_NOOP("Caption", "補給裝置"), QT_TRANSLATE_NOOP("Caption", "搭載")},  // USpE
    {QT_TRANSLATE_NOOP("Caption", "分身"), QT_TRANSLATE_NOOP("Caption", "ミラージュコロイド"), QT_TRANSLATE_NOOP("Caption", "イリュージョンプロテクト"), QT_TRANSLATE_NOOP("Caption", "ステルス裝置"), QT_TRANSLATE_NOOP("Caption", "L1ビームコート"), QT_TRANSLATE_NOOP("Caption", "L2ビームコート"), QT_TRANSLATE_NOOP("Caption", "L3ビームコート"), QT_TRANSLATE_NOOP("Caption", " ラミネート裝甲")},  // USpF
    {QT_TRANSLATE_NOOP("Caption", "ヤタノカガミ"), QT_TRANSLATE_NOOP("Caption", "電磁シールド"), QT_TRANSLATE_NOOP("Caption", "擴散マント"), QT_TRANSLATE_NOOP("Caption", "PS裝甲"), QT_TRANSLATE_NOOP("Caption", "VPS裝甲"), QT_TRANSLATE_NOOP("Caption", "バリアL1"), QT_TRANSLATE_NOOP("Caption", "バリアL2"), QT_TRANSLATE_NOOP("Caption", "バリアL3")},  // USpG
    {QT_TRANSLATE_NOOP("Caption", "陽電子リフレクター "), QT_TRANSLATE_NOOP("Caption", "ヴォワチュールリュミエール"), QT_TRANSLATE_NOOP("Caption", "フォトンマットバリア"), QT_TRANSLATE_NOOP("Caption", "イージス裝備"), QT_TRANSLATE_NOOP("Caption", "ノルンシステム"), QT_TRANSLATE_NOOP("Caption", "バイオ裝甲"), QT_TRANSLATE_NOOP("Caption", "バイオ裝甲"), QT_TRANSLATE_NOOP("Caption", "バイオ裝甲")},  // USpH
    {QT_TRANSLATE_NOOP("Caption", "バイオ裝甲"), QT_TRANSLATE_NOOP("Caption", "フレアシールド"), QT_TRANSLATE_NOOP("Caption", "エンジェルウォール"), QT_TRANSLATE_NOOP("Caption", "エルドラブロック"), QT_TRANSLATE_NOOP("Caption", "ガーディアンカーテン"), QT_TRANSLATE_NOOP("Caption", "クリスタル·ハート"), QT_TRANSLATE_NOOP("Caption", "Oスキル:加速"), QT_TRANSLATE_NOOP("Caption", "Oスキル:重力")},  // USpI
    {QT_TRANSLATE_NOOP("Caption", "重力 "), QT_TRANSLATE_NOOP("Caption", "時間停止"), QT_TRANSLATE_NOOP("Caption", "衝擊"), QT_TRANSLATE_NOOP("Caption", "透明化"), QT_TRANSLATE_NOOP("Caption", "恐怖具現化"), QT_TRANSLATE_NOOP("Caption", "變形"), QT_TRANSLATE_NOOP("Caption", "變形"), QT_TRANSLATE_NOOP("Caption", "オーバーフリーズ")},  // USpJ
    {QT_TRANSLATE_NOOP("Caption", "OSkill 硬化"), QT_TRANSLATE_NOOP("Caption", "OSkill 怪力"), QT_TRANSLATE_NOOP("Caption", "OSkill 竊盜"), "---", QT_TRANSLATE_NOOP("Caption", "同化"), "---", "---", QT_TRANSLATE_NOOP("Caption", "マジンパワー")},  // USpK
    {QT_TRANSLATE_NOOP("Caption", "銅鐸パワー "), QT_TRANSLATE_NOOP("Caption", "エモーショナルモード"), "---", QT_TRANSLATE_NOOP("Caption", "クリスタル·ハート"), QT_TRANSLATE_NOOP("Caption", "クリシュナ‧ハート"), QT_TRANSLATE_NOOP("Caption", "特殊效果武器無?"), QT_TRANSLATE_NOOP("Caption", "HP回復L1"), QT_TRANSLATE_NOOP("Caption", "HP回復L2")},  // USpL
    {QT_TRANSLATE_NOOP("Caption", "HP回復L3"), QT_TRANSLATE_NOOP("Caption", "Nジャマーキャンセラー"), QT_TRANSLATE_NOOP("Caption", "ハイパーデュートリオン"), QT_TRANSLATE_NOOP("Caption", "EN回復L1"), QT_TRANSLATE_NOOP("Caption", "EN回復L2"), QT_TRANSLATE_NOOP("Caption", "EN回復L3"), "---", "---"},  // USpM
    {"---", "---", "---", "---", "---", "---", "---", "---"},  // USpN
};
}  // namespace

QString abilityArrayName(int b) { return QStringLiteral("USp") + QChar(u'A' + b); }

QString abilityByteCaption(int b) {
  // Byte J also holds the first of the O-skills, hence its longer caption.
  // Shown through these patterns, the byte's letter for %1.
  [[maybe_unused]] static const char* const kShownAs[] = {QT_TRANSLATE_NOOP("Caption", "機體特殊能力%1"),
                                                           QT_TRANSLATE_NOOP("Caption", "機體特殊能力%1  OSkill")};
  QString caption = QStringLiteral("機體特殊能力") + QChar(u'A' + b);
  if (b == 9) caption += QStringLiteral("  OSkill");
  return caption;
}

QString abilityCaption(int b, int k) { return QString::fromUtf8(kAbilities[b][k]); }

TableDef unitAbilityTable() {
  TableDef t{unitAbilityPlace().id, kUnitBase, kUnitStride, kUnitCount, {}};
  for (int b = 0; b < kAbilityBytes; ++b)
    t.fields.push_back(flagsField(abilityArrayName(b), kAbilityOffset + b, abilityByteCaption(b)));
  return t;
}

}  // namespace rt
