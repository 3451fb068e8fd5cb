#pragma once
// Many records of a table read straight from their bytes, a batch at a time,
// for writers of whole tables (export): each control's stored value at hand
// without a RecordState, whose texts and vectors cost more than the writing.
// What a control shows follows from the codec (shownNumber, rowForByte, the
// bit of a flag byte), so the text is what a read of the record would give.

#include "model/table_registry.h"

#include <functional>
#include <vector>

namespace rt {

class RecordBytes {
 public:
  // Usable (ok()) when the table reads its records as parts of fields
  // (TableAdapter::recordParts) that give exactly `controls`.
  RecordBytes(const TableAdapter& table, const std::vector<ControlRef>& controls);
  bool ok() const { return !controls_.empty(); }

  // Reads refs[from, to) in one session of `rom` and calls each(i) for each,
  // in order, while that record's bytes are at hand.
  Status read(RomImage& rom, const std::vector<RecordRef>& refs, size_t from, size_t to,
              const std::function<void(size_t)>& each);

  // What control c of the current record shows, as export writes it: a text
  // box's number, a combo box's row, or for a byte its row would not store
  // back the byte itself ("(n)"), a check box's state.
  struct Shown {
    enum Kind { Number, Hex, Row, StoredByte, Check } kind;
    std::int64_t value;
  };
  Shown shown(size_t c) const {
    const Control& at = controls_[c];
    const std::uint8_t* b = bytes_[static_cast<size_t>(at.part)] + at.at;
    // One case a kind, its width known: the codec's shownNumber folded into each.
    switch (at.kind) {
      case FieldKind::Byte: return {Shown::Number, shownNumber(FieldKind::Byte, b[0])};
      case FieldKind::Word: return {Shown::Number, shownNumber(FieldKind::Word, storedValue(b, 2))};
      case FieldKind::Int32: return {Shown::Number, shownNumber(FieldKind::Int32, storedValue(b, 4))};
      case FieldKind::SignedByte: return {Shown::Number, shownNumber(FieldKind::SignedByte, b[0])};
      case FieldKind::HexWord: return {Shown::Hex, shownNumber(FieldKind::HexWord, storedValue(b, 2))};
      case FieldKind::Combo: return comboShown(*at.field, b[0]);
      case FieldKind::Flags: break;
    }
    return {Shown::Check, (b[0] >> at.bit) & 1};
  }

 private:
  struct Part {
    std::int64_t lo, length;  // its fields lie in [start + lo, start + lo + length)
  };
  struct Control {
    int part;
    const Field* field;
    FieldKind kind;  // field->kind
    int bit;
    std::int64_t at;  // from the part's lo
  };
  static Shown comboShown(const Field& field, std::uint32_t byte);
  const TableAdapter& table_;
  std::vector<Part> parts_;
  std::vector<Control> controls_;
  std::vector<std::int64_t> starts_;  // a batch's records' parts
  std::vector<const std::uint8_t*> bytes_;  // the current record's parts
  std::vector<std::vector<std::uint8_t>> spare_;  // a part the session could not hand out in place
};

// The text of `shown` at `to` (24 bytes of room): the number in decimal, or in
// hexadecimal (upper case); "(n)" for a stored byte; 1 or 0 for a check box.
// Gives the end of what was written.
char* shownText(char* to, RecordBytes::Shown shown);
// Most are small numbers: written here, the rest by shownText.
inline char* shownTextInline(char* to, RecordBytes::Shown shown) {
  if (shown.kind == RecordBytes::Shown::Hex || shown.kind == RecordBytes::Shown::StoredByte || shown.value < 0 ||
      shown.value > 999)
    return shownText(to, shown);
  const auto v = static_cast<int>(shown.value);
  if (v >= 100) *to++ = static_cast<char>('0' + v / 100);
  if (v >= 10) *to++ = static_cast<char>('0' + v / 10 % 10);
  *to++ = static_cast<char>('0' + v % 10);
  return to;
}

}  // namespace rt
