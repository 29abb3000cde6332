// Any response text, however malformed, must scan without crashing or hanging, and the
// record sets built on the reader must stay consistent.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "json/json_deserializer.h"
#include "records/tweet_set.h"
#include "records/user_set.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

void Walk(std::string_view text, bool ignore_top_level) {
  wf::JSONDeserializer reader;
  if (!reader.Read(text, ignore_top_level)) {
    Check(reader.ObjectCount() == 0);
    return;
  }
  const std::int32_t n = reader.ObjectCount();
  for (std::int32_t k = 0; k <= n + 1; ++k) {
    if (k >= 1 && k <= n) {
      Check(reader.ObjectLevel(k) >= 1);
      Check(reader.ObjectParent(k) < k);
      Check(reader.LastChild(k) >= k && reader.LastChild(k) <= n);
      Check(reader.ObjectText(k).size() <= text.size());
    }
    (void)reader.ObjectName(k);
    (void)reader.GetElementInObject(k, "id_str");
    (void)reader.GetElementInObject(k, "text");
    (void)reader.GetAllElementsInObject(k, "next_cursor_str");
  }
  Check(reader.ObjectIndex("statuses", 1) <= n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  Walk(text, false);
  Walk(text, true);

  wf::TweetSet tweets;
  tweets.SetData(text, false, size % 2 == 0);
  Check(tweets.LastSetDataSize() == tweets.Count() || tweets.LastSetDataSize() == 0);
  (void)tweets.OldestTweetId(true);
  (void)tweets.GetUserArr();
  (void)tweets.GetVBDateTime(1);
  (void)tweets.TrimToDateRange("01/01/2000 00:00:00", "");

  wf::UserSet users;
  users.SetData(text, false, size % 2 == 1);
  Check(users.LastSetDataSize() == users.Count() || users.LastSetDataSize() == 0);
  (void)users.ToTabText();
  return 0;
}
