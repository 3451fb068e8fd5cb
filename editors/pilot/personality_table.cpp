#include "editors/pilot/personality_table.h"

#include "editors/layout.h"
#include "editors/pilot/registry.h"

namespace rt {

TableDef personalityTable() {
  TableDef t{personalityPlace().id, layout::kPersonalityBase, layout::kPersonalityStride, layout::kPersonalityCount, {}};
  // One signed byte per battle event, single and double variant; no gaps.
  const QStringList captions = {
      QStringLiteral(QT_TRANSLATE_NOOP("Caption", "氣力+命中(單)")),   QStringLiteral(QT_TRANSLATE_NOOP("Caption", "氣力+命中(雙)")),       // hitting
      QStringLiteral(QT_TRANSLATE_NOOP("Caption", "氣力+不命中(單)")), QStringLiteral(QT_TRANSLATE_NOOP("Caption", "氣力+不命中(雙)")),     // missing
      QStringLiteral(QT_TRANSLATE_NOOP("Caption", "氣力+回避(單)")),   QStringLiteral(QT_TRANSLATE_NOOP("Caption", "氣力+回避(雙)")),       // evading
      QStringLiteral(QT_TRANSLATE_NOOP("Caption", "氣力+傷害(單)")),   QStringLiteral(QT_TRANSLATE_NOOP("Caption", "氣力+傷害(雙)")),       // taking damage
      QStringLiteral(QT_TRANSLATE_NOOP("Caption", "氣力+擊墜(單)")),   QStringLiteral(QT_TRANSLATE_NOOP("Caption", "氣力+擊墜(雙)")),       // shooting down an enemy
      QStringLiteral(QT_TRANSLATE_NOOP("Caption", "氣力+自軍被擊墜(單)")), QStringLiteral(QT_TRANSLATE_NOOP("Caption", "氣力+自軍被擊墜(雙)")),  // losing an own unit
  };
  for (int k = 0; k < 12; ++k)  // 0x00..0x0B
    t.fields.push_back(signedByteField(elementName(QStringLiteral("ki"), k), k, captions[k]));
  return t;
}

NameListSource personalityNames() { return {QStringLiteral("character.txt"), 8, 0, ItemStyle::Numeric}; }

}  // namespace rt
