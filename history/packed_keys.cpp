#include "history/packed_keys.h"

#include <charconv>
#include <cstring>
#include <vector>

namespace rt {
namespace {

constexpr char kKey[] = "{\"index\":";  // a record's keys, up to its index
constexpr qsizetype kKeyLength = sizeof kKey - 1;
constexpr char kPacked[] = "{\"index\":[";
constexpr qsizetype kPackedLength = sizeof kPacked - 1;
constexpr std::int64_t kMostRecords = 1'000'000;

// A whole number as the list writer writes one (no sign, no leading zero) at
// `p`; its end, or nullptr.
const char* number(const char* p, const char* end, std::int64_t* n) {
  if (p == end || *p < '0' || *p > '9') return nullptr;
  const auto [q, error] = std::from_chars(p, end, *n);
  if (error != std::errc() || (*p == '0' && q - p > 1)) return nullptr;
  return q;
}

char* write(char* to, std::int64_t n) { return std::to_chars(to, to + 20, n).ptr; }

}  // namespace

QByteArray packedKeys(const QByteArray& records) {
  const char* p = records.constData();
  const char* const end = p + records.size();
  std::vector<std::int64_t> indices;
  if (p == end || *p++ != '[') return records;
  for (;;) {
    std::int64_t n = 0;
    if (end - p < kKeyLength || std::memcmp(p, kKey, kKeyLength) != 0) return records;
    p = number(p + kKeyLength, end, &n);
    if (!p || p == end || *p++ != '}' || p == end) return records;
    indices.push_back(n);
    if (*p == ']') {
      if (++p != end) return records;
      break;
    }
    if (*p++ != ',') return records;
  }
  QByteArray out(kPackedLength + 2 + static_cast<qsizetype>(indices.size()) * 21, Qt::Uninitialized);
  char* to = std::copy_n(kPacked, kPackedLength, out.data());
  for (size_t i = 0; i < indices.size();) {
    size_t last = i;
    while (last + 1 < indices.size() && indices[last + 1] == indices[last] + 1) ++last;
    if (i) *to++ = ',';
    if (last - i >= 2) {
      *to++ = '[';
      to = write(to, indices[i]);
      *to++ = ',';
      to = write(to, indices[last]);
      *to++ = ']';
      i = last + 1;
    } else {
      to = write(to, indices[i++]);
    }
  }
  *to++ = ']';
  *to++ = '}';
  out.truncate(to - out.constData());
  return out;
}

QByteArray unpackedKeys(const QByteArray& stored, std::int64_t count) {
  if (!stored.startsWith(kPacked) || count <= 0 || count > kMostRecords) return stored;
  const char* p = stored.constData() + kPackedLength;
  const char* const end = stored.constData() + stored.size();
  std::vector<std::pair<std::int64_t, std::int64_t>> runs;
  std::int64_t total = 0;
  for (;;) {
    std::int64_t first = 0, last = 0;
    if (p != end && *p == '[') {
      p = number(p + 1, end, &first);
      if (!p || p == end || *p++ != ',') return stored;
      p = number(p, end, &last);
      if (!p || p == end || *p++ != ']' || last <= first) return stored;
    } else {
      p = number(p, end, &first);
      if (!p) return stored;
      last = first;
    }
    if (last - first >= count - total) return stored;  // more than the row says it names
    total += last - first + 1;
    runs.emplace_back(first, last);
    if (p == end) return stored;
    if (*p == ']') {
      if (end - p != 2 || p[1] != '}') return stored;
      break;
    }
    if (*p++ != ',') return stored;
  }
  if (total != count) return stored;
  QByteArray out(2 + total * (kKeyLength + 22), Qt::Uninitialized);
  char* to = out.data();
  *to++ = '[';
  for (const auto& [first, last] : runs)
    for (std::int64_t n = first; n <= last; ++n) {
      if (to != out.data() + 1) *to++ = ',';
      to = std::copy_n(kKey, kKeyLength, to);
      to = write(to, n);
      *to++ = '}';
    }
  *to++ = ']';
  out.truncate(to - out.constData());
  return out;
}

}  // namespace rt
