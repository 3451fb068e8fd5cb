#include "core/record_codec.h"

#include "core/conversions.h"

#include <algorithm>

namespace rt {

QString elementName(const QString& arrayName, int index) {
  // Joined, not QString::arg: every record an import or the history reads names its check boxes again.
  return arrayName + u'(' + QString::number(index) + u')';
}

int widthOf(FieldKind kind) {
  switch (kind) {
    case FieldKind::Word:
    case FieldKind::HexWord: return 2;
    case FieldKind::Int32: return 4;
    default: return 1;
  }
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

// Byte fields show one of 384 texts; sharing them saves an allocation per
// control, which is most of the cost of reading a grid of bytes.
QString byteText(int value) {
  static const std::vector<QString> texts = [] {
    std::vector<QString> out;
    for (int v = -128; v <= 255; ++v) out.push_back(QString::number(v));
    return out;
  }();
  return texts[static_cast<size_t>(value + 128)];
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

namespace {

std::vector<ControlRef> buildControls(const TableDef& table, bool named) {
  std::vector<ControlRef> controls;
  for (int i = 0; i < static_cast<int>(table.fields.size()); ++i) {
    const Field& f = table.fields[static_cast<size_t>(i)];
    if (f.kind == FieldKind::Flags) {
      for (int bit = 0; bit < 8; ++bit)
        if (f.flagMask & (1 << bit))
          controls.push_back({named ? elementName(f.control, bit) : QString(), ControlKind::Check, i, bit});
    } else {
      controls.push_back({f.control, f.kind == FieldKind::Combo ? ControlKind::Combo : ControlKind::Text, i});
    }
  }
  return controls;
}

}  // namespace

std::vector<ControlRef> controlsOf(const TableDef& table) { return buildControls(table, true); }

RecordState readFields(RomImage& rom, const TableDef& table, std::int64_t recordOffset) {
  // One positioned read per cluster of fields; most records are one.
  std::int64_t lo = INT64_MAX, hi = 0;
  for (const Field& f : table.fields) {
    lo = std::min(lo, f.offset);
    hi = std::max(hi, f.offset + widthOf(f.kind));
  }
  if (!table.fields.empty() && hi - lo <= 4096) rom.prefetch(recordOffset + lo, hi - lo);

  RecordState state;
  state.reserve(table.fields.size() * 2);
  for (const Field& f : table.fields) {
    rom.seek(recordOffset + f.offset);
    switch (f.kind) {
      case FieldKind::Byte: state.push_back({byteText(rom.readU8())}); break;
      case FieldKind::Word: state.push_back({QString::number(rom.readU16())}); break;
      case FieldKind::Int32: state.push_back({QString::number(rom.readU32())}); break;
      case FieldKind::SignedByte: state.push_back({byteText(signedByteValue(rom.readU8()))}); break;
      case FieldKind::HexWord: state.push_back({hexText(rom.readU16())}); break;
      case FieldKind::Combo: {
        ControlValue v;
        v.row = rowForByte(f.combo, rom.readU8());
        state.push_back(v);
        break;
      }
      case FieldKind::Flags: {
        const int byte = rom.readU8();
        for (int bit = 0; bit < 8; ++bit) {
          if (!(f.flagMask & (1 << bit))) continue;
          ControlValue v;
          v.checked = byte & (1 << bit);
          state.push_back(v);
        }
        break;
      }
    }
  }
  return state;
}

Result<RecordState> readRecord(RomImage& rom, const TableDef& table, std::int64_t recordOffset) {
  RomSession session(rom, Access::Read);
  if (!session.status()) return session.status();
  RecordState state = readFields(rom, table, recordOffset);
  Status closed = session.close();
  if (!closed) return closed;
  return state;
}

bool encodeRecord(const TableDef& table, std::int64_t recordOffset, const RecordState& state,
                  std::vector<ByteWrite>* writes, FieldError* error) {
  // Without names, which encoding never reads: making the check boxes' names was most of an encode.
  const std::vector<ControlRef> controls = buildControls(table, false);
  if (state.size() != controls.size()) {
    *error = {-1, QStringLiteral("The record of %1 has %2 values; it needs %3.")
                      .arg(table.id).arg(state.size()).arg(controls.size())};
    return false;
  }
  std::vector<ByteWrite> out;
  auto put = [&](std::int64_t at, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i)
      out.push_back({at + i, static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF), 0xFF});
  };
  auto reject = [&](int control, const QString& caption, const QString& what) {
    *error = {control, QStringLiteral("%1: %2.").arg(caption, what)};
    return false;
  };
  for (int c = 0; c < static_cast<int>(controls.size()); ++c) {
    const ControlRef& ref = controls[static_cast<size_t>(c)];
    const Field& f = table.fields[static_cast<size_t>(ref.field)];
    const ControlValue& v = state[static_cast<size_t>(c)];
    const std::int64_t at = recordOffset + f.offset;
    const QString caption = f.caption.isEmpty() ? f.control : f.caption;
    switch (f.kind) {
      case FieldKind::Byte: {
        auto n = parseByte(v.text);
        if (!n) return reject(c, caption, n.message());
        put(at, static_cast<std::uint32_t>(*n), 1);
        break;
      }
      case FieldKind::Word: {
        auto n = parseWord(v.text);
        if (!n) return reject(c, caption, n.message());
        put(at, static_cast<std::uint32_t>(*n), 2);
        break;
      }
      case FieldKind::Int32: {
        auto n = parseInt32(v.text);
        if (!n) return reject(c, caption, n.message());
        put(at, static_cast<std::uint32_t>(*n), 4);
        break;
      }
      case FieldKind::SignedByte: {
        auto n = parseSignedByte(v.text);
        if (!n) return reject(c, caption, n.message() + QStringLiteral(" (-256 to -1 are stored as n + 256)"));
        put(at, static_cast<std::uint32_t>(*n), 1);
        break;
      }
      case FieldKind::HexWord: {
        auto n = parseHexWord(v.text);
        if (!n) return reject(c, caption, n.message());
        put(at, static_cast<std::uint32_t>(*n), 2);
        break;
      }
      case FieldKind::Combo: {
        const int byte = byteForRow(f.combo, v.row);
        if (byte < 0) {
          return reject(c, caption, v.row < 0 ? QStringLiteral("no row is selected; choose one of the list")
                                              : QStringLiteral("row %1 cannot be stored in a byte").arg(v.row));
        }
        put(at, static_cast<std::uint32_t>(byte), 1);
        break;
      }
      case FieldKind::Flags: {
        // All boxes of one byte arrive in a row; gather them into one masked write.
        if (ref.bit == -1) break;
        const bool firstOfByte = c == 0 || controls[static_cast<size_t>(c - 1)].field != ref.field;
        if (!firstOfByte) break;
        int value = 0;
        for (int k = c; k < static_cast<int>(controls.size()) && controls[static_cast<size_t>(k)].field == ref.field; ++k)
          if (state[static_cast<size_t>(k)].checked) value |= 1 << controls[static_cast<size_t>(k)].bit;
        out.push_back({at, static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(f.flagMask)});
        break;
      }
    }
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
  for (const ByteWrite& w : writes) {
    rom.seek(w.offset);
    rom.writeU8Masked(w.value, w.mask);
  }
  result.status = session.close();
  if (result.status) result.bytesChanged = rom.lastBytesChanged();
  return result;
}

SaveResult writeRecord(RomImage& rom, const TableDef& table, std::int64_t recordOffset, const RecordState& state,
                       const TxInfo& info) {
  std::vector<ByteWrite> writes;
  FieldError error;
  if (!encodeRecord(table, recordOffset, state, &writes, &error)) {
    SaveResult result;
    result.status = Status::error(error.message);
    result.badControl = error.control;
    return result;
  }
  return applyWrites(rom, writes, info);
}

}  // namespace rt
