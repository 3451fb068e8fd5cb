// `export --all` and `import ROM DIR`: every table in one run and back, one
// transaction for the whole folder.
#include "app/record_io.h"
#include "editors/all_tables.h"
#include "tests/support/test_support.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <zlib.h>

#include <functional>
#include <map>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

namespace rt::test {
namespace {

QByteArray readFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(ExportAll, ThenImportOfTheUnchangedFolderChangesNothing) {
  const TableRegistry registry = allTables();
  for (const QString& format : {QStringLiteral("json"), QStringLiteral("csv")}) {
    SCOPED_TRACE(format.toStdString());
    TempRom rom(sampleImage(3));
    const QByteArray before = rom.bytes();
    QTemporaryDir out;
    const QString dir = out.filePath(QStringLiteral("dump"));
    const CliRun run = cli({QStringLiteral("export"), rom.path(), QStringLiteral("--all"), QStringLiteral("--output"), dir,
                            QStringLiteral("--format"), format});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();

    const QJsonObject manifest = QJsonDocument::fromJson(readFile(QDir(dir).filePath(QStringLiteral("manifest.json")))).object();
    EXPECT_EQ(manifest.value(QStringLiteral("size")).toInteger(), before.size());
    const auto crc = ::crc32(0, reinterpret_cast<const Bytef*>(before.constData()), static_cast<uInt>(before.size()));
    EXPECT_EQ(manifest.value(QStringLiteral("crc32")).toString(), QStringLiteral("%1").arg(crc, 8, 16, QLatin1Char('0')).toUpper());
    const QJsonArray tables = manifest.value(QStringLiteral("tables")).toArray();
    ASSERT_EQ(tables.size(), static_cast<qsizetype>(registry.all().size()));
    for (qsizetype i = 0; i < tables.size(); ++i) {
      const QJsonObject t = tables[i].toObject();
      const QString name = registry.all()[static_cast<size_t>(i)]->name();
      EXPECT_EQ(t.value(QStringLiteral("table")).toString(), name);
      EXPECT_EQ(t.value(QStringLiteral("file")).toString(), name + QLatin1Char('.') + format);
      // Each file is what `export ROM TABLE` writes, and holds the records the manifest counts.
      const QByteArray file = readFile(QDir(dir).filePath(t.value(QStringLiteral("file")).toString()));
      const CliRun one = cli({QStringLiteral("export"), rom.path(), name, QStringLiteral("--format"), format});
      EXPECT_EQ(file, one.out.toUtf8()) << name.toStdString();
      const qsizetype records = format == QLatin1String("json")
                                    ? QJsonDocument::fromJson(file).object().value(QStringLiteral("records")).toArray().size()
                                    : countCsvRecords(file) - 1;
      EXPECT_EQ(t.value(QStringLiteral("records")).toInt(), records) << name.toStdString();
      // The JSON is laid out exactly as Qt's own writer lays it out.
      if (format == QLatin1String("json")) EXPECT_EQ(QJsonDocument::fromJson(file).toJson(QJsonDocument::Indented), file);
    }
    const CliRun back = cli({QStringLiteral("import"), rom.path(), dir});
    ASSERT_EQ(back.code, 0) << back.err.toStdString();
    EXPECT_TRUE(back.out.contains(QStringLiteral("0 byte(s) changed"))) << back.out.toStdString();
    EXPECT_EQ(rom.bytes(), before);
    EXPECT_FALSE(back.err.contains(QStringLiteral("Warning"))) << back.err.toStdString();
    // Into an image that differs from the exported one (in its last byte,
    // outside every table): imported, with a warning naming both checksums.
    QByteArray other = before;
    other[other.size() - 1] = static_cast<char>(other[other.size() - 1] ^ 1);
    rom.write(other);
    const auto otherCrc = ::crc32(0, reinterpret_cast<const Bytef*>(other.constData()), static_cast<uInt>(other.size()));
    const CliRun elsewhere = cli({QStringLiteral("import"), rom.path(), dir});
    ASSERT_EQ(elsewhere.code, 0) << elsewhere.err.toStdString();
    EXPECT_TRUE(elsewhere.err.contains(QStringLiteral("CRC32 %1; ").arg(manifest.value(QStringLiteral("crc32")).toString())) &&
                elsewhere.err.contains(QStringLiteral(", CRC32 %1.").arg(otherCrc, 8, 16, QLatin1Char('0')).toUpper()))
        << elsewhere.err.toStdString();
  }
}

// Edits in two files land as one transaction, whose changes the history names
// in both tables; a bad value in either file writes nothing of the other.
TEST(ExportAll, AFolderImportIsOneTransaction) {
  TempRom rom(sampleImage());
  QTemporaryDir out;
  const QString dir = out.filePath(QStringLiteral("dump"));
  ASSERT_EQ(cli({QStringLiteral("export"), rom.path(), QStringLiteral("--all"), QStringLiteral("--output"), dir}).code, 0);
  auto edit = [&](const QString& table, int index, const QString& field, const QString& value) {
    const QString path = QDir(dir).filePath(table + QStringLiteral(".json"));
    QJsonObject root = QJsonDocument::fromJson(readFile(path)).object();
    QJsonArray records = root.value(QStringLiteral("records")).toArray();
    QJsonObject record = records[index].toObject();
    QJsonObject fields = record.value(QStringLiteral("fields")).toObject();
    const QString old = fields.value(field).toString();
    fields.insert(field, value);
    record.insert(QStringLiteral("fields"), fields);
    records[index] = record;
    root.insert(QStringLiteral("records"), records);
    writeFile(out, QStringLiteral("dump/") + table + QStringLiteral(".json"), QJsonDocument(root).toJson());
    return old;
  };
  const QByteArray before = rom.bytes();
  const QString oldSpirit = edit(QStringLiteral("SPEdit"), 4, QStringLiteral("SP_VAL"), QStringLiteral("abc"));
  if (edit(QStringLiteral("Pilot"), 5, QStringLiteral("Ab(0)"), QStringLiteral("9")) == QLatin1String("9"))
    edit(QStringLiteral("Pilot"), 5, QStringLiteral("Ab(0)"), QStringLiteral("10"));
  const CliRun refused = cli({QStringLiteral("import"), rom.path(), dir});
  EXPECT_EQ(refused.code, 1);
  EXPECT_TRUE(refused.err.contains(QStringLiteral("SPEdit.json"))) << refused.err.toStdString();
  EXPECT_EQ(rom.bytes(), before);

  edit(QStringLiteral("SPEdit"), 4, QStringLiteral("SP_VAL"), oldSpirit == QLatin1String("7") ? QStringLiteral("8") : QStringLiteral("7"));
  const CliRun done = cli({QStringLiteral("import"), rom.path(), dir});
  ASSERT_EQ(done.code, 0) << done.err.toStdString();
  const QJsonObject history = QJsonDocument::fromJson(
      cli({QStringLiteral("history"), rom.path(), QStringLiteral("--format"), QStringLiteral("json")}).out.toUtf8()).object();
  const QJsonArray transactions = history.value(QStringLiteral("transactions")).toArray();
  ASSERT_EQ(transactions.size(), 1);
  QStringList tables;
  for (const QJsonValue& c : transactions[0].toObject().value(QStringLiteral("changes")).toArray())
    tables << c.toObject().value(QStringLiteral("table")).toString();
  tables.sort();
  EXPECT_EQ(tables, (QStringList{QStringLiteral("Pilot"), QStringLiteral("SPEdit")}));
  // And it is undone as one.
  ASSERT_EQ(cli({QStringLiteral("undo"), rom.path()}).code, 0);
  EXPECT_EQ(rom.bytes(), before);
}

// An import reads in full only the records whose text differs from what export
// writes now; what is found alike must really be alike, and what differs is read
// and checked as any other file.
TEST(ExportAll, AnImportComparesItsFilesWithTheImageAsItIsNow) {
  struct Case {
    const char* name;
    std::function<void(QByteArray& weapons, const TempRom& rom)> change;  // of Weapon.json, or the image
    int code;
    const char* mention;  // in the message of a refusal; else the ATK record 0 then holds
  };
  const QByteArray atk = "\"ATK\": \"2500\",\n";
  const Case cases[] = {
      {"the image changed after the export",
       [&](QByteArray& weapons, const TempRom& rom) {
         QByteArray edited = weapons;
         edited.replace(atk, "\"ATK\": \"2510\",\n");
         ASSERT_EQ(importFile(rom.path(), edited).code, 0);
       },
       0, "2500"},
      {"one record's fields in another order, one changed",
       [&](QByteArray& weapons, const TempRom&) {
         const qsizetype at = weapons.indexOf(atk);
         const qsizetype next = weapons.indexOf('\n', at + atk.size()) + 1;  // the BGM line
         const QByteArray bgm = weapons.mid(at + atk.size(), next - at - atk.size());
         weapons.replace(at, next - at, bgm + "\"ATK\": \"2520\",\n");
       },
       0, "2520"},
      {"a record twice, once as exported and once with another value",
       [&](QByteArray& weapons, const TempRom&) {
         // Record 1 becomes record 0 again, with another ATK.
         auto record = [&](qsizetype from) {
           const qsizetype begin = weapons.indexOf("        {\n", from);
           return std::pair(begin, weapons.indexOf("\n        }", begin) + 10);
         };
         const auto [begin0, end0] = record(0);
         const auto [begin1, end1] = record(end0);
         QByteArray copy = weapons.mid(begin0, end0 - begin0);
         copy.replace(atk, "\"ATK\": \"2530\",\n");
         weapons.replace(begin1, end1 - begin1, copy);
       },
       1, "the same record as"},
      {"a broken file laid out as export writes it",
       [&](QByteArray& weapons, const TempRom&) { weapons.replace(atk, "\"ATK\": \"2500\",,\n"); }, 1, "is not valid at"},
      // Compared in place, never read whole: a file found to differ is read and checked as any other.
      {"a NUL byte inside a file laid out as export writes it",
       [&](QByteArray& weapons, const TempRom&) { weapons.replace(atk, QByteArray("\"ATK\": \"25\0\",\n", 14)); }, 1,
       "NUL byte"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempRom rom(sampleImage());
    QTemporaryDir out;
    const QString dir = out.filePath(QStringLiteral("dump"));
    ASSERT_EQ(cli({QStringLiteral("export"), rom.path(), QStringLiteral("--all"), QStringLiteral("--output"), dir}).code, 0);
    const QByteArray exported = rom.bytes();
    QByteArray weapons = readFile(QDir(dir).filePath(QStringLiteral("Weapon.json")));
    ASSERT_TRUE(weapons.contains(atk));
    c.change(weapons, rom);
    writeFile(out, QStringLiteral("dump/Weapon.json"), weapons);
    const QByteArray before = rom.bytes();
    const CliRun run = cli({QStringLiteral("import"), rom.path(), dir});
    EXPECT_EQ(run.code, c.code) << run.err.toStdString();
    if (c.code != 0) {
      EXPECT_TRUE(run.err.contains(QLatin1String(c.mention))) << run.err.toStdString();
      EXPECT_EQ(rom.bytes(), before);
      continue;
    }
    const QJsonArray now = exportRecords(rom.path(), QStringLiteral("Weapon"));
    EXPECT_EQ(now[0].toObject().value(QStringLiteral("fields")).toObject().value(QStringLiteral("ATK")).toString(),
              QLatin1String(c.mention));
    // Nothing else moved: what differs from the export's image is record 0's ATK alone.
    const QByteArray after = rom.bytes();
    ASSERT_EQ(after.size(), exported.size());
    qsizetype differing = 0;
    for (qsizetype i = 0; i < after.size(); ++i) differing += after[i] != exported[i];
    EXPECT_LE(differing, 2);
  }
}

// A second export into the same folder replaces its files and keeps every
// other one (a git repository's), with nothing left beside it.
TEST(ExportAll, AgainIntoTheSameFolderKeepsItsOtherFiles) {
  TempRom rom(sampleImage());
  QTemporaryDir out;
  const QString dir = out.filePath(QStringLiteral("dump"));
  const QStringList exportArgs{QStringLiteral("export"), rom.path(), QStringLiteral("--all"), QStringLiteral("--output"), dir};
  ASSERT_EQ(cli(exportArgs).code, 0);
  writeFile(out, QStringLiteral("dump/notes.txt"), "kept");
  writeFile(out, QStringLiteral("dump/.export-incomplete"), "");  // as a stopped export leaves it
  ASSERT_EQ(importFile(rom.path(), R"({"table":"SPEdit","records":[{"index":1,"fields":{"SP_VAL":"3"}}]})").code, 0);
  ASSERT_EQ(cli(exportArgs).code, 0);
  EXPECT_EQ(readFile(QDir(dir).filePath(QStringLiteral("notes.txt"))), "kept");
  EXPECT_FALSE(QFileInfo::exists(QDir(dir).filePath(QStringLiteral(".export-incomplete"))));
  EXPECT_EQ(readFile(QDir(dir).filePath(QStringLiteral("SPEdit.json"))),
            cli({QStringLiteral("export"), rom.path(), QStringLiteral("SPEdit")}).out.toUtf8());
  EXPECT_EQ(QDir(out.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{QStringLiteral("dump")});
}

// A table's file already in the folder is compared with the export as it is
// made: one that differs anywhere (first byte, a byte in the middle, one byte
// more or fewer at the end, emptied) is written again, in JSON and in CSV.
TEST(ExportAll, AFileThatDiffersAnywhereIsWrittenAgain) {
  TempRom rom(sampleImage());
  const std::function<void(QByteArray&)> changes[] = {
      [](QByteArray& b) { b[0] = 'x'; },
      [](QByteArray& b) { b[b.size() / 2] = b[b.size() / 2] == '1' ? '2' : '1'; },
      [](QByteArray& b) { b.chop(1); },
      [](QByteArray& b) { b += ' '; },
      [](QByteArray& b) { b.clear(); },
  };
  for (const QString& format : {QStringLiteral("json"), QStringLiteral("csv")}) {
    QTemporaryDir out;
    const QString dir = out.filePath(QStringLiteral("dump"));
    const QStringList exportArgs{QStringLiteral("export"), rom.path(), QStringLiteral("--all"), QStringLiteral("--output"),
                                 dir, QStringLiteral("--format"), format};
    ASSERT_EQ(cli(exportArgs).code, 0);
    // The largest file (many batches of records) and a small one (one batch).
    for (const QString& table : {QStringLiteral("PSkills"), QStringLiteral("Rules")}) {
      const QString path = QDir(dir).filePath(table + QLatin1Char('.') + format);
      const QByteArray good = readFile(path);
      ASSERT_FALSE(good.isEmpty());
      for (size_t i = 0; i < std::size(changes); ++i) {
        SCOPED_TRACE((format + QLatin1Char(' ') + table + QStringLiteral(" change ") + QString::number(i)).toStdString());
        QByteArray changed = good;
        changes[i](changed);
        QFile::remove(path);
        writeFile(out, QStringLiteral("dump/") + QFileInfo(path).fileName(), changed);
        ASSERT_EQ(cli(exportArgs).code, 0);
        EXPECT_EQ(readFile(path), good);
      }
    }
  }
}

#ifndef _WIN32
// The files are written first and flushed together: a write that fails (a
// file size limit here, as a full disk would) leaves an existing folder and a
// new one's place as they were, with nothing beside them.
TEST(ExportAll, AFailedWriteLeavesEveryFolderAsItWas) {
  TempRom rom(sampleImage());
  QTemporaryDir out;
  const QString dir = out.filePath(QStringLiteral("dump"));
  ASSERT_EQ(cli({QStringLiteral("export"), rom.path(), QStringLiteral("--all"), QStringLiteral("--output"), dir}).code, 0);
  std::map<QString, QByteArray> before;
  for (const QString& name : QDir(dir).entryList(QDir::Files | QDir::Hidden)) before[name] = readFile(QDir(dir).filePath(name));
  // SPEdit's file and the manifest differ from the folder's: they are written again.
  ASSERT_EQ(importFile(rom.path(), R"({"table":"SPEdit","records":[{"index":1,"fields":{"SP_VAL":"3"}}]})").code, 0);
  rlimit was {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &was), 0);
  rlimit small = was;
  small.rlim_cur = 1024;  // the marker fits, a table's file does not
  auto* const oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const CliRun again = cli({QStringLiteral("export"), rom.path(), QStringLiteral("--all"), QStringLiteral("--output"), dir});
  const CliRun fresh = cli({QStringLiteral("export"), rom.path(), QStringLiteral("--all"), QStringLiteral("--output"),
                            out.filePath(QStringLiteral("new"))});
  setrlimit(RLIMIT_FSIZE, &was);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(again.code, 1) << again.err.toStdString();
  EXPECT_EQ(fresh.code, 1) << fresh.err.toStdString();
  std::map<QString, QByteArray> after;
  for (const QString& name : QDir(dir).entryList(QDir::Files | QDir::Hidden)) after[name] = readFile(QDir(dir).filePath(name));
  EXPECT_TRUE(after == before);
  EXPECT_EQ(QDir(out.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{QStringLiteral("dump")});
}
#endif

}  // namespace
}  // namespace rt::test
