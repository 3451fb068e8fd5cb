#include "grid/tsv.h"

namespace rt {

QString toTsv(const std::vector<QStringList>& rows) {
  QString out;
  for (const QStringList& row : rows) {
    for (qsizetype c = 0; c < row.size(); ++c) {
      if (c) out += u'\t';
      const QString& cell = row[c];
      if (cell.contains(u'\t') || cell.contains(u'\n') || cell.contains(u'\r') || cell.contains(u'"'))
        out += u'"' + QString(cell).replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
      else
        out += cell;
    }
    out += u'\n';
  }
  return out;
}

std::vector<QStringList> parseTsv(const QString& text) {
  std::vector<QStringList> rows;
  QStringList row;
  QString cell;
  bool quoted = false, atCellStart = true, any = false;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar ch = text[i];
    if (quoted) {
      if (ch == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
        cell += u'"';
        ++i;
      } else if (ch == u'"') {
        quoted = false;
      } else {
        cell += ch;
      }
      continue;
    }
    if (ch == u'"' && atCellStart) {
      quoted = true;
      atCellStart = false;
      any = true;
    } else if (ch == u'\t') {
      row << cell;
      cell.clear();
      atCellStart = true;
      any = true;
    } else if (ch == u'\n' || ch == u'\r') {
      if (ch == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      row << cell;
      rows.push_back(row);
      row.clear();
      cell.clear();
      atCellStart = true;
      any = false;
    } else {
      cell += ch;
      atCellStart = false;
      any = true;
    }
  }
  if (any || !cell.isEmpty()) {
    row << cell;
    rows.push_back(row);
  }
  return rows;
}

}  // namespace rt
