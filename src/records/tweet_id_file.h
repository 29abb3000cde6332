#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace wf {

// The tweet ids of a shared dataset, in file order, or why the file cannot be used.
struct TweetIdList {
  std::vector<std::string> ids;
  std::string error;     // empty when the file was read
  std::size_t line = 0;  // the 1-based line the error names
};

// Reads a file's text of tweet ids: one per line, or the first column of a CSV. A header
// line, blank lines, surrounding spaces and quotes, and CR LF endings are taken in stride. A
// number in scientific notation (a spreadsheet's 1.23E+18) is refused, since its digits are
// already lost, as is any other entry that is not all digits; the error names its line.
TweetIdList ParseTweetIds(std::string_view text);

}  // namespace wf
