#pragma once

#include <cstdint>
#include <string>

namespace wf {

// The profile fields of one account.
struct UserRecord {
  std::string CreatedAt;
  std::string Description;
  std::int32_t Favourites = 0;
  std::int32_t Followers = 0;
  std::int32_t Friends = 0;
  bool GeoEnabled = false;
  std::string Id;
  std::string Lang;
  std::int32_t ListedCount = 0;
  std::string Location;
  std::string RealName;
  bool Protected = false;
  std::string ScreenName;
  std::int32_t StatusCount = 0;
  std::string TimeZone;
  std::string URL;
  bool Verified = false;
  std::int32_t UTC_Offset = 0;
  std::string ProfileImage;
  std::string ProfileBanner;
  std::string ProfileBackgroundImage;

  friend bool operator==(const UserRecord&, const UserRecord&) = default;
};

}  // namespace wf
