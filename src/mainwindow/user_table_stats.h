#pragma once

// The figures of the user tables, as pure functions over rows and records: per-author
// statistics over the tweet table, the profile and statistics cells of a user table row, and
// the timeline sample of one account.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "mainwindow/tweet_view.h"
#include "mainwindow/user_table_view.h"
#include "records/tweet_record.h"
#include "records/user_record.h"
#include "util/date_time.h"

namespace wf {

class Yielder;

using UserTableCells = std::array<std::string, kUserTableColumnCount>;

// A retweet's text begins with "RT " exactly (case counts); every other tweet is an original.
bool IsRetweet(std::string_view text);

// One author's figures over the tweet table.
struct UserTweetStats {
  std::int32_t NoTwts = 0;
  float AvSentPos = 0;
  float AvSentNeg = 0;
  float PctRT = 0;
  float AvRT = 0;  // 0 when the author has no originals (HasOriginals() tells)
  std::int32_t MaxRT = 0;

  // The sums behind the means; the cells are rounded from these, not from the floats.
  std::int64_t SumPos = 0;
  std::int64_t SumNeg = 0;
  std::int64_t SumRT = 0;
  std::int32_t Retweets = 0;

  bool HasOriginals() const { return NoTwts > Retweets; }
  // Counts one tweet of the author.
  void Add(std::int32_t sent_pos, std::int32_t sent_neg, bool retweet, std::int32_t retweet_count);
  // Works out the means from the sums.
  void Finish();
};

// The figures of one author (exact screen name) over every row of the tweet table.
UserTweetStats GetTweetStats(const TweetView& tweets, std::string_view screen_name);

// Every author of the tweet table with their figures, from one pass over the rows.
struct AuthorStats {
  std::vector<std::string> authors;  // distinct screen names, in order of first appearance
  std::unordered_map<std::string, UserTweetStats> by_author;

  // Nothing when the name has no tweets in the table.
  const UserTweetStats* Find(const std::string& screen_name) const;
};
// `yielder` (may be null) is polled as rows go by.
AuthorStats CollectAuthorStats(const TweetView& tweets, Yielder* yielder);

// num / den rounded half away from zero to `decimals` places, with at least one digit before
// the point (the "#0", "#0.0" and "0.0" forms). `den` must not be 0.
std::string FormatRatio(std::int64_t num, std::int64_t den, int decimals);

// Days since 1970-01-01 of a date (its time of day ignored).
std::int64_t DayNumber(const CivilDateTime& dt);

// Columns 1-22 of a row from a profile; `today` is DayNumber of the local date. The ratio
// and tweets-a-day cells stay empty when they cannot be worked out (no friends, an unreadable
// or future creation date).
void SetProfileCells(const UserRecord& u, std::int64_t today, UserTableCells& cells);

// Columns 32-37 (Tw_). Means of an author without tweets, and the mean retweet count of an
// author without originals, stay empty.
void SetTweetStatCells(const UserTweetStats& s, UserTableCells& cells);

// What a sample of an account's own timeline gives.
struct TimelineSample {
  std::string tweets;    // the first originals, newest first, each followed by "|"
  std::string birthday;  // originals that mention a birthday, each followed by "|"
  std::int32_t count = 0;
  std::int32_t retweets = 0;
  std::int32_t geotagged = 0;
  std::int64_t sum_rt = 0;  // retweet counts of the originals
  // Calendar days from the oldest tweet's date to the newest's; empty when a date is
  // unreadable.
  std::optional<std::int64_t> days;
};

// `timeline` newest first; at most `samples` originals go into the tweet sample.
TimelineSample SampleTimeline(const std::vector<TweetRecord>& timeline, int samples);

// Columns 23, 24 and 28-31 (Pro_TwtSamp, Pro_BDayTwts, TL_). An empty timeline gives empty
// samples and 0 in the TL_ columns.
void SetTimelineCells(const TimelineSample& s, UserTableCells& cells);

// The same day and month a year earlier; 29 February gives 28 February.
CivilDateTime OneYearBack(const CivilDateTime& today);

// How many originals to sample, from the answer to the prompt: its leading number rounded to
// a 16-bit integer (0 when there is none, the nearest limit when out of range).
int SampleCountFromAnswer(std::string_view answer);

}  // namespace wf
