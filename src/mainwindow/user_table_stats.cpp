#include "mainwindow/user_table_stats.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "mainwindow/window_text.h"
#include "util/leading_number.h"
#include "util/yielder.h"

namespace wf {
namespace {

// Tweet table columns (1-based) the statistics read.
constexpr int kAuthorColumn = 2;
constexpr int kTextColumn = 3;
constexpr int kRetweetsColumn = 12;
constexpr int kSentPosColumn = 14;
constexpr int kSentNegColumn = 15;

// A cell read as a whole number, as the classifier and the retweet counts write them; text
// that holds no number counts 0.
std::int32_t CellInt(std::string_view cell) {
  return RoundToInt32(LeadingNumber(cell)).value_or(0);
}

void AddRow(const TweetView& tweets, std::int32_t r, UserTweetStats& s) {
  s.Add(CellInt(tweets.Cell(r, kSentPosColumn)), CellInt(tweets.Cell(r, kSentNegColumn)),
        IsRetweet(tweets.Cell(r, kTextColumn)), CellInt(tweets.Cell(r, kRetweetsColumn)));
}

std::string TrueFalse(bool v) {
  return v ? "True" : "False";
}

bool ContainsNoCase(std::string_view text, std::string_view lower_word) {
  if (lower_word.size() > text.size()) return false;
  for (std::size_t i = 0; i + lower_word.size() <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < lower_word.size() &&
           std::tolower(static_cast<unsigned char>(text[i + k])) == lower_word[k]) {
      ++k;
    }
    if (k == lower_word.size()) return true;
  }
  return false;
}

std::optional<std::int64_t> DayOfTweet(const std::string& date_time) {
  const auto dt = ParseStoredDateTime(date_time);
  if (!dt) return std::nullopt;
  return DayNumber(*dt);
}

}  // namespace

bool IsRetweet(std::string_view text) {
  return text.substr(0, 3) == "RT ";
}

void UserTweetStats::Add(std::int32_t sent_pos, std::int32_t sent_neg, bool retweet,
                         std::int32_t retweet_count) {
  ++NoTwts;
  SumPos += sent_pos;
  SumNeg += sent_neg;
  if (retweet) {
    ++Retweets;
  } else {
    SumRT += retweet_count;
    MaxRT = std::max(MaxRT, retweet_count);
  }
}

void UserTweetStats::Finish() {
  if (NoTwts == 0) return;
  const auto n = static_cast<double>(NoTwts);
  AvSentPos = static_cast<float>(static_cast<double>(SumPos) / n);
  AvSentNeg = static_cast<float>(static_cast<double>(SumNeg) / n);
  PctRT = static_cast<float>(Retweets / n * 100.0);
  AvRT = HasOriginals() ? static_cast<float>(static_cast<double>(SumRT) / (NoTwts - Retweets)) : 0;
}

UserTweetStats GetTweetStats(const TweetView& tweets, std::string_view screen_name) {
  UserTweetStats s;
  for (std::int32_t r = 0; r < tweets.RowCount(); ++r) {
    if (window_text::Trimmed(tweets.Cell(r, kAuthorColumn)) == screen_name) AddRow(tweets, r, s);
  }
  s.Finish();
  return s;
}

const UserTweetStats* AuthorStats::Find(const std::string& screen_name) const {
  const auto it = by_author.find(screen_name);
  return it == by_author.end() ? nullptr : &it->second;
}

AuthorStats CollectAuthorStats(const TweetView& tweets, Yielder* yielder) {
  AuthorStats out;
  for (std::int32_t r = 0; r < tweets.RowCount(); ++r) {
    if (yielder != nullptr) yielder->Poll();
    // Names that look like numbers carry the padding that sorts them; the name is without it.
    const std::string_view name = window_text::Trimmed(tweets.Cell(r, kAuthorColumn));
    auto [it, added] = out.by_author.try_emplace(std::string(name));
    if (added) out.authors.push_back(it->first);
    AddRow(tweets, r, it->second);
  }
  for (auto& [name, s] : out.by_author) s.Finish();
  return out;
}

std::string FormatRatio(std::int64_t num, std::int64_t den, int decimals) {
  std::int64_t scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;
  const bool negative = (num < 0) != (den < 0);
  // Magnitudes as unsigned so the scaling cannot overflow for any 32-bit inputs.
  const auto mag = [](std::int64_t v) {
    return v < 0 ? static_cast<std::uint64_t>(-(v + 1)) + 1 : static_cast<std::uint64_t>(v);
  };
  const std::uint64_t n = mag(num) * static_cast<std::uint64_t>(scale);
  const std::uint64_t d = mag(den);
  std::uint64_t q = n / d;
  if ((n % d) * 2 >= d) ++q;  // half away from zero
  std::string digits = std::to_string(q);
  if (decimals > 0) {
    if (digits.size() <= static_cast<std::size_t>(decimals)) {
      digits.insert(0, static_cast<std::size_t>(decimals) + 1 - digits.size(), '0');
    }
    digits.insert(digits.size() - static_cast<std::size_t>(decimals), 1, '.');
  }
  return negative && q != 0 ? "-" + digits : digits;
}

std::int64_t DayNumber(const CivilDateTime& dt) {
  CivilDateTime midnight = dt;
  midnight.hour = midnight.minute = midnight.second = 0;
  return ToSerialSeconds(midnight) / 86400;
}

void SetProfileCells(const UserRecord& u, std::int64_t today, UserTableCells& c) {
  c[0] = u.Id;
  c[1] = u.ScreenName;
  c[2] = u.RealName;
  c[3] = u.Description;
  c[4] = u.URL;
  c[5] = u.Lang;
  c[6] = u.Location;
  c[7] = TrueFalse(u.GeoEnabled);
  c[8] = u.TimeZone;
  c[9] = PadNumeric(std::to_string(u.UTC_Offset), 2);
  c[10] = PadNumeric(std::to_string(u.Followers), 8);
  c[11] = PadNumeric(std::to_string(u.Friends), 8);
  c[12] = PadNumeric(std::to_string(u.StatusCount), 8);
  c[13] = PadNumeric(std::to_string(u.Favourites), 5);
  c[14] = u.CreatedAt;
  c[15] = TrueFalse(u.Verified);
  c[16] = TrueFalse(u.Protected);
  c[17] = u.ProfileImage;
  c[18] = u.ProfileBanner;
  c[19] = u.ProfileBackgroundImage;
  c[20].clear();
  if (u.Friends != 0) c[20] = PadNumeric(FormatRatio(u.Followers, u.Friends, 1), 7);
  c[21].clear();
  if (const auto created = ParseStoredDateTime(u.CreatedAt)) {
    // Day boundaries crossed, so an account made today divides by one.
    const std::int64_t days = today - DayNumber(*created);
    if (days + 1 > 0) c[21] = PadNumeric(FormatRatio(u.StatusCount, days + 1, 1), 5);
  }
}

void SetTweetStatCells(const UserTweetStats& s, UserTableCells& c) {
  c[31] = PadNumeric(std::to_string(s.NoTwts), 5);
  for (int k = 32; k <= 36; ++k) c[static_cast<std::size_t>(k)].clear();
  if (s.NoTwts > 0) {
    c[32] = FormatRatio(s.SumPos, s.NoTwts, 1);
    c[33] = FormatRatio(s.SumNeg, s.NoTwts, 1);
    c[34] = PadNumeric(FormatRatio(std::int64_t{s.Retweets} * 100, s.NoTwts, 0), 6);
  }
  if (s.HasOriginals()) c[35] = PadNumeric(FormatRatio(s.SumRT, s.NoTwts - s.Retweets, 0), 6);
  c[36] = PadNumeric(std::to_string(s.MaxRT), 6);
}

TimelineSample SampleTimeline(const std::vector<TweetRecord>& timeline, int samples) {
  TimelineSample s;
  int saved = 0;
  for (const TweetRecord& t : timeline) {
    const bool retweet = IsRetweet(t.Text);
    if (retweet) {
      ++s.retweets;
    } else {
      s.sum_rt += t.Retweeted;
      if (saved < samples) {
        s.tweets += t.Text + "|";
        ++saved;
      }
      if (ContainsNoCase(t.Text, " bday") || ContainsNoCase(t.Text, "birthday")) {
        s.birthday += t.Text + "|";
      }
    }
    if (!t.GeoCoords.empty() && t.GeoCoords != "null") ++s.geotagged;
  }
  s.count = static_cast<std::int32_t>(timeline.size());
  if (s.count > 0) {
    const auto newest = DayOfTweet(timeline.front().DateTime);
    const auto oldest = DayOfTweet(timeline.back().DateTime);
    if (newest && oldest) s.days = *newest - *oldest;
  }
  return s;
}

void SetTimelineCells(const TimelineSample& s, UserTableCells& c) {
  c[22] = s.tweets;
  c[23] = s.birthday;
  std::string per_day = "0", pct_rt = "0", mean_rt = "0", pct_geo = "0";
  if (s.count > 0) {
    per_day.clear();
    if (s.days && *s.days + 1 > 0) per_day = FormatRatio(s.count, *s.days + 1, 0);
    if (s.count > s.retweets) mean_rt = FormatRatio(s.sum_rt, s.count - s.retweets, 0);
    pct_rt = FormatRatio(std::int64_t{s.retweets} * 100, s.count, 0);
    pct_geo = FormatRatio(std::int64_t{s.geotagged} * 100, s.count, 0);
  }
  c[27] = PadNumeric(per_day, 4);
  c[28] = PadNumeric(pct_rt, 3);
  c[29] = PadNumeric(mean_rt, 4);
  c[30] = PadNumeric(pct_geo, 3);
}

CivilDateTime OneYearBack(const CivilDateTime& today) {
  CivilDateTime d = today;
  d.year -= 1;
  if (d.month == 2 && d.day == 29) d.day = 28;
  return d;
}

int SampleCountFromAnswer(std::string_view answer) {
  const double v = LeadingNumber(answer);
  if (v >= std::numeric_limits<std::int16_t>::max())
    return std::numeric_limits<std::int16_t>::max();
  if (v <= std::numeric_limits<std::int16_t>::min())
    return std::numeric_limits<std::int16_t>::min();
  return RoundToInt32(v).value_or(0);
}

}  // namespace wf
