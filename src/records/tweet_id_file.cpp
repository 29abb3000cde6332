#include "records/tweet_id_file.h"

#include <algorithm>
#include <cctype>

namespace wf {
namespace {

std::string_view Trim(std::string_view s) {
  const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && space(s.front())) s.remove_prefix(1);
  while (!s.empty() && space(s.back())) s.remove_suffix(1);
  return s;
}

bool AllDigits(std::string_view s) {
  return !s.empty() &&
         std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

// 1.23E+18, 1e18, 1,23E+18 (a decimal comma survives only inside quotes).
bool Scientific(std::string_view s) {
  const std::size_t e = s.find_first_of("eE");
  if (e == std::string_view::npos || e == 0 || e + 1 >= s.size()) return false;
  const std::string_view mantissa = s.substr(0, e);
  std::string_view exponent = s.substr(e + 1);
  if (exponent.front() == '+' || exponent.front() == '-') exponent.remove_prefix(1);
  if (!AllDigits(exponent)) return false;
  bool digit = false;
  int points = 0;
  for (const char c : mantissa) {
    if (std::isdigit(static_cast<unsigned char>(c)) != 0) {
      digit = true;
    } else if (c == '.' || c == ',') {
      ++points;
    } else {
      return false;
    }
  }
  return digit && points <= 1;
}

// The first field of a CSV line: up to the first comma, or a quoted field with its "" pairs.
std::string FirstField(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '"') {
    const std::size_t comma = line.find(',');
    std::string_view f = Trim(line.substr(0, comma));
    // Single quotes around an id are taken off as well.
    if (f.size() >= 2 && f.front() == '\'' && f.back() == '\'') f = Trim(f.substr(1, f.size() - 2));
    return std::string(f);
  }
  std::string out;
  for (std::size_t i = 1; i < line.size(); ++i) {
    if (line[i] == '"') {
      if (i + 1 < line.size() && line[i + 1] == '"') {
        out.push_back('"');
        ++i;
        continue;
      }
      break;
    }
    out.push_back(line[i]);
  }
  return std::string(Trim(out));
}

}  // namespace

TweetIdList ParseTweetIds(std::string_view text) {
  TweetIdList list;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::size_t number = 0;
  bool first_entry = true;
  std::size_t from = 0;
  while (from <= text.size()) {
    const std::size_t nl = text.find('\n', from);
    const std::string_view line =
        text.substr(from, nl == std::string_view::npos ? std::string_view::npos : nl - from);
    from = nl == std::string_view::npos ? text.size() + 1 : nl + 1;
    ++number;
    const std::string field = FirstField(line);
    if (field.empty()) continue;
    const bool was_first = first_entry;
    first_entry = false;
    if (AllDigits(field)) {
      list.ids.push_back(field);
      continue;
    }
    if (Scientific(field)) {
      list.ids.clear();
      list.line = number;
      list.error = "line " + std::to_string(number) + ": " + field +
                   " is a number in scientific notation, whose digits are lost; export the ids "
                   "as text";
      return list;
    }
    // The first entry that is not a number is the header.
    if (was_first) continue;
    list.ids.clear();
    list.line = number;
    list.error = "line " + std::to_string(number) + ": \"" + field + "\" is not a tweet id";
    return list;
  }
  return list;
}

}  // namespace wf
