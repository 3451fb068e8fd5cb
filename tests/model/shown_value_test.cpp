#include "model/shown_value.h"

#include "editors/all_tables.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace rt::test {
namespace {

// Every combo box of every table names a list that the default lists hold in
// full: a wrong file name or a count past the file's items fails here.
TEST(ComboLists, EveryComboDeclaresAListTheDefaultNamesHold) {
  ListCache cache;
  const TableRegistry tables = allTables();
  for (const auto& table : tables.all()) {
    const std::vector<Field> fields = table->fields();
    for (const ControlRef& c : table->controls()) {
      if (c.kind != ControlKind::Combo) continue;
      SCOPED_TRACE((table->name() + QLatin1Char('.') + c.name).toStdString());
      if (c.field >= static_cast<int>(fields.size())) {
        ADD_FAILURE() << "no field " << c.field;
        continue;
      }
      const NameListSource& list = fields[static_cast<size_t>(c.field)].list;
      const QStringList* items = cache.items(namesDir(), list);
      if (items)
        EXPECT_EQ(items->size(), list.count);
      else
        ADD_FAILURE() << "cannot load \"" << list.file.toStdString() << "\", " << list.count << " items";
    }
  }
}

TEST(ShownValue, ShowsEachKindAsItsControlDoes) {
  const QStringList items = {QStringLiteral("none"), QStringLiteral("A"), QStringLiteral("B")};
  const Field text = byteField(QStringLiteral("t"), 0, QStringLiteral("T"));
  const Field combo = comboField(QStringLiteral("c"), 0, QStringLiteral("C"));
  const Field flags = flagsField(QStringLiteral("f"), 0, QStringLiteral("F"));
  struct Case {
    const char* name;
    ControlKind kind;
    const Field* field;
    ControlValue value;
    const QStringList* list;
    QString expected;
  } cases[] = {
      {"text", ControlKind::Text, &text, {QStringLiteral("12"), -1, false}, nullptr, QStringLiteral("12")},
      {"combo row", ControlKind::Combo, &combo, {{}, 1, false}, &items, QStringLiteral("A")},
      {"combo row just past the list", ControlKind::Combo, &combo, {{}, 3, false}, &items, QStringLiteral("(3)")},
      {"combo row far past the list", ControlKind::Combo, &combo, {{}, 200, false}, &items, QStringLiteral("(200)")},
      {"combo without its list", ControlKind::Combo, &combo, {{}, 2, false}, nullptr, QStringLiteral("2")},
      {"combo with no row", ControlKind::Combo, &combo, {{}, -1, false}, &items, QString()},
      {"checked", ControlKind::Check, &flags, {{}, -1, true}, nullptr, QStringLiteral("checked")},
      {"unchecked", ControlKind::Check, &flags, {{}, -1, false}, nullptr, QStringLiteral("unchecked")},
  };
  for (const Case& c : cases) {
    const ControlRef control{QStringLiteral("x"), c.kind, 0, c.kind == ControlKind::Check ? 0 : -1};
    EXPECT_EQ(shownValue(control, *c.field, c.value, c.list), c.expected) << c.name;
  }
}

TEST(ListCache, ReadsEachListOnceAndRemembersFailures) {
  QTemporaryDir dir;
  ListCache cache;
  const NameListSource missing{QStringLiteral("missing.txt"), 1};
  EXPECT_EQ(cache.items(dir.path(), missing), nullptr);
  writeFile(dir, missing.file, "x\n");
  EXPECT_EQ(cache.items(dir.path(), missing), nullptr);  // the failure stands

  const NameListSource present{QStringLiteral("present.txt"), 1};
  writeFile(dir, present.file, "x\n");
  const QStringList* first = cache.items(dir.path(), present);
  ASSERT_NE(first, nullptr);
  writeFile(dir, present.file, "changed\n");
  EXPECT_EQ(cache.items(dir.path(), present), first);
  EXPECT_EQ(*first, QStringList{QStringLiteral("x")});  // not read again
}

}  // namespace
}  // namespace rt::test
