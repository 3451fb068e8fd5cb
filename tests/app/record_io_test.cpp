// An import file reads as Qt's JSON parser reads it, whichever way it is
// parsed: every key and field of every record with the same value and type.
#include "app/record_io.h"

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

}  // namespace
}  // namespace rt
