// The table view: every table as a grid that reads what the table's own reads
// give and exports what imports back; sorting, the filter box, pastes checked
// whole, Save as one undoable transaction, and the ways in.
#include "ui/table_view.h"

#include "image/journal.h"
#include "editors/all_tables.h"
#include "editors/layout.h"
#include "tests/support/test_support.h"

#include <QCheckBox>
#include <QLabel>
#include <QColor>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace rt::test {
namespace {

struct GridFixture {
  SampleMenu s;
  ~GridFixture() {
    s.app.sink->answer = false;
    s.app.context->closeAllForms();
  }
  TableView* open(const QString& id) { return showTableView(*s.app.context, id); }
  const TableAdapter& table(const QString& id) const { return *s.app.context->tables().find(id); }
  // A record as the table itself reads it, without the grid.
  RecordState readOwn(const QString& id, int sourceRow, TableView* view) {
    auto state = table(id).read(s.app.context->rom(), view->model()->edits().rows()[static_cast<size_t>(sourceRow)].ref);
    EXPECT_TRUE(state.isOk()) << state.message().toStdString();
    return state ? *state : RecordState{};
  }
  static void select(TableView* view, int sourceRow, int column) {
    const QModelIndex at = view->proxy()->mapFromSource(view->model()->index(sourceRow, column));
    view->grid()->setCurrentIndex(at);
    view->grid()->selectionModel()->select(at, QItemSelectionModel::ClearAndSelect);
  }
  static std::vector<int> shownRows(TableView* view) {
    std::vector<int> rows;
    for (int r = 0; r < view->proxy()->rowCount(); ++r)
      rows.push_back(view->proxy()->mapToSource(view->proxy()->index(r, 0)).row());
    return rows;
  }
  int column(TableView* view, const QString& control) const {
    const auto& controls = view->model()->source().controls();
    for (size_t c = 0; c < controls.size(); ++c)
      if (controls[c].name == control) return view->model()->columnOfControl(static_cast<int>(c));
    ADD_FAILURE() << "no control " << control.toStdString();
    return -1;
  }
};

// --- One contract over every table -------------------------------------------

class EveryTable : public ::testing::TestWithParam<QString> {};

TEST_P(EveryTable, ShowsWhatTheTableReadsAndExportsWhatImportsBack) {
  GridFixture f;
  TableView* view = f.open(GetParam());
  ASSERT_NE(view, nullptr) << f.s.app.sink->messages.join(u'\n').toStdString();
  EXPECT_EQ(view->objectName(), QStringLiteral("TableView"));
  auto records = f.table(GetParam()).records(f.s.app.context->rom(), f.s.app.context->namesDir());
  ASSERT_TRUE(records.isOk());
  GridModel* model = view->model();
  ASSERT_EQ(model->rowCount(), static_cast<int>(records->size()));
  const std::vector<ControlRef> own = f.table(GetParam()).controls();
  for (int r : {0, model->rowCount() / 2, model->rowCount() - 1}) {
    EXPECT_EQ(model->edits().rows()[static_cast<size_t>(r)].ref.keys, (*records)[static_cast<size_t>(r)].keys);
    const RecordState state = f.readOwn(GetParam(), r, view);
    const auto& controls = model->source().controls();
    for (size_t c = 0; c < controls.size(); ++c) {
      const auto match = std::find_if(own.begin(), own.end(), [&](const ControlRef& o) { return o.name == controls[c].name; });
      ASSERT_NE(match, own.end()) << controls[c].name.toStdString();
      EXPECT_EQ(model->edits().value(r, static_cast<int>(c)), state[static_cast<size_t>(match - own.begin())])
          << "row " << r << " " << controls[c].name.toStdString();
    }
  }
  expectRendersWithinScreen(view, QStringLiteral("table_view_") + GetParam());

  // The whole view as CSV imports back without changing a byte.
  const QByteArray before = f.s.rom.bytes();
  QTemporaryDir dir;
  const QString csv = dir.filePath(GetParam() + QStringLiteral(".csv"));
  ASSERT_TRUE(view->exportCsv(csv));
  const CliRun run = cli({QStringLiteral("import"), f.s.rom.path(), csv, QStringLiteral("--table"), GetParam()});
  EXPECT_EQ(run.code, 0) << run.err.toStdString();
  EXPECT_EQ(f.s.rom.bytes(), before);
  EXPECT_TRUE(f.s.app.sink->messages.isEmpty()) << f.s.app.sink->messages.join(u'\n').toStdString();
}

QStringList tableNames() {
  QStringList names;
  const TableRegistry tables = allTables();
  for (const auto& t : tables.all()) names << t->name();
  return names;
}

INSTANTIATE_TEST_SUITE_P(Grid, EveryTable, ::testing::ValuesIn(tableNames()),
                         [](const auto& info) { return info.param.toStdString(); });

// --- Sorting and the filter box ---------------------------------------------

struct SortCase {
  const char* table;
  const char* control;
  Qt::SortOrder order;
};

void PrintTo(const SortCase& c, std::ostream* os) { *os << c.table << " " << c.control; }

// Every row once.
std::vector<int> shownRowsSorted(GridFixture&, TableView* view) {
  std::vector<int> rows = GridFixture::shownRows(view);
  std::set<int> once(rows.begin(), rows.end());
  EXPECT_EQ(once.size(), rows.size());
  return rows;
}

class Sorting : public ::testing::TestWithParam<SortCase> {};

TEST_P(Sorting, OrdersRowsByValueNotByText) {
  GridFixture f;
  const QString id = QString::fromLatin1(GetParam().table);
  TableView* view = f.open(id);
  ASSERT_NE(view, nullptr);
  const int column = f.column(view, QString::fromLatin1(GetParam().control));
  const int control = view->model()->controlOf(column);
  const Field& field = view->model()->source().fields()[static_cast<size_t>(view->model()->source().controls()[control].field)];
  view->grid()->sortByColumn(column, GetParam().order);
  const std::vector<int> rows = shownRowsSorted(f, view);
  ASSERT_EQ(rows.size(), static_cast<size_t>(view->model()->rowCount()));
  // Each row's value as the table itself reads it: a number, or a combo box's row.
  std::vector<long long> values;
  for (int r : rows) {
    const ControlValue v = f.readOwn(id, r, view)[static_cast<size_t>(control)];
    values.push_back(field.kind == FieldKind::Combo ? v.row : v.text.toLongLong(nullptr, field.kind == FieldKind::HexWord ? 16 : 10));
  }
  for (size_t i = 1; i < values.size(); ++i) {
    if (GetParam().order == Qt::AscendingOrder) EXPECT_LE(values[i - 1], values[i]) << i;
    else EXPECT_GE(values[i - 1], values[i]) << i;
  }
  EXPECT_NE(values.front(), values.back());  // the column does vary
}

INSTANTIATE_TEST_SUITE_P(Grid, Sorting,
                         ::testing::Values(SortCase{"Pilot", "Ab(0)", Qt::DescendingOrder},
                                           SortCase{"Weapon", "ATK", Qt::AscendingOrder},
                                           SortCase{"Weapon", "special", Qt::DescendingOrder},
                                           SortCase{"MAP", "unit_code", Qt::AscendingOrder}),
                         [](const auto& info) {
                           return std::string(info.param.table) + "_" +
                                  QString::fromLatin1(info.param.control).remove(QRegularExpression("\\W")).toStdString() +
                                  (info.param.order == Qt::AscendingOrder ? "_up" : "_down");
                         });

TEST(GridFilter, ExpressionsShowTheRowsTheirValuesSelect) {
  GridFixture f;
  TableView* view = f.open(QStringLiteral("Pilot"));
  ASSERT_NE(view, nullptr);
  auto* box = control<QLineEdit>(view, QStringLiteral("Filter"));
  const int rows = view->model()->rowCount();
  // Pilot controls as the table reads them: Ab(0..2) are melee, shooting, skill.
  std::vector<RecordState> own;
  for (int r = 0; r < rows; ++r) own.push_back(f.readOwn(QStringLiteral("Pilot"), r, view));
  const int ab0 = view->model()->controlOf(f.column(view, QStringLiteral("Ab(0)")));
  auto stat = [&](int r, int k) { return own[static_cast<size_t>(r)][static_cast<size_t>(ab0 + k)].text.toInt(); };
  const auto& records = view->model()->edits().rows();
  // A word is looked for in the name, the index and the columns of words (the lists' items).
  GridModel* model = view->model();
  auto nameOrIndex = [&records, model](const QString& word) {
    return [&records, model, word](int r) {
      bool found = records[static_cast<size_t>(r)].ref.name.contains(word, Qt::CaseInsensitive) || QString::number(r).contains(word);
      for (int c = 0; !found && c < model->columnCount(); ++c)
        found = model->textColumn(c) && model->text(r, c).contains(word, Qt::CaseInsensitive);
      return found;
    };
  };
  // A name that is one word of the filter (no separator, no operator in it).
  QString someName;
  for (size_t r = 7; r < records.size() && someName.isEmpty(); ++r)
    if (!records[r].ref.name.contains(QRegularExpression(QStringLiteral("[,&<>=!]"))) && !records[r].ref.name.trimmed().isEmpty())
      someName = records[r].ref.name.trimmed();
  const int someMelee = stat(5, 0);
  struct Case {
    QString text;
    std::function<bool(int)> shown;
    bool error = false;
  };
  const std::vector<Case> cases = {
      {QStringLiteral("格鬥 > 180"), [&](int r) { return stat(r, 0) > 180; }},
      {QStringLiteral("射擊 <= 100, 技量 >= 120"), [&](int r) { return stat(r, 1) <= 100 && stat(r, 2) >= 120; }},
      {QStringLiteral("Ab(0) = %1").arg(someMelee), [&](int r) { return stat(r, 0) == someMelee; }},
      {QStringLiteral("ab(0)!=0x%1").arg(someMelee, 0, 16), [&](int r) { return stat(r, 0) != someMelee; }},
      {someName, nameOrIndex(someName)},
      {QStringLiteral("12 & 格鬥 >= 100"), [&](int r) { return nameOrIndex(QStringLiteral("12"))(r) && stat(r, 0) >= 100; }},
      {QStringLiteral("格鬥 >"), [](int) { return true; }, true},       // no number: no filter
      {QStringLiteral("無此欄 > 3"), [](int) { return true; }, true},  // no such column: no filter
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.toStdString());
    box->setText(c.text);
    std::set<int> expected;
    for (int r = 0; r < rows; ++r)
      if (c.shown(r)) expected.insert(r);
    EXPECT_LT(expected.size(), static_cast<size_t>(rows) + (c.error ? 1 : 0));
    const std::vector<int> shown = GridFixture::shownRows(view);
    EXPECT_EQ(std::set<int>(shown.begin(), shown.end()), expected);
    EXPECT_EQ(!box->toolTip().isEmpty(), c.error) << box->toolTip().toStdString();
  }
}

// A condition reads its value as the column shows values: hex in a hex
// column, an item's name in a list column; a word searches every column of words.
TEST(GridFilter, ColumnsReadValuesAsTheyShowThemAndWordsSearchEveryTextColumn) {
  GridFixture f;
  struct Case {
    const char* table;
    const char* control;  // the column compared, or the info column a word is taken from
    bool word;
  };
  for (const Case& c : {Case{"MAP", "pilot_code", false}, Case{"Pilot", "character", false}, Case{"Weapon", "units", true}}) {
    SCOPED_TRACE(c.table);
    TableView* view = f.open(QString::fromLatin1(c.table));
    ASSERT_NE(view, nullptr);
    GridModel* model = view->model();
    const int rows = model->rowCount();
    auto* box = control<QLineEdit>(view, QStringLiteral("Filter"));
    std::set<int> expected;
    if (c.word) {
      // A unit's name that only the units column holds, in some row but not all.
      int column = -1;
      for (int k = 0; k < model->columnCount(); ++k)
        if (model->headerData(k, Qt::Horizontal, Qt::DisplayRole).toString() == QLatin1String("units")) column = k;
      ASSERT_GE(column, 0);
      QString word;
      for (int r = 0; r < rows && word.isEmpty(); ++r) {
        const QString first = model->text(r, column).section(u',', 0, 0).trimmed();
        if (first.size() > 1 && !first.contains(QRegularExpression(QStringLiteral("[,&<>=!]"))) &&
            !model->edits().rows()[static_cast<size_t>(r)].ref.name.contains(first))
          word = first;
      }
      ASSERT_FALSE(word.isEmpty());
      for (int r = 0; r < rows; ++r)
        if (model->text(r, column).contains(word, Qt::CaseInsensitive) ||
            model->edits().rows()[static_cast<size_t>(r)].ref.name.contains(word, Qt::CaseInsensitive))
          expected.insert(r);
      box->setText(word);
    } else {
      const int column = f.column(view, QString::fromLatin1(c.control));
      const QString caption = model->columns()[static_cast<size_t>(column)].caption;
      double v = 0;
      ASSERT_TRUE(model->number(5, column, &v));
      // What the cell shows: "10" in a hex column means 0x10, a list shows an item.
      const QString shown = model->text(5, column);
      for (int r = 0; r < rows; ++r) {
        double w = 0;
        if (model->number(r, column, &w) && w == v) expected.insert(r);
      }
      box->setText(caption + QStringLiteral(" = ") + shown);
    }
    EXPECT_TRUE(box->toolTip().isEmpty()) << box->toolTip().toStdString();
    EXPECT_LT(expected.size(), static_cast<size_t>(rows));
    const std::vector<int> shownRows = GridFixture::shownRows(view);
    EXPECT_EQ(std::set<int>(shownRows.begin(), shownRows.end()), expected) << box->text().toStdString();
  }
}

// The title carries "*" while edits are unsaved; counts read "1 cell", "2 cells".
TEST(GridEdits, TheTitleMarksUnsavedEditsAndCountsAreSingularForOne) {
  GridFixture f;
  TableView* view = f.open(QStringLiteral("SPEdit"));
  ASSERT_NE(view, nullptr);
  GridModel* model = view->model();
  const QString title = view->windowTitle();
  EXPECT_FALSE(title.contains(u'*'));
  const int old = byteAt(f.s.rom.bytes(), layout::kSpiritBase);
  ASSERT_TRUE(model->setData(model->index(0, model->columnOfControl(0)), QString::number((old + 1) % 256), Qt::EditRole));
  EXPECT_EQ(view->windowTitle(), title + QStringLiteral(" *"));
  const QString count = control<QLabel>(view, QStringLiteral("Count"))->text();
  EXPECT_TRUE(count.endsWith(QStringLiteral("; 1 edited cell in 1 record"))) << count.toStdString();
  f.s.app.sink->unsaved = MessageSink::Unsaved::Cancel;
  view->close();
  ASSERT_EQ(f.s.app.sink->unsavedQuestions.size(), 1);
  EXPECT_EQ(f.s.app.sink->unsavedQuestions[0], QStringLiteral("1 cell of 1 record is edited and not saved."));
  ASSERT_TRUE(view->save());
  EXPECT_EQ(view->windowTitle(), title);
  EXPECT_EQ(control<QLabel>(view, QStringLiteral("Status"))->text(), QStringLiteral("Saved 1 record; 1 byte changed."));
}

// --- Pastes and saves -------------------------------------------------------

struct BadPaste {
  const char* table;
  const char* control;  // the block's first column; the bad cell is at row 1 of the block, this column
  const char* bad;
  const char* mention;  // in the message besides the record and column names
};

void PrintTo(const BadPaste& p, std::ostream* os) { *os << p.table << " " << p.control << " '" << p.bad << "'"; }

class PasteRefused : public ::testing::TestWithParam<BadPaste> {};

TEST_P(PasteRefused, WritesNothingAndNamesTheCell) {
  GridFixture f;
  const QString id = QString::fromLatin1(GetParam().table);
  TableView* view = f.open(id);
  ASSERT_NE(view, nullptr);
  GridModel* model = view->model();
  const int first = f.column(view, QString::fromLatin1(GetParam().control));
  // A 3 x 2 block of the values the rows hold, but for one cell.
  QString block;
  for (int r = 2; r < 5; ++r)
    block += (r == 3 ? QString::fromUtf8(GetParam().bad) : model->text(r, first)) + u'\t' + model->text(r, first + 1) + u'\n';
  GridFixture::select(view, 2, first);
  const QByteArray before = f.s.rom.bytes();
  EXPECT_FALSE(view->pasteText(block));
  ASSERT_EQ(f.s.app.sink->messages.size(), 1);
  const QString message = f.s.app.sink->messages[0];
  EXPECT_TRUE(message.contains(model->rowName(3))) << message.toStdString();
  EXPECT_TRUE(message.contains(model->columns()[static_cast<size_t>(first)].caption)) << message.toStdString();
  EXPECT_TRUE(message.contains(QString::fromUtf8(GetParam().mention))) << message.toStdString();
  EXPECT_EQ(model->edits().editedCells(), 0);
  EXPECT_EQ(view->grid()->currentIndex(), view->proxy()->mapFromSource(model->index(3, first)));
  control<QPushButton>(view, QStringLiteral("Save"))->click();
  EXPECT_EQ(f.s.rom.bytes(), before);
}

INSTANTIATE_TEST_SUITE_P(Grid, PasteRefused,
                         ::testing::Values(BadPaste{"Weapon", "ATK", "70000", "65535"},
                                           BadPaste{"Weapon", "special", "no such effect", "special.txt"},
                                           BadPaste{"Pilot", "PSpA(0)", "maybe", "1 or 0"},
                                           BadPaste{"Pilot", "Ab(0)", "12a", "12a"},
                                           BadPaste{"MAP", "pilot_code", "7FFF", "end of a stage"}),
                         [](const auto& info) {
                           return std::string(info.param.table) + "_" +
                                  QString::fromLatin1(info.param.control).remove(QRegularExpression("\\W")).toStdString();
                         });

std::vector<Transaction> history(GridFixture& f) {
  auto list = f.s.app.context->rom().journal() ? f.s.app.context->rom().journal()->list(-1, false)
                                               : Result<std::vector<Transaction>>(std::vector<Transaction>{});
  EXPECT_TRUE(list.isOk());
  return list ? *list : std::vector<Transaction>{};
}

TEST(GridSave, APastedBlockChangesExactlyItsBytesInOneTransactionThatUndoes) {
  GridFixture f;
  // Bytes their rows would store differently (a two-state 05, a spirit command
  // past the list): an edit of other fields of the record keeps them.
  f.s.rom.poke(layout::kPilotBase + layout::kPilotStride * 11 + 0x36, QByteArray("\x05", 1));
  f.s.rom.poke(layout::kPilotBase + layout::kPilotStride * 11 + 0x3F, QByteArray("\xC8", 1));
  TableView* view = f.open(QStringLiteral("Pilot"));
  ASSERT_NE(view, nullptr);
  GridModel* model = view->model();
  const int first = f.column(view, QStringLiteral("Ab(0)"));
  const QByteArray before = f.s.rom.bytes();
  // Rows 10..12, melee, shooting and skill: each byte moved by 7.
  QString block;
  std::vector<std::pair<std::int64_t, int>> expected;
  for (int r = 10; r < 13; ++r) {
    for (int k = 0; k < 3; ++k) {
      const std::int64_t at = layout::kPilotBase + layout::kPilotStride * r + 0x39 + k;
      const int value = (byteAt(before, at) + 7) % 256;
      block += QString::number(value) + (k < 2 ? u'\t' : u'\n');
      expected.emplace_back(at, value);
    }
  }
  GridFixture::select(view, 10, first);
  ASSERT_TRUE(view->pasteText(block)) << f.s.app.sink->messages.join(u'\n').toStdString();
  EXPECT_EQ(model->edits().editedCells(), 9);
  EXPECT_EQ(f.s.rom.bytes(), before);  // staged, not written
  EXPECT_EQ(model->data(model->index(11, first + 1), Qt::BackgroundRole).value<QColor>(), QColor(255, 232, 130));

  control<QPushButton>(view, QStringLiteral("Save"))->click();
  EXPECT_TRUE(f.s.app.sink->messages.isEmpty()) << f.s.app.sink->messages.join(u'\n').toStdString();
  const QByteArray saved = f.s.rom.bytes();
  expectOnlyBytes(before, saved, expected);
  EXPECT_EQ(model->edits().editedCells(), 0);
  EXPECT_EQ(model->text(12, first + 2), QString::number(expected.back().second));
  const std::vector<Transaction> done = history(f);
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0].info.source, view->txSource());
  EXPECT_EQ(done[0].info.table, QStringLiteral("Pilot"));
  EXPECT_EQ(done[0].info.recordCount, 3);

  typeKey(view->grid(), Qt::Key_Z, Qt::ControlModifier);  // undo the view's own save
  EXPECT_EQ(f.s.rom.bytes(), before);
  EXPECT_EQ(model->text(12, first + 2), QString::number(byteAt(before, expected.back().first)));
}

TEST(GridSave, ComboNamesAndCheckBoxesStoreTheirBytes) {
  GridFixture f;
  TableView* view = f.open(QStringLiteral("Weapon"));
  ASSERT_NE(view, nullptr);
  GridModel* model = view->model();
  const QByteArray before = f.s.rom.bytes();
  const int row = 20;
  const std::int64_t record = layout::kWeaponBase + layout::kWeaponStride * row;
  const int special = f.column(view, QStringLiteral("special"));
  const QStringList* effects = model->listOf(model->controlOf(special));
  ASSERT_NE(effects, nullptr);
  const int effect = (byteAt(before, record + 0x16) + 1) % static_cast<int>(effects->size());
  const int level = (byteAt(before, record + 0x17) + 1) % 256;
  GridFixture::select(view, row, special);
  ASSERT_TRUE(view->pasteText(effects->at(effect) + u'\t' + QString::number(level)));
  const int box = f.column(view, QStringLiteral("EProperty(3)"));
  const int flags = byteAt(before, record + 0x1D);
  GridFixture::select(view, row, box);
  ASSERT_TRUE(view->pasteText((flags & 8) ? QStringLiteral("0") : QStringLiteral("1")));
  ASSERT_TRUE(view->save());
  expectOnlyBytes(before, f.s.rom.bytes(), {{record + 0x16, effect}, {record + 0x17, level}, {record + 0x1D, flags ^ 8}});
}

TEST(GridSave, ARefusedCellIsMarkedNamedAndNothingIsWritten) {
  GridFixture f;
  TableView* view = f.open(QStringLiteral("Weapon"));
  ASSERT_NE(view, nullptr);
  GridModel* model = view->model();
  const int atk = f.column(view, QStringLiteral("ATK"));
  const int en = f.column(view, QStringLiteral("EN"));
  const QByteArray before = f.s.rom.bytes();
  ASSERT_TRUE(model->setData(model->index(4, en), QString::number((model->text(4, en).toInt() + 1) % 256), Qt::EditRole));
  ASSERT_TRUE(model->setData(model->index(9, atk), QStringLiteral("abc"), Qt::EditRole));
  EXPECT_EQ(model->data(model->index(9, atk), Qt::BackgroundRole).value<QColor>(), QColor(255, 150, 150));
  EXPECT_TRUE(model->data(model->index(9, atk), Qt::ToolTipRole).toString().contains(u"abc"));
  EXPECT_FALSE(view->save());
  ASSERT_EQ(f.s.app.sink->messages.size(), 1);
  EXPECT_TRUE(f.s.app.sink->messages[0].contains(model->rowName(9))) << f.s.app.sink->messages[0].toStdString();
  EXPECT_TRUE(f.s.app.sink->messages[0].contains(QStringLiteral("攻擊力")));
  EXPECT_EQ(f.s.rom.bytes(), before);
  EXPECT_EQ(model->edits().editedCells(), 2);  // kept, to be corrected
  control<QPushButton>(view, QStringLiteral("Revert"))->click();
  EXPECT_EQ(model->edits().editedCells(), 0);
}

TEST(GridSave, ClosingWithEditsAsksAndCancelKeepsThem) {
  GridFixture f;
  TableView* view = f.open(QStringLiteral("SPEdit"));
  ASSERT_NE(view, nullptr);
  GridModel* model = view->model();
  const int value = model->columnOfControl(0);
  const QByteArray before = f.s.rom.bytes();
  const int old = byteAt(before, layout::kSpiritBase);
  ASSERT_TRUE(model->setData(model->index(0, value), QString::number((old + 1) % 256), Qt::EditRole));
  f.s.app.sink->unsaved = MessageSink::Unsaved::Cancel;
  control<QPushButton>(view, QStringLiteral("Close"))->click();
  EXPECT_EQ(f.s.app.sink->unsavedQuestions.size(), 1);
  EXPECT_TRUE(view->isVisible());
  EXPECT_EQ(f.s.rom.bytes(), before);
  f.s.app.sink->unsaved = MessageSink::Unsaved::Save;
  control<QPushButton>(view, QStringLiteral("Close"))->click();
  EXPECT_FALSE(view->isVisible());
  expectOnlyBytes(before, f.s.rom.bytes(), {{layout::kSpiritBase, (old + 1) % 256}});
}

// --- The ways in -------------------------------------------------------------

TEST(GridOpening, FromTheMenusAndFromAnEditorOnTheRecordShown) {
  GridFixture f;
  auto* rows = control<QListWidget>(&f.s.menu, QStringLiteral("List1"));
  rows->setCurrentRow(2);  // Pilot
  control<QPushButton>(&f.s.menu, QStringLiteral("Table"))->click();
  auto* pilots = qobject_cast<TableView*>(f.s.app.context->openForm(tableViewName(QStringLiteral("Pilot"))));
  ASSERT_NE(pilots, nullptr);
  EXPECT_TRUE(pilots->windowTitle().contains(QStringLiteral("Pilot")));

  rows->setCurrentRow(4);  // Weapon, by Ctrl+T
  typeKey(rows, Qt::Key_T, Qt::ControlModifier);
  EXPECT_NE(f.s.app.context->openForm(tableViewName(QStringLiteral("Weapon"))), nullptr);

  QWidget* skills = f.s.edit(13, QStringLiteral("Main_2"));
  ASSERT_NE(skills, nullptr);
  control<QListWidget>(skills, QStringLiteral("List1"))->setCurrentRow(2);
  typeKey(control<QListWidget>(skills, QStringLiteral("List1")), Qt::Key_T, Qt::ControlModifier);
  EXPECT_NE(f.s.app.context->openForm(tableViewName(f.s.app.context->menus().forms(MenuKind::Skills)[2])), nullptr);

  // An editor's Table opens on its record.
  QWidget* form = f.s.edit(2, QStringLiteral("Pilot"));
  ASSERT_NE(form, nullptr);
  control<QListWidget>(form, QStringLiteral("List1"))->setCurrentRow(7);
  control<QPushButton>(form, QStringLiteral("Table"))->click();
  const QModelIndex at = pilots->proxy()->mapToSource(pilots->grid()->currentIndex());
  EXPECT_EQ(pilots->model()->edits().rows()[static_cast<size_t>(at.row())].ref.keys.value(QStringLiteral("index")).toInt(), 7);

  QWidget* map = f.s.edit(9, QStringLiteral("MAP"));
  ASSERT_NE(map, nullptr);
  // A stage with two records or more; its second record.
  auto* stageList = control<QListWidget>(map, QStringLiteral("List1"));
  int stage = 0;
  for (; stage < stageList->count(); ++stage) {
    stageList->setCurrentRow(stage);
    if (control<QListWidget>(map, QStringLiteral("List2"))->count() >= 2) break;
  }
  ASSERT_LT(stage, stageList->count());
  control<QListWidget>(map, QStringLiteral("List2"))->setCurrentRow(1);
  typeKey(control<QListWidget>(map, QStringLiteral("List2")), Qt::Key_T, Qt::ControlModifier);
  auto* stages = qobject_cast<TableView*>(f.s.app.context->openForm(tableViewName(QStringLiteral("MAP"))));
  ASSERT_NE(stages, nullptr);
  const QVariantMap keys =
      stages->model()->edits().rows()[static_cast<size_t>(stages->proxy()->mapToSource(stages->grid()->currentIndex()).row())].ref.keys;
  EXPECT_EQ(keys.value(QStringLiteral("stage")).toInt(), stage);
  EXPECT_EQ(keys.value(QStringLiteral("index")).toInt(), 1);
  EXPECT_TRUE(f.s.app.sink->messages.isEmpty()) << f.s.app.sink->messages.join(u'\n').toStdString();
}

TEST(GridOpening, WeaponsNameTheirUnitsAndPilotSkillsOpenTheirLevelRecords) {
  GridFixture f;
  const QByteArray image = f.s.rom.bytes();
  TableView* weapons = f.open(QStringLiteral("Weapon"));
  ASSERT_NE(weapons, nullptr);
  // Unit 5's first weapon names unit 5 among its units.
  const std::int64_t unit = layout::kUnitBase + layout::kUnitStride * 5;
  const int firstWeapon = static_cast<int>(valueAt(image, unit + layout::kUnitFirstWeapon, 2));
  auto units = loadNames(f.s.app.context->namesDir(), {QStringLiteral("Units.txt"), layout::kUnitCount});
  ASSERT_TRUE(units.isOk());
  ASSERT_GT(valueAt(image, unit + layout::kUnitWeaponCount, 1), 0u);
  EXPECT_TRUE(weapons->model()->text(firstWeapon, 3).contains((*units)[5])) << weapons->model()->text(firstWeapon, 3).toStdString();

  TableView* pointers = f.open(QStringLiteral("PSkills"));
  ASSERT_NE(pointers, nullptr);
  control<QPushButton>(pointers, QStringLiteral("LevelRecords"))->click();
  auto* levels = qobject_cast<TableView*>(f.s.app.context->openForm(tableViewName(QStringLiteral("PSkills levels"))));
  ASSERT_NE(levels, nullptr);
  // Each row shows the nine bytes of the level record its index selects, and
  // every index a pilot's slot holds has its row.
  std::set<int> indexes;
  for (int p = 0; p < layout::kPilotCount; ++p)
    for (int s = 0; s < layout::kPilotSkillSlots; ++s)
      indexes.insert(static_cast<int>(valueAt(image, layout::kPilotBase + layout::kPilotStride * p + layout::kPilotSkillSlotsAt + 2 * s, 2)));
  ASSERT_EQ(levels->model()->rowCount(), static_cast<int>(indexes.size()));
  expectRendersWithinScreen(levels, QStringLiteral("table_view_PSkills_levels"));
  for (int r = 0; r < levels->model()->rowCount(); r += 7) {
    const GridRow& row = levels->model()->edits().rows()[static_cast<size_t>(r)];
    EXPECT_TRUE(indexes.count(row.ref.keys.value(QStringLiteral("index")).toInt()));
    for (int j = 0; j < layout::kSkillLevelsPerRecord; ++j)
      EXPECT_EQ(row.state[static_cast<size_t>(j)].text.toInt(),
                byteAt(image, layout::kSkillLevelBase + layout::kSkillLevelsPerRecord * row.ref.keys.value(QStringLiteral("index")).toInt() + j));
  }
}

TEST(GridScreens, PilotGridSortedAndShaded) {
  GridFixture f;
  TableView* view = f.open(QStringLiteral("Pilot"));
  ASSERT_NE(view, nullptr);
  const int melee = f.column(view, QStringLiteral("Ab(0)"));
  view->grid()->sortByColumn(melee, Qt::DescendingOrder);
  control<QCheckBox>(view, QStringLiteral("Shade"))->setChecked(true);
  GridProxy* proxy = view->proxy();
  const QColor top = proxy->index(0, melee).data(Qt::BackgroundRole).value<QColor>();
  const QColor bottom = proxy->index(proxy->rowCount() - 1, melee).data(Qt::BackgroundRole).value<QColor>();
  EXPECT_GT(top.red(), top.blue());        // the highest value is red
  EXPECT_GT(bottom.blue(), bottom.red());  // the lowest blue
  view->grid()->scrollTo(proxy->index(0, melee + 2), QAbstractItemView::PositionAtCenter);
  expectRendersWithinScreen(view, QStringLiteral("pilot_grid"));
}

}  // namespace
}  // namespace rt::test
