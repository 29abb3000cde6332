#pragma once

// Pieces the corpus's source files share; not part of the simulator's interface.

#include <cctype>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "apisim/corpus.h"
#include "apisim/random.h"

namespace wf::apisim::corpus_detail {

constexpr int64_t kEarliestAccount = 1172707200;  // 2007-03-01
constexpr int64_t kSnowflakeUsers = 1383264000;   // 2013-11-01: user ids turn into snowflakes
constexpr int64_t kEarliestTweetMs = kTwitterEpochMs + 86400000;
constexpr uint64_t kCursorStride = 100000000007ULL;

// Salts that keep the families of draws apart.
enum Salt : uint64_t {
  kSaltKey = 0x4b4559,
  kSaltProfile = 0x50524f46,
  kSaltStream = 0x53545245,
  kSaltStreamTime = 0x53544d,
  kSaltStreamLow = 0x53544c,
  kSaltTimeline = 0x544c4e,
  kSaltTimelineTime = 0x544c54,
  kSaltTimelineLow = 0x544c4c,
  kSaltGraph = 0x47524150,
  kSaltCursor = 0x43555253,
  kSaltLink = 0x4c494e4b,
};

constexpr char kAlnum[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

inline std::string RandomToken(Rng& rng, int length) {
  std::string out;
  out.reserve(static_cast<size_t>(length));
  for (int k = 0; k < length; ++k) out.push_back(kAlnum[rng.Below(62)]);
  return out;
}

inline std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

template <typename T>
const T& PickFrom(Rng& rng, std::span<const T> items) {
  return items[rng.Below(items.size())];
}

// Builds a tweet or profile text while keeping the character offsets of its entities.
class TextBuilder {
 public:
  void Add(std::string_view s) {
    text_.append(s);
    length_ += TwitterLength(s);
  }
  int Length() const { return length_; }
  std::string& Text() { return text_; }

 private:
  std::string text_;
  int length_ = 0;
};

inline size_t WordEnd(std::string_view text, size_t i) {
  while (i < text.size() && (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '_'))
    ++i;
  return i;
}

inline std::string DisplayUrl(std::string_view expanded) {
  std::string_view rest = expanded;
  for (std::string_view scheme : {"https://", "http://"})
    if (rest.substr(0, scheme.size()) == scheme) rest.remove_prefix(scheme.size());
  if (rest.substr(0, 4) == "www.") rest.remove_prefix(4);
  if (TwitterLength(rest) <= 30) return std::string(rest);
  // Cut on a character boundary; links are ASCII here but stay safe for any input.
  size_t cut = 0;
  int chars = 0;
  while (cut < rest.size() && chars < 29) {
    ++cut;
    while (cut < rest.size() && (static_cast<unsigned char>(rest[cut]) & 0xc0) == 0x80) ++cut;
    ++chars;
  }
  return std::string(rest.substr(0, cut)) + "\u2026";
}

}  // namespace wf::apisim::corpus_detail
