#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// Fixed material the corpus is woven from. Texts are UTF-8 and deliberately include what
// breaks naive tools: braces, quotes, backslashes, tabs, CR/LF, HTML entities, emoji outside
// the basic plane, right-to-left and CJK scripts.
namespace wf::apisim::pools {

struct NamePart {
  std::string_view display;  // as shown in "name"
  std::string_view handle;   // ASCII stem for screen names
};

struct TimeZone {
  std::string_view name;
  int32_t utc_offset;  // seconds
};

// Bounding boxes in units of 1e-7 degree, so coordinates print exactly.
struct Place {
  std::string_view id;
  std::string_view name;
  std::string_view full_name;
  std::string_view country_code;
  std::string_view country;
  std::string_view place_type;
  int64_t west, south, east, north;
};

struct Language {
  std::string_view code;
  // Texts in this language; "%" placeholders as in the tweet templates.
  std::span<const std::string_view> topic;  // mention skein and twitter
  std::span<const std::string_view> other;  // never both words
};

std::span<const NamePart> FirstNames();
std::span<const NamePart> LastNames();
std::span<const std::string_view> OrgNames();     // whole display names with their own quirks
std::span<const std::string_view> HandleWords();  // ASCII words for screen names
std::span<const std::string_view> Locations();
std::span<const std::string_view> Descriptions();  // "%" placeholders allowed
std::span<const TimeZone> TimeZones();
std::span<const Place> Places();
std::span<const std::string_view> Sources();
std::span<const std::string_view> Links();
std::span<const std::string_view> Topics();
std::span<const std::string_view> TopicTags();
std::span<const std::string_view> Emoji();
std::span<const std::string_view> Adjectives();
std::span<const Language> Languages();  // [0] is English
std::span<const std::string_view> TimelineTexts();
std::span<const std::string_view> TeamTexts();  // the skein_team account's own voice
std::span<const std::string_view> QuoteComments();
std::span<const std::string_view> ReplyTexts();
std::span<const std::string_view> ProfileColors();
std::span<const std::string_view> BackgroundImages();

}  // namespace wf::apisim::pools
