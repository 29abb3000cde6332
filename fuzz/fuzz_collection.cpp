// Any line of a collection file, however malformed, must be recognised or refused without
// crashing, and the pages it gives must fill the record sets in both text modes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "records/collection_reader.h"
#include "records/tweet_set.h"
#include "records/user_set.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  static wf::CollectionReader tweets_reader(wf::CollectionKind::kTweets);
  static wf::CollectionReader users_reader(wf::CollectionKind::kUsers);
  const std::string compact = wf::CompactJson(text);
  Check(compact.size() <= text.size());

  std::vector<wf::CollectionPage> pages;
  wf::CollectionShape shape;
  const bool known = tweets_reader.Read(text, pages, &shape);
  Check(known || shape != wf::CollectionShape::kSearchPage);
  Check(shape == tweets_reader.Shape(text));
  for (const bool full_text : {false, true}) {
    wf::TweetSet tweets;
    tweets.SetFullText(full_text);
    for (const wf::CollectionPage& p : pages) tweets.SetData(p.text, true, p.ignore_top_level);
  }
  pages.clear();
  users_reader.Read(text, pages);
  for (const bool full_text : {false, true}) {
    wf::UserSet users;
    users.SetFullText(full_text);
    for (const wf::CollectionPage& p : pages) users.SetData(p.text, true, p.ignore_top_level);
  }
  return 0;
}
