#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wf::apisim {

// What the matcher sees of one tweet. Words are lowercased (ASCII letters) and split on
// whitespace, ASCII punctuation and non-letter symbols (curly quotes, dashes, emoji).
struct SearchDoc {
  std::vector<std::string> words;
  std::vector<std::string> hashtags;  // without "#", lowercase
  std::vector<std::string> mentions;  // screen names, lowercase
  std::string author;                 // screen name, lowercase
  std::string lang;
  int64_t created_at = 0;
  bool is_retweet = false;
  bool is_reply = false;
  bool is_quote = false;
  bool has_links = false;
  bool has_media = false;
  bool verified = false;
};

// Splits `text` (UTF-8, HTML entities decoded first) into lowercase words.
std::vector<std::string> SearchWords(std::string_view text);

// The standard search operators: words, "quoted phrases", OR, -exclusion, (groups), AND as an
// explicit conjunction, #hashtag, @mention, from:, to:, lang:, filter:, since:, until:.
// Juxtaposition is AND; OR binds tighter, so `a b OR c` means a AND (b OR c).
class Query {
 public:
  // nullopt with a reason when the text holds no usable term.
  static std::optional<Query> Parse(std::string_view text, std::string* error = nullptr);

  bool Matches(const SearchDoc& doc) const;

  struct Node {
    enum Kind {
      kAll,
      kAnd,
      kOr,
      kNot,
      kWords,
      kHashtag,
      kMention,
      kFrom,
      kTo,
      kLang,
      kFilter,
      kSince,
      kUntil
    };
    Kind kind = kAll;
    std::vector<std::string> words;  // kWords: one word, or a phrase
    std::string value;               // operator argument, lowercase
    int64_t instant = 0;             // kSince, kUntil
    std::vector<Node> children;
  };

 private:
  Node root_;
};

// Midnight UTC of a "YYYY-MM-DD" day, in epoch seconds.
std::optional<int64_t> DayStart(std::string_view text);

// "lat,long,radius" with the radius in "mi" or "km".
struct Geocode {
  double lat = 0, lon = 0, radius_km = 0;
  static std::optional<Geocode> Parse(std::string_view text);
  bool Contains(double lat_deg, double lon_deg) const;
};

}  // namespace wf::apisim
