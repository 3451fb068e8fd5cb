// `romtables-cli diff`: after seeded random edits made through the command
// line, it lists exactly the fields whose exported value changed, with the
// values as the export shows them, and every other differing byte as a range.
#include "image/byte_source.h"
#include "editors/all_tables.h"
#include "editors/skills/pilot_skill_table.h"
#include "tests/support/test_support.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

namespace rt::test {
namespace {

using FieldKey = std::tuple<QString, QString, QString>;  // table, record keys, control

QString keysOf(const TableAdapter& table, const QJsonObject& o) {
  QStringList parts;
  for (const QString& k : table.keyNames()) parts << k + QLatin1Char('=') + QString::number(o.value(k).toInteger());
  return parts.join(QLatin1Char(','));
}

// An exported value as the forms show it: check boxes are "checked"/"unchecked".
QString shown(const QJsonValue& v) {
  if (v.isBool()) return v.toBool() ? QStringLiteral("checked") : QStringLiteral("unchecked");
  return v.isString() ? v.toString() : QString::number(v.toInteger());
}

std::map<QString, QJsonArray> exportAll(const TableRegistry& registry, const QString& path) {
  std::map<QString, QJsonArray> out;
  for (const auto& t : registry.all()) out[t->name()] = exportRecords(path, t->name());
  return out;
}

// A value its field accepts, other than `now`.
QString randomValue(FieldKind kind, const QString& now, std::mt19937& random) {
  for (;;) {
    QString v;
    switch (kind) {
      case FieldKind::Byte: v = QString::number(random() % 256); break;
      case FieldKind::Word: v = QString::number(random() % 65536); break;
      case FieldKind::SignedByte: v = QString::number(static_cast<int>(random() % 256) - 128); break;
      default: v = QString::number(static_cast<int>(random() % 200001) - 100000); break;
    }
    if (v != now) return v;
  }
}

QJsonObject runDiff(const QStringList& args, int expectedCode) {
  const CliRun run = cli(QStringList{QStringLiteral("diff")} + args + QStringList{QStringLiteral("--format"), QStringLiteral("json")});
  EXPECT_EQ(run.code, expectedCode) << run.err.toStdString();
  return QJsonDocument::fromJson(run.out.toUtf8()).object();
}

TEST(Diff, ListsExactlyTheFieldsSeededRandomEditsChanged) {
  const TableRegistry registry = allTables();
  for (std::uint32_t seed : {11u, 12u, 13u}) {
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    TempRom clean(sampleImage()), modified(sampleImage());
    const auto before = exportAll(registry, modified.path());
    // Eight tables, one record of each, one to three text or check fields.
    std::vector<const TableAdapter*> tables;
    for (const auto& t : registry.all())
      if (t->name() != QLatin1String("MAP")) tables.push_back(t.get());  // codes in hex; its lists move
    std::shuffle(tables.begin(), tables.end(), random);
    tables.resize(8);
    QTemporaryDir dir;
    std::set<FieldKey> edited;
    for (const TableAdapter* table : tables) {
      const QJsonArray& records = before.at(table->name());
      QJsonObject record = records[static_cast<qsizetype>(random() % records.size())].toObject();
      const QJsonObject old = record.value(QStringLiteral("fields")).toObject();
      const std::vector<ControlRef> controls = table->controls();
      const std::vector<Field> fields = table->fields();
      QJsonObject values;
      for (int n = 1 + static_cast<int>(random() % 3), tries = 0; n > 0 && tries < 50; ++tries) {
        const ControlRef& c = controls[random() % controls.size()];
        const FieldKind kind = fields[static_cast<size_t>(c.field)].kind;
        if (c.kind == ControlKind::Combo || kind == FieldKind::HexWord) continue;
        --n;
        values.insert(c.name, c.kind == ControlKind::Check ? QJsonValue(!old.value(c.name).toBool())
                                                           : QJsonValue(randomValue(kind, old.value(c.name).toString(), random)));
        edited.insert({table->name(), keysOf(*table, record), c.name});
      }
      record.insert(QStringLiteral("fields"), values);
      const QJsonObject file{{QStringLiteral("table"), table->name()}, {QStringLiteral("records"), QJsonArray{record}}};
      writeFile(dir, table->name() + QStringLiteral(".json"), QJsonDocument(file).toJson());
    }
    const CliRun imported = cli({QStringLiteral("import"), modified.path(), dir.path()});
    ASSERT_EQ(imported.code, 0) << imported.err.toStdString();
    const auto after = exportAll(registry, modified.path());

    // What changed as the export shows it, field by field.
    std::map<FieldKey, std::pair<QString, QString>> exported;
    std::set<FieldKey> textOrCheck;
    for (const auto& t : registry.all()) {
      std::map<QString, ControlKind> kinds;
      for (const ControlRef& c : t->controls()) kinds[c.name] = c.kind;
      const QJsonArray& a = before.at(t->name());
      const QJsonArray& b = after.at(t->name());
      ASSERT_EQ(a.size(), b.size()) << t->name().toStdString();
      for (qsizetype i = 0; i < a.size(); ++i) {
        const QJsonObject fa = a[i].toObject().value(QStringLiteral("fields")).toObject();
        const QJsonObject fb = b[i].toObject().value(QStringLiteral("fields")).toObject();
        for (auto it = fa.begin(); it != fa.end(); ++it) {
          if (it.value() == fb.value(it.key())) continue;
          const FieldKey key{t->name(), keysOf(*t, a[i].toObject()), it.key()};
          exported[key] = {shown(it.value()), shown(fb.value(it.key()))};
          if (kinds[it.key()] != ControlKind::Combo) textOrCheck.insert(key);
        }
      }
    }
    const QJsonObject diff = runDiff({clean.path(), modified.path()}, 1);
    std::set<FieldKey> listed;
    for (const QJsonValue& v : diff.value(QStringLiteral("changes")).toArray()) {
      const QJsonObject c = v.toObject();
      const TableAdapter* table = registry.find(c.value(QStringLiteral("table")).toString());
      ASSERT_NE(table, nullptr);
      const FieldKey key{table->name(), keysOf(*table, c), c.value(QStringLiteral("field")).toString()};
      listed.insert(key);
      auto it = exported.find(key);
      ASSERT_NE(it, exported.end()) << "listed but unchanged: " << std::get<0>(key).toStdString() << " "
                                    << std::get<1>(key).toStdString() << " " << std::get<2>(key).toStdString();
      if (textOrCheck.count(key)) {
        EXPECT_EQ(c.value(QStringLiteral("old")).toString(), it->second.first);
        EXPECT_EQ(c.value(QStringLiteral("new")).toString(), it->second.second);
      }
    }
    for (const FieldKey& key : textOrCheck)
      EXPECT_TRUE(listed.count(key)) << "changed but not listed: " << std::get<0>(key).toStdString() << " "
                                     << std::get<1>(key).toStdString() << " " << std::get<2>(key).toStdString();
    for (const FieldKey& key : edited) EXPECT_TRUE(!exported.count(key) || listed.count(key)) << std::get<2>(key).toStdString();
    EXPECT_GE(listed.size(), 8u);
    // Every byte the edits wrote belongs to a listed field.
    EXPECT_TRUE(diff.value(QStringLiteral("outside")).toArray().isEmpty());
  }
}

// A pilot's skills are read through its slots: a byte of a shared level record
// changes every pilot whose slot selects it, and only those.
TEST(Diff, ALevelRecordChangeIsListedForEveryPilotThatSelectsIt) {
  TempRom clean(sampleImage()), modified(sampleImage());
  const QJsonArray before = exportRecords(modified.path(), QStringLiteral("PSkills"));
  const int level = before[3].toObject().value(QStringLiteral("fields")).toObject().value(QStringLiteral("ptr(0)")).toString().toInt();
  const std::int64_t at = levelRecordOffset(level) + 4;
  modified.poke(at, QByteArray(1, static_cast<char>(clean.bytes().at(at) ^ 0x01)));
  const QJsonArray after = exportRecords(modified.path(), QStringLiteral("PSkills"));
  std::set<qint64> changed, listed;
  for (qsizetype i = 0; i < before.size(); ++i)
    if (before[i].toObject().value(QStringLiteral("fields")) != after[i].toObject().value(QStringLiteral("fields")))
      changed.insert(before[i].toObject().value(QStringLiteral("index")).toInteger());
  const QJsonObject diff = runDiff({clean.path(), modified.path(), QStringLiteral("--tables"), QStringLiteral("PSkills")}, 1);
  for (const QJsonValue& c : diff.value(QStringLiteral("changes")).toArray())
    listed.insert(c.toObject().value(QStringLiteral("index")).toInteger());
  EXPECT_TRUE(changed.count(3));
  EXPECT_EQ(listed, changed);
}

TEST(Diff, BytesNoFieldShowsAreRangesAndTheExitCodeSaysWhetherAnythingDiffers) {
  TempRom clean(sampleImage()), modified(sampleImage());
  const QJsonObject same = runDiff({clean.path(), modified.path()}, 0);
  EXPECT_TRUE(same.value(QStringLiteral("changes")).toArray().isEmpty());
  EXPECT_TRUE(same.value(QStringLiteral("outside")).toArray().isEmpty());

  modified.poke(0x200, QByteArray::fromHex("A5A5"));  // the header: no table
  const QString spirit = exportRecords(modified.path(), QStringLiteral("SPEdit"))[3].toObject().value(QStringLiteral("fields"))
                             .toObject().value(QStringLiteral("SP_VAL")).toString() == QLatin1String("201") ? QStringLiteral("202") : QStringLiteral("201");
  const QString ability = exportRecords(modified.path(), QStringLiteral("Pilot"))[7].toObject().value(QStringLiteral("fields"))
                             .toObject().value(QStringLiteral("Ab(2)")).toString() == QLatin1String("3") ? QStringLiteral("4") : QStringLiteral("3");
  ASSERT_EQ(importFile(modified.path(), QStringLiteral(R"({"table":"SPEdit","records":[{"index":3,"fields":{"SP_VAL":"%1"}}]})")
                                           .arg(spirit).toUtf8()).code, 0);
  ASSERT_EQ(importFile(modified.path(), QStringLiteral(R"j({"table":"Pilot","records":[{"index":7,"fields":{"Ab(2)":"%1"}}]})j")
                                           .arg(ability).toUtf8()).code, 0);
  const QJsonObject all = runDiff({clean.path(), modified.path()}, 1);
  const QJsonArray outside = all.value(QStringLiteral("outside")).toArray();
  ASSERT_EQ(outside.size(), 1);
  EXPECT_EQ(outside[0].toObject().value(QStringLiteral("offset")).toInteger(), 0x200);
  EXPECT_EQ(outside[0].toObject().value(QStringLiteral("length")).toInteger(), 2);

  // Only the tables asked for are read field by field; the rest shows as bytes.
  const QJsonObject one = runDiff({clean.path(), modified.path(), QStringLiteral("--tables"), QStringLiteral("SPEdit")}, 1);
  const QJsonArray changes = one.value(QStringLiteral("changes")).toArray();
  ASSERT_EQ(changes.size(), 1);
  EXPECT_EQ(changes[0].toObject().value(QStringLiteral("field")).toString(), QStringLiteral("SP_VAL"));
  EXPECT_EQ(changes[0].toObject().value(QStringLiteral("new")).toString(), spirit);
  EXPECT_EQ(one.value(QStringLiteral("outside")).toArray().size(), 2);

  const CliRun text = cli({QStringLiteral("diff"), clean.path(), modified.path()});
  EXPECT_EQ(text.code, 1);
  EXPECT_TRUE(text.out.contains(QStringLiteral("SPEdit 3"))) << text.out.toStdString();
  EXPECT_TRUE(text.out.contains(QStringLiteral("-> ") + spirit)) << text.out.toStdString();
  EXPECT_TRUE(text.out.contains(QStringLiteral("0x200..0x201"))) << text.out.toStdString();
  const CliRun csv = cli({QStringLiteral("diff"), clean.path(), modified.path(), QStringLiteral("--format"), QStringLiteral("csv")});
  EXPECT_EQ(csv.out.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts).size(), 1 + 2 + 1);  // header, fields, range

  for (const QStringList& bad : {QStringList{clean.path(), modified.path(), QStringLiteral("--tables"), QStringLiteral("Nope")},
                                 QStringList{clean.path(), clean.path() + QStringLiteral(".missing")},
                                 QStringList{clean.path()}}) {
    const CliRun run = cli(QStringList{QStringLiteral("diff")} + bad);
    EXPECT_EQ(run.code, 2) << bad.join(u' ').toStdString();
    EXPECT_FALSE(run.err.isEmpty());
  }
}

// The last byte of a comparison block and the last of the image: diff finds
// each, and both patch formats carry it to the clean image.
TEST(Diff, TheLastByteOfABlockAndOfTheImageAreFoundAndPatched) {
  const QByteArray original = sampleImage();
  QTemporaryDir dir;
  for (const std::int64_t at : {kBlockBytes - 1, static_cast<std::int64_t>(original.size()) - 1}) {
    TempRom clean(original), modified(original);
    modified.poke(at, QByteArray(1, static_cast<char>(~original[static_cast<qsizetype>(at)])));
    EXPECT_EQ(cli({QStringLiteral("diff"), clean.path(), modified.path()}).code, 1) << at;
    for (const char* format : {"bps", "ips"}) {
      const QString patch = dir.filePath(QStringLiteral("p.%1").arg(QLatin1String(format)));
      const QString out = dir.filePath(QStringLiteral("out-%1.nds").arg(QLatin1String(format)));
      QFile::remove(patch);
      QFile::remove(out);
      ASSERT_EQ(cli({QStringLiteral("patch"), clean.path(), modified.path(), QStringLiteral("--output"), patch}).code, 0) << at;
      ASSERT_EQ(cli({QStringLiteral("apply"), patch, clean.path(), QStringLiteral("--output"), out}).code, 0) << at;
      QFile result(out);
      ASSERT_TRUE(result.open(QIODevice::ReadOnly));
      EXPECT_TRUE(result.readAll() == modified.bytes()) << format << " at " << at;
    }
  }
}

// Bytes set directly: what the fields show of them, and every bit no field
// shows listed as a byte, even inside a record whose other fields changed.
TEST(Diff, BitsAndBytesNoFieldShowsAreListedAsBytes) {
  constexpr std::int64_t kUnitMoves = 0x82D68 + 0x2A;   // + 132 * unit: MoveT, boxes for bits 0..2 only
  constexpr std::int64_t kPilotBase = 0x8C9A4;          // + 104 * pilot
  struct Case {
    const char* name;
    std::vector<std::pair<std::int64_t, int>> clean, modified;  // offset, byte
    std::vector<QString> fields;                              // "Table index field"
    std::vector<std::int64_t> outside;
  };
  const std::int64_t unit5 = kUnitMoves + 132 * 5, unit6 = kUnitMoves + 132 * 6;
  const std::int64_t spirit = kPilotBase + 104 * 3 + 0x3F, twoState = kPilotBase + 104 * 4 + 0x36;
  const Case cases[] = {
      {"a flag bit without a box", {{unit5, 0x02}}, {{unit5, 0x0A}}, {}, {unit5}},
      {"a boxed bit and one without", {{unit6, 0x02}}, {{unit6, 0x0B}}, {QStringLiteral("Unit 6 MoveT(0)")}, {unit6}},
      {"a boxed bit", {{unit6, 0x02}}, {{unit6, 0x03}}, {QStringLiteral("Unit 6 MoveT(0)")}, {}},
      {"two bytes shown as none", {{spirit, 40}}, {{spirit, 50}}, {}, {spirit}},
      {"two bytes shown as yes", {{twoState, 0x00}}, {{twoState, 0x02}}, {}, {twoState}},
      {"no becomes yes", {{twoState, 0xFF}}, {{twoState, 0x02}}, {QStringLiteral("Pilot 4 SpAP(0)")}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempRom clean(sampleImage()), modified(sampleImage());
    for (const auto& [at, byte] : c.clean) {
      clean.poke(at, QByteArray(1, static_cast<char>(byte)));
      modified.poke(at, QByteArray(1, static_cast<char>(byte)));
    }
    for (const auto& [at, byte] : c.modified) modified.poke(at, QByteArray(1, static_cast<char>(byte)));
    const QJsonObject diff = runDiff({clean.path(), modified.path()}, 1);
    std::vector<QString> fields;
    for (const QJsonValue& v : diff.value(QStringLiteral("changes")).toArray())
      fields.push_back(QStringLiteral("%1 %2 %3").arg(v[QStringLiteral("table")].toString()).arg(v[QStringLiteral("index")].toInt())
                           .arg(v[QStringLiteral("field")].toString()));
    EXPECT_EQ(fields, c.fields);
    std::vector<std::int64_t> outside;
    for (const QJsonValue& v : diff.value(QStringLiteral("outside")).toArray()) {
      EXPECT_EQ(v[QStringLiteral("length")].toInteger(), 1);
      outside.push_back(v[QStringLiteral("offset")].toInteger());
    }
    EXPECT_EQ(outside, c.outside);
  }
}

}  // namespace
}  // namespace rt::test
