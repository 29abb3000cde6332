#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace wf {

// The lines of a file, read in large blocks so that a file of any size is never held whole;
// only the line being read (however long) is held. Lines end with LF; a CR before it and a
// UTF-8 byte-order mark at the start of the file are dropped.
class LineStream {
 public:
  LineStream() = default;
  ~LineStream();
  LineStream(const LineStream&) = delete;
  LineStream& operator=(const LineStream&) = delete;

  bool Open(const std::string& path, std::string* error);
  // The next line, valid until the next call; false at the end of the file or when reading
  // failed (Failed()).
  bool Next(std::string_view& line);
  bool Failed() const { return failed_; }
  std::uint64_t Consumed() const { return consumed_; }
  std::uint64_t Size() const { return size_; }

 private:
  bool Fill();

  std::FILE* file_ = nullptr;
  std::vector<char> buffer_;
  std::size_t begin_ = 0;  // start of the line being read
  std::size_t end_ = 0;    // end of the bytes read
  std::size_t scan_ = 0;   // where the search for its LF goes on
  bool eof_ = false;
  bool failed_ = false;
  bool first_ = true;
  std::uint64_t consumed_ = 0;
  std::uint64_t size_ = 0;
};

}  // namespace wf
