#include "editors/skills/registry.h"
#include "editors/skills/skill_grid.h"

#include "model/table_registry.h"
#include "editors/layout.h"

namespace rt {
namespace {

QStringList numbered(const QString& prefix, int first, int last, int step = 1, const QString& suffix = {}) {
  QStringList out;
  for (int n = first; step > 0 ? n <= last : n >= last; n += step) out << prefix + QString::number(n) + suffix;
  return out;
}

// The rows' captions are shown through their patterns, the row's number for %1.
[[maybe_unused]] const char* const kShownAs[] = {QT_TRANSLATE_NOOP("Caption", "等級%1"),
                                                 QT_TRANSLATE_NOOP("Caption", "底力L%1")};

QStringList levels9() { return numbered(QStringLiteral(QT_TRANSLATE_NOOP("Caption", "等級")), 1, 9); }  // level 1..9

std::vector<SkillGrid> makeGrids() {
  const QString levelKind = QStringLiteral(QT_TRANSLATE_NOOP("Caption", "等級/種類"));  // level / kind
  const QString evasion = QStringLiteral(QT_TRANSLATE_NOOP("Caption", "回避")), accuracy = QStringLiteral(QT_TRANSLATE_NOOP("Caption", "命中")), crit = QStringLiteral("CT");
  std::vector<SkillGrid> grids;

  // Morale bonus: 3 blocks of 8 morale steps x 6 statistics, 49 bytes apart
  // (one spare byte after each 48-byte grid).
  SkillGrid morale;
  morale.form = morale.caption = QStringLiteral("Skills_Edit");
  morale.corner = QStringLiteral(QT_TRANSLATE_NOOP("Caption", "氣力/種類"));  // morale / kind
  morale.rows = numbered(QString(), 100, 170, 10);
  morale.columns = {QStringLiteral(QT_TRANSLATE_NOOP("Caption", "格鬥")), QStringLiteral(QT_TRANSLATE_NOOP("Caption", "射擊")), QStringLiteral(QT_TRANSLATE_NOOP("Caption", "技量")),
                    QStringLiteral(QT_TRANSLATE_NOOP("Caption", "防禦")), evasion, accuracy};  // melee, shooting, skill, defence
  morale.base = layout::kSkillMoraleBlocks;
  morale.blockStride = layout::kSkillMoraleBlockStride;
  morale.blocks = layout::kSkillMoraleBlockCount;
  morale.blockNames = {QStringLiteral("choices_ki.txt"), 3};
  grids.push_back(morale);

  // Level x attack: two arrays of nine u16, the attack column (0x696F2) stored
  // before the critical/accuracy column (0x69706), two spare bytes between.
  SkillGrid atk;
  atk.form = atk.caption = QStringLiteral("Skills_Edit_Atk");
  atk.corner = QStringLiteral(QT_TRANSLATE_NOOP("Caption", "等級"));  // level
  atk.rows = numbered(QString(), 1, 9);
  atk.columns = {QStringLiteral(QT_TRANSLATE_NOOP("Caption", "CT%/命中")), QStringLiteral(QT_TRANSLATE_NOOP("Caption", "攻擊力"))};  // critical % / accuracy, attack power
  atk.base = layout::kSkillAtkPowerColumn;
  atk.width = 2;
  atk.columnStarts = {layout::kSkillAtkRateColumn - layout::kSkillAtkPowerColumn, 0x00};
  atk.refresh = true;
  grids.push_back(atk);

  // Latent strength: 4 blocks of 9 levels x 10 remaining-HP steps, 92 bytes
  // apart (two spare bytes after each 90-byte grid).
  SkillGrid hp;
  hp.form = hp.caption = QStringLiteral("Skills_Edit_Hp");
  hp.corner = QStringLiteral("LV/HP%");
  hp.rows = numbered(QStringLiteral(QT_TRANSLATE_NOOP("Caption", "底力L")), 1, 9);
  hp.columns = numbered(QString(), 100, 10, -10, QStringLiteral("%"));
  hp.base = layout::kSkillHpBlocks;
  hp.blockStride = layout::kSkillHpBlockStride;
  hp.blocks = layout::kSkillHpBlockCount;
  hp.blockNames = {QStringLiteral("choices_hp.txt"), 4};
  grids.push_back(hp);

  SkillGrid xin;  // three levels; this form's window has no caption
  xin.form = QStringLiteral("skills_edit_xin");
  xin.corner = levelKind;
  xin.rows = numbered(QStringLiteral(QT_TRANSLATE_NOOP("Caption", "等級")), 1, 3);
  xin.columns = {evasion, accuracy};
  xin.base = layout::kSkillXinGrid;
  grids.push_back(xin);

  SkillGrid super;
  super.form = super.caption = QStringLiteral("Skills_edit_super");
  super.corner = levelKind;
  super.rows = levels9();
  super.columns = {evasion, accuracy, crit};
  super.base = layout::kSkillSuperGrid;
  grids.push_back(super);

  SkillGrid fire;
  fire.form = fire.caption = QStringLiteral("Skills_Edit_Fire");
  fire.corner = levelKind;
  fire.rows = levels9();
  fire.columns = {evasion, accuracy, crit, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "裝甲"))};  // armour
  fire.base = layout::kSkillFireGrid;
  grids.push_back(fire);

  SkillGrid over;
  over.form = over.caption = QStringLiteral("Skills_Edit_OverSkill");
  over.corner = levelKind;
  over.rows = levels9();
  over.columns = {evasion, accuracy, crit};
  over.base = layout::kSkillOverGrid;
  grids.push_back(over);
  return grids;
}

}  // namespace

const std::vector<SkillGrid>& skillGrids() {
  static const std::vector<SkillGrid> grids = makeGrids();
  return grids;
}

const SkillGrid* findSkillGrid(const QString& form) {
  for (const SkillGrid& g : skillGrids())
    if (g.form == form) return &g;
  return nullptr;
}

TableDef skillGridTable(const SkillGrid& grid) {
  TableDef t{grid.form, grid.base, grid.blockStride, grid.blocks, {}};
  t.fields.resize(static_cast<size_t>(grid.valueCount()));
  for (int r = 0; r < grid.rowCount(); ++r) {
    for (int c = 0; c < grid.columnCount(); ++c) {
      const int i = grid.valueIndex(r, c);
      const std::int64_t offset = grid.columnStarts.empty()
                                      ? std::int64_t{grid.width} * i
                                      : grid.columnStarts[static_cast<size_t>(c)] + std::int64_t{grid.width} * r;
      const QString name = elementName(QStringLiteral("val"), i);
      // Joined in one allocation: every command builds the grids' tables.
      QString caption;
      caption.reserve(grid.rows[r].size() + 3 + grid.columns[c].size());
      caption.append(grid.rows[r]).append(u" / ").append(grid.columns[c]);
      t.fields[static_cast<size_t>(i)] = grid.width == 2 ? wordField(name, offset, caption) : byteField(name, offset, caption);
    }
  }
  return t;
}

namespace {

// A grid stored column by column: the listing says where each column's array lies.
class ColumnGridTable final : public FixedTable {
 public:
  explicit ColumnGridTable(const SkillGrid& grid) : FixedTable(skillGridTable(grid), grid.blockNames) {
    QStringList parts;
    for (int c = 0; c < grid.columnCount(); ++c) {
      parts << QStringLiteral("val(%1..%2): u%3 at 0x%4")
                   .arg(grid.valueIndex(0, c))
                   .arg(grid.valueIndex(grid.rowCount() - 1, c))
                   .arg(8 * grid.width)
                   .arg(QString::number(grid.base + grid.columnStarts[static_cast<size_t>(c)], 16).toUpper());
    }
    note_ = parts.join(QStringLiteral("; "));
  }
  QString note() const override { return note_; }

 private:
  QString note_;
};

}  // namespace

std::shared_ptr<const TableAdapter> skillGridAdapter(const SkillGrid& grid) {
  if (grid.columnStarts.empty()) return std::make_shared<FixedTable>(skillGridTable(grid), grid.blockNames);
  return std::make_shared<ColumnGridTable>(grid);
}

}  // namespace rt
