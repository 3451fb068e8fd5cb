// The command line as a user runs it: output never lost or written over the
// image, imports that mean exactly what their rows say, bounded input, and
// messages that point at the real problem.
#include "editors/all_tables.h"
#include "tests/support/test_support.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace rt::test {
namespace {

const QString kCli = QStringLiteral(RT_BIN_DIR "/romtables-cli");

QByteArray exportBytes(const QString& rom, const QString& table, const QString& format) {
  return cli({QStringLiteral("export"), rom, table, QStringLiteral("--format"), format}).out.toUtf8();
}

TEST(CliOutput, OutputNeverNamesTheImageAndFailedWritesAreFailures) {
  TempRom rom(sampleImage());
  const QByteArray before = rom.bytes();
  QTemporaryDir dir;
  const QString link = dir.filePath(QStringLiteral("link.nds"));
  ASSERT_TRUE(QFile::link(rom.path(), link));
  for (const QString& target : {rom.path(), link}) {
    const CliRun run = cli({QStringLiteral("export"), rom.path(), QStringLiteral("SPEdit"), QStringLiteral("--output"), target});
    EXPECT_EQ(run.code, 2) << target.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("names the image"))) << run.err.toStdString();
  }
  EXPECT_EQ(rom.bytes(), before);

  // Standard output on a full device: the program says so and fails.
  QProcess full;
  full.setStandardOutputFile(QStringLiteral("/dev/full"));
  full.start(kCli, {QStringLiteral("export"), rom.path(), QStringLiteral("Weapon")});
  ASSERT_TRUE(full.waitForFinished(30000));
  EXPECT_EQ(full.exitCode(), 1);
  EXPECT_TRUE(QString::fromUtf8(full.readAllStandardError()).contains(QStringLiteral("No space left")));
}

// An unchanged export imports without changing a byte, for every table, on an
// image of random bytes (combo bytes without an exact row, flag bits without a box).
TEST(CliImportMeaning, AnUnchangedExportChangesNothing) {
  const TableRegistry registry = allTables();
  TempRom rom(sampleImage(3));
  const QByteArray before = rom.bytes();
  for (const auto& table : registry.all()) {
    for (const QString& format : {QStringLiteral("json"), QStringLiteral("csv")}) {
      const QByteArray file = exportBytes(rom.path(), table->name(), format);
      ASSERT_FALSE(file.isEmpty()) << table->name().toStdString();
      const CliRun run = importFile(rom.path(), file, {QStringLiteral("--table"), table->name()});
      EXPECT_EQ(run.code, 0) << table->name().toStdString() << " " << run.err.toStdString();
      EXPECT_TRUE(differences(before, rom.bytes()).empty()) << table->name().toStdString() << " " << format.toStdString();
    }
  }
}

TEST(CliImportMeaning, RowsSayOneThingPerRecordAndKeysAreWholeNumbers) {
  TempRom rom(sampleImage());
  const QByteArray before = rom.bytes();
  struct Case {
    const char* body;
    const char* says;
  };
  const Case refused[] = {
      {R"j({"table":"Pilot","records":[{"index":0,"fields":{"Ab(0)":"1"}},{"index":0,"fields":{"Ab(1)":"2"}}]})j",
       "record 1 of the file: it addresses the same record as record 0"},
      {R"j({"table":"Pilot","records":[{"index":1.5,"fields":{}}]})j", "whole number"},
      {R"j({"table":"Pilot","records":[{"index":true,"fields":{}}]})j", "whole number"},
      {R"j({"table":"Pilot","records":[{"index":-0.4,"fields":{}}]})j", "whole number"},
      {R"j({"table":"Pilot","records":[{"index":0,"fields":{}},{"index":"4","fields":{}}]})j",
       "record 1 of the file: \"index\" is the text"},
      {R"j({"table":"Pilot","records":[{"index":0,"Fields":{"Ab(0)":"1"}}]})j", "unknown key \"Fields\""},
      {R"j({"table":"Weapon","records":[{"index":0,"fields":{"ground(0)":200}}]})j", "past its list"},
      {R"j({"table":"MAP","records":[{"stage":0,"index":0,"fields":{"Mene":200}}]})j", "past its list"},
  };
  for (const Case& c : refused) {
    const CliRun run = importFile(rom.path(), c.body);
    EXPECT_EQ(run.code, 1) << c.body;
    EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.says))) << c.body << "\n" << run.err.toStdString();
  }
  EXPECT_EQ(rom.bytes(), before);
  // The same row twice says one thing.
  const QByteArray twice = R"j({"table":"Pilot","records":[{"index":0,"fields":{"Ab(0)":"1"}},{"index":0,"fields":{"Ab(0)":"1"}}]})j";
  EXPECT_EQ(importFile(rom.path(), twice).code, 0);
}

TEST(CliImportMeaning, SharedLevelRecordsTakeTheRowThatChangedThem) {
  TempRom rom(sampleImage());
  QJsonObject root = QJsonDocument::fromJson(exportBytes(rom.path(), QStringLiteral("PSkills"), QStringLiteral("json"))).object();
  QJsonArray records = root.value(QStringLiteral("records")).toArray();
  // Two pilots whose first slot selects the same level record.
  int a = -1, b = -1;
  for (int i = 0; i < records.size() && b < 0; ++i)
    for (int j = 0; j < i && b < 0; ++j)
      if (records[i].toObject()["fields"].toObject()["ptr(0)"] == records[j].toObject()["fields"].toObject()["ptr(0)"]) {
        a = j;
        b = i;
      }
  ASSERT_GE(b, 0) << "the sample image has no shared level record";
  const QString old = records[a].toObject()["fields"].toObject()["Skills(0)"].toString();
  const QString changed = old == QStringLiteral("5") ? QStringLiteral("6") : QStringLiteral("5");
  QJsonObject ra = records[a].toObject();
  QJsonObject fa = ra["fields"].toObject();
  fa["Skills(0)"] = changed;
  ra["fields"] = fa;
  records[a] = ra;
  root["records"] = records;
  const CliRun run = importFile(rom.path(), QJsonDocument(root).toJson());
  ASSERT_EQ(run.code, 0) << run.err.toStdString();
  const QJsonArray now = QJsonDocument::fromJson(exportBytes(rom.path(), QStringLiteral("PSkills"), QStringLiteral("json")))
                             .object()["records"].toArray();
  EXPECT_EQ(now[b].toObject()["fields"].toObject()["Skills(0)"].toString(), changed);

  // Both pilots changing it differently is refused, naming both.
  QJsonObject rb = records[b].toObject();
  QJsonObject fb = rb["fields"].toObject();
  fb["Skills(0)"] = QStringLiteral("7");
  fa["Skills(0)"] = QStringLiteral("8");
  rb["fields"] = fb;
  ra["fields"] = fa;
  records[a] = ra;
  records[b] = rb;
  root["records"] = records;
  const CliRun clash = importFile(rom.path(), QJsonDocument(root).toJson());
  EXPECT_EQ(clash.code, 1);
  EXPECT_TRUE(clash.err.contains(QStringLiteral("record %1 of the file and record %2").arg(a).arg(b))) << clash.err.toStdString();
}

TEST(CliBoundsAndMessages, InputIsSniffedBoundedAndPointedAt) {
  TempRom rom(sampleImage());
  QTemporaryDir dir;
  const QString big = dir.filePath(QStringLiteral("big.csv"));
  {
    QFile f(big);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.resize(65 * 1024 * 1024));  // sparse
  }
  const CliRun huge = cli({QStringLiteral("import"), rom.path(), big, QStringLiteral("--table"), QStringLiteral("Pilot")});
  EXPECT_EQ(huge.code, 1);
  EXPECT_TRUE(huge.err.contains(QStringLiteral("at most 64 MiB"))) << huge.err.toStdString();

  QByteArray many = "index,Ab(0)\n";
  for (int i = 0; i < 600; ++i) many += QByteArray::number(i % 476) + ",1\n";
  const QString longValue(200, QLatin1Char('9'));
  struct Case {
    QByteArray body;
    QStringList more;
    const char* says;
  };
  const Case cases[] = {
      {"[1,2]", {}, "holds a JSON array"},
      {QByteArray("\xFF\xFE{\0", 4), {}, "UTF-16"},
      {"{\"table\":\"Pilot\",\n \"records\": [1,]}", {}, "line 2, column"},
      {"index,Ab(0)\n\n0,1\n\n\n1,x\n", {"--table", "Pilot"}, "line 6 of the file"},
      {many, {"--table", "Pilot"}, "holds 600 records"},
      {"index,Ab(0)\n0,\"" + longValue.toUtf8() + "\"\n", {"--table", "Pilot"}, "…"},
      {"index,Ab(0)\n0,a\tb\n", {"--table", "Pilot"}, "a\\tb"},
  };
  for (const Case& c : cases) {
    const CliRun run = importFile(rom.path(), c.body, c.more);
    EXPECT_NE(run.code, 0) << c.says;
    EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.says))) << c.says << "\n" << run.err.toStdString();
    EXPECT_LT(run.err.size(), 400) << c.says;
  }

  // An image too short for a table says both sizes.
  TempRom small(QByteArray(4096, '\0'));
  const CliRun shortRun = cli({QStringLiteral("export"), small.path(), QStringLiteral("Unit")});
  EXPECT_EQ(shortRun.code, 1);
  EXPECT_TRUE(shortRun.err.contains(QStringLiteral("4096 bytes"))) << shortRun.err.toStdString();
}

}  // namespace
}  // namespace rt::test
