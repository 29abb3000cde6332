#include "records/member_scan.h"

#include "json/byte_scan.h"

namespace wf {

namespace {

// The value after a key whose closing quote is at `close`, when a colon follows.
std::optional<std::string_view> ValueAfterKey(std::string_view text, std::size_t close) {
  const std::size_t n = text.size();
  std::size_t j = close + 1;
  while (j < n && (text[j] == ' ' || text[j] == '\t' || text[j] == '\r' || text[j] == '\n')) ++j;
  if (j < n && text[j] == ':') {
    ++j;
    while (j < n && (text[j] == ' ' || text[j] == '\t')) ++j;
    return text.substr(j);
  }
  return std::nullopt;
}

// DirectMemberValue 64 bytes at a time, for keys without quotes or backslashes. Sets
// `undecided` when the text has an escaped quote outside strings, which only a byte-by-byte
// reading takes as the start of a string.
std::optional<std::string_view> DirectMemberValueByBlocks(std::string_view text,
                                                          std::string_view key, bool& undecided) {
  const std::size_t n = text.size();
  json_scan::StringBlocks blocks{text.data(), n};
  int depth = 0;  // objects and arrays alike
  for (std::size_t at = 0; at < n; at += 64) {
    const auto block = blocks.Next<true, true>(at, '{', '}', key.empty() ? '"' : key.front());
    if (block.escaped_outside) {
      undecided = true;
      return std::nullopt;
    }
    // Opening quotes that the key's first byte follows (or may: the block's last byte).
    const std::uint64_t opening =
        block.quote & block.in_string & ((block.extra >> 1) | (std::uint64_t{1} << 63));
    for (std::uint64_t events = opening | block.open | block.close; events != 0;
         events &= events - 1) {
      const int bit = __builtin_ctzll(events);
      const std::size_t i = at + static_cast<std::size_t>(bit);
      if ((block.open >> bit) & 1) {
        ++depth;
      } else if ((block.close >> bit) & 1) {
        if (--depth < 0) return std::nullopt;
      } else if (depth == 0) {
        // A string that starts with the key closes right after it: the key holds no quote
        // and does not end in a backslash.
        const std::size_t close = i + 1 + key.size();
        if (close < n && text[close] == '"' && text.compare(i + 1, key.size(), key) == 0) {
          if (auto value = ValueAfterKey(text, close)) return value;
        }
      }
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string_view> DirectMemberValue(std::string_view text, std::string_view key) {
  if (key.find('"') == std::string_view::npos && key.find('\\') == std::string_view::npos) {
    bool undecided = false;
    auto value = DirectMemberValueByBlocks(text, key, undecided);
    if (!undecided) return value;
  }
  int depth = 0;  // objects and arrays alike
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    // Only strings and nesting matter between keys.
    i = json_scan::FindQuoteOrBracket(text.data(), i, n);
    if (i >= n) break;
    const char c = text[i];
    if (c == '"') {
      // Read the whole string; at depth 0 it may be the key we want.
      const std::size_t open = i;
      std::size_t close = std::string_view::npos;
      for (std::size_t from = open + 1; from < n;) {
        const std::size_t q = json_scan::FindByte(text.data(), from, n, '"');
        if (q == n) break;
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
        if (auto value = ValueAfterKey(text, close)) return value;
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
