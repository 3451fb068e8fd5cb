#pragma once
// Following the declared references over a whole image: which records a
// record names, which records name it, how many name each record of a table,
// and the check of every link and coded value before the game trips on them.
// Each reads every table it needs in one session.

#include "model/table_registry.h"

namespace rt {

// One end of a link: a record (its table and keys) and the field that holds it.
struct Link {
  QString table;
  QVariantMap keys;
  QString field;
};

struct RecordLinks {
  std::vector<Link> refersTo;  // the records this one names, in field order
  std::vector<Link> usedBy;    // the records naming this one
};

// Where a reference's records lie and how many there are; a target that is
// neither a table nor an area of its own is unknown (name empty).
struct RefTarget {
  QString name;
  std::int64_t base = 0;
  std::int64_t stride = 0;
  int tableCount = 0;  // records the target table holds
};
RefTarget targetOf(const TableRegistry& registry, const Reference& ref);

// The tables that others point into, with the names of the areas that only a
// pointer reaches (level records), each once.
QStringList referencedTables(const TableRegistry& registry);

// What record `keys` of `table` names and which records name it.
Result<RecordLinks> linksOf(RomImage& rom, const TableRegistry& registry, const QString& table,
                            const QVariantMap& keys);

// How many records name each of the first `count` records of `table`.
Result<std::vector<int>> usedByCounts(RomImage& rom, const TableRegistry& registry, const QString& table, int count);

// Every broken or suspicious link and value; `only` (table names) keeps the
// problems of those tables. Name lists are looked up in `namesDir`.
Result<std::vector<Problem>> checkImage(RomImage& rom, const TableRegistry& registry, const QString& namesDir,
                                        const QStringList& only = {});

// The problems of the values of one record (its links and coded bytes), read
// from its own table only: what a form checks around a save.
Result<std::vector<Problem>> recordProblems(RomImage& rom, const TableRegistry& registry, const QString& table,
                                            const QVariantMap& keys);

// The problems of `after` that `before` did not have (same table, record,
// field and rule): what a save brought in.
std::vector<Problem> newProblems(const std::vector<Problem>& before, const std::vector<Problem>& after);

// "Unit 12", "MAP 3/2": a record as problems and links name it.
QString linkRecordText(const QString& table, const QVariantMap& keys);

}  // namespace rt
