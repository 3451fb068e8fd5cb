// What the command line writes, and where it refuses to: never over an image,
// its history or any SQLite database, a whole folder or nothing, a history of
// any length printed as it is read, and every lost output a failure.
#include "tests/support/test_support.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace rt::test {
namespace {

const QString kCli = QStringLiteral(RT_BIN_DIR "/romtables-cli");

QByteArray readFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every command that writes --output refuses the image (however named), its
// history, and any SQLite database, and leaves each as it was.
TEST(CliOutputs, NeverTheImageItsHistoryOrADatabase) {
  TempRom rom(sampleImage());
  const QString image = rom.path();
  const QDir folder = QFileInfo(image).absoluteDir();
  // A history beside the image, made by an import.
  ASSERT_EQ(importFile(image, R"({"table":"SPEdit","records":[{"index":1,"fields":{"SP_VAL":"3"}}]})").code, 0);
  const QString history = image + QStringLiteral(".history");
  ASSERT_TRUE(QFileInfo::exists(history));
  const QString link = folder.filePath(QStringLiteral("link.nds"));
  const QString hard = folder.filePath(QStringLiteral("hard.nds"));
  const QString toHistory = folder.filePath(QStringLiteral("notes.bps"));
  const QString database = folder.filePath(QStringLiteral("other.ips"));
  ASSERT_TRUE(QFile::link(image, link));
  ASSERT_EQ(::link(QFile::encodeName(image).constData(), QFile::encodeName(hard).constData()), 0);
  ASSERT_TRUE(QFile::link(history, toHistory));
  ASSERT_TRUE(QFile::copy(history, database));
  const QString relative = QDir::current().relativeFilePath(image);
  const QString patch = folder.filePath(QStringLiteral("p.ips"));
  const QString other = folder.filePath(QStringLiteral("other.nds"));
  ASSERT_TRUE(QFile::copy(image, other));
  ASSERT_EQ(cli({QStringLiteral("patch"), other, image, QStringLiteral("--output"), patch}).code, 0);

  struct Case {
    QStringList args;
    QString output;
    const char* says;
  };
  const QString e = QStringLiteral("export"), s = QStringLiteral("SPEdit");
  const Case cases[] = {
      {{e, image, s}, history, "history"},
      {{e, image, s}, history + QStringLiteral("-wal"), "history"},
      {{e, image, s}, database, "SQLite database"},
      {{e, image, s}, link, "names the image"},
      {{e, image, s}, hard, "names the image"},
      {{e, image, s}, relative, "names the image"},
      {{e, image, QStringLiteral("--all")}, history, "history"},
      {{QStringLiteral("patch"), other, image}, toHistory, "history"},
      {{QStringLiteral("patch"), other, image}, database, "SQLite database"},
      {{QStringLiteral("apply"), patch, other}, history, "history"},
      {{QStringLiteral("apply"), patch, image}, link, "names the image being patched"},
  };
  const QByteArray imageBytes = rom.bytes(), historyBytes = readFile(history), databaseBytes = readFile(database);
  // The log stays beside the history once made; nothing may write it either.
  const QByteArray logBytes = QFileInfo::exists(history + QStringLiteral("-wal")) ? readFile(history + QStringLiteral("-wal")) : QByteArray();
  for (const Case& c : cases) {
    const CliRun run = cli(c.args + QStringList{QStringLiteral("--output"), c.output});
    const std::string what = (c.args.join(' ') + QStringLiteral(" --output ") + c.output).toStdString();
    EXPECT_EQ(run.code, 2) << what << "\n" << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(c.output) && run.err.contains(QString::fromUtf8(c.says))) << what << "\n"
                                                                                          << run.err.toStdString();
  }
  EXPECT_EQ(rom.bytes(), imageBytes);
  EXPECT_EQ(readFile(history), historyBytes);
  EXPECT_EQ(readFile(database), databaseBytes);
  EXPECT_EQ(QFileInfo::exists(history + QStringLiteral("-wal")) ? readFile(history + QStringLiteral("-wal")) : QByteArray(), logBytes);
}

TEST(CliOutputs, DiffWhoseOutputIsLostExitsTwo) {
  TempRom rom(sampleImage());
  QProcess full;
  full.setStandardOutputFile(QStringLiteral("/dev/full"));
  full.start(kCli, {QStringLiteral("diff"), rom.path(), rom.path()});
  ASSERT_TRUE(full.waitForFinished(30000));
  EXPECT_EQ(full.exitCode(), 2);
  EXPECT_TRUE(QString::fromUtf8(full.readAllStandardError()).contains(QStringLiteral("No space left")));
}

// The program reads its arguments as UTF-8 and finds the name lists beside
// where it lies, not beside the link it was started through.
TEST(CliProcess, AChinesePathAndALinkToTheProgramFromElsewhere) {
  QTemporaryDir dir;
  const QString image = dir.filePath(QStringLiteral("機體.nds"));
  ASSERT_TRUE(QFile::copy(TempRom(sampleImage()).path(), image));
  const QString link = dir.filePath(QStringLiteral("cli"));
  ASSERT_TRUE(QFile::link(kCli, link));
  QProcess p;
  p.start(link, {QStringLiteral("export"), image, QStringLiteral("Weapon")});
  ASSERT_TRUE(p.waitForFinished(30000));
  ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  const QJsonArray records = QJsonDocument::fromJson(p.readAllStandardOutput()).object()[QStringLiteral("records")].toArray();
  ASSERT_FALSE(records.isEmpty());
  const QString first = records[0].toObject()[QStringLiteral("name")].toString();
  EXPECT_FALSE(first.isEmpty());
  EXPECT_NE(first, QStringLiteral("Weapon"));  // a record without a list's name is named by its table
}

// A transaction of more than 200 changed fields lists the first 200 and says
// how many there are; --all-fields lists every one, in text and in JSON.
TEST(CliHistory, ManyFieldsAreCountedAndListedOnAskingAndTheLimitIsOneOrMore) {
  TempRom rom(sampleImage());
  EXPECT_EQ(cli({QStringLiteral("history"), rom.path(), QStringLiteral("--limit"), QStringLiteral("0")}).code, 2);
  QJsonArray records = exportRecords(rom.path(), QStringLiteral("Pilot"));
  ASSERT_GT(records.size(), 200);
  for (qsizetype i = 0; i < records.size(); ++i) {
    QJsonObject r = records[i].toObject();
    QJsonObject fields = r.value(QStringLiteral("fields")).toObject();
    fields.insert(QStringLiteral("Ab(0)"), fields.value(QStringLiteral("Ab(0)")).toString() == QLatin1String("1")
                                               ? QStringLiteral("2")
                                               : QStringLiteral("1"));
    r.insert(QStringLiteral("fields"), fields);
    records[i] = r;
  }
  QJsonObject root{{QStringLiteral("table"), QStringLiteral("Pilot")}, {QStringLiteral("records"), records}};
  ASSERT_EQ(importFile(rom.path(), QJsonDocument(root).toJson()).code, 0);
  const qsizetype total = records.size();

  const CliRun text = cli({QStringLiteral("history"), rom.path()});
  ASSERT_EQ(text.code, 0) << text.err.toStdString();
  EXPECT_EQ(text.out.count(QStringLiteral(" -> ")), 200);
  EXPECT_TRUE(text.out.contains(QStringLiteral("%1 fields changed").arg(total))) << text.out.left(300).toStdString();
  const CliRun all = cli({QStringLiteral("history"), rom.path(), QStringLiteral("--all-fields")});
  EXPECT_EQ(all.out.count(QStringLiteral(" -> ")), total);

  for (const bool every : {false, true}) {
    QStringList args{QStringLiteral("history"), rom.path(), QStringLiteral("--format"), QStringLiteral("json"),
                     QStringLiteral("--limit"), QStringLiteral("1")};
    if (every) args << QStringLiteral("--all-fields");
    const CliRun json = cli(args);
    QJsonParseError error{};
    const QJsonObject doc = QJsonDocument::fromJson(json.out.toUtf8(), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    const QJsonArray list = doc.value(QStringLiteral("transactions")).toArray();
    ASSERT_EQ(list.size(), 1);
    const QJsonObject tx = list[0].toObject();
    EXPECT_EQ(tx.value(QStringLiteral("changes")).toArray().size(), every ? total : 200);
    EXPECT_EQ(tx.value(QStringLiteral("changes_total")).toInteger(), total);
    EXPECT_EQ(tx.value(QStringLiteral("truncated")).toBool(), !every);
  }
}

// Folder imports: only files named exactly after a table, a count of the
// tables applied, and no folder an export left unfinished.
TEST(CliFolderImport, NamesAreExactAndTheCountIsOfFilesApplied) {
  TempRom rom(sampleImage());
  const QByteArray before = rom.bytes();
  const QByteArray spirit = R"({"table":"SPEdit","records":[{"index":1,"fields":{"SP_VAL":"3"}}]})";
  const QByteArray pilot = R"j({"table":"Pilot","records":[{"index":2,"fields":{"Ab(0)":"4"}}]})j";
  struct Case {
    std::vector<std::pair<const char*, QByteArray>> files;
    int code;
    const char* says;
  };
  const Case cases[] = {
      {{{"pilot.json", pilot}, {"SPEdit.json", spirit}}, 1, "pilot.json"},
      {{{"Pilot.JSON", pilot}}, 1, "Pilot.JSON"},
      {{{"notes.txt", "x"}}, 1, "no .json or .csv file named after a table"},
      {{{"SPEdit.json", spirit}, {".export-incomplete", ""}}, 1, "did not finish"},
      {{{"Pilot.json", pilot}, {"SPEdit.json", spirit}, {"readme.json", "{}"}}, 0, "of 2 table(s)"},
  };
  for (const Case& c : cases) {
    QTemporaryDir dir;
    for (const auto& [name, body] : c.files) writeFile(dir, QString::fromUtf8(name), body);
    const CliRun run = cli({QStringLiteral("import"), rom.path(), dir.path()});
    EXPECT_EQ(run.code, c.code) << c.says << "\n" << run.err.toStdString();
    EXPECT_TRUE((run.code ? run.err : run.out).contains(QString::fromUtf8(c.says))) << run.err.toStdString() << run.out.toStdString();
    if (c.code) {
      EXPECT_EQ(rom.bytes(), before) << c.says;
    }
  }
}

// An export to a folder on a full disk says so and leaves the folder as it
// was: no file added, none removed, no temporary folder beside it.
TEST(CliExportAll, AFullDiskLeavesTheFolderAsItWas) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
  QTemporaryDir mount;
  if (QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                                 QStringLiteral("size=64k"), QStringLiteral("tmpfs"), mount.path()}) != 0)
    GTEST_SKIP() << "no tmpfs mount here";
  struct Unmount {
    QString path;
    ~Unmount() { QProcess::execute(QStringLiteral("umount"), {path}); }
  } unmount{mount.path()};
  TempRom rom(sampleImage());
  const QString dir = QDir(mount.path()).filePath(QStringLiteral("dump"));
  ASSERT_TRUE(QDir().mkpath(dir));
  const QByteArray old = "{\"tables\": []}\n";
  writeFile(mount, QStringLiteral("dump/manifest.json"), old);
  const CliRun run = cli({QStringLiteral("export"), rom.path(), QStringLiteral("--all"), QStringLiteral("--output"), dir});
  EXPECT_EQ(run.code, 1);
  EXPECT_TRUE(run.err.contains(QStringLiteral("No space left on device"))) << run.err.toStdString();
  EXPECT_EQ(QDir(mount.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{QStringLiteral("dump")});
  EXPECT_EQ(QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{QStringLiteral("manifest.json")});
  EXPECT_EQ(readFile(QDir(dir).filePath(QStringLiteral("manifest.json"))), old);
  // A single table's file on the same disk names the cause too.
  const CliRun one = cli({QStringLiteral("export"), rom.path(), QStringLiteral("Pilot"), QStringLiteral("--output"),
                          QDir(mount.path()).filePath(QStringLiteral("p.json"))});
  EXPECT_EQ(one.code, 1);
  EXPECT_TRUE(one.err.contains(QStringLiteral("No space left on device"))) << one.err.toStdString();
}

}  // namespace
}  // namespace rt::test
