// The command line on the SPEdit table: export, import, and their failures.
#include "tests/support/test_support.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace rt::test {
namespace {

constexpr std::int64_t kBase = 0xD4424;

TEST(Cli, ExportJsonShowsEveryRecordAsTheFormDoes) {
  TempRom rom(kBase + 28 * 35, 5);
  const CliRun run = cli({QStringLiteral("export"), rom.path(), QStringLiteral("SPEdit")});
  ASSERT_EQ(run.code, 0) << run.err.toStdString();
  const QJsonObject root = QJsonDocument::fromJson(run.out.toUtf8()).object();
  EXPECT_EQ(root.value(QStringLiteral("table")).toString(), QStringLiteral("SPEdit"));
  const QJsonArray records = root.value(QStringLiteral("records")).toArray();
  ASSERT_EQ(records.size(), 35);
  const QByteArray bytes = rom.bytes();
  for (int i = 0; i < 35; ++i) {
    const QJsonObject r = records[i].toObject();
    EXPECT_EQ(r.value(QStringLiteral("index")).toInt(), i);
    EXPECT_EQ(r.value(QStringLiteral("offset")).toInteger(), kBase + 28 * i);
    EXPECT_FALSE(r.value(QStringLiteral("name")).toString().isEmpty());
    EXPECT_EQ(r.value(QStringLiteral("fields")).toObject().value(QStringLiteral("SP_VAL")).toString(),
              QString::number(byteAt(bytes, kBase + 28 * i)));
  }
}

TEST(Cli, ExportCsvHasAHeaderAndOneRowPerRecord) {
  TempRom rom(kBase + 28 * 35, 6);
  const CliRun run = cli({QStringLiteral("export"), rom.path(), QStringLiteral("SPEdit"), QStringLiteral("--format"), QStringLiteral("csv")});
  ASSERT_EQ(run.code, 0);
  const QStringList lines = run.out.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 36);
  EXPECT_EQ(QString(lines[0]).remove(u'"'), QStringLiteral("index,name,SP_VAL"));
  EXPECT_TRUE(QString(lines[35]).remove(u'"').endsWith(QString::number(byteAt(rom.bytes(), kBase + 28 * 34))));
}

TEST(Cli, ImportOfAnUnchangedExportChangesNothing) {
  for (const char* format : {"json", "csv"}) {
    TempRom rom(kBase + 28 * 35, 8);
    const QByteArray before = rom.bytes();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("export.") + QString::fromLatin1(format));
    ASSERT_EQ(cli({QStringLiteral("export"), rom.path(), QStringLiteral("SPEdit"), QStringLiteral("--format"),
                   QString::fromLatin1(format), QStringLiteral("--output"), file}).code, 0);
    const CliRun run = cli({QStringLiteral("import"), rom.path(), file, QStringLiteral("--table"), QStringLiteral("SPEdit")});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("35 record(s)")));
    EXPECT_TRUE(run.out.contains(QStringLiteral("0 byte(s) changed")));
    EXPECT_EQ(rom.bytes(), before) << format;
  }
}

TEST(Cli, ImportWritesTheGivenValues) {
  TempRom rom(kBase + 28 * 35, 9);
  rom.poke(kBase + 28 * 3, QByteArray::fromHex("00"));
  QTemporaryDir dir;
  const QString json = writeFile(dir, QStringLiteral("a.json"),
      R"({"table":"SPEdit","records":[{"index":3,"fields":{"SP_VAL":"77"}},{"index":34,"fields":{"SP_VAL":"255"}}]})");
  const QByteArray before = rom.bytes();
  const CliRun run = cli({QStringLiteral("import"), rom.path(), json});
  ASSERT_EQ(run.code, 0) << run.err.toStdString();
  const auto diff = differences(before, rom.bytes());
  EXPECT_EQ(byteAt(rom.bytes(), kBase + 28 * 3), 77);
  EXPECT_EQ(byteAt(rom.bytes(), kBase + 28 * 34), 255);
  for (auto d : diff) EXPECT_TRUE(d == kBase + 28 * 3 || d == kBase + 28 * 34) << d;
}

TEST(Cli, ABadValueAnywhereChangesNothing) {
  struct Case {
    const char* name;
    QByteArray body;
    const char* mention;
  };
  const Case cases[] = {
      {"range", R"({"table":"SPEdit","records":[{"index":0,"fields":{"SP_VAL":"1"}},{"index":1,"fields":{"SP_VAL":"256"}}]})", "SP_VAL"},
      {"text", R"({"table":"SPEdit","records":[{"index":0,"fields":{"SP_VAL":"abc"}}]})", "abc"},
      {"index", R"({"table":"SPEdit","records":[{"index":0,"fields":{"SP_VAL":"1"}},{"index":35,"fields":{"SP_VAL":"1"}}]})", "index"},
      {"field", R"({"table":"SPEdit","records":[{"index":0,"fields":{"HP":"1"}}]})", "HP"},
      {"json", R"({"table":"SPEdit","records":[)", "JSON"},
      {"csv", "index,name,SP_VAL\r\n0,x,1\r\n1,y,-1\r\n", "SP_VAL"},
      {"csv cells", "index,name,SP_VAL\r\n0,x\r\n", "cells"},
  };
  for (const Case& c : cases) {
    TempRom rom(kBase + 28 * 35, 10);
    const QByteArray before = rom.bytes();
    QTemporaryDir dir;
    const QString file = writeFile(dir, QStringLiteral("in.txt"), c.body);
    const CliRun run = cli({QStringLiteral("import"), rom.path(), file, QStringLiteral("--table"), QStringLiteral("SPEdit")});
    EXPECT_NE(run.code, 0) << c.name;
    EXPECT_TRUE(run.err.contains(QString::fromLatin1(c.mention))) << c.name << ": " << run.err.toStdString();
    EXPECT_EQ(rom.bytes(), before) << c.name;
  }
}

TEST(Cli, UsageErrorsExitNonZeroOnStderr) {
  TempRom rom(64, 1);
  const QStringList cases[] = {
      {},
      {QStringLiteral("frobnicate")},
      {QStringLiteral("export"), rom.path()},
      {QStringLiteral("export"), rom.path(), QStringLiteral("NoSuchTable")},
      {QStringLiteral("export"), rom.path(), QStringLiteral("SPEdit"), QStringLiteral("--format"), QStringLiteral("xml")},
      {QStringLiteral("export"), rom.path(), QStringLiteral("SPEdit"), QStringLiteral("--bogus")},
  };
  for (const QStringList& args : cases) {
    const CliRun run = cli(args);
    EXPECT_EQ(run.code, 2) << args.join(u' ').toStdString();
    EXPECT_FALSE(run.err.isEmpty());
    EXPECT_TRUE(run.out.isEmpty());
  }
  const CliRun help = cli({QStringLiteral("--help")});
  EXPECT_EQ(help.code, 0);
  EXPECT_TRUE(help.out.contains(QStringLiteral("export")));
}

TEST(Cli, AMissingImageIsAFailureNotACreatedFile) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("missing.nds"));
  const CliRun run = cli({QStringLiteral("export"), path, QStringLiteral("SPEdit")});
  EXPECT_EQ(run.code, 1);
  EXPECT_TRUE(run.err.contains(QStringLiteral("cannot be read")));
  EXPECT_FALSE(QFile::exists(path));
}

TEST(Cli, TablesListsSpEdit) {
  const CliRun run = cli({QStringLiteral("tables")});
  ASSERT_EQ(run.code, 0);
  EXPECT_TRUE(run.out.contains(QStringLiteral("SPEdit")));
  EXPECT_TRUE(run.out.contains(QStringLiteral("0xD4424")));
}

}  // namespace
}  // namespace rt::test
