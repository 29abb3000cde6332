#pragma once

#include <string_view>

// Texts and small text rules that several of the window's commands share.
namespace wf::window_text {

inline constexpr std::string_view kReplacePrompt =
    "The selected operation will replace the current contents of the Tweet table. Save "
    "contents now?";

// A cell without the spaces that pad numbers for sorting.
inline std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// Ids are longer than any integer type holds exactly: by length, then digit by digit.
inline bool IdLess(std::string_view a, std::string_view b) {
  return a.size() != b.size() ? a.size() < b.size() : a < b;
}

}  // namespace wf::window_text
