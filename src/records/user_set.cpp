#include "records/user_set.h"

#include <algorithm>

#include "json/json_deserializer.h"
#include "records/full_text.h"
#include "records/record_conversions.h"
#include "util/date_time.h"
#include "util/escapes.h"
#include "util/yielder.h"

namespace wf {
namespace {

constexpr std::string_view kNoRecords = "JSON response contained no records";

std::string WithoutBackslashes(std::string s) {
  std::erase(s, '\\');
  return s;
}

std::string RemoveAllText(std::string s, std::string_view what) {
  for (std::size_t at = s.find(what); at != std::string::npos; at = s.find(what, at)) {
    s.erase(at, what.size());
  }
  return s;
}

void FillUser(const JSONDeserializer& reader, std::int32_t k, UserRecord& u, Yielder& yielder) {
  auto get = [&](std::string_view key) { return reader.GetElementInObject(k, key); };
  u.CreatedAt = get("created_at");
  u.Id = get("id_str");
  u.RealName = CleanEscapes(get("name"), &yielder);
  u.ScreenName = get("screen_name");
  u.Location = CleanEscapes(get("location"), &yielder);
  u.Description = CleanEscapes(get("description"), &yielder);
  u.URL = WithoutBackslashes(get("url"));
  ConvertBool(get("protected"), u.Protected);
  ConvertCount(get("followers_count"), u.Followers);
  ConvertCount(get("friends_count"), u.Friends);
  ConvertCount(get("favourites_count"), u.Favourites);
  ConvertUtcOffset(get("utc_offset"), u.UTC_Offset);
  u.TimeZone = get("time_zone");
  ConvertBool(get("geo_enabled"), u.GeoEnabled);
  ConvertBool(get("verified"), u.Verified);
  ConvertCount(get("statuses_count"), u.StatusCount);
  ConvertCount(get("listed_count"), u.ListedCount);
  u.Lang = get("lang");
  // The "_normal" thumbnail name points at the small picture; without it, the full size.
  u.ProfileImage = WithoutBackslashes(RemoveAllText(get("profile_image_url"), "_normal"));
  u.ProfileBackgroundImage = WithoutBackslashes(get("profile_background_image_url"));
  u.ProfileBanner = WithoutBackslashes(get("profile_banner_url")) + "/web";
}

}  // namespace

const UserRecord& UserSet::At(std::int32_t i) const {
  static const UserRecord kEmpty;
  if (i < 1 || i > Count()) return kEmpty;
  return records_[static_cast<std::size_t>(i - 1)];
}

void UserSet::Clear() {
  records_.clear();
  last_set_data_size_ = 0;
  next_cursor_ = "-1";
}

void UserSet::SetData(std::string_view json, bool append, bool ignore_top_level) {
  JSONDeserializer reader(ui_);
  if (!reader.ReadBorrowed(json, ignore_top_level)) {
    last_set_data_size_ = 0;
    return;
  }
  if (!append) Clear();
  const bool has_cursor = json.find("next_cursor_str") != std::string_view::npos;
  const std::int32_t n = reader.ObjectCount();
  std::int32_t c = 0;
  for (std::int32_t k = 1; k <= n; ++k) {
    if (reader.ObjectLevel(k) == 1 && reader.ObjectNameView(k) != "search_metadata") ++c;
  }
  last_set_data_size_ = c;
  if (c == 0) {
    if (ui_ != nullptr)
      ui_->MessageBox(kNoRecords, MsgButtons::Ok, MsgIcon::Information, kAppTitle);
    return;
  }
  const std::size_t old_count = records_.size();
  records_.resize(old_count + static_cast<std::size_t>(c));
  std::size_t r = old_count;  // records filled so far
  Yielder yielder(ui_);
  bool cursor_read = false;
  for (std::int32_t k = 1; k <= n; ++k) {
    yielder.Poll();
    const std::uint8_t level = reader.ObjectLevel(k);
    if (level == 1) {
      // A metadata object is never a user, wherever the response puts it.
      if (reader.ObjectNameView(k) == "search_metadata") continue;
      if (++r > records_.size()) break;
      FillUser(reader, k, records_[r - 1], yielder);
      if (has_cursor && !cursor_read) {
        // Object 1's text runs to the end of a wrapped page, where the cursor members are.
        const auto cursors = reader.GetAllElementsInObject(1, "next_cursor_str", 1);
        if (cursors.size() > 1) next_cursor_ = cursors[1];
        cursor_read = true;
      }
    } else if (level == 4 && r > old_count) {
      // URL entities of the profile and of the embedded latest tweet: the last one decides.
      records_[r - 1].URL = WithoutBackslashes(reader.GetElementInObject(k, "expanded_url"));
    }
  }
  if (full_text_) ApplyUserFullText(json, ignore_top_level, records_, old_count);
}

bool UserSet::TrimToDateRange(std::string_view earliest, std::string_view latest) {
  if (records_.empty()) return false;
  const auto range = ParseDateRange(earliest, latest);
  if (!range) return false;
  const std::size_t before = records_.size();
  std::erase_if(records_, [&](const UserRecord& u) { return !range->Keeps(u.CreatedAt); });
  return records_.size() != before;
}

std::string UserSet::ToTabText() const {
  std::string out =
      "UserId\tScreenName\tRealName\tDescription\tCreatedAt\tFollowers\tFriends\tFavourites\t"
      "StatusCount\tLocation\tUTC_Offset\tGeoEnabled\tLanguage\tProfileImage\tVerified\r\n";
  auto b = [](bool v) { return v ? "True" : "False"; };
  for (const UserRecord& u : records_) {
    out += u.Id + '\t' + u.ScreenName + '\t' + u.RealName + '\t' + u.Description + '\t' +
           u.CreatedAt + '\t' + std::to_string(u.Followers) + '\t' + std::to_string(u.Friends) +
           '\t' + std::to_string(u.Favourites) + '\t' + std::to_string(u.StatusCount) + '\t' +
           u.Location + '\t' + std::to_string(u.UTC_Offset) + '\t' + b(u.GeoEnabled) + '\t' +
           u.Lang + '\t' + u.ProfileImage + '\t' + b(u.Verified) + "\r\n";
  }
  return out;
}

void UserSet::ToClipboard() const {
  if (ui_ != nullptr) ui_->SetClipboardText(ToTabText());
}

std::int32_t UserSet::FindUserIndex(std::string_view screen_name, std::string_view user_id) const {
  for (std::size_t i = 0; i < records_.size(); ++i) {
    if (records_[i].ScreenName == screen_name || records_[i].Id == user_id) {
      return static_cast<std::int32_t>(i + 1);
    }
  }
  return 0;
}

}  // namespace wf
