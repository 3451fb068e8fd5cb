#pragma once
// The seven skill effect grids as the tests see them: where each cell lies,
// written out independently of the editors' own descriptions.

#include "model/record_codec.h"
#include "tests/support/test_support.h"

#include <QStringList>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace rt::test::grids {

// Covers every grid with room after the last one.
constexpr std::int64_t kImageSize = 0x6B000;

struct GridCase {
  std::string form;
  QString caption;
  std::vector<std::int64_t> blocks;  // file offset of each block's first cell
  int rows = 0, cols = 0;
  int width = 1;
  QString list;  // names the blocks; empty for a single grid
  // Grids stored column by column, each column an array of its own.
  std::vector<std::int64_t> columnArrays;
  QString corner;
  QStringList rowLabels, columnLabels;

  int count() const { return rows * cols; }
  int valIndex(int r, int c) const { return columnArrays.empty() ? cols * r + c : rows * c + r; }
  std::int64_t cellAt(int block, int r, int c) const {
    return columnArrays.empty() ? blocks[static_cast<size_t>(block)] + cols * r + c
                                : columnArrays[static_cast<size_t>(c)] + width * r;
  }
  std::uint32_t maxValue() const { return width == 2 ? 0xFFFF : 0xFF; }
};

inline void PrintTo(const GridCase& g, std::ostream* os) { *os << g.form; }

inline QStringList labels(const char* prefix, int first, int last, int step = 1, const char* suffix = "") {
  QStringList out;
  for (int n = first; step > 0 ? n <= last : n >= last; n += step)
    out << QString::fromUtf8(prefix) + QString::number(n) + QString::fromUtf8(suffix);
  return out;
}

inline std::vector<GridCase> gridCases() {
  const QString levelKind = QStringLiteral("等級/種類");
  const QString ev = QStringLiteral("回避"), acc = QStringLiteral("命中"), ct = QStringLiteral("CT");
  return {
      {"Skills_Edit", QStringLiteral("Skills_Edit"), {0x6A329, 0x6A35A, 0x6A38B}, 8, 6, 1, QStringLiteral("choices_ki.txt"), {},
       QStringLiteral("氣力/種類"), labels("", 100, 170, 10),
       {QStringLiteral("格鬥"), QStringLiteral("射擊"), QStringLiteral("技量"), QStringLiteral("防禦"), ev, acc}},
      {"Skills_Edit_Atk", QStringLiteral("Skills_Edit_Atk"), {0x696F2}, 9, 2, 2, {}, {0x69706, 0x696F2},
       QStringLiteral("等級"), labels("", 1, 9), {QStringLiteral("CT%/命中"), QStringLiteral("攻擊力")}},
      {"Skills_Edit_Hp", QStringLiteral("Skills_Edit_Hp"), {0x6A058, 0x6A0B4, 0x6A110, 0x6A16C}, 9, 10, 1,
       QStringLiteral("choices_hp.txt"), {}, QStringLiteral("LV/HP%"), labels("底力L", 1, 9), labels("", 100, 10, -10, "%")},
      {"skills_edit_xin", QString(), {0x696EA}, 3, 2, 1, {}, {}, levelKind, labels("等級", 1, 3), {ev, acc}},
      {"Skills_edit_super", QStringLiteral("Skills_edit_super"), {0x69771}, 9, 3, 1, {}, {}, levelKind, labels("等級", 1, 9),
       {ev, acc, ct}},
      {"Skills_Edit_Fire", QStringLiteral("Skills_Edit_Fire"), {0x697F4}, 9, 4, 1, {}, {}, levelKind, labels("等級", 1, 9),
       {ev, acc, ct, QStringLiteral("裝甲")}},
      {"Skills_Edit_OverSkill", QStringLiteral("Skills_Edit_OverSkill"), {0x69846}, 9, 3, 1, {}, {}, levelKind,
       labels("等級", 1, 9), {ev, acc, ct}},
  };
}

inline QString valName(int i) { return elementName(QStringLiteral("val"), i); }

}  // namespace rt::test::grids
