#include "editors/unit/unit_ability_table.h"

#include "editors/unit/registry.h"

#include "editors/unit/unit_table.h"

namespace rt {

namespace {
// Bit k of ability byte b, in file order of the bytes.
const char* const kAbilities[kAbilityBytes][8] = {
    {"?", "?", "?", "?", "?", "?", "?", "?"},  // USpA
    {"?", "?", "?", "?", "?", "?", "?", "?"},  // USpB
    {"?", "?", "?", "?", "?", "?", "?", "?"},  // USpC
    {"?", "?", "?", "?", "?", "?", "?", "?"},  // USpD
    {"劍裝備", "銃裝備", "シールド裝備", "アンチビームシールド裝備", "ビームシールド裝備", "修理裝置", "補給裝置", "搭載"},  // USpE
    {"分身", "ミラージュコロイド", "イリュージョンプロテクト", "ステルス裝置", "L1ビームコート", "L2ビームコート", "L3ビームコート", " ラミネート裝甲"},  // USpF
    {"ヤタノカガミ", "電磁シールド", "擴散マント", "PS裝甲", "VPS裝甲", "バリアL1", "バリアL2", "バリアL3"},  // USpG
    {"陽電子リフレクター ", "ヴォワチュールリュミエール", "フォトンマットバリア", "イージス裝備", "ノルンシステム", "バイオ裝甲", "バイオ裝甲", "バイオ裝甲"},  // USpH
    {"バイオ裝甲", "フレアシールド", "エンジェルウォール", "エルドラブロック", "ガーディアンカーテン", "クリスタル·ハート", "Oスキル:加速", "Oスキル:重力"},  // USpI
    {"重力 ", "時間停止", "衝擊", "透明化", "恐怖具現化", "變形", "變形", "オーバーフリーズ"},  // USpJ
    {"OSkill 硬化", "OSkill 怪力", "OSkill 竊盜", "---", "同化", "---", "---", "マジンパワー"},  // USpK
    {"銅鐸パワー ", "エモーショナルモード", "---", "クリスタル·ハート", "クリシュナ‧ハート", "特殊效果武器無?", "HP回復L1", "HP回復L2"},  // USpL
    {"HP回復L3", "Nジャマーキャンセラー", "ハイパーデュートリオン", "EN回復L1", "EN回復L2", "EN回復L3", "---", "---"},  // USpM
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
