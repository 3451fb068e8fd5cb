#include "model/form_place.h"

#include <QSet>

namespace rt {

QStringList MenuRows::forms(MenuKind menu) const {
  QStringList out;
  for (const FormPlace& p : places_) {
    if (p.menu != menu || p.row < 0) continue;
    while (out.size() <= p.row) out.append(QString());
    out[p.row] = p.id;
  }
  return out;
}

QString MenuRows::problem() const {
  QSet<QString> ids;
  for (const FormPlace& p : places_) {
    if (p.id.isEmpty()) return QStringLiteral("a form without a name");
    if (ids.contains(p.id)) return QStringLiteral("%1 is placed twice").arg(p.id);
    ids.insert(p.id);
    if (p.row < 0) return QStringLiteral("%1 has row %2").arg(p.id).arg(p.row);
  }
  for (MenuKind menu : {MenuKind::Main, MenuKind::Skills}) {
    const QStringList rows = forms(menu);
    int taken = 0;
    for (const FormPlace& p : places_) taken += p.menu == menu ? 1 : 0;
    for (int r = 0; r < rows.size(); ++r)
      if (rows[r].isEmpty()) return QStringLiteral("row %1 opens nothing").arg(r);
    if (taken != rows.size()) return QStringLiteral("two forms share a row");
  }
  return {};
}

}  // namespace rt
