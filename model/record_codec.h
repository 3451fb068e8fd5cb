#pragma once
// The record codec: a table is where records live (base, stride, count) and
// which bytes of a record are shown (its fields); a field kind says how bytes
// become what a control shows and back. The forms and the command line both
// read and write through here, so a field is never read one way and written
// another.

#include "model/conversions.h"
#include "model/name_list.h"
#include "model/references.h"
#include "image/result.h"
#include "image/rom_image.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace rt {

enum class FieldKind {
  Byte,        // decimal text, 0..255
  Word,        // decimal text, 0..65535, little-endian
  Int32,       // decimal text, signed 32-bit, little-endian
  SignedByte,  // shown -128..127, typed -256..255
  HexWord,     // hexadecimal text, 0..FFFF
  Combo,       // selected row of a list, see ComboRule
  Flags,       // one check box per bit; bits outside the mask keep their value
};

// How a coded byte maps to a row of its list and back.
struct ComboRule {
  enum Kind {
    Plain,      // row = byte; a byte past the list keeps its value as an extra row
    NoneAbove,  // bytes >= noneRow show noneRow; noneRow (or no row) saves noneByte
    TwoState,   // noneByte shows row 0, anything else row 1; row 1 saves 0x01
    NoneByte,   // noneByte shows noneRow; noneRow saves noneByte
  };
  Kind kind = Plain;
  int noneRow = -1;
  int noneByte = 0xFF;
};

struct Field {
  QString control;  // control name; for Flags the array name, boxes are "name(k)"
  std::int64_t offset = 0;  // from the start of the record
  FieldKind kind = FieldKind::Byte;
  QString caption;  // named in messages
  ComboRule combo{};
  NameListSource list;  // Combo: the list whose items are its rows
  int flagMask = 0xFF;  // Flags: the bits that have a box
};

struct TableDef {
  QString id;  // the form's name
  std::int64_t base = 0;
  std::int64_t stride = 0;
  int count = 1;
  std::vector<Field> fields;  // in file order
  std::vector<Reference> references{};  // fields that name records of other tables

  std::int64_t recordOffset(int index) const { return base + stride * index; }
};

// Bytes a field of this kind occupies.
int widthOf(FieldKind kind);
// Where a record's fields lie from its start, [lo, hi); {0, 0} when it has none.
struct FieldsExtent {
  std::int64_t lo = 0, hi = 0;
};
FieldsExtent fieldsExtent(const std::vector<Field>& fields);
// The end of the last of `count` records `stride` apart from `base`: where its
// last field ends, one byte past its start at least.
std::int64_t lastRecordEnd(std::int64_t base, std::int64_t stride, int count, const std::vector<Field>& fields);
// The bits of each of its bytes a field writes: the boxed bits of a flag byte, all bits otherwise.
std::uint8_t writeMaskOf(const Field& field);
// The stored value of a field `width` bytes wide (widthOf its kind) at `at`: little-endian.
inline std::uint32_t storedValue(const std::uint8_t* at, int width) {
  std::uint32_t raw = at[0];
  if (width >= 2) raw |= std::uint32_t{at[1]} << 8;
  if (width == 4) raw |= std::uint32_t{at[2]} << 16 | std::uint32_t{at[3]} << 24;
  return raw;
}
// The number a text box of `kind` shows for the stored value `raw`: in
// hexadecimal for HexWord (hexText), in decimal for the others. What the
// codec puts in a text box, for writers that print many records without one.
inline std::int64_t shownNumber(FieldKind kind, std::uint32_t raw) {
  switch (kind) {
    case FieldKind::Int32: return static_cast<std::int32_t>(raw);
    case FieldKind::SignedByte: return signedByteValue(static_cast<int>(raw));
    default: return raw;  // Byte, Word, HexWord
  }
}
// The row a stored byte shows, and the byte a row stores (-1: cannot be stored).
int rowForByte(const ComboRule& rule, int byte);
int byteForRow(const ComboRule& rule, int row);

// Field constructors, so a field list reads like a structure description.
Field byteField(QString control, std::int64_t offset, QString caption);
Field wordField(QString control, std::int64_t offset, QString caption);
Field int32Field(QString control, std::int64_t offset, QString caption);
Field signedByteField(QString control, std::int64_t offset, QString caption);
Field hexWordField(QString control, std::int64_t offset, QString caption);
Field comboField(QString control, std::int64_t offset, QString caption, ComboRule rule = {});
Field comboField(QString control, std::int64_t offset, QString caption, NameListSource list, ComboRule rule = {});
Field flagsField(QString arrayName, std::int64_t offset, QString caption, int mask = 0xFF);
// "Ab" and 3 give "Ab(3)".
QString elementName(const QString& arrayName, int index);

enum class ControlKind { Text, Combo, Check };

// One control of a record: a text box, a combo box or one check box of a flag byte.
struct ControlRef {
  QString name;
  ControlKind kind;
  int field;     // index into TableDef::fields
  int bit = -1;  // Check: the bit this box shows
};
std::vector<ControlRef> controlsOf(const TableDef& table);

// What a control holds: text for a text box, row for a combo box (-1: none
// selected; a row past the list stands for a stored byte without a row),
// checked for a check box.
struct ControlValue {
  QString text;
  int row = -1;
  bool checked = false;
  bool operator==(const ControlValue&) const = default;
};
using RecordState = std::vector<ControlValue>;  // aligned with controlsOf(table)

// One byte to store, only the bits of mask.
struct ByteWrite {
  std::int64_t offset;
  std::uint8_t value;
  std::uint8_t mask;
};

// A rejected value: which control, and a message naming its caption, the text
// and what it accepts.
struct FieldError {
  int control = -1;
  QString message;
};

// Reads the record at recordOffset in its own session.
Result<RecordState> readRecord(RomImage& rom, const TableDef& table, std::int64_t recordOffset);
// Reads inside an already open session.
RecordState readFields(RomImage& rom, const TableDef& table, std::int64_t recordOffset);
// The same, appended to `state` (a record made of several parts).
void appendFields(RomImage& rom, const TableDef& table, std::int64_t recordOffset, RecordState* state);

// Converts and checks every control; no byte is produced unless all are valid.
// Each field kind says how (record_codec.cpp, one row per FieldKind).
bool encodeRecord(const TableDef& table, std::int64_t recordOffset, const RecordState& state,
                  std::vector<ByteWrite>* writes, FieldError* error);

struct SaveResult {
  Status status;
  int badControl = -1;  // set when a value was rejected
  std::int64_t bytesChanged = 0;
};
// Applies writes in one write session: all of them or none.
// `info` says what the transaction is, for the history.
SaveResult applyWrites(RomImage& rom, const std::vector<ByteWrite>& writes, const TxInfo& info);
// The result of a save refused before writing: the rejected control and its message.
SaveResult rejectedSave(const FieldError& error);
// encodeRecord + applyWrites.
SaveResult writeRecord(RomImage& rom, const TableDef& table, std::int64_t recordOffset,
                       const RecordState& state, const TxInfo& info);

}  // namespace rt
