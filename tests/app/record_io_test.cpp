// An import file reads as Qt's JSON parser reads it, whichever way it is
// parsed: every key and field of every record with the same value and type.
#include "app/record_io.h"
#include "editors/all_tables.h"
#include "tests/support/test_support.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace rt {
namespace {

// The records as Qt's document gives them: the oracle.
ImportFile readByQt(const QByteArray& json) {
  const QJsonObject root = QJsonDocument::fromJson(json).object();
  ImportFile file;
  file.table = root.value(QStringLiteral("table")).toString();
  for (const QJsonValue& v : root.value(QStringLiteral("records")).toArray()) {
    ImportedRecord r;
    const QJsonObject o = v.toObject();
    for (auto it = o.begin(); it != o.end(); ++it) {
      if (it.key() == QLatin1String("fields")) {
        const QJsonObject f = it.value().toObject();
        for (auto k = f.begin(); k != f.end(); ++k) r.fields.insert(k.key(), k.value().toVariant());
      } else if (it.key() != QLatin1String("name") && it.key() != QLatin1String("offset")) {
        r.keys.insert(it.key(), it.value().toVariant());
      }
    }
    file.records.push_back(r);
  }
  return file;
}

TEST(JsonImport, EveryValueReadsAsQtReadsIt) {
  const char* cases[] = {
      // as export writes it
      R"({"records": [{"fields": {"ATK": "12", "Fly": true, "Kind": 3}, "index": 0, "name": "A", "offset": 16}],
          "table": "Weapon"})",
      // numbers at the edges of what is read without Qt, and past them
      R"({"records": [{"fields": {"a": -0, "b": 0, "c": -7, "d": 123456789012345, "e": 1234567890123456,
          "f": 1.5, "g": 1e3, "h": -12}, "index": 2}], "table": "T"})",
      // texts: escapes, non-ASCII, \u escapes, an empty one, a control character
      "{\"records\": [{\"fields\": {\"c\": \"a\x01\"}, \"index\": 0}], \"table\": \"T\"}",
      "{\"records\": [{\"fields\": {\"n\": \"a\\\"b\\\\c\\/d\\ne\\tf\", \"z\": \"\xE6\xAD\xA6\xE5\x99\xA8\", "
      "\"u\": \"\\u00e9\\ud83d\\ude00\", \"e\": \"\"}, \"index\": 1, \"name\": \"\xE5\x90\x8D\"}], \"table\": \"T\"}",
      // spacing, keys out of order, no fields, empty records and false
      "\r\n{ \"table\" :\"T\",\"records\":[ {\"index\":4} ,{\"fields\":{},\"stage\":2,\"index\":0},"
      "{\"fields\":{\"x\":false}, \"index\": 1} ] }\n",
      // what only Qt reads: null, nested values, repeated keys, other top-level keys
      R"({"records": [{"fields": {"a": null, "b": [1], "c": {"d": 1}, "a": 2}, "index": 0}], "table": "T", "x": 1})",
      R"({"records": [], "table": "T"})",
  };
  for (const char* text : cases) {
    SCOPED_TRACE(text);
    const QByteArray json(text);
    auto parsed = parseJsonImport(json);
    ASSERT_TRUE(parsed) << parsed.message().toStdString();
    const ImportFile expected = readByQt(json);
    EXPECT_EQ(parsed->table, expected.table);
    ASSERT_EQ(parsed->records.size(), expected.records.size());
    for (size_t i = 0; i < expected.records.size(); ++i) {
      EXPECT_EQ(parsed->records[i].where, QStringLiteral("record %1 of the file").arg(i));
      EXPECT_EQ(parsed->records[i].keys, expected.records[i].keys);
      EXPECT_EQ(parsed->records[i].fields, expected.records[i].fields);
      // QVariant's == converts between number types: the types must agree too.
      for (auto it = expected.records[i].fields.begin(); it != expected.records[i].fields.end(); ++it)
        EXPECT_EQ(parsed->records[i].fields.value(it.key()).typeId(), it.value().typeId()) << it.key().toStdString();
      for (auto it = expected.records[i].keys.begin(); it != expected.records[i].keys.end(); ++it)
        EXPECT_EQ(parsed->records[i].keys.value(it.key()).typeId(), it.value().typeId()) << it.key().toStdString();
    }
  }
}

TEST(JsonImport, FilesQtRefusesAreRefusedWithItsWords) {
  for (const char* text : {R"({"records": [{"index": 01}]})", R"({"records": [{"index": 1},]})",
                           R"({"records": [{"index": "4"}]})", R"({"records": 3})", R"({"table": 4, "records": []})",
                           R"({"records": []} x)"}) {
    SCOPED_TRACE(text);
    const QByteArray json(text);
    auto parsed = parseJsonImport(json);
    ASSERT_FALSE(parsed);
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (doc.isNull()) {
      EXPECT_NE(parsed.message().indexOf(error.errorString()), -1) << parsed.message().toStdString();
    }
  }
}


// A table's export text shows every field of every table of the sample image
// as the codec reads it (exportedRecords: the values a form shows), in JSON
// and in CSV; a reader that takes the text as it is made gets the same bytes.
// Also over bytes no editor would write (combo bytes past their lists,
// negative words), which export writes from the bytes without a read.
class EveryTableExport : public ::testing::TestWithParam<bool> {};

// A fixed table that does not say how its records lie: export reads it record
// by record through the codec, and must write the same text.
class WithoutParts final : public FixedTable {
 public:
  using FixedTable::FixedTable;
  std::vector<const TableDef*> recordParts() const override { return {}; }
};
INSTANTIATE_TEST_SUITE_P(SampleAndScrambled, EveryTableExport, ::testing::Bool());

TEST_P(EveryTableExport, EveryFieldIsTheCodecsValue) {
  QByteArray image = test::sampleImage(5);
  if (GetParam()) {
    std::uint32_t x = 27;
    for (qsizetype i = 0x200; i < image.size(); ++i) {
      x = x * 1664525u + 1013904223u;
      image[i] = static_cast<char>(x >> 24);
    }
  }
  test::TempRom file(image);
  const TableRegistry registry = allTables();
  RomImage rom;
  rom.setRomPath(file.path());
  const QString names = test::namesDir();
  for (const auto& table : registry.all()) {
    SCOPED_TRACE(table->name().toStdString());
    auto refs = table->records(rom, names);
    ASSERT_TRUE(refs) << refs.message().toStdString();
    auto records = exportedRecords(rom, *table, *refs);
    ASSERT_TRUE(records) << records.message().toStdString();
    const std::vector<ControlRef> controls = table->controls();
    const std::vector<Field> fields = table->fields();

    QByteArray json = "kept", csv;
    auto count = appendTableExport(rom, *table, names, ExportFormat::Json, &json);
    ASSERT_TRUE(count) << count.message().toStdString();
    EXPECT_EQ(*count, static_cast<int>(records->size()));
    ASSERT_TRUE(json.startsWith("kept"));
    json.remove(0, 4);
    std::vector<std::pair<qsizetype, qsizetype>> spans, recordSpans;
    EXPECT_EQ(json, recordsToJson(*table, *records, &recordSpans));
    QByteArray made;  // as an import makes it, with each record's place
    ASSERT_TRUE(exportJson(rom, *table, *refs, &spans, &made));
    EXPECT_EQ(made, json);
    EXPECT_EQ(spans, recordSpans);
    ASSERT_TRUE(appendTableExport(rom, *table, names, ExportFormat::Csv, &csv));
    if (const auto* fixed = dynamic_cast<const FixedTable*>(table.get())) {
      const WithoutParts byRecord(fixed->def(), fixed->names());
      QByteArray json2, csv2;
      ASSERT_TRUE(appendTableExport(rom, byRecord, names, ExportFormat::Json, &json2));
      ASSERT_TRUE(appendTableExport(rom, byRecord, names, ExportFormat::Csv, &csv2));
      EXPECT_EQ(json2, json);
      EXPECT_EQ(csv2, csv);
    }
    for (ExportFormat format : {ExportFormat::Json, ExportFormat::Csv}) {
      QByteArray taken, rest;
      int batches = 0;
      ASSERT_TRUE(appendTableExport(rom, *table, names, format, &rest, [&](QByteArray& text) {
        taken += text;
        text.clear();
        ++batches;
      }));
      EXPECT_EQ(taken + rest, format == ExportFormat::Json ? json : csv);
      EXPECT_EQ(batches > 0, !records->empty());
    }

    const QJsonArray rows = QJsonDocument::fromJson(json).object().value(QStringLiteral("records")).toArray();
    auto cells = parseCsvImport(csv, *table);
    ASSERT_TRUE(cells) << cells.message().toStdString();
    ASSERT_EQ(rows.size(), static_cast<qsizetype>(records->size()));
    ASSERT_EQ(cells->records.size(), records->size());
    for (size_t i = 0; i < records->size(); ++i) {
      const ExportedRecord& r = (*records)[i];
      const QJsonObject row = rows[static_cast<qsizetype>(i)].toObject();
      const QJsonObject shown = row.value(QStringLiteral("fields")).toObject();
      const ImportedRecord& line = cells->records[i];
      EXPECT_EQ(row.value(QStringLiteral("name")).toString(), r.ref.name);
      EXPECT_EQ(row.value(QStringLiteral("offset")).toInteger(), r.ref.offset);
      ASSERT_EQ(shown.size(), static_cast<qsizetype>(controls.size()));
      ASSERT_EQ(line.fields.size(), static_cast<qsizetype>(controls.size()));
      for (size_t c = 0; c < controls.size(); ++c) {
        const ControlValue& v = r.state[c];
        const QString exact = exactComboText(fields[static_cast<size_t>(controls[c].field)], v, r.stored[c]);
        QJsonValue value;
        QString cell;
        switch (controls[c].kind) {
          case ControlKind::Text:
            value = v.text;
            cell = v.text;
            break;
          case ControlKind::Check:
            value = v.checked;
            cell = v.checked ? QStringLiteral("1") : QStringLiteral("0");
            break;
          case ControlKind::Combo:
            value = exact.isEmpty() ? QJsonValue(v.row) : QJsonValue(exact);
            cell = exact.isEmpty() ? QString::number(v.row) : exact;
            break;
        }
        EXPECT_EQ(shown.value(controls[c].name), value) << "record " << i << ", " << controls[c].name.toStdString();
        EXPECT_EQ(line.fields.value(controls[c].name).toString(), cell) << "record " << i << ", " << controls[c].name.toStdString();
      }
    }
  }
}

// Texts that need escaping or are not ASCII are written as Qt's JSON writer
// writes them, and as cells the CSV reader gives back unchanged.
TEST(TableExport, TextsAreWrittenAsQtAndTheCsvReaderTakeThem) {
  TableDef def{QStringLiteral("T"), 0, 2, 1, {}};
  def.fields = {byteField(QStringLiteral("a"), 0, QStringLiteral("A")), byteField(QStringLiteral("b"), 1, QStringLiteral("B"))};
  const FixedTable table(def, {});
  const QString texts[] = {QString(), QStringLiteral("plain 12"), QStringLiteral("q\"uote\""), QStringLiteral("back\\slash"),
                           QStringLiteral("tab\tnew\nline\r\b\f"), QString(QChar(1)) + QChar(0x1F), QStringLiteral("\x7F~"),
                           QStringLiteral("caf\u00E9"), QStringLiteral("\u540D\u524D, \"x\""), QStringLiteral("(3)"),
                           QString::fromUtf8("\xF0\x9F\x98\x80")};
  for (const QString& text : texts) {
    SCOPED_TRACE(text.toStdString());
    ExportedRecord r;
    r.ref.keys.insert(QStringLiteral("index"), 0);
    r.ref.name = text;
    r.state = {ControlValue{text}, ControlValue{QStringLiteral("x") + text}};
    const QJsonObject record{{QStringLiteral("fields"), QJsonObject{{QStringLiteral("a"), text}, {QStringLiteral("b"), QStringLiteral("x") + text}}},
                             {QStringLiteral("index"), 0},
                             {QStringLiteral("name"), text},
                             {QStringLiteral("offset"), 0}};
    const QJsonObject root{{QStringLiteral("records"), QJsonArray{record}}, {QStringLiteral("table"), QStringLiteral("T")}};
    EXPECT_EQ(recordsToJson(table, {r}), QJsonDocument(root).toJson(QJsonDocument::Indented));
    auto back = parseCsvImport(recordsToCsv(table, {r}), table);
    ASSERT_TRUE(back) << back.message().toStdString();
    ASSERT_EQ(back->records.size(), 1u);
    EXPECT_EQ(back->records[0].fields.value(QStringLiteral("a")).toString(), text);
    EXPECT_EQ(back->records[0].fields.value(QStringLiteral("b")).toString(), QStringLiteral("x") + text);
  }
}

}  // namespace
}  // namespace rt

namespace rt {
namespace {

// The manifest is what Qt's document of it gives, whatever the image is named
// and however many tables there are.
TEST(ExportManifest, IsQtsIndentedJsonOfIt) {
  const QString odd = QStringLiteral("機體 \"q\" \\ \t") + QChar(0x01) + QChar(0xD800) + QStringLiteral(".nds");
  for (const QString& image : {QStringLiteral("a.nds"), odd}) {
    for (size_t count : {size_t{0}, size_t{2}}) {
      ExportManifest m{image, 10648576, QStringLiteral("332C547C"), QStringLiteral("csv"), {}};
      QJsonArray tables;
      for (size_t i = 0; i < count; ++i) {
        m.tables.push_back({image + QString::number(i), QStringLiteral("t.csv"), static_cast<int>(i) * 989});
        tables.append(QJsonObject{{QStringLiteral("table"), m.tables.back().table},
                                  {QStringLiteral("file"), m.tables.back().file},
                                  {QStringLiteral("records"), m.tables.back().records}});
      }
      const QJsonObject qt{{QStringLiteral("image"), image},         {QStringLiteral("size"), m.size},
                           {QStringLiteral("crc32"), m.crc32},       {QStringLiteral("format"), m.format},
                           {QStringLiteral("tables"), tables}};
      EXPECT_EQ(manifestJson(m), QJsonDocument(qt).toJson(QJsonDocument::Indented)) << image.toStdString() << count;
    }
  }
}

}  // namespace
}  // namespace rt
