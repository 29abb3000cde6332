#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace wf {

// Cell text of a row (0-based) and column (1..16).
using TweetCellSource = std::function<std::string_view(std::size_t row, int column)>;

// Text of a saved tweet table (UTF-8, before conversion): with `headers` the sixteen column
// names joined by TAB; then per row the first cell as it is and cells 2..16 trimmed of spaces,
// each followed by a TAB, every line ended by CR LF.
std::string FormatTweetTableFile(std::size_t rows, const TweetCellSource& cell, bool headers);

// Writes that text through a temporary file renamed into place, encoded by EncodeFileText:
// Windows-1252, or UTF-8 with a byte-order mark when a cell holds what that code page cannot.
bool WriteTweetTableFile(const std::string& path, std::size_t rows, const TweetCellSource& cell,
                         bool headers, std::string* error = nullptr);

// Writes a tweet table file block of rows by block of rows, for tables too large to gather
// first (a collection file of gigabytes): the rows go to an unnamed scratch file as UTF-8 and
// Commit writes the file, Windows-1252 when the code page holds every character and otherwise
// UTF-8 with a byte-order mark (as EncodeFileText decides for a whole text), through a
// temporary file renamed into place. Memory holds one block at a time.
class TweetTableStreamWriter {
 public:
  TweetTableStreamWriter(std::string path, bool headers);
  ~TweetTableStreamWriter();
  TweetTableStreamWriter(const TweetTableStreamWriter&) = delete;
  TweetTableStreamWriter& operator=(const TweetTableStreamWriter&) = delete;

  bool Open(std::string* error = nullptr);
  bool Add(std::size_t rows, const TweetCellSource& cell, std::string* error = nullptr);
  bool Commit(std::string* error = nullptr);
  std::size_t Rows() const { return rows_; }

 private:
  bool Put(std::string_view utf8, std::string* error);

  std::string path_;
  bool headers_;
  std::FILE* scratch_ = nullptr;
  std::size_t rows_ = 0;
  bool started_ = false;
  bool all_valid_ = true;  // every byte belongs to well-formed UTF-8
  bool all_ansi_ = true;   // Windows-1252 holds every character
  std::string ansi_head_;  // the first bytes of the text as Windows-1252
};

}  // namespace wf
