#pragma once

#include <cstddef>
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

// Writes that text (Windows-1252, or UTF-8 with a byte-order mark when the code page cannot
// hold it) through a temporary file renamed into place.
bool WriteTweetTableFile(const std::string& path, std::size_t rows, const TweetCellSource& cell,
                         bool headers, std::string* error = nullptr);

}  // namespace wf
