// Main's "Compare with..." and "Export patch...", and every form showing a
// record by its keys (what a double-click in the comparison asks of it).
#include "ui/compare_window.h"

#include "ui/editor_form.h"
#include "editors/all_tables.h"
#include "tests/support/test_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace rt::test {
namespace {

// Saves SP_VAL of SPEdit record `row` through its form; returns the old and new texts.
std::pair<QString, QString> saveSpirit(SampleMenu& s, int row) {
  QWidget* form = s.edit(0, QStringLiteral("SPEdit"));
  control<QListWidget>(form, QStringLiteral("List1"))->setCurrentRow(row);
  auto* box = control<QLineEdit>(form, QStringLiteral("SP_VAL"));
  const QString old = box->text();
  const QString next = old == QLatin1String("99") ? QStringLiteral("98") : QStringLiteral("99");
  box->setText(next);
  control<QPushButton>(form, QStringLiteral("Save"))->click();
  control<QListWidget>(form, QStringLiteral("List1"))->setCurrentRow(0);
  return {old, next};
}

TEST(CompareWindow, ShowsTheChangedFieldsFiltersThemAndOpensTheirRecord) {
  SampleMenu s;
  TempRom clean(sampleImage());
  const auto [old, now] = saveSpirit(s, 2);
  s.rom.poke(0x300, QByteArray::fromHex("0102"));  // bytes of no table
  s.app.chooser->next = clean.path();
  control<QPushButton>(&s.menu, QStringLiteral("Compare"))->click();
  auto* window = qobject_cast<CompareWindow*>(s.app.context->openForm(QStringLiteral("Compare")));
  ASSERT_NE(window, nullptr);
  QSignalSpy done(window, &CompareWindow::compared);
  if (window->busy()) {
    ASSERT_TRUE(done.wait(30000));
  }
  ASSERT_TRUE(s.app.sink->messages.isEmpty()) << s.app.sink->messages.join(u'\n').toStdString();

  auto* tree = control<QTreeWidget>(window, QStringLiteral("CompareTree"));
  ASSERT_EQ(tree->topLevelItemCount(), 2);
  QTreeWidgetItem* table = tree->topLevelItem(0);
  EXPECT_EQ(table->text(0), QStringLiteral("SPEdit"));
  ASSERT_EQ(table->childCount(), 1);
  QTreeWidgetItem* record = table->child(0);
  EXPECT_TRUE(record->text(0).startsWith(QStringLiteral("2  "))) << record->text(0).toStdString();
  ASSERT_EQ(record->childCount(), 1);
  QTreeWidgetItem* field = record->child(0);
  EXPECT_EQ(field->text(1), QStringLiteral("SP_VAL"));
  EXPECT_EQ(field->text(2), old);
  EXPECT_EQ(field->text(3), now);
  EXPECT_EQ(tree->topLevelItem(1)->child(0)->text(0), QStringLiteral("0x300..0x301"));
  EXPECT_TRUE(control<QLabel>(window, QStringLiteral("CompareStatus"))->text().contains(QStringLiteral("1 field(s) of 1 record(s)")));
  expectRendersWithinScreen(window, QStringLiteral("compare_window"));

  auto* filter = control<QLineEdit>(window, QStringLiteral("CompareFilter"));
  filter->setText(QStringLiteral("sp_val"));
  EXPECT_FALSE(table->isHidden());
  EXPECT_TRUE(tree->topLevelItem(1)->isHidden());
  filter->setText(QStringLiteral("no such thing"));
  EXPECT_TRUE(table->isHidden());
  filter->clear();
  EXPECT_FALSE(tree->topLevelItem(1)->isHidden());

  emit tree->itemDoubleClicked(field, 0);
  QWidget* form = s.app.context->openForm(QStringLiteral("SPEdit"));
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(control<QListWidget>(form, QStringLiteral("List1"))->currentRow(), 2);
  EXPECT_EQ(control<QLineEdit>(form, QStringLiteral("SP_VAL"))->text(), now);
  expectRendersWithinScreen(&s.menu, QStringLiteral("main_menu"));
  s.app.context->closeAllForms();
}

// Every form shows the record its table's keys address, as the export shows it.
TEST(CompareWindow, EveryFormShowsARecordByItsKeys) {
  SampleMenu s;
  const TableRegistry registry = allTables();
  for (const auto& table : registry.all()) {
    SCOPED_TRACE(table->name().toStdString());
    const QJsonArray records = exportRecords(s.rom.path(), table->name());
    ASSERT_FALSE(records.isEmpty());
    const QJsonObject record = records[records.size() * 2 / 3].toObject();
    QVariantMap keys;
    for (const QString& k : table->keyNames()) keys.insert(k, record.value(k).toInt());
    auto* form = qobject_cast<EditorForm*>(s.app.context->showForm(table->name()));
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(form->showRecord(keys));
    const QJsonObject fields = record.value(QStringLiteral("fields")).toObject();
    int compared = 0;
    for (const ControlRef& c : table->controls()) {
      const QJsonValue v = fields.value(c.name);
      if (auto* box = form->findChild<QLineEdit*>(c.name)) {
        EXPECT_EQ(box->text(), v.toString()) << c.name.toStdString();
      } else if (auto* check = form->findChild<QCheckBox*>(c.name)) {
        EXPECT_EQ(check->isChecked(), v.toBool()) << c.name.toStdString();
      } else if (auto* combo = form->findChild<QComboBox*>(c.name); combo && v.isDouble()) {
        EXPECT_EQ(combo->currentIndex(), v.toInt()) << c.name.toStdString();
      } else {
        continue;
      }
      ++compared;
    }
    EXPECT_GT(compared, 0);
    keys.insert(QStringLiteral("index"), 1000000);
    EXPECT_FALSE(form->showRecord(keys));
  }
  EXPECT_TRUE(s.app.sink->messages.isEmpty()) << s.app.sink->messages.join(u'\n').toStdString();
  s.app.context->closeAllForms();
}

TEST(CompareWindow, ExportPatchWritesTheHistorysChangesAsBps) {
  SampleMenu s;
  const QByteArray original = s.rom.bytes();
  QTemporaryDir dir;
  s.app.chooser->next = dir.filePath(QStringLiteral("changes"));  // ".bps" is added
  control<QPushButton>(&s.menu, QStringLiteral("ExportPatch"))->click();
  ASSERT_EQ(s.app.sink->messages.size(), 1);  // nothing saved yet: no history
  EXPECT_TRUE(s.app.sink->messages[0].contains(QStringLiteral("no history")));
  saveSpirit(s, 4);
  saveSpirit(s, 5);
  const qsizetype notices = s.app.sink->notices.size();
  control<QPushButton>(&s.menu, QStringLiteral("ExportPatch"))->click();
  QTRY_VERIFY_WITH_TIMEOUT(s.app.sink->notices.size() > notices, 30000);
  EXPECT_TRUE(s.app.sink->notices.last().contains(QStringLiteral("2 byte(s) in 2 run(s)"))) << s.app.sink->notices.last().toStdString();
  const QString clean = writeFile(dir, QStringLiteral("clean.nds"), original);
  const QString out = dir.filePath(QStringLiteral("out.nds"));
  const CliRun applied = cli({QStringLiteral("apply"), dir.filePath(QStringLiteral("changes.bps")), clean,
                              QStringLiteral("--output"), out});
  ASSERT_EQ(applied.code, 0) << applied.err.toStdString();
  QFile result(out);
  ASSERT_TRUE(result.open(QIODevice::ReadOnly));
  EXPECT_TRUE(result.readAll() == s.rom.bytes());
  s.app.context->closeAllForms();
}

}  // namespace
}  // namespace rt::test
