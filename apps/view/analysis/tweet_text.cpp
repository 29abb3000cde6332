#include "tweet_text.h"

#include <algorithm>

#include "util/cp1252.h"

namespace wf::view {
namespace {

constexpr std::size_t kMaxScreenName = 15;

bool IsNameByte(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_';
}

// Letters of the scripts hashtags are written in. Without a Unicode database, punctuation and
// symbols (general punctuation, arrows, emoji, the multiplication and division signs) are the
// ranges left out, so "#tag…" ends before the ellipsis while "#café" and "#東京" stay whole.
bool IsTagCodePoint(char32_t c) {
  if (c < 0x80) return IsNameByte(static_cast<char>(c));
  if (c == 0xD7 || c == 0xF7) return false;
  if (c >= 0xC0 && c <= 0x1FFF) return true;
  if (c >= 0x3040 && c <= 0x9FFF) return true;
  if (c >= 0xAC00 && c <= 0xD7AF) return true;
  if (c >= 0xF900 && c <= 0xFAFF) return true;
  return false;
}

void AddOnce(std::vector<std::string>& list, std::string item) {
  if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(std::move(item));
}

}  // namespace

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool IsRetweetText(std::string_view text) {
  return text.starts_with("RT @");
}

std::string RetweetedAccount(std::string_view text) {
  if (!IsRetweetText(text)) return {};
  std::size_t end = 4;
  while (end < text.size() && IsNameByte(text[end])) ++end;
  const std::size_t length = end - 4;
  if (length == 0 || length > kMaxScreenName || end >= text.size() || text[end] != ':') return {};
  return LowerAscii(text.substr(4, length));
}

std::vector<std::string> MentionedAccounts(std::string_view text) {
  std::vector<std::string> names;
  const std::string retweeted = RetweetedAccount(text);
  // The leading "@" of "RT @name:" is the retweet, not a mention.
  std::size_t pos = retweeted.empty() ? 0 : 4 + retweeted.size();
  while ((pos = text.find('@', pos)) != std::string_view::npos) {
    const std::size_t start = pos + 1;
    std::size_t end = start;
    while (end < text.size() && IsNameByte(text[end])) ++end;
    const std::size_t length = end - start;
    const bool free_before = pos == 0 || !IsNameByte(text[pos - 1]);
    if (free_before && length >= 1 && length <= kMaxScreenName) {
      AddOnce(names, LowerAscii(text.substr(start, length)));
    }
    pos = end > start ? end : start;
  }
  return names;
}

std::vector<std::string> Hashtags(std::string_view text) {
  std::vector<std::string> tags;
  std::size_t pos = 0;
  while ((pos = text.find('#', pos)) != std::string_view::npos) {
    const std::size_t start = pos + 1;
    std::size_t end = start;
    while (end < text.size()) {
      std::size_t next = end;
      if (!IsTagCodePoint(NextCodePoint(text, next))) break;
      end = next;
    }
    if (end > start) AddOnce(tags, LowerAscii(text.substr(start, end - start)));
    pos = end > start ? end : start;
  }
  return tags;
}

std::string LinkDomain(std::string_view url) {
  while (!url.empty() && url.front() == ' ') url.remove_prefix(1);
  if (const std::size_t scheme = url.find("://"); scheme != std::string_view::npos) {
    url.remove_prefix(scheme + 3);
  } else if (url.starts_with("//")) {
    url.remove_prefix(2);
  }
  url = url.substr(0, url.find_first_of("/?# \t"));
  if (const std::size_t at = url.rfind('@'); at != std::string_view::npos)
    url.remove_prefix(at + 1);
  if (const std::size_t colon = url.find(':'); colon != std::string_view::npos) {
    url = url.substr(0, colon);
  }
  while (!url.empty() && url.back() == '.') url.remove_suffix(1);
  std::string host = LowerAscii(url);
  if (host.starts_with("www.")) host.erase(0, 4);
  return host;
}

}  // namespace wf::view
