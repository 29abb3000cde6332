#pragma once

#include <cstdint>
#include <string>

namespace wf {

// One tweet with its author's fields.
struct TweetRecord {
  std::string DateTime;
  std::string ScreenName;
  std::string Text;
  std::string TweetID;
  std::string RealName;
  std::int32_t Followers = 0;
  std::int32_t Following = 0;
  std::string Location;
  std::int32_t UTC_Offset = 0;
  std::string GeoCoords;
  std::string UserTweets;
  std::int32_t Retweeted = 0;
  std::string LinkURL;
  std::string Description;

  friend bool operator==(const TweetRecord&, const TweetRecord&) = default;
};

}  // namespace wf
