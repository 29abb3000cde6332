#include "util/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace wf {
namespace {

void SetError(std::string* error, const std::string& what, const std::string& path, int err) {
  if (error != nullptr) *error = what + " " + path + ": " + std::strerror(err);
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path, std::string* error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    SetError(error, "cannot open", path, errno);
    return std::nullopt;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    const int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
    ::close(fd);
    SetError(error, "cannot read", path, err);
    return std::nullopt;
  }
  std::string data;
  if (st.st_size > 0) data.reserve(static_cast<std::size_t>(st.st_size));
  char buf[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      SetError(error, "cannot read", path, err);
      return std::nullopt;
    }
    if (n == 0) break;
    data.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return data;
}

namespace {

// `mode` < 0: the usual permissions of a new file; otherwise exactly `mode`, set before any
// byte is written, so the data is never readable more widely than intended.
bool WriteAtomically(const std::string& path, std::string_view data, std::string* error, int mode) {
  namespace fs = std::filesystem;
  const fs::path target(path);
  fs::path dir = target.parent_path();
  if (dir.empty()) dir = ".";
  std::string tmpl = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(tmpl.data());
  if (fd < 0) {
    SetError(error, "cannot create a temporary file for", path, errno);
    return false;
  }
  if (mode < 0) {
    // mkstemp creates 0600; give the result the usual permissions of a new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  } else if (::fchmod(fd, static_cast<mode_t>(mode)) != 0) {
    const int err = errno;
    ::close(fd);
    ::unlink(tmpl.c_str());
    SetError(error, "cannot set the permissions of", path, err);
    return false;
  }
  if (!WriteAll(fd, data) || ::fsync(fd) != 0) {
    const int err = errno;
    ::close(fd);
    ::unlink(tmpl.c_str());
    SetError(error, "cannot write", path, err);
    return false;
  }
  if (::close(fd) != 0) {
    const int err = errno;
    ::unlink(tmpl.c_str());
    SetError(error, "cannot write", path, err);
    return false;
  }
  if (::rename(tmpl.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(tmpl.c_str());
    SetError(error, "cannot replace", path, err);
    return false;
  }
  return true;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view data, std::string* error) {
  return WriteAtomically(path, data, error, -1);
}

bool WritePrivateFileAtomically(const std::string& path, std::string_view data,
                                std::string* error) {
  return WriteAtomically(path, data, error, 0600);
}

bool AppendToFile(const std::string& path, std::string_view data, std::string* error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) {
    SetError(error, "cannot open", path, errno);
    return false;
  }
  const bool ok = WriteAll(fd, data);
  const int err = errno;
  if (::close(fd) != 0 || !ok) {
    SetError(error, "cannot write", path, ok ? errno : err);
    return false;
  }
  return true;
}

}  // namespace wf
