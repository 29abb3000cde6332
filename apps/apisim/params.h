#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "apisim/endpoints.h"

// Reading query parameters the way the real service reads them.
namespace wf::apisim::params {

inline std::string Get(const Params& params, const char* key) {
  const auto it = params.find(key);
  return it == params.end() ? std::string() : it->second;
}

inline bool Has(const Params& params, const char* key) {
  const auto it = params.find(key);
  return it != params.end() && !it->second.empty();
}

// The leading decimal number of a parameter (after blanks).
inline std::optional<uint64_t> LeadingId(std::string_view text) {
  uint64_t value = 0;
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  const size_t start = i;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value > (UINT64_MAX - 9) / 10) return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(text[i] - '0');
  }
  if (i == start) return std::nullopt;
  return value;
}

// The whole text as a decimal id, as API v2 insists.
inline std::optional<uint64_t> WholeId(std::string_view text) {
  if (text.empty() || text.size() > 19) return std::nullopt;
  for (const char c : text)
    if (c < '0' || c > '9') return std::nullopt;
  return LeadingId(text);
}

inline std::optional<int64_t> LeadingInt(std::string_view text) {
  bool negative = false;
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  const auto v = LeadingId(text);
  if (!v || *v > static_cast<uint64_t>(INT64_MAX)) return std::nullopt;
  return negative ? -static_cast<int64_t>(*v) : static_cast<int64_t>(*v);
}

inline std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

}  // namespace wf::apisim::params
