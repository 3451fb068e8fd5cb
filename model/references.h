#pragma once
// References between tables: a field whose value names a record of another
// table (a code, perhaps with values that name no record), or a pair of fields
// naming a run of records (a first index and a count). Each table declares
// its references beside its fields; "used by", the go-to of a field and the
// check all read them from there.

#include <QList>
#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <functional>

namespace rt {

struct Reference {
  enum Kind {
    Code,   // the field's value names one record
    Range,  // the field names the first record, countField how many follow
  };
  Kind kind = Code;
  QString field;       // control name of the field holding the code or first index
  QString countField;  // Range: control name of the count
  QString target;      // the table pointed into
  int first = 0;       // the value that names record 0 (1 where row 0 of the field's list names nothing)
  int count = 0;       // values first .. first + count - 1 name records 0 .. count - 1
  QList<int> none;     // values that name no record
  // Target records that only this pointer reaches (no table of their own):
  // where they lie. areaBase < 0 when the target is a table.
  std::int64_t areaBase = -1;
  std::int64_t areaStride = 0;

  bool isNone(std::int64_t value) const { return none.contains(static_cast<int>(value)); }
  // The record a value names; may lie outside 0 .. count - 1.
  std::int64_t recordOf(std::int64_t value) const { return value - first; }
};

// A code naming a record of `target` (`count` records), `none` values naming none.
Reference codeRef(QString field, QString target, int count, QList<int> none = {}, int first = 0);
// A first index and a count naming a run of records of `target`.
Reference rangeRef(QString firstField, QString countField, QString target, int count);
// A code naming one of `count` records at base + stride * i that no table lists.
Reference areaRef(QString field, QString target, std::int64_t base, std::int64_t stride, int count);

enum class Severity { Error, Warning };

// One thing the check found: where (table, record keys, field), by which rule,
// and why, in the terms of the data.
struct Problem {
  QString table;
  QVariantMap keys;  // {"index": 3} or stage and index; empty for the table as a whole
  QString field;
  QString rule;
  Severity severity = Severity::Error;
  QString message;
};

// The table whose bytes hold a file offset (other than `except`), or empty.
using TableAt = std::function<QString(std::int64_t offset, const QString& except)>;

QString severityText(Severity severity);  // "error", "warning"

}  // namespace rt
