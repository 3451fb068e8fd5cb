#pragma once
// A control's value as its form shows it, for views that print stored values
// (history, differences, grids) without opening the form.

#include "model/name_list.h"
#include "model/record_codec.h"

#include <QString>
#include <QStringList>

#include <map>
#include <optional>
#include <tuple>

namespace rt {

// How a combo box shows a row n past its list (a stored byte without a row): "(n)".
QString extraRowText(int row);

// Text box: its text. Combo box: the item of its row in `listItems` (the loaded
// items of field.list), extraRowText(n) for a row n past the list, the row
// number when `listItems` is null, and nothing when no row is selected.
// Check box: "checked" or "unchecked". `field` is the field control.field names.
QString shownValue(const ControlRef& control, const Field& field, const ControlValue& value,
                   const QStringList* listItems);

// Name lists loaded once each, so that printing many values reads every list
// file once. A list that failed to load stays failed; it is not read again.
class ListCache {
 public:
  // The items of `list` in `namesDir`, or null when the list is missing, short
  // or unreadable. The pointer stays valid as long as the cache.
  const QStringList* items(const QString& namesDir, const NameListSource& list);

 private:
  using Key = std::tuple<QString, QString, int, int, ItemStyle>;
  std::map<Key, std::optional<QStringList>> loaded_;
};

}  // namespace rt
