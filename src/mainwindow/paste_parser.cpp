#include "mainwindow/paste_parser.h"

#include <algorithm>

#include "mainwindow/main_window.h"

namespace wf {

PastedUsers ParsePastedUsers(std::string_view text) {
  PastedUsers out;
  std::size_t from = 0;
  while (from <= text.size()) {
    std::size_t end = text.find('\n', from);
    if (end == std::string_view::npos) end = text.size();
    std::string line(text.substr(from, end - from));
    from = end + 1;
    if (line.empty()) continue;
    // Rows copied from a table bring their first column.
    if (const auto tab = line.find('\t'); tab != std::string::npos) line.resize(tab);
    if (const auto at = line.find('@'); at != std::string::npos) line.erase(at, 1);
    if (line.find("UserId") != std::string::npos || line.empty() ||
        static_cast<unsigned char>(line.front()) <= ' ') {
      continue;
    }
    std::erase(line, '\r');
    out.any_looks_like_id = out.any_looks_like_id || LooksLikeUserId(line);
    out.entries.push_back(std::move(line));
  }
  return out;
}

}  // namespace wf
