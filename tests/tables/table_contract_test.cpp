// What every registered table keeps, checked once over allTables(): a table is
// covered by being registered. On the sample image, through the one read and
// the one save the forms and the command line share:
//  - every record reads, one by one and all together alike;
//  - saving a record as read writes nothing (no write, no flush, no history);
//  - a rejected value writes nothing, and the refusal names its field and
//    points at its control, on a save and on an import;
//  - each control changed alone changes only bytes of its own field, and the
//    record then reads back as saved.
#include "model/conversions.h"
#include "editors/all_tables.h"
#include "tests/support/test_support.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <set>

namespace rt::test {
namespace {

struct TableContract : ::testing::TestWithParam<std::string> {
  TableRegistry tables = allTables();
  const TableAdapter* table = nullptr;
  std::shared_ptr<ScriptedFileLayer> files = std::make_shared<ScriptedFileLayer>();
  TempRom rom{sampleImage()};
  RomImage image{files};
  std::vector<RecordRef> records;
  std::vector<ControlRef> controls;
  std::vector<Field> fields;

  void SetUp() override {
    table = tables.find(QString::fromStdString(GetParam()));
    ASSERT_NE(table, nullptr);
    image.setRomPath(rom.path());
    auto listed = table->records(image, namesDir());
    ASSERT_TRUE(listed) << listed.message().toStdString();
    ASSERT_FALSE(listed->empty());
    records = *listed;
    controls = table->controls();
    fields = table->fields();
  }
  RecordState readBack(const RecordRef& r) {
    auto state = table->read(image, r);
    EXPECT_TRUE(state) << state.message().toStdString();
    return state ? *state : RecordState{};
  }
  // A few records, the first, the middle and the last among them.
  std::vector<RecordRef> someRecords() const {
    std::vector<RecordRef> out;
    const size_t step = std::max<size_t>(1, records.size() / 6);
    for (size_t i = 0; i < records.size(); i += step) out.push_back(records[i]);
    if (out.back().offset != records.back().offset) out.push_back(records.back());
    return out;
  }
  SaveResult save(const RecordRef& r, const RecordState& state) {
    return saveRecord(image, *table, r, state, recordTx(QStringLiteral("contract"), table->name(), {r.keys}));
  }
  bool wroteOrFlushed() const {
    for (FileOp op : files->trace)
      if (op == FileOp::Write || op == FileOp::Flush) return true;
    return false;
  }
  const Field& fieldOf(size_t c) const { return fields[static_cast<size_t>(controls[c].field)]; }
  QString captionOf(size_t c) const { return fieldOf(c).caption.isEmpty() ? fieldOf(c).control : fieldOf(c).caption; }
};

TEST_P(TableContract, EveryRecordReadsAndAllTogetherReadTheSame) {
  ASSERT_EQ(fields.size(), [&] {
    std::set<int> used;
    for (const ControlRef& c : controls) used.insert(c.field);
    return used.size();
  }()) << "every field has a control";
  auto together = table->readMany(image, records);
  ASSERT_TRUE(together) << together.message().toStdString();
  ASSERT_EQ(together->size(), records.size());
  std::set<QString> addresses;
  for (size_t i = 0; i < records.size(); ++i) {
    SCOPED_TRACE(records[i].name.toStdString());
    const RecordState one = readBack(records[i]);
    ASSERT_EQ(one.size(), controls.size());
    EXPECT_EQ(one, (*together)[i]);
    auto resolved = table->resolve(image, records[i].keys);
    ASSERT_TRUE(resolved) << resolved.message().toStdString();
    EXPECT_EQ(resolved->offset, records[i].offset);
    // Addressed and read in one go, as the command line reads a record it is given.
    auto fetched = table->fetch(image, records[i].keys);
    ASSERT_TRUE(fetched) << fetched.message().toStdString();
    EXPECT_EQ(fetched->ref.offset, records[i].offset);
    EXPECT_EQ(fetched->ref.keys, resolved->keys);
    EXPECT_EQ(fetched->state, one);
    EXPECT_TRUE(addresses.insert(QString::fromUtf8(QJsonDocument::fromVariant(records[i].keys).toJson())).second)
        << "two records share an address";
  }
  // An address no record has is refused the same way either way.
  for (const QVariant& index : {QVariant(100000), QVariant(-1), QVariant(QStringLiteral("x"))}) {
    QVariantMap keys = records.back().keys;
    keys.insert(QStringLiteral("index"), index);
    auto resolved = table->resolve(image, keys);
    auto fetched = table->fetch(image, keys);
    ASSERT_FALSE(resolved);
    ASSERT_FALSE(fetched);
    EXPECT_EQ(fetched.message(), resolved.message());
  }
}

TEST_P(TableContract, AnUnchangedSaveWritesNothing) {
  const QByteArray before = rom.bytes();
  for (const RecordRef& r : someRecords()) {
    SCOPED_TRACE(r.name.toStdString());
    const SaveResult saved = save(r, readBack(r));
    ASSERT_TRUE(saved.status) << saved.status.message().toStdString();
    EXPECT_EQ(saved.bytesChanged, 0);
  }
  EXPECT_FALSE(wroteOrFlushed());
  EXPECT_EQ(image.lastTransaction(), 0) << "nothing is recorded in the history";
  EXPECT_EQ(rom.bytes(), before);
}

// A value each kind of control refuses: text no parser takes, a row no byte stores.
bool makeRejected(const ControlRef& c, ControlValue* v) {
  switch (c.kind) {
    case ControlKind::Text: v->text = QStringLiteral("?"); return true;
    case ControlKind::Combo: v->row = 1000; return true;
    case ControlKind::Check: return false;  // every box state is a value
  }
  return false;
}

TEST_P(TableContract, ARejectedValueWritesNothingAndNamesItsField) {
  const RecordRef r = records[records.size() / 2];
  const RecordState state = readBack(r);
  const QByteArray before = rom.bytes();
  int refused = 0;
  QString importedControl;
  for (size_t c = 0; c < controls.size(); ++c) {
    RecordState bad = state;
    if (!makeRejected(controls[c], &bad[c])) continue;
    SCOPED_TRACE(controls[c].name.toStdString());
    const SaveResult saved = save(r, bad);
    ASSERT_FALSE(saved.status);
    EXPECT_EQ(saved.badControl, static_cast<int>(c));
    EXPECT_TRUE(saved.status.message().startsWith(captionOf(c) + QStringLiteral(": ")))
        << saved.status.message().toStdString();
    if (refused++ == 0) importedControl = controls[c].name;
  }
  EXPECT_FALSE(wroteOrFlushed());
  EXPECT_EQ(rom.bytes(), before);
  if (refused == 0) return;  // check boxes only: nothing can be refused
  // The command line refuses the same value with the control's name.
  QJsonObject record;
  for (auto it = r.keys.begin(); it != r.keys.end(); ++it) record.insert(it.key(), QJsonValue::fromVariant(it.value()));
  const size_t c = static_cast<size_t>(std::find_if(controls.begin(), controls.end(),
                                                    [&](const ControlRef& x) { return x.name == importedControl; }) -
                                       controls.begin());
  record.insert(QStringLiteral("fields"), QJsonObject{{importedControl, controls[c].kind == ControlKind::Combo
                                                                            ? QJsonValue(1000)
                                                                            : QJsonValue(QStringLiteral("?"))}});
  const QJsonObject file{{QStringLiteral("table"), table->name()}, {QStringLiteral("records"), QJsonArray{record}}};
  const CliRun run = importFile(rom.path(), QJsonDocument(file).toJson());
  EXPECT_EQ(run.code, 1);
  EXPECT_TRUE(run.err.contains(importedControl)) << run.err.toStdString();
  EXPECT_EQ(rom.bytes(), before);
}

// Another value of control c that the table accepts and that reads back as
// itself, or false when the control has none.
bool changeControl(const TableAdapter& table, RomImage& image, const RecordRef& r, const ControlRef& control,
                   const Field& field, RecordState* state, size_t c) {
  ControlValue& v = (*state)[c];
  std::vector<ControlValue> candidates;
  switch (control.kind) {
    case ControlKind::Check: candidates.push_back({QString(), -1, !v.checked}); break;
    case ControlKind::Combo: {
      const int rows = field.list.count > 0 ? field.list.count : 256;
      const int now = byteForRow(field.combo, v.row);
      for (int k = 1; k <= rows; ++k) {
        const int row = (v.row + k) % rows;
        const int byte = byteForRow(field.combo, row);
        if (byte >= 0 && byte != now && rowForByte(field.combo, byte) == row) candidates.push_back({QString(), row, false});
      }
      break;
    }
    case ControlKind::Text: {
      const bool hex = field.kind == FieldKind::HexWord;
      auto n = hex ? (parseHexWord(v.text) ? Result<std::int64_t>(*parseHexWord(v.text)) : parseHexWord(v.text).status())
                   : parseDecimal(v.text, INT32_MIN, INT32_MAX);
      if (!n) return false;
      const std::int64_t span = widthOf(field.kind) == 4 ? (std::int64_t{1} << 32) : (std::int64_t{1} << (8 * widthOf(field.kind)));
      for (std::int64_t k = 1; k <= 3; ++k) {
        std::int64_t next = *n + k;
        // Wrap within what the box shows: signed for Int32 and signed bytes, unsigned otherwise.
        const std::int64_t low = field.kind == FieldKind::Int32 ? INT32_MIN : field.kind == FieldKind::SignedByte ? -128 : 0;
        if (next >= low + span) next -= span;
        candidates.push_back({hex ? hexText(static_cast<int>(next)) : QString::number(next)});
      }
      break;
    }
  }
  for (const ControlValue& candidate : candidates) {
    RecordState changed = *state;
    changed[c] = candidate;
    // A changed pointer selects other values: show what it selects, as an import does.
    auto followed = table.follow(image, r, changed);
    if (!followed) continue;
    changed = *followed;
    changed[c] = candidate;
    std::vector<ByteWrite> writes;
    FieldError error;
    if (!table.encode(image, r, changed, &writes, &error)) continue;
    *state = changed;
    return true;
  }
  return false;
}

// The bytes of the image at `offsets`, read from the file as it is now.
std::map<std::int64_t, int> bytesNow(const QString& path, const std::set<std::int64_t>& offsets) {
  std::map<std::int64_t, int> out;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
    ADD_FAILURE() << "cannot read " << path.toStdString();
    return out;
  }
  for (std::int64_t at : offsets) {
    char b = 0;
    if (!file.seek(at) || file.read(&b, 1) != 1) ADD_FAILURE() << "cannot read byte " << at;
    out[at] = static_cast<std::uint8_t>(b);
  }
  return out;
}

TEST_P(TableContract, EachControlChangedAloneChangesOnlyItsOwnBytes) {
  const RecordRef r = records[records.size() / 2];
  const RecordState original = readBack(r);
  const QByteArray before = rom.bytes();
  // Bytes two controls write (pointers that select one record twice) belong to neither alone.
  std::vector<ByteWrite> writes;
  FieldError error;
  ASSERT_TRUE(table->encode(image, r, original, &writes, &error)) << error.message.toStdString();
  std::map<std::int64_t, int> writers;
  for (const ByteWrite& w : writes) ++writers[w.offset];
  int changedControls = 0;
  for (size_t c = 0; c < controls.size(); ++c) {
    SCOPED_TRACE(controls[c].name.toStdString());
    RecordState changed = original;
    if (!changeControl(*table, image, r, controls[c], fieldOf(c), &changed, c)) {
      ADD_FAILURE() << "no other value is accepted";
      continue;
    }
    std::vector<ByteWrite> mine;
    ASSERT_TRUE(table->encode(image, r, changed, &mine, &error));
    const SaveResult saved = save(r, changed);
    ASSERT_TRUE(saved.status) << saved.status.message().toStdString();
    // Every byte the save changed lies among the bytes it wrote, and bytesChanged counts them all.
    std::set<std::int64_t> written;
    for (const ByteWrite& w : mine) written.insert(w.offset);
    std::vector<std::int64_t> diff;
    for (const auto& [at, now] : bytesNow(rom.path(), written))
      if (now != byteAt(before, at)) diff.push_back(at);
    EXPECT_EQ(saved.bytesChanged, static_cast<std::int64_t>(diff.size())) << "bytes it did not write changed";
    if (diff.empty()) {
      // Only where another control writes the same byte after this one.
      EXPECT_TRUE(std::any_of(mine.begin(), mine.end(), [&](const ByteWrite& w) { return writers[w.offset] > 1; }))
          << "the change wrote nothing";
    } else {
      ++changedControls;
      EXPECT_LT(diff.back() - diff.front(), widthOf(fieldOf(c).kind)) << "bytes beyond one field changed";
      if (controls[c].kind == ControlKind::Check) {
        ASSERT_EQ(diff.size(), 1u);
        EXPECT_EQ(byteAt(before, diff[0]) ^ bytesNow(rom.path(), {diff[0]})[diff[0]], 1 << controls[c].bit)
            << "another bit changed";
      }
      EXPECT_EQ(readBack(r), changed) << "the record does not read back as saved";
    }
    // The original values put every byte back.
    const SaveResult restored = save(r, original);
    ASSERT_TRUE(restored.status) << restored.status.message().toStdString();
    EXPECT_EQ(restored.bytesChanged, static_cast<std::int64_t>(diff.size()));
    for (const auto& [at, now] : bytesNow(rom.path(), written)) ASSERT_EQ(now, byteAt(before, at)) << at;
  }
  EXPECT_GT(changedControls, 0);
  EXPECT_EQ(rom.bytes(), before);
}

INSTANTIATE_TEST_SUITE_P(AllTables, TableContract, ::testing::ValuesIn(registeredTableNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
}  // namespace rt::test
