#include "image/mapped_read.h"

#include <algorithm>

#ifndef _WIN32
#include <csetjmp>
#include <csignal>
#include <mutex>

#include <sys/mman.h>
#include <unistd.h>
#endif

namespace rt {

const std::uint8_t* FileMapping::at(std::int64_t offset, std::int64_t length) {
  if (window_ && window_->holds(offset, length)) return window_->at(offset);
  if (unmappable_ || length <= 0 || offset < 0 || offset + length > size_) return nullptr;
  constexpr std::int64_t kWindow = std::int64_t{4} << 20;
  window_.reset();
  window_ = MappedWindow::map(fd_, offset, std::max(length, std::min(kWindow, size_ - offset)));
  unmappable_ = !window_;
  return window_ ? window_->at(offset) : nullptr;
}

#ifndef _WIN32

namespace {

thread_local sigjmp_buf* tJump = nullptr;  // set while this thread reads mapped memory
struct sigaction gPrevious {};

void onBusError(int signal, siginfo_t* info, void* context) {
  if (sigjmp_buf* jump = tJump) {
    tJump = nullptr;
    siglongjmp(*jump, 1);
  }
  // Not a read of ours: the handler there was before takes it (the default
  // ends the process) when the access is made again on return.
  sigaction(SIGBUS, &gPrevious, nullptr);
  (void)signal;
  (void)info;
  (void)context;
}

void installHandler() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction action {};
    action.sa_sigaction = onBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, &gPrevious);
  });
}

}  // namespace

std::unique_ptr<MappedWindow> MappedWindow::map(int fd, std::int64_t offset, std::int64_t length) {
  if (fd < 0 || offset < 0 || length <= 0) return nullptr;
  static const std::int64_t page = ::sysconf(_SC_PAGESIZE);
  const std::int64_t start = offset - offset % page;
  const std::int64_t mapped = length + (offset - start);
  int flags = MAP_SHARED;
#ifdef MAP_POPULATE
  flags |= MAP_POPULATE;  // the window's pages in one call, not a fault each
#endif
  void* base = ::mmap(nullptr, static_cast<size_t>(mapped), PROT_READ, flags, fd, start);
  if (base == MAP_FAILED) return nullptr;
  installHandler();
  return std::unique_ptr<MappedWindow>(
      new MappedWindow(base, mapped, offset, length, static_cast<const std::uint8_t*>(base) + (offset - start)));
}

MappedWindow::~MappedWindow() { ::munmap(base_, static_cast<size_t>(mappedLength_)); }

bool readMappedWith(void (*read)(void*), void* context) {
  sigjmp_buf jump;
  sigjmp_buf* const outer = tJump;
  if (sigsetjmp(jump, 1) != 0) {
    tJump = outer;
    return false;
  }
  tJump = &jump;
  read(context);
  tJump = outer;
  return true;
}

#else

std::unique_ptr<MappedWindow> MappedWindow::map(int, std::int64_t, std::int64_t) { return nullptr; }
MappedWindow::~MappedWindow() = default;
bool readMappedWith(void (*read)(void*), void* context) {
  read(context);
  return true;
}

#endif

}  // namespace rt
