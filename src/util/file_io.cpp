#include "util/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

#include "util/unique_fd.h"

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

bool SyncFolder(const std::string& dir) {
  const UniqueFd fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return fd.valid() && ::fsync(fd.get()) == 0;
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path, std::string* error) {
  const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) {
    SetError(error, "cannot open", path, errno);
    return std::nullopt;
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || S_ISDIR(st.st_mode)) {
    const int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
    SetError(error, "cannot read", path, err);
    return std::nullopt;
  }
  std::string data;
  if (st.st_size > 0) data.reserve(static_cast<std::size_t>(st.st_size));
  char buf[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      SetError(error, "cannot read", path, errno);
      return std::nullopt;
    }
    if (n == 0) break;
    data.append(buf, static_cast<std::size_t>(n));
  }
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
  UniqueFd fd(::mkstemp(tmpl.data()));
  if (!fd.valid()) {
    SetError(error, "cannot create a temporary file for", path, errno);
    return false;
  }
  if (mode < 0) {
    // mkstemp creates 0600; give the result the usual permissions of a new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd.get(), 0666 & ~mask);
  } else if (::fchmod(fd.get(), static_cast<mode_t>(mode)) != 0) {
    const int err = errno;
    fd.Reset();
    ::unlink(tmpl.c_str());
    SetError(error, "cannot set the permissions of", path, err);
    return false;
  }
  if (!WriteAll(fd.get(), data) || ::fsync(fd.get()) != 0) {
    const int err = errno;
    fd.Reset();
    ::unlink(tmpl.c_str());
    SetError(error, "cannot write", path, err);
    return false;
  }
  if (!fd.Close()) {
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
  // The rename itself lives in the folder: until the folder is on the disk, a power cut can
  // bring back the old file (or none).
  SyncFolder(dir.string());
  RemoveStaleTemporaries(path);
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

AtomicFileWriter::~AtomicFileWriter() {
  if (fd_.valid()) {
    fd_.Reset();
    ::unlink(temp_.c_str());
  }
}

bool AtomicFileWriter::Open(std::string* error) {
  namespace fs = std::filesystem;
  const fs::path target(path_);
  fs::path dir = target.parent_path();
  if (dir.empty()) dir = ".";
  // The names RemoveStaleTemporaries recognises.
  temp_ = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
  fd_.Reset(::mkstemp(temp_.data()));
  if (!fd_.valid()) {
    SetError(error, "cannot create a temporary file for", path_, errno);
    return false;
  }
  // mkstemp creates 0600; give the result the usual permissions of a new file.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd_.get(), 0666 & ~mask);
  return true;
}

bool AtomicFileWriter::Write(std::string_view data, std::string* error) {
  if (fd_.valid() && WriteAll(fd_.get(), data)) return true;
  SetError(error, "cannot write", path_, fd_.valid() ? errno : EBADF);
  return false;
}

bool AtomicFileWriter::Commit(bool sync, std::string* error) {
  if (!fd_.valid()) {
    SetError(error, "cannot write", path_, EBADF);
    return false;
  }
  const bool synced = !sync || ::fsync(fd_.get()) == 0;
  const int sync_err = errno;
  const bool closed = fd_.Close();
  const int close_err = errno;
  if (!synced || !closed) {
    ::unlink(temp_.c_str());
    SetError(error, "cannot write", path_, synced ? close_err : sync_err);
    return false;
  }
  if (::rename(temp_.c_str(), path_.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp_.c_str());
    SetError(error, "cannot replace", path_, err);
    return false;
  }
  if (sync) {
    const std::filesystem::path dir = std::filesystem::path(path_).parent_path();
    SyncFolder(dir.empty() ? "." : dir.string());
  }
  RemoveStaleTemporaries(path_);
  return true;
}

bool AppendToFile(const std::string& path, std::string_view data, std::string* error) {
  UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666));
  if (!fd.valid()) {
    SetError(error, "cannot open", path, errno);
    return false;
  }
  // Appends are journals (archives): what was written must survive the program.
  const bool ok = WriteAll(fd.get(), data) && ::fdatasync(fd.get()) == 0;
  const int err = errno;
  if (!fd.Close() || !ok) {
    SetError(error, "cannot write", path, ok ? errno : err);
    return false;
  }
  return true;
}

int RemoveStaleTemporaries(const std::string& path) {
  namespace fs = std::filesystem;
  const fs::path target(path);
  fs::path dir = target.parent_path();
  if (dir.empty()) dir = ".";
  // mkstemp's names: ".NAME." and six characters.
  const std::string prefix = "." + target.filename().string() + ".";
  const auto cutoff = fs::file_time_type::clock::now() - std::chrono::minutes(1);
  int removed = 0;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) continue;
    std::error_code ec2;
    if (!it->is_regular_file(ec2) || it->last_write_time(ec2) > cutoff || ec2) continue;
    if (fs::remove(it->path(), ec2)) ++removed;
  }
  return removed;
}

}  // namespace wf
