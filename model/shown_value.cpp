#include "model/shown_value.h"

#include "model/table_registry.h"

namespace rt {

QString extraRowText(int row) { return QStringLiteral("(%1)").arg(row); }

QString shownValue(const ControlRef& control, const Field& field, const ControlValue& value,
                   const QStringList* listItems) {
  Q_ASSERT((control.kind == ControlKind::Combo) == (field.kind == FieldKind::Combo));
  switch (control.kind) {
    case ControlKind::Text: return value.text;
    case ControlKind::Check: return value.checked ? QStringLiteral("checked") : QStringLiteral("unchecked");
    case ControlKind::Combo:
      if (value.row < 0) return {};  // an empty combo box
      if (!listItems) return QString::number(value.row);
      if (value.row < listItems->size()) return listItems->at(value.row);
      return extraRowText(value.row);
  }
  return {};
}

const QStringList* ListCache::items(const QString& namesDir, const NameListSource& list) {
  const Key key{namesDir, list.file, list.count, list.skip, list.style};
  auto at = loaded_.find(key);
  if (at == loaded_.end()) {
    auto names = loadNames(namesDir, list);
    at = loaded_.emplace(key, names ? std::optional<QStringList>(std::move(*names)) : std::nullopt).first;
  }
  return at->second ? &*at->second : nullptr;
}

}  // namespace rt
