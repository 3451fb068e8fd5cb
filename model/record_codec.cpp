#include "model/record_codec.h"

#include "model/caption.h"

#include "model/conversions.h"

#include <algorithm>
#include <bit>
#include <iterator>
#include <QCoreApplication>

namespace rt {

QString elementName(const QString& arrayName, int index) {
  // Written in place, not QString::arg nor QString::number (a thousand
  // instructions a name): every command builds the grids' hundreds of names,
  // and every record an import or the history reads names its check boxes again.
  char16_t digits[12];
  int n = 0;
  auto v = static_cast<unsigned>(index < 0 ? -static_cast<long long>(index) : index);
  do {
    digits[n++] = static_cast<char16_t>(u'0' + v % 10);
    v /= 10;
  } while (v != 0);
  if (index < 0) digits[n++] = u'-';
  QString name(arrayName.size() + n + 2, Qt::Uninitialized);
  QChar* to = std::copy_n(arrayName.constData(), arrayName.size(), name.data());
  *to++ = u'(';
  while (n > 0) *to++ = digits[--n];
  *to = u')';
  return name;
}

int rowForByte(const ComboRule& rule, int byte) {
  switch (rule.kind) {
    case ComboRule::Plain: return byte;
    case ComboRule::NoneAbove: return byte >= rule.noneRow ? rule.noneRow : byte;
    case ComboRule::TwoState: return byte == rule.noneByte ? 0 : 1;
    case ComboRule::NoneByte: return byte == rule.noneByte ? rule.noneRow : byte;
  }
  return byte;
}

// The byte a row stores, or -1 when the row cannot be stored.
int byteForRow(const ComboRule& rule, int row) {
  switch (rule.kind) {
    case ComboRule::Plain: return row >= 0 && row <= 255 ? row : -1;
    case ComboRule::NoneAbove:
      if (row < 0 || row >= rule.noneRow) return row > 255 ? -1 : rule.noneByte;
      return row;
    case ComboRule::TwoState: return row == 0 ? rule.noneByte : row == 1 ? 0x01 : -1;
    case ComboRule::NoneByte:
      if (row == rule.noneRow) return rule.noneByte;
      return row >= 0 && row <= 255 ? row : -1;
  }
  return -1;
}


namespace {

Field makeField(QString control, std::int64_t offset, FieldKind kind, QString caption) {
  Field f;
  f.control = std::move(control);
  f.offset = offset;
  f.kind = kind;
  f.caption = std::move(caption);
  return f;
}

// Numbers from -128 to 9999 show one of these texts, made at compile time:
// every byte, most words. A text handed out refers to them without owning
// them (QString::fromRawData): no allocation and no reference count per
// control, which is most of the cost of reading a grid or exporting a table.
// Changing one makes a copy of its own.
constexpr int kLeastText = -128, kMostText = 9999;

struct NumberTexts {
  char16_t chars[kMostText - kLeastText + 1][5] = {};  // "-128" or "9999" at most
  std::uint8_t length[kMostText - kLeastText + 1] = {};
};

constexpr NumberTexts makeNumberTexts() {
  NumberTexts t;
  for (int v = kLeastText; v <= kMostText; ++v) {
    const size_t i = static_cast<size_t>(v - kLeastText);
    char16_t digits[4] = {};
    int n = 0;
    for (int rest = v < 0 ? -v : v; n == 0 || rest > 0; rest /= 10) digits[n++] = static_cast<char16_t>(u'0' + rest % 10);
    size_t at = 0;
    if (v < 0) t.chars[i][at++] = u'-';
    while (n > 0) t.chars[i][at++] = digits[--n];
    t.length[i] = static_cast<std::uint8_t>(at);
  }
  return t;
}

constexpr NumberTexts kNumberTexts = makeNumberTexts();

// decimalText(value), without allocating for the common values.
QString numberText(std::int64_t value) {
  if (value < kLeastText || value > kMostText) return decimalText(value);
  const size_t i = static_cast<size_t>(value - kLeastText);
  // As Qt's u""_s makes a text of a literal: inline, where fromRawData is a call.
  return QString(QStringPrivate(nullptr, const_cast<char16_t*>(kNumberTexts.chars[i]), kNumberTexts.length[i]));
}

}  // namespace

Field byteField(QString c, std::int64_t o, QString cap) { return makeField(std::move(c), o, FieldKind::Byte, std::move(cap)); }
Field wordField(QString c, std::int64_t o, QString cap) { return makeField(std::move(c), o, FieldKind::Word, std::move(cap)); }
Field int32Field(QString c, std::int64_t o, QString cap) { return makeField(std::move(c), o, FieldKind::Int32, std::move(cap)); }
Field signedByteField(QString c, std::int64_t o, QString cap) {
  return makeField(std::move(c), o, FieldKind::SignedByte, std::move(cap));
}
Field hexWordField(QString c, std::int64_t o, QString cap) { return makeField(std::move(c), o, FieldKind::HexWord, std::move(cap)); }
Field comboField(QString c, std::int64_t o, QString cap, ComboRule rule) {
  Field f = makeField(std::move(c), o, FieldKind::Combo, std::move(cap));
  f.combo = rule;
  return f;
}
Field comboField(QString c, std::int64_t o, QString cap, NameListSource list, ComboRule rule) {
  Field f = comboField(std::move(c), o, std::move(cap), rule);
  f.list = std::move(list);
  return f;
}
Field flagsField(QString a, std::int64_t o, QString cap, int mask) {
  Field f = makeField(std::move(a), o, FieldKind::Flags, std::move(cap));
  f.flagMask = mask & 0xFF;
  return f;
}


// --- Field kinds ---------------------------------------------------------------
// One row per kind: the bytes it occupies, the controls that show it, how the
// stored value becomes their values and how their values become the stored
// value. A new kind is a FieldKind value and a row here; reading, checking,
// encoding, the control list and the width all follow from the row.

namespace {

struct KindRow {
  FieldKind kind;
  int width;  // bytes, little-endian
  ControlKind control;  // Check: one box per bit of the field's mask
  // Appends the values of the field's controls for the stored value `raw`.
  void (*show)(const Field& field, std::uint32_t raw, RecordState* out);
  // The stored value from the values of the field's controls (`values` points
  // at the first); false with what is wrong, for the message.
  bool (*store)(const Field& field, const ControlValue* values, std::uint32_t* raw, QString* why);
};

template <typename T>
bool parsed(const Result<T>& number, std::uint32_t* raw, QString* why) {
  if (!number) {
    *why = number.message();
    return false;
  }
  *raw = static_cast<std::uint32_t>(*number);  // a negative value keeps its two's complement bytes
  return true;
}

inline void pushText(RecordState* out, QString&& text) {
  ControlValue& v = out->emplace_back();
  v.text = std::move(text);
}

// Every text kind shows its number: decimal, or hexadecimal for HexWord.
void showNumber(const Field& f, std::uint32_t raw, RecordState* out) {
  const std::int64_t n = shownNumber(f.kind, raw);
  pushText(out, f.kind == FieldKind::HexWord ? hexText(static_cast<int>(n)) : numberText(n));
}

constexpr KindRow kKinds[] = {
    {FieldKind::Byte, 1, ControlKind::Text, showNumber,
     [](const Field&, const ControlValue* v, std::uint32_t* raw, QString* why) {
       return parsed(parseByte(v->text), raw, why);
     }},
    {FieldKind::Word, 2, ControlKind::Text, showNumber,
     [](const Field&, const ControlValue* v, std::uint32_t* raw, QString* why) {
       return parsed(parseWord(v->text), raw, why);
     }},
    {FieldKind::Int32, 4, ControlKind::Text, showNumber,
     [](const Field&, const ControlValue* v, std::uint32_t* raw, QString* why) {
       return parsed(parseInt32(v->text), raw, why);
     }},
    {FieldKind::SignedByte, 1, ControlKind::Text, showNumber,
     [](const Field&, const ControlValue* v, std::uint32_t* raw, QString* why) {
       if (parsed(parseSignedByte(v->text), raw, why)) return true;
       *why += QCoreApplication::translate("rt::RecordCodec", " (-256 to -1 are stored as n + 256)");
       return false;
     }},
    {FieldKind::HexWord, 2, ControlKind::Text, showNumber,
     [](const Field&, const ControlValue* v, std::uint32_t* raw, QString* why) {
       return parsed(parseHexWord(v->text), raw, why);
     }},
    {FieldKind::Combo, 1, ControlKind::Combo,
     [](const Field& f, std::uint32_t raw, RecordState* out) {
       ControlValue v;
       v.row = rowForByte(f.combo, static_cast<int>(raw));
       out->push_back(v);
     },
     [](const Field& f, const ControlValue* v, std::uint32_t* raw, QString* why) {
       const int byte = byteForRow(f.combo, v->row);
       if (byte < 0) {
         *why = v->row < 0 ? QCoreApplication::translate("rt::RecordCodec", "no row is selected; choose one of the list")
                           : QCoreApplication::translate("rt::RecordCodec", "row %1 cannot be stored in a byte").arg(v->row);
         return false;
       }
       *raw = static_cast<std::uint32_t>(byte);
       return true;
     }},
    {FieldKind::Flags, 1, ControlKind::Check,
     [](const Field& f, std::uint32_t raw, RecordState* out) {
       for (int bit = 0; bit < 8; ++bit)
         if (f.flagMask & (1 << bit)) out->emplace_back().checked = raw & (1u << bit);
     },
     [](const Field& f, const ControlValue* v, std::uint32_t* raw, QString*) {
       // The boxes of one byte, lowest bit first; bits without a box are masked out of the write.
       *raw = 0;
       for (int bit = 0; bit < 8; ++bit)
         if (f.flagMask & (1 << bit)) *raw |= (v++)->checked ? 1u << bit : 0u;
       return true;
     }},
};

constexpr bool rowsInKindOrder() {
  for (size_t i = 0; i < std::size(kKinds); ++i)
    if (static_cast<size_t>(kKinds[i].kind) != i) return false;
  return true;
}
static_assert(rowsInKindOrder(), "one row per FieldKind, in the enum's order");

const KindRow& rowOf(FieldKind kind) { return kKinds[static_cast<size_t>(kind)]; }

// Controls of a field: one, or one check box per bit of a flag byte's mask.
int controlCount(const Field& f) {
  return rowOf(f.kind).control == ControlKind::Check ? std::popcount(static_cast<unsigned>(f.flagMask & 0xFF)) : 1;
}

std::uint32_t readRaw(RomImage& rom, int width) {
  switch (width) {
    case 1: return static_cast<std::uint32_t>(rom.readU8());
    case 2: return static_cast<std::uint32_t>(rom.readU16());
    default: return static_cast<std::uint32_t>(rom.readU32());
  }
}

}  // namespace

int widthOf(FieldKind kind) { return rowOf(kind).width; }

FieldsExtent fieldsExtent(const std::vector<Field>& fields) {
  if (fields.empty()) return {};
  FieldsExtent e{INT64_MAX, 0};
  for (const Field& f : fields) {
    e.lo = std::min(e.lo, f.offset);
    e.hi = std::max(e.hi, f.offset + widthOf(f.kind));
  }
  return e;
}

std::int64_t lastRecordEnd(std::int64_t base, std::int64_t stride, int count, const std::vector<Field>& fields) {
  return base + stride * (count - 1) + std::max(fieldsExtent(fields).hi, std::int64_t{1});
}

std::uint8_t writeMaskOf(const Field& field) {
  return static_cast<std::uint8_t>(rowOf(field.kind).control == ControlKind::Check ? field.flagMask & 0xFF : 0xFF);
}

std::vector<ControlRef> controlsOf(const TableDef& table) {
  std::vector<ControlRef> controls;
  for (int i = 0; i < static_cast<int>(table.fields.size()); ++i) {
    const Field& f = table.fields[static_cast<size_t>(i)];
    const ControlKind kind = rowOf(f.kind).control;
    if (kind != ControlKind::Check) {
      controls.push_back({f.control, kind, i});
      continue;
    }
    for (int bit = 0; bit < 8; ++bit)
      if (f.flagMask & (1 << bit)) controls.push_back({elementName(f.control, bit), kind, i, bit});
  }
  return controls;
}

void appendFields(RomImage& rom, const TableDef& table, std::int64_t recordOffset, RecordState* state) {
  // One positioned read per cluster of fields; most records are one.
  std::int64_t lo = INT64_MAX, hi = 0;
  size_t controls = 0;
  for (const Field& f : table.fields) {
    lo = std::min(lo, f.offset);
    hi = std::max(hi, f.offset + rowOf(f.kind).width);
    controls += static_cast<size_t>(controlCount(f));
  }
  if (table.fields.empty()) return;
  if (state->capacity() < state->size() + controls) state->reserve(std::max(state->size() + controls, 2 * state->capacity()));
  // Records read together were fetched together: most are in memory already.
  const std::uint8_t* bytes = rom.peek(recordOffset + lo, hi - lo);
  if (!bytes && hi - lo <= 4096) {
    rom.prefetch(recordOffset + lo, hi - lo);
    bytes = rom.peek(recordOffset + lo, hi - lo);
  }
  if (bytes) {
    // All in memory already: the fields straight from the bytes.
    for (const Field& f : table.fields) {
      const KindRow& row = rowOf(f.kind);
      row.show(f, storedValue(bytes + (f.offset - lo), row.width), state);
    }
    return;
  }
  for (const Field& f : table.fields) {
    const KindRow& row = rowOf(f.kind);
    rom.seek(recordOffset + f.offset);
    row.show(f, readRaw(rom, row.width), state);
  }
}

RecordState readFields(RomImage& rom, const TableDef& table, std::int64_t recordOffset) {
  RecordState state;
  appendFields(rom, table, recordOffset, &state);
  return state;
}

Result<RecordState> readRecord(RomImage& rom, const TableDef& table, std::int64_t recordOffset) {
  return readSession(rom, [&](RomImage& open) { return readFields(open, table, recordOffset); });
}

bool encodeRecord(const TableDef& table, std::int64_t recordOffset, const RecordState& state,
                  std::vector<ByteWrite>* writes, FieldError* error) {
  size_t needed = 0;
  for (const Field& f : table.fields) needed += static_cast<size_t>(controlCount(f));
  if (state.size() != needed) {
    *error = {-1, QStringLiteral("The record of %1 has %2 values; it needs %3.")
                      .arg(table.id).arg(state.size()).arg(needed)};
    return false;
  }
  std::vector<ByteWrite> out;
  int c = 0;  // the field's first control
  for (const Field& f : table.fields) {
    const int controls = controlCount(f);
    if (controls == 0) continue;  // a flag byte without boxes stores nothing
    const KindRow& row = rowOf(f.kind);
    std::uint32_t raw = 0;
    QString why;
    if (!row.store(f, &state[static_cast<size_t>(c)], &raw, &why)) {
      *error = {c, QStringLiteral("%1: %2.").arg(f.caption.isEmpty() ? f.control : shownCaption(f.caption), why)};
      return false;
    }
    const std::uint8_t mask = writeMaskOf(f);
    for (int i = 0; i < row.width; ++i)
      out.push_back({recordOffset + f.offset + i, static_cast<std::uint8_t>((raw >> (8 * i)) & 0xFF), mask});
    c += controls;
  }
  writes->insert(writes->end(), out.begin(), out.end());
  return true;
}

SaveResult applyWrites(RomImage& rom, const std::vector<ByteWrite>& writes, const TxInfo& info) {
  SaveResult result;
  rom.setTransactionInfo(info);
  RomSession session(rom, Access::Write);
  if (!session.status()) {
    result.status = session.status();
    return result;
  }
  rom.reserveWrites(writes.size());
  for (const ByteWrite& w : writes) rom.writeU8MaskedAt(w.offset, w.value, w.mask);
  result.status = session.close();
  if (result.status) result.bytesChanged = rom.lastBytesChanged();
  return result;
}

SaveResult writeRecord(RomImage& rom, const TableDef& table, std::int64_t recordOffset, const RecordState& state,
                       const TxInfo& info) {
  std::vector<ByteWrite> writes;
  FieldError error;
  if (!encodeRecord(table, recordOffset, state, &writes, &error)) return rejectedSave(error);
  return applyWrites(rom, writes, info);
}

SaveResult rejectedSave(const FieldError& error) {
  SaveResult result;
  result.status = Status::error(error.message);
  result.badControl = error.control;
  return result;
}

}  // namespace rt
