#include "tweettable/tweet_table_file.h"

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
  const std::string bytes = AnsiOrUtf8Bom(FormatTweetTableFile(rows, cell, headers));
  return WriteFileAtomically(path, bytes, error);
}

}  // namespace wf
