#include "grid/grid_filter.h"

#include <QRegularExpression>

namespace rt {
namespace {

}  // namespace

bool parseFilterNumber(const QString& text, double* out) {
  bool ok = false;
  if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ||
      text.startsWith(QLatin1String("-0x"), Qt::CaseInsensitive)) {
    const bool negative = text.startsWith(u'-');
    const qlonglong n = text.mid(negative ? 3 : 2).toLongLong(&ok, 16);
    *out = static_cast<double>(negative ? -n : n);
    return ok;
  }
  *out = text.toDouble(&ok);  // C locale: "180", "-3", "2.5"
  return ok;
}

namespace {

FilterOp opOf(const QString& op) {
  if (op == QLatin1String("<")) return FilterOp::Less;
  if (op == QLatin1String("<=")) return FilterOp::LessOrEqual;
  if (op == QLatin1String(">")) return FilterOp::Greater;
  if (op == QLatin1String(">=")) return FilterOp::GreaterOrEqual;
  if (op == QLatin1String("!=") || op == QLatin1String("<>")) return FilterOp::NotEqual;
  return FilterOp::Equal;
}

}  // namespace

GridFilter parseGridFilter(const QString& text, const std::function<std::vector<int>(const QString&)>& columnsNamed,
                           const ColumnValue& valueIn) {
  static const QRegularExpression separators(QStringLiteral("[,&]"));
  static const QRegularExpression condition(QStringLiteral("^(.*?)\\s*(<=|>=|!=|<>|==|=|<|>)\\s*(\\S*)$"));
  GridFilter filter;
  for (const QString& part : text.split(separators, Qt::SkipEmptyParts)) {
    const QString term = part.trimmed();
    if (term.isEmpty()) continue;
    const QRegularExpressionMatch m = condition.match(term);
    if (!m.hasMatch()) {
      filter.words << term;
      continue;
    }
    FilterCondition c;
    c.name = m.captured(1);
    c.op = opOf(m.captured(2));
    if (c.name.isEmpty()) {
      filter.error = QStringLiteral("\"%1\": name a column before %2.").arg(term, m.captured(2));
      break;
    }
    c.columns = columnsNamed(c.name);
    if (c.columns.empty()) {
      filter.error = QStringLiteral("\"%1\": no column is headed or named \"%2\".").arg(term, c.name);
      break;
    }
    // Each column reads the value its own way; a column that cannot leaves
    // the condition to the others.
    const QString value = m.captured(3);
    std::vector<int> reading;
    QString why;
    for (int column : c.columns) {
      std::optional<double> v;
      double number = 0;
      if (valueIn) v = valueIn(column, value, &why);
      else if (parseFilterNumber(value, &number)) v = number;
      else why = QStringLiteral("\"%1\" is not a number").arg(value);
      if (!v) continue;
      reading.push_back(column);
      c.values.push_back(*v);
    }
    if (reading.empty()) {
      filter.error = QStringLiteral("\"%1\": %2.").arg(term, why);
      break;
    }
    c.columns = std::move(reading);
    c.value = c.values.front();
    filter.conditions.push_back(std::move(c));
  }
  if (!filter.error.isEmpty()) {
    filter.words.clear();
    filter.conditions.clear();
  }
  return filter;
}

bool holds(FilterOp op, double left, double right) {
  switch (op) {
    case FilterOp::Less: return left < right;
    case FilterOp::LessOrEqual: return left <= right;
    case FilterOp::Greater: return left > right;
    case FilterOp::GreaterOrEqual: return left >= right;
    case FilterOp::Equal: return left == right;
    case FilterOp::NotEqual: return left != right;
  }
  return false;
}

}  // namespace rt
