#pragma once
// The table view's filter box: words that must appear in a row's name or
// index, and conditions `caption op number` ("格鬥 > 180", "ATK >= 0x100")
// on the numbers a column holds, separated by commas or "&". A row is shown
// when every word and every condition holds.

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace rt {

enum class FilterOp { Less, LessOrEqual, Greater, GreaterOrEqual, Equal, NotEqual };

struct FilterCondition {
  QString name;              // as typed
  std::vector<int> columns;  // the columns it names; any of them may satisfy it
  FilterOp op = FilterOp::Equal;
  double value = 0;
};

struct GridFilter {
  QStringList words;
  std::vector<FilterCondition> conditions;
  QString error;  // why the text is no filter; the view then shows every row
  bool empty() const { return words.isEmpty() && conditions.empty(); }
};

// `columnsNamed` gives the columns a caption or control name stands for.
GridFilter parseGridFilter(const QString& text, const std::function<std::vector<int>(const QString&)>& columnsNamed);
bool holds(FilterOp op, double left, double right);

}  // namespace rt
