// Any API v2 answer or collection line, however malformed, must map without crashing; what
// comes out is ASCII JSON that the v1.1 readers take, with one row per mapped item.
#include <simdjson.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "records/tweet_set.h"
#include "records/user_set.h"
#include "records/v2_mapping.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

void CheckText(const std::string& text) {
  for (const char c : text) Check(static_cast<unsigned char>(c) < 0x80);
  simdjson::dom::parser parser;
  simdjson::dom::element doc;
  // An id of more digits than 64 bits hold stays its digits: valid JSON that this decoder
  // declines as a number.
  const auto error = parser.parse(text).get(doc);
  Check(error == simdjson::SUCCESS || error == simdjson::NUMBER_ERROR);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  wf::V2Mapping mapping;
  wf::V2PageInfo info;
  if (const auto page = mapping.SearchPage(input, &info)) {
    CheckText(*page);
    wf::TweetSet tweets;
    tweets.SetData(*page, false, true);
    Check(static_cast<std::size_t>(tweets.Count()) <= info.rows);
  }
  if (const auto page = mapping.UserPage(input, &info)) {
    CheckText(*page);
    wf::UserSet users;
    users.SetData(*page, false, true);
    Check(static_cast<std::size_t>(users.Count()) <= info.rows);
  }
  if (const auto tweet = mapping.Tweet(input)) CheckText(*tweet);
  mapping.Info(input);
  return 0;
}
