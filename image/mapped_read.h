#pragma once
// Whole images read in place: a file's pages mapped read-only, compared and
// summed where the system keeps them, without copying them into buffers.
//
// A mapped page past a file's end faults (SIGBUS) when it is touched, and a
// file another program cuts short while it is mapped has such pages. Every
// read of mapped memory therefore runs under readMapped(), which turns that
// fault into a failure the caller reports, where it would end the process.

#include <cstdint>
#include <memory>
#include <type_traits>

namespace rt {

// A window of a file's bytes mapped read-only; unmapped when destroyed.
class MappedWindow {
 public:
  // [offset, offset + length) of the open file `fd`, or nullptr where the
  // system cannot map it (the caller then reads it as usual).
  static std::unique_ptr<MappedWindow> map(int fd, std::int64_t offset, std::int64_t length);
  ~MappedWindow();
  MappedWindow(const MappedWindow&) = delete;
  MappedWindow& operator=(const MappedWindow&) = delete;
  // The byte at the file's `offset`, which lies in the window.
  const std::uint8_t* at(std::int64_t offset) const { return data_ + (offset - offset_); }
  bool holds(std::int64_t offset, std::int64_t length) const {
    return offset >= offset_ && offset + length <= offset_ + length_;
  }

 private:
  MappedWindow(void* base, std::int64_t mappedLength, std::int64_t offset, std::int64_t length, const std::uint8_t* data)
      : base_(base), mappedLength_(mappedLength), offset_(offset), length_(length), data_(data) {}
  void* base_;
  std::int64_t mappedLength_;
  std::int64_t offset_, length_;
  const std::uint8_t* data_;
};

// A whole open file read through windows of a few MiB mapped one at a time:
// what is mapped at once stays small however large the image.
class FileMapping {
 public:
  FileMapping(int fd, std::int64_t size) : fd_(fd), size_(size) {}
  // [offset, offset + length) in place, or nullptr where the file cannot be
  // mapped; valid until the next call. Read it under readMapped().
  const std::uint8_t* at(std::int64_t offset, std::int64_t length);
  void release() { window_.reset(); }

 private:
  int fd_;
  std::int64_t size_;
  std::unique_ptr<MappedWindow> window_;
  bool unmappable_ = false;
};

// Runs read(context); false when a mapped page faulted meanwhile, read() being
// left where it was. read() must hold nothing that needs undoing when it is
// left so (no lock, no allocation in progress): reads and sums of bytes.
bool readMappedWith(void (*read)(void*), void* context);

template <class Read>
bool readMapped(Read&& read) {
  return readMappedWith([](void* context) { (*static_cast<std::remove_reference_t<Read>*>(context))(); },
                        const_cast<void*>(static_cast<const void*>(&read)));
}

}  // namespace rt
