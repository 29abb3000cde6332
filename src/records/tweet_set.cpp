#include "records/tweet_set.h"

#include <algorithm>
#include <unordered_set>

#include "json/json_deserializer.h"
#include "records/full_text.h"
#include "records/member_scan.h"
#include "records/record_conversions.h"
#include "util/escapes.h"
#include "util/leading_number.h"
#include "util/yielder.h"

namespace wf {
namespace {

constexpr std::string_view kNoRecords = "JSON response contained no records";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// CleanEscapes(text) in one pass, for the texts responses hold: every backslash starts a
// "\uXXXX" escape with four hex digits, and none stands for a backslash. There a replacement
// can never form a new escape with what surrounds it, so replacing each escape where it
// stands gives what CleanEscapes' pass per distinct escape gives. False for other texts.
bool CleanPlainEscapes(std::string_view text, std::string& out) {
  out.clear();
  out.reserve(text.size());
  std::size_t from = 0;
  for (std::size_t at = text.find('\\'); at != std::string_view::npos; at = text.find('\\', from)) {
    if (text.size() - at < 6 || text[at + 1] != 'u') return false;
    int code = 0;
    for (std::size_t i = at + 2; i < at + 6; ++i) {
      const int digit = HexDigit(text[i]);
      if (digit < 0) return false;
      code = code * 16 + digit;
    }
    if (code == '\\') return false;
    out.append(text.substr(from, at - from));
    out.append(UnicodeEscapeToText(text.substr(at, 6)));
    from = at + 6;
  }
  out.append(text.substr(from));
  // As CleanEscapes does once the escapes are gone.
  const std::string_view amp = "&amp;";
  if (out.find(amp) != std::string::npos) {
    std::string replaced;
    replaced.reserve(out.size());
    std::size_t start = 0;
    for (std::size_t at = out.find(amp); at != std::string::npos; at = out.find(amp, start)) {
      replaced.append(out, start, at - start).push_back('&');
      start = at + amp.size();
    }
    replaced.append(out, start, std::string::npos);
    out = std::move(replaced);
  }
  return true;
}

// CleanEscapes(text): only a backslash or "&amp;" makes it change anything, and most names,
// places and links hold neither.
std::string Cleaned(std::string text, Yielder& yielder) {
  if (text.find('\\') == std::string::npos && text.find("&amp;") == std::string::npos) {
    return text;
  }
  std::string out;
  if (CleanPlainEscapes(text, out)) return out;
  return CleanEscapes(text, &yielder);
}

// True when the number at the start of `text` ends inside it: a byte no number is written
// with stops LeadingNumber there, whatever follows.
bool NumberEndsIn(std::string_view text) {
  return text.find_first_not_of(" \t+-.0123456789eE") != std::string_view::npos;
}

// What follows a user object's closing brace when it is read as {"Users":[{...}]}.
constexpr std::string_view kWrappedUserTail = "}]";

// The author fields of a tweet as a user set fills them from the user object's own text
// (a fresh record: members that cannot be converted leave zeros).
void FillAuthor(const OwnTextLookup& user, TweetRecord& t, Yielder& yielder) {
  t.ScreenName = user.Get("screen_name");
  t.RealName = Cleaned(user.Get("name"), yielder);
  std::int32_t followers = 0;
  std::int32_t friends = 0;
  std::int32_t utc_offset = 0;
  std::int32_t statuses = 0;
  ConvertCount(user.Get("followers_count"), followers);
  ConvertCount(user.Get("friends_count"), friends);
  ConvertUtcOffset(user.Get("utc_offset"), utc_offset);
  ConvertCount(user.Get("statuses_count"), statuses);
  t.Followers = followers;
  t.Following = friends;
  t.Location = Cleaned(user.Get("location"), yielder);
  t.UTC_Offset = utc_offset;
  t.UserTweets = std::to_string(statuses);
  t.Description = Cleaned(user.Get("description"), yielder);
}

std::string_view Mid(std::string_view s, std::size_t pos1, std::size_t len) {
  if (pos1 == 0 || pos1 > s.size()) return {};
  return s.substr(pos1 - 1, len);
}

}  // namespace

const TweetRecord& TweetSet::At(std::int32_t i) const {
  static const TweetRecord kEmpty;
  if (i < 1 || i > Count()) return kEmpty;
  return records_[static_cast<std::size_t>(i - 1)];
}

std::string TweetSet::UTC_Offset(std::int32_t i) const {
  return i < 1 || i > Count() ? std::string() : std::to_string(At(i).UTC_Offset);
}

std::int32_t TweetSet::UserTweets(std::int32_t i) const {
  std::int32_t v = 0;
  ConvertCount(At(i).UserTweets, v);
  return v;
}

std::string TweetSet::OldestTweetId(bool dec) const {
  if (records_.empty()) return {};
  std::string id = records_.back().TweetID;
  if (!dec) return id;
  // Decimal text minus one, same length: "1000" -> "0999". Ids exceed 2^53, so no numbers.
  const std::size_t i = id.find_last_not_of('0');
  if (i == std::string::npos) return id;
  id[i] = static_cast<char>(id[i] - 1);
  for (std::size_t j = i + 1; j < id.size(); ++j) id[j] = '9';
  return id;
}

void TweetSet::Clear() {
  records_.clear();
  last_set_data_size_ = 0;
  trimmed_upto_ = 0;
}

void TweetSet::SetData(std::string_view json, bool append, bool ignore_top_level) {
  JSONDeserializer reader(ui_);
  if (!reader.ReadBorrowed(json, ignore_top_level)) {
    last_set_data_size_ = 0;
    return;
  }
  if (!append) Clear();
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
  std::size_t r = old_count;
  Yielder yielder(ui_);
  // The author's object is read as a user set reads it, so tweets and profiles read users
  // alike; a user set reading it would have to stay silent, since a wrapped user object
  // always holds one record.
  UserSet author(nullptr);
  std::string author_own;
  for (std::int32_t k = 1; k <= n; ++k) {
    if ((k & 15) == 0) yielder.Poll();
    const std::uint8_t level = reader.ObjectLevel(k);
    if (level == 1) {
      if (reader.ObjectNameView(k) == "search_metadata") continue;
      if (++r > records_.size()) break;
      TweetRecord& t = records_[r - 1];
      t.DateTime = reader.GetElementInObject(k, "created_at");
      // A non-empty full_text wins over text (which, matched by its end, is often the same).
      t.Text = reader.GetElementInObject(k, "full_text");
      if (t.Text.empty()) t.Text = reader.GetElementInObject(k, "text");
      t.Text = Cleaned(std::move(t.Text), yielder);
      t.TweetID = reader.GetElementInObject(k, "id_str");
      t.GeoCoords = reader.GetElementInObject(k, "coordinates");
      // The tweet's own count, not that of a retweeted or quoted tweet nested before it.
      bool whole = true;
      auto count = DirectMemberValue(reader.OwnTextStart(k, whole), "retweet_count");
      if (!whole && !(count && NumberEndsIn(*count))) {
        count = DirectMemberValue(reader.OwnText(k), "retweet_count");
      }
      t.Retweeted = 0;
      if (count) ConvertCount(*count, t.Retweeted);
    } else if (r > old_count && level == 2 && reader.ObjectNameView(k) == "user") {
      TweetRecord& t = records_[r - 1];
      // What a user set finds in {"Users":[{...}]}, without cutting the object out and
      // reading it again; only objects the response leaves open take the long way.
      if (reader.DetachedOwnText(k, kWrappedUserTail, author_own)) {
        FillAuthor(OwnTextLookup(author_own, ui_), t, yielder);
        continue;
      }
      std::string wrapped = "{\"Users\":[{";
      wrapped.append(reader.ObjectTextView(k));
      wrapped.append("}]}");
      author.SetData(wrapped, false, true);
      if (author.Count() >= 1) {
        const UserRecord& u = author.At(1);
        t.ScreenName = u.ScreenName;
        t.RealName = u.RealName;
        t.Followers = u.Followers;
        t.Following = u.Friends;
        t.Location = u.Location;
        t.UTC_Offset = u.UTC_Offset;
        t.UserTweets = std::to_string(u.StatusCount);
        t.Description = u.Description;
      }
    } else if (r > old_count && level == 3 && reader.ObjectNameView(k) == "urls") {
      records_[r - 1].LinkURL = Cleaned(reader.GetElementInObject(k, "expanded_url"), yielder);
    }
  }
  if (full_text_) ApplyTweetFullText(json, ignore_top_level, records_, old_count);
}

std::string TweetSet::GetVBDateTime(std::int32_t i) const {
  const std::string& s = At(i).DateTime;
  if (vb_date_times_) return s;
  // "Www Mmm dd hh:mm:ss +zzzz yyyy" -> "dd/mm/yy hh:mm:ss"; the offset is not applied.
  std::string out;
  out.append(Mid(s, 9, 2)).append("/").append(MonthNumberOf(Mid(s, 5, 3))).append("/");
  out.append(Mid(s, 29, 2)).append(" ").append(Mid(s, 12, 2)).append(":");
  out.append(Mid(s, 15, 2)).append(":").append(Mid(s, 18, 2));
  return out;
}

void TweetSet::SetVBDateTimes() {
  for (std::int32_t i = 1; i <= Count(); ++i) {
    records_[static_cast<std::size_t>(i - 1)].DateTime = GetVBDateTime(i);
  }
  vb_date_times_ = true;
}

bool TweetSet::TrimToDateRange(std::string_view earliest, std::string_view latest) {
  if (records_.empty()) return false;
  const auto range = ParseDateRange(earliest, latest);
  if (!range) return false;
  const std::size_t before = records_.size();
  // A search trims after every page with the same threshold and "now" as the end: records
  // that passed before still pass (the end only moves later), so only the new ones are read.
  std::size_t from = 0;
  if (latest.empty() && earliest == trimmed_from_) from = std::min(trimmed_upto_, before);
  records_.erase(
      std::remove_if(records_.begin() + static_cast<std::ptrdiff_t>(from), records_.end(),
                     [&](const TweetRecord& t) { return !range->Keeps(t.DateTime); }),
      records_.end());
  trimmed_from_ = latest.empty() ? std::string(earliest) : std::string();
  trimmed_upto_ = latest.empty() ? records_.size() : 0;
  return records_.size() != before;
}

std::vector<std::string> TweetSet::GetUserArr() const {
  std::vector<std::string> names;
  std::unordered_set<std::string> seen;
  for (const TweetRecord& t : records_) {
    if (seen.insert(t.ScreenName).second) names.push_back(t.ScreenName);
  }
  return names;
}

}  // namespace wf
