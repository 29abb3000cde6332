#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "records/user_record.h"
#include "util/ui_port.h"

namespace wf {

// User profiles filled from users/lookup responses, followers/friends list pages, or a single
// user object, with the paging cursor of follower/friend lists. Indexes are 1-based.
class UserSet {
 public:
  explicit UserSet(UiPort* ui = nullptr) : ui_(ui) {}

  // Field readers; an index outside 1..Count() yields the empty text, 0 or false.
  std::string CreatedAt(std::int32_t i) const { return At(i).CreatedAt; }
  std::string Description(std::int32_t i) const { return At(i).Description; }
  std::int32_t Favourites(std::int32_t i) const { return At(i).Favourites; }
  std::int32_t Followers(std::int32_t i) const { return At(i).Followers; }
  std::int32_t Friends(std::int32_t i) const { return At(i).Friends; }
  bool GeoEnabled(std::int32_t i) const { return At(i).GeoEnabled; }
  std::string Id(std::int32_t i) const { return At(i).Id; }
  std::string Lang(std::int32_t i) const { return At(i).Lang; }
  std::int32_t ListedCount(std::int32_t i) const { return At(i).ListedCount; }
  std::string Location(std::int32_t i) const { return At(i).Location; }
  std::string RealName(std::int32_t i) const { return At(i).RealName; }
  bool Protected(std::int32_t i) const { return At(i).Protected; }
  std::string ScreenName(std::int32_t i) const { return At(i).ScreenName; }
  std::int32_t StatusCount(std::int32_t i) const { return At(i).StatusCount; }
  std::string TimeZone(std::int32_t i) const { return At(i).TimeZone; }
  std::string URL(std::int32_t i) const { return At(i).URL; }
  bool Verified(std::int32_t i) const { return At(i).Verified; }
  std::int32_t UTC_Offset(std::int32_t i) const { return At(i).UTC_Offset; }
  std::string ProfileImage(std::int32_t i) const { return At(i).ProfileImage; }
  std::string ProfileBackgroundImage(std::int32_t i) const { return At(i).ProfileBackgroundImage; }
  std::string ProfileBanner(std::int32_t i) const { return At(i).ProfileBanner; }

  std::int32_t Count() const { return static_cast<std::int32_t>(records_.size()); }
  // As TweetSet::SetFullText, for the profile texts.
  void SetFullText(bool on) { full_text_ = on; }
  bool FullText() const { return full_text_; }
  std::int32_t LastSetDataSize() const { return last_set_data_size_; }
  const std::string& NextCursor() const { return next_cursor_; }
  void ResetCursor() { next_cursor_.clear(); }
  // For pages whose cursor comes from elsewhere (an API v2 next_token).
  void SetNextCursor(std::string cursor) { next_cursor_ = std::move(cursor); }

  // Adds the users of one response; `append` false empties the set first.
  void SetData(std::string_view json, bool append, bool ignore_top_level);
  void Clear();
  // Keeps the users created within [earliest, latest] (latest empty: now); true when the
  // count changed.
  bool TrimToDateRange(std::string_view earliest, std::string_view latest);
  // Puts ToTabText() on the clipboard of the UI port.
  void ToClipboard() const;
  // The tab-separated table that ToClipboard copies: header line, then one line per user.
  std::string ToTabText() const;
  std::int32_t FindUserIndex(std::string_view screen_name, std::string_view user_id) const;

  const std::vector<UserRecord>& Records() const { return records_; }
  // Drops every record after the first `count`: the users of a page that will be asked for
  // again.
  void KeepFirst(std::int32_t count) {
    if (count >= 0 && count < Count()) records_.resize(static_cast<std::size_t>(count));
  }
  // Record i (1-based); a default record outside 1..Count().
  const UserRecord& At(std::int32_t i) const;

 private:
  UiPort* ui_;
  std::vector<UserRecord> records_;
  std::int32_t last_set_data_size_ = 0;
  std::string next_cursor_ = "-1";
  bool full_text_ = false;
};

}  // namespace wf
