#include "records/member_scan.h"

#include <cstring>

namespace wf {

std::optional<std::string_view> DirectMemberValue(std::string_view text, std::string_view key) {
  int depth = 0;  // objects and arrays alike
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    const char c = text[i];
    if (c == '"') {
      // Read the whole string; at depth 0 it may be the key we want.
      const std::size_t open = i;
      std::size_t close = std::string_view::npos;
      for (std::size_t from = open + 1; from < n;) {
        const void* hit = std::memchr(text.data() + from, '"', n - from);
        if (hit == nullptr) break;
        const auto q = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
        std::size_t k = q;
        while (k > open + 1 && text[k - 1] == '\\') --k;
        if (((q - k) & 1) == 0) {
          close = q;
          break;
        }
        from = q + 1;
      }
      if (close == std::string_view::npos) return std::nullopt;
      i = close + 1;
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
