#include "tweettable/tweet_table_file.h"

#include <cerrno>
#include <cstring>

#include "tweettable/skein_data.h"
#include "util/cp1252.h"
#include "util/file_io.h"

namespace wf {
namespace {

// Trims the spaces at either end, counting TAB and line breaks as the spaces they are written
// as (see AppendCell).
std::string_view TrimSpaces(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n";
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

// A TAB or line break inside a cell would shift every later field or split the row when the
// file is read back, so it is written as a space.
void AppendCell(std::string& out, std::string_view text) {
  const std::size_t start = out.size();
  out.append(text);
  for (std::size_t i = start; i < out.size(); ++i) {
    if (out[i] == '\t' || out[i] == '\r' || out[i] == '\n') out[i] = ' ';
  }
}

}  // namespace

std::string FormatTweetTableFile(std::size_t rows, const TweetCellSource& cell, bool headers) {
  std::string out;
  if (headers) {
    for (int c = 0; c < kTweetColumnCount; ++c) {
      if (c > 0) out.push_back('\t');
      out.append(kTweetColumnNames[static_cast<std::size_t>(c)]);
    }
    out.append("\r\n");
  }
  for (std::size_t r = 0; r < rows; ++r) {
    // The first cell is the date-time, written as shown; the others may carry the padding
    // that right-aligns numbers in the view, which does not belong in the file.
    AppendCell(out, cell(r, 1));
    out.push_back('\t');
    for (int c = 2; c <= kTweetColumnCount; ++c) {
      AppendCell(out, TrimSpaces(cell(r, c)));
      out.push_back('\t');
    }
    out.append("\r\n");
  }
  return out;
}

bool WriteTweetTableFile(const std::string& path, std::size_t rows, const TweetCellSource& cell,
                         bool headers, std::string* error) {
  const std::string bytes = EncodeFileText(FormatTweetTableFile(rows, cell, headers));
  return WriteFileAtomically(path, bytes, error);
}

TweetTableStreamWriter::TweetTableStreamWriter(std::string path, bool headers)
    : path_(std::move(path)), headers_(headers) {}

TweetTableStreamWriter::~TweetTableStreamWriter() {
  if (scratch_ != nullptr) std::fclose(scratch_);
}

bool TweetTableStreamWriter::Open(std::string* error) {
  scratch_ = std::tmpfile();
  if (scratch_ == nullptr) {
    if (error != nullptr) *error = std::string("no scratch file: ") + std::strerror(errno);
    return false;
  }
  return true;
}

bool TweetTableStreamWriter::Put(std::string_view utf8, std::string* error) {
  if (utf8.empty()) return true;
  // The file's encoding is decided on the whole text as EncodeFileText decides it; blocks end
  // at line ends, so no character is split between two.
  if (!IsAscii(utf8)) {
    if (!IsValidUtf8(utf8)) {
      all_valid_ = false;
    } else if (all_ansi_ && Cp1252ToUtf8(Utf8ToCp1252(utf8)) != utf8) {
      all_ansi_ = false;
    }
  }
  if (ansi_head_.size() < 3) ansi_head_ += Utf8ToCp1252(utf8.substr(0, 12));
  if (std::fwrite(utf8.data(), 1, utf8.size(), scratch_) != utf8.size()) {
    if (error != nullptr) *error = std::string("scratch file: ") + std::strerror(errno);
    return false;
  }
  return true;
}

bool TweetTableStreamWriter::Add(std::size_t rows, const TweetCellSource& cell,
                                 std::string* error) {
  if (scratch_ == nullptr && !Open(error)) return false;
  const bool headers = headers_ && !started_;
  started_ = true;
  rows_ += rows;
  return Put(FormatTweetTableFile(rows, cell, headers), error);
}

bool TweetTableStreamWriter::Commit(std::string* error) {
  if (!started_ && !Add(0, TweetCellSource(), error)) return false;
  const bool ansi =
      (!all_valid_ || all_ansi_) && !std::string_view(ansi_head_).starts_with("\xEF\xBB\xBF");
  AtomicFileWriter out(path_);
  if (!out.Open(error)) return false;
  if (!ansi && !out.Write("\xEF\xBB\xBF", error)) return false;
  std::rewind(scratch_);
  std::string block(std::size_t{4} << 20, '\0');
  std::string carry;
  for (;;) {
    const std::size_t n = std::fread(block.data(), 1, block.size(), scratch_);
    if (n == 0) break;
    carry.append(block, 0, n);
    // Whole lines only: a character never straddles two conversions.
    const std::size_t end = carry.rfind('\n');
    if (end == std::string::npos) continue;
    const std::string_view lines = std::string_view(carry).substr(0, end + 1);
    if (!out.Write(ansi ? Utf8ToCp1252(lines, '?') : std::string(lines), error)) return false;
    carry.erase(0, end + 1);
  }
  if (std::ferror(scratch_) != 0) {
    if (error != nullptr) *error = "scratch file could not be read back";
    return false;
  }
  if (!carry.empty() && !out.Write(ansi ? Utf8ToCp1252(carry, '?') : carry, error)) return false;
  return out.Commit(true, error);
}

}  // namespace wf
