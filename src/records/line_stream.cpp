#include "records/line_stream.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace wf {
namespace {

constexpr std::size_t kBlock = std::size_t{4} << 20;

}  // namespace

LineStream::~LineStream() {
  if (file_ != nullptr) std::fclose(file_);
}

bool LineStream::Open(const std::string& path, std::string* error) {
  file_ = std::fopen(path.c_str(), "rb");
  if (file_ == nullptr) {
    if (error != nullptr) *error = path + ": " + std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (fstat(fileno(file_), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      if (error != nullptr) *error = path + ": is a folder";
      return false;
    }
    size_ = static_cast<std::uint64_t>(st.st_size);
  }
  return true;
}

bool LineStream::Fill() {
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    scan_ -= begin_;
    begin_ = 0;
  }
  if (buffer_.size() < end_ + kBlock) buffer_.resize(std::max(buffer_.size() * 2, end_ + kBlock));
  const std::size_t n = std::fread(buffer_.data() + end_, 1, kBlock, file_);
  if (n == 0) {
    eof_ = true;
    failed_ = std::ferror(file_) != 0;
    return false;
  }
  end_ += n;
  return true;
}

bool LineStream::Next(std::string_view& line) {
  if (file_ == nullptr || failed_) return false;
  for (;;) {
    const char* base = buffer_.data();
    const void* lf = scan_ < end_ ? std::memchr(base + scan_, '\n', end_ - scan_) : nullptr;
    std::size_t stop = 0;
    if (lf != nullptr) {
      stop = static_cast<std::size_t>(static_cast<const char*>(lf) - base);
    } else {
      scan_ = end_;
      if (!eof_ && Fill()) continue;
      if (failed_ || begin_ >= end_) return false;
      stop = end_;
    }
    line = std::string_view(buffer_.data() + begin_, stop - begin_);
    const std::size_t next = stop < end_ ? stop + 1 : stop;
    consumed_ += next - begin_;
    begin_ = scan_ = next;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (first_) {
      first_ = false;
      if (line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);
    }
    return true;
  }
}

}  // namespace wf
