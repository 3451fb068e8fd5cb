#include "image/packed_keys.h"

#include <charconv>
#include <cstring>
#include <algorithm>
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

// Whether `p` (with kKeyLength bytes) starts a record's keys: two loads, not a call.
bool isKey(const char* p) {
  std::uint64_t head, want;
  std::memcpy(&head, p, 8);
  std::memcpy(&want, kKey, 8);
  return head == want && p[8] == kKey[8];
}

// Indices written packed, a run at a time, into room kept for them.
class RunWriter {
 public:
  explicit RunWriter(char* to) : to_(std::copy_n(kPacked, kPackedLength, to)) {}
  void add(std::int64_t n) {
    if (first_ >= 0 && n == last_ + 1) {
      last_ = n;
      return;
    }
    put();
    first_ = last_ = n;
  }
  // The end of the packed text.
  char* finish() {
    put();
    *to_++ = ']';
    *to_++ = '}';
    return to_;
  }

 private:
  void put() {
    if (first_ < 0) return;
    if (to_[-1] != '[') *to_++ = ',';
    if (last_ - first_ >= 2) {
      *to_++ = '[';
      to_ = write(to_, first_);
      *to_++ = ',';
      to_ = write(to_, last_);
      *to_++ = ']';
      return;
    }
    to_ = write(to_, first_);
    if (last_ > first_) {
      *to_++ = ',';
      to_ = write(to_, last_);
    }
  }
  char* to_;
  std::int64_t first_ = -1, last_ = -1;
};

}  // namespace

bool isPackedKeys(const QByteArray& records) { return records.startsWith(kPacked); }

QByteArray packedIndices(const std::vector<std::int64_t>& indices) {
  // At most 20 digits and a comma an index; a run of three or more takes less.
  QByteArray out(kPackedLength + 2 + static_cast<qsizetype>(indices.size()) * 21, Qt::Uninitialized);
  RunWriter runs(out.data());
  for (const std::int64_t n : indices) runs.add(n);
  out.truncate(runs.finish() - out.constData());
  return out;
}

qsizetype indexListSize(const std::vector<std::int64_t>& indices) {
  qsizetype size = 2 + static_cast<qsizetype>(indices.size()) * (kKeyLength + 2) - (indices.empty() ? 0 : 1);
  for (std::int64_t n : indices) {
    char digits[20];
    size += std::to_chars(digits, digits + sizeof digits, n).ptr - digits;
  }
  return size;
}

QByteArray packedKeys(const QByteArray& records) {
  // One pass, a run at a time: a list of many records is packed at every save.
  const char* p = records.constData();
  const char* const end = p + records.size();
  if (p == end || *p++ != '[') return records;
  // Never longer than the list: a record's index alone takes less than its
  // keys, and a run of three or more less than three of them.
  QByteArray out(kPackedLength + 2 + records.size(), Qt::Uninitialized);
  RunWriter runs(out.data());
  for (;;) {
    if (end - p < kKeyLength + 2 || !isKey(p)) return records;
    p += kKeyLength;
    const char* const digits = p;
    std::int64_t n = 0;
    for (; p != end && static_cast<unsigned>(*p - '0') < 10; ++p) n = n * 10 + (*p - '0');
    // As the list writer writes a number: no sign, no leading zero (and no more than fits).
    if (p == digits || p - digits > 18 || (*digits == '0' && p - digits > 1)) return records;
    if (p == end || *p++ != '}' || p == end) return records;
    runs.add(n);
    if (*p == ']') {
      if (++p != end) return records;
      break;
    }
    if (*p++ != ',') return records;
  }
  out.truncate(runs.finish() - out.constData());
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
