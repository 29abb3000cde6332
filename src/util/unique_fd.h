#pragma once

#include <unistd.h>

#include <cerrno>

namespace wf {

// Owns one POSIX file descriptor and closes it when it goes, on every path out of a function.
// Where a close's own failure matters (a write's error may surface only there), call Close()
// and check it; the destructor ignores it, as there is no one left to tell.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) noexcept : fd_(fd) {}
  ~UniqueFd() { Reset(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const noexcept { return fd_; }
  bool valid() const noexcept { return fd_ >= 0; }

  // Gives up ownership without closing.
  int Release() noexcept {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void Reset(int fd = -1) noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  // Closes now; false with errno set when close failed or nothing was open (EBADF).
  bool Close() noexcept {
    const int fd = Release();
    if (fd < 0) {
      errno = EBADF;
      return false;
    }
    return ::close(fd) == 0;
  }

 private:
  int fd_ = -1;
};

}  // namespace wf
