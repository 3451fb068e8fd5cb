#pragma once
// The table view's filter box: words that must appear in a row's text
// columns (name, index, lists' items, notes), and conditions `caption op
// value` ("格鬥 > 180", "ATK >= 0x100", "性格 = 冷靜") on what a column holds,
// separated by commas or "&". A row is shown when every word and every
// condition holds. Each column reads the value as it shows values: a hex
// column in hex, a list column by its items' names or numbers.

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace rt {

enum class FilterOp { Less, LessOrEqual, Greater, GreaterOrEqual, Equal, NotEqual };

struct FilterCondition {
  QString name;              // as typed
  std::vector<int> columns;  // the columns it names; any of them may satisfy it
  FilterOp op = FilterOp::Equal;
  double value = 0;            // the value of the first column
  std::vector<double> values;  // aligned with columns: the value as each column reads it
};

struct GridFilter {
  QStringList words;
  std::vector<FilterCondition> conditions;
  QString error;  // why the text is no filter; the view then shows every row
  bool empty() const { return words.isEmpty() && conditions.empty(); }
};

// How column `column` reads `text` as a value; nullopt (and `why`, e.g. "\"x\"
// is not a number") when it cannot.
using ColumnValue = std::function<std::optional<double>(int column, const QString& text, QString* why)>;

// `columnsNamed` gives the columns a caption or control name stands for;
// `valueIn` how each reads a value (by default a decimal or 0x number).
GridFilter parseGridFilter(const QString& text, const std::function<std::vector<int>(const QString&)>& columnsNamed,
                           const ColumnValue& valueIn = {});
// A decimal number ("180", "-3", "2.5") or 0x and hex digits.
bool parseFilterNumber(const QString& text, double* out);
bool holds(FilterOp op, double left, double right);

}  // namespace rt
