// The table view's texts: tab-separated blocks as spreadsheets copy them, and
// the filter box's expressions.
#include "grid/grid_filter.h"
#include "grid/tsv.h"

#include <gtest/gtest.h>

namespace rt::test {
namespace {

struct TsvCase {
  const char* name;
  QString text;  // as a spreadsheet puts it on the clipboard
  std::vector<QStringList> rows;
};

void PrintTo(const TsvCase& c, std::ostream* os) { *os << c.name; }

class Tsv : public ::testing::TestWithParam<TsvCase> {};

TEST_P(Tsv, ReadsTheBlockAndWritesItBackTheSame) {
  const std::vector<QStringList> rows = parseTsv(GetParam().text);
  ASSERT_EQ(rows.size(), GetParam().rows.size());
  for (size_t r = 0; r < rows.size(); ++r) EXPECT_EQ(rows[r], GetParam().rows[r]) << r;
  EXPECT_EQ(parseTsv(toTsv(rows)), rows);  // copied back out and in again, unchanged
}

INSTANTIATE_TEST_SUITE_P(
    Grid, Tsv,
    ::testing::Values(
        TsvCase{"OneCell", QStringLiteral("180"), {{QStringLiteral("180")}}},
        TsvCase{"Crlf", QStringLiteral("1\t2\r\n3\t4\r\n"), {{QStringLiteral("1"), QStringLiteral("2")}, {QStringLiteral("3"), QStringLiteral("4")}}},
        TsvCase{"EmptyCells", QStringLiteral("\t5\t\n"), {{QString(), QStringLiteral("5"), QString()}}},
        TsvCase{"QuotedTabAndLineEnd", QStringLiteral("\"a\tb\"\t\"c\nd\"\n"), {{QStringLiteral("a\tb"), QStringLiteral("c\nd")}}},
        TsvCase{"DoubledQuotes", QStringLiteral("\"say \"\"hi\"\"\"\tx\n"), {{QStringLiteral("say \"hi\""), QStringLiteral("x")}}},
        TsvCase{"QuoteInsideACell", QStringLiteral("5\"\t6\n"), {{QStringLiteral("5\""), QStringLiteral("6")}}},
        TsvCase{"Chinese", QStringLiteral("機師 1\t格鬥\n"), {{QStringLiteral("機師 1"), QStringLiteral("格鬥")}}},
        TsvCase{"BlankLineInside", QStringLiteral("1\n\n2\n"), {{QStringLiteral("1")}, {QString()}, {QStringLiteral("2")}}}),
    [](const auto& info) { return std::string(info.param.name); });

struct FilterCase {
  const char* text;
  int words;
  int conditions;
  bool error;
  // The first condition, when there is one: its columns, op and value.
  std::vector<int> columns;
  FilterOp op;
  double value;
};

// Columns "格鬥" (3), "ATK" (4) and two headed "強化配件" (5, 6).
std::vector<int> columnsNamed(const QString& name) {
  if (name == QStringLiteral("格鬥")) return {3};
  if (name.compare(QLatin1String("ATK"), Qt::CaseInsensitive) == 0) return {4};
  if (name == QStringLiteral("強化配件")) return {5, 6};
  return {};
}

void PrintTo(const FilterCase& c, std::ostream* os) { *os << c.text; }

class Filter : public ::testing::TestWithParam<FilterCase> {};

TEST_P(Filter, SplitsWordsAndConditions) {
  const FilterCase& c = GetParam();
  const GridFilter f = parseGridFilter(QString::fromUtf8(c.text), columnsNamed);
  EXPECT_EQ(!f.error.isEmpty(), c.error) << f.error.toStdString();
  EXPECT_EQ(f.words.size(), c.words);
  ASSERT_EQ(static_cast<int>(f.conditions.size()), c.conditions);
  if (c.conditions == 0) return;
  EXPECT_EQ(f.conditions[0].columns, c.columns);
  EXPECT_EQ(f.conditions[0].op, c.op);
  EXPECT_EQ(f.conditions[0].value, c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Grid, Filter,
    ::testing::Values(FilterCase{"格鬥 > 180", 0, 1, false, {3}, FilterOp::Greater, 180},
                      FilterCase{"atk>=0x100", 0, 1, false, {4}, FilterOp::GreaterOrEqual, 256},
                      FilterCase{"強化配件 != 0, 機師", 1, 1, false, {5, 6}, FilterOp::NotEqual, 0},
                      FilterCase{"格鬥<=-3 & ATK = 2.5", 0, 2, false, {3}, FilterOp::LessOrEqual, -3},
                      FilterCase{"格鬥 <> 7", 0, 1, false, {3}, FilterOp::NotEqual, 7},
                      FilterCase{"  機師 12 ,, ", 1, 0, false, {}, FilterOp::Equal, 0},
                      FilterCase{"格鬥 > many", 0, 0, true, {}, FilterOp::Equal, 0},
                      FilterCase{"命中 > 3", 0, 0, true, {}, FilterOp::Equal, 0},
                      FilterCase{"> 3", 0, 0, true, {}, FilterOp::Equal, 0},
                      FilterCase{"機師, 格鬥 >", 0, 0, true, {}, FilterOp::Equal, 0}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(FilterOps, CompareAsWritten) {
  struct Row {
    FilterOp op;
    bool below, equal, above;  // 1 op 2, 2 op 2, 3 op 2
  };
  for (const Row& r : {Row{FilterOp::Less, true, false, false}, Row{FilterOp::LessOrEqual, true, true, false},
                       Row{FilterOp::Greater, false, false, true}, Row{FilterOp::GreaterOrEqual, false, true, true},
                       Row{FilterOp::Equal, false, true, false}, Row{FilterOp::NotEqual, true, false, true}}) {
    EXPECT_EQ(holds(r.op, 1, 2), r.below);
    EXPECT_EQ(holds(r.op, 2, 2), r.equal);
    EXPECT_EQ(holds(r.op, 3, 2), r.above);
  }
}

}  // namespace
}  // namespace rt::test
