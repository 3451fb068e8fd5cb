#include "model/record_bytes.h"

#include "model/record_csv.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

namespace rt {

RecordBytes::RecordBytes(const TableAdapter& table, const std::vector<ControlRef>& controls) : table_(table) {
  std::vector<Control> laid;
  size_t c = 0;
  for (const TableDef* def : table.recordParts()) {
    const FieldsExtent extent = fieldsExtent(def->fields);
    const Part part{extent.lo, extent.hi - extent.lo};
    const int p = static_cast<int>(parts_.size());
    parts_.push_back(part);
    for (const ControlRef& control : controlsOf(*def)) {
      // The parts must give the table's controls, one for one.
      if (c >= controls.size() || controls[c].name != control.name || controls[c].kind != control.kind) return;
      const Field& f = def->fields[static_cast<size_t>(control.field)];
      laid.push_back({p, &f, f.kind, control.bit, f.offset - part.lo});
      ++c;
    }
  }
  if (c != controls.size()) return;
  controls_ = std::move(laid);
  bytes_.resize(parts_.size());
  spare_.resize(parts_.size());
}

Status RecordBytes::read(RomImage& rom, const std::vector<RecordRef>& refs, size_t from, size_t to,
                         const std::function<void(size_t)>& each) {
  const size_t n = parts_.size();
  auto done = readSession(rom, [&](RomImage& open) {
    // Where every part of the batch lies (a part may be where a field of
    // another points), then all their bytes in one prefetch.
    starts_.resize((to - from) * n);
    for (size_t i = from; i < to; ++i) table_.partOffsets(open, refs[i], &starts_[(i - from) * n]);
    // A part whose records of the batch lie close together is asked for as
    // one span: the pilots' skill levels are 14 records a pilot, picked from
    // a table of 5 KB, and sorting each batch's 900 of them cost more than
    // reading the table.
    constexpr std::int64_t kOneSpan = 64 * 1024;
    std::vector<ByteSpan> spans;
    spans.reserve(starts_.size());
    for (size_t p = 0; p < n; ++p) {
      if (parts_[p].length == 0) continue;
      std::int64_t lo = INT64_MAX, hi = INT64_MIN;
      for (size_t k = p; k < starts_.size(); k += n) {
        lo = std::min(lo, starts_[k] + parts_[p].lo);
        hi = std::max(hi, starts_[k] + parts_[p].lo + parts_[p].length);
      }
      if (hi - lo <= kOneSpan) {
        spans.push_back({lo, hi - lo});
        continue;
      }
      for (size_t k = p; k < starts_.size(); k += n) spans.push_back({starts_[k] + parts_[p].lo, parts_[p].length});
    }
    open.prefetchSpans(std::move(spans));
    for (size_t i = from; i < to; ++i) {
      const std::int64_t* start = &starts_[(i - from) * n];
      bool inPlace = true;
      for (size_t p = 0; p < n && inPlace; ++p)
        inPlace = parts_[p].length == 0 || (bytes_[p] = open.peek(start[p] + parts_[p].lo, parts_[p].length));
      if (!inPlace) {
        // Bytes the prefetch could not hold (past the end of the file read as 0):
        // every part copied, since a read may move the window others point into.
        for (size_t p = 0; p < n; ++p) {
          spare_[p].resize(static_cast<size_t>(parts_[p].length));
          open.seek(start[p] + parts_[p].lo);
          for (std::uint8_t& b : spare_[p]) b = static_cast<std::uint8_t>(open.readU8());
          bytes_[p] = spare_[p].data();
        }
      }
      each(i);
    }
    return true;
  });
  return done.status();
}

RecordBytes::Shown RecordBytes::comboShown(const Field& field, std::uint32_t byte) {
  const int row = rowForByte(field.combo, static_cast<int>(byte));
  const int exact = exactComboByte(field, row, static_cast<int>(byte));
  return exact >= 0 ? Shown{Shown::StoredByte, exact} : Shown{Shown::Row, row};
}

char* shownText(char* to, RecordBytes::Shown shown) {
  switch (shown.kind) {
    case RecordBytes::Shown::Hex: {
      char* end = std::to_chars(to, to + 24, shown.value, 16).ptr;
      for (char* d = to; d < end; ++d)
        if (*d >= 'a') *d = static_cast<char>(*d - 'a' + 'A');
      return end;
    }
    case RecordBytes::Shown::StoredByte:
      *to++ = '(';
      to = std::to_chars(to, to + 22, shown.value).ptr;
      *to++ = ')';
      return to;
    default: return std::to_chars(to, to + 24, shown.value).ptr;  // a number, a row, a check box's 1 or 0
  }
}

}  // namespace rt
