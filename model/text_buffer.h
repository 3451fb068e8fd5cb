#pragma once
// Text written straight into a QByteArray, as export writes a table's file:
// appends of a few bytes each, inlined, with room made in large steps.
// QByteArray's own append goes through its general insert, and text built in
// a std::string or a QString per value costs a copy or an allocation each.

#include <QByteArray>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace rt {

class TextBuffer {
 public:
  // Appends to `out`, which holds what it held before; its size is the text's
  // length again once the buffer is gone (or finish() was called).
  explicit TextBuffer(QByteArray* out) : out_(*out) { resume(); }
  TextBuffer(const TextBuffer&) = delete;
  TextBuffer& operator=(const TextBuffer&) = delete;
  ~TextBuffer() { finish(); }

  void finish() {
    if (out_.size() != used_) out_.resize(used_);
    resume();
  }
  // Goes on after whatever `out` holds now (finish() first; a reader took text).
  void resume() {
    used_ = out_.size();
    base_ = out_.data();
    end_ = used_;
  }
  // At least n bytes to write at the returned pointer; commit() says how many were.
  char* room(qsizetype n) {
    if (end_ - used_ < n) grow(n);
    return base_ + used_;
  }
  void commit(const char* end) { used_ = end - base_; }
  qsizetype size() const { return used_; }

  void append(const char* data, qsizetype n) {
    char* to = room(n);
    std::memcpy(to, data, static_cast<size_t>(n));
    used_ += n;
  }
  void append(QByteArrayView bytes) { append(bytes.data(), bytes.size()); }
  template <size_t N>
  TextBuffer& operator+=(const char (&literal)[N]) {
    append(literal, N - 1);
    return *this;
  }
  TextBuffer& operator+=(char c) {
    *room(1) = c;
    ++used_;
    return *this;
  }
  void number(std::int64_t n) {
    char* to = room(24);
    commit(std::to_chars(to, to + 24, n).ptr);
  }

 private:
  void grow(qsizetype n) {
    // Doubling: a realloc of a large block moves its pages, it does not copy them.
    out_.resize(std::max(used_ + n, 2 * end_ + 4096));
    out_.resize(out_.capacity());
    base_ = out_.data();
    end_ = out_.size();
  }
  QByteArray& out_;
  char* base_ = nullptr;  // out_'s bytes, written through without Qt's checks each time
  qsizetype end_ = 0;     // out_'s size: the room there is
  qsizetype used_ = 0;
};

}  // namespace rt
