#pragma once
// The records a transaction names, as the history stores them when there are
// many. A table view's save of every row names each record by its index:
// `[{"index":0},{"index":1},...]`, 14 KB for 989 rows, most of the pages the
// save's commit writes and flushes. Packed, the same list is
// `{"index":[[0,988]]}`: a record's index alone, and a run of three or more
// indices one after another as its first and last. Any other list is kept as
// it is. A program that does not know the packed form reads it as no list
// (not an array), as it reads the "[]" left in the transaction's own row.

#include <QByteArray>

#include <cstdint>
#include <vector>

namespace rt {

// `records` packed, or itself when it is not a list of indices alone.
QByteArray packedKeys(const QByteArray& records);
// The packed list of the records `indices` (each 0 or more), in their order.
QByteArray packedIndices(const std::vector<std::int64_t>& indices);
// The length of the same list written out: `[{"index":0},...]`.
qsizetype indexListSize(const std::vector<std::int64_t>& indices);
bool isPackedKeys(const QByteArray& records);
// The list `stored` was packed from, when it names `count` records (at most
// a million); any other text as it is.
QByteArray unpackedKeys(const QByteArray& stored, std::int64_t count);

}  // namespace rt
