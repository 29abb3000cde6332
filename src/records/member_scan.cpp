#include "records/member_scan.h"

namespace wf {

std::optional<std::string_view> DirectMemberValue(std::string_view text, std::string_view key) {
  int depth = 0;  // objects and arrays alike
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    const char c = text[i];
    if (c == '"') {
      // Read the whole string; at depth 0 it may be the key we want.
      const std::size_t open = i++;
      while (i < n && text[i] != '"') i += text[i] == '\\' ? 2 : 1;
      if (i >= n) return std::nullopt;
      const std::size_t close = i++;
      if (depth == 0 && text.substr(open + 1, close - open - 1) == key) {
        std::size_t j = i;
        while (j < n && (text[j] == ' ' || text[j] == '\t' || text[j] == '\r' || text[j] == '\n'))
          ++j;
        if (j < n && text[j] == ':') {
          ++j;
          while (j < n && (text[j] == ' ' || text[j] == '\t')) ++j;
          return text.substr(j);
        }
      }
      continue;
    }
    if (c == '{' || c == '[') {
      ++depth;
    } else if (c == '}' || c == ']') {
      if (--depth < 0) return std::nullopt;
    }
    ++i;
  }
  return std::nullopt;
}

}  // namespace wf
