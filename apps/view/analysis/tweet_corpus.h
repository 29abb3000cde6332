#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wf {
class SkeinData;
class UiPort;
}  // namespace wf

namespace wf::view {

inline constexpr std::int64_t kNoTime = std::numeric_limits<std::int64_t>::min();

// What every chart needs of one row, worked out once at load.
struct Tweet {
  std::int64_t time = kNoTime;  // seconds since 1970 of the row's calendar time; kNoTime: no date
  std::uint32_t row = 0;        // row in the table, 1-based
  std::uint32_t author = 0;     // index into TweetCorpus::AccountName
  float positive = 0;           // Sent+
  float negative = 0;           // Sent- (zero or below)
  bool retweet = false;         // the text starts with "RT @"
};

// Reports the share of the work done (0..1); false asks the work to stop.
using ProgressFn = std::function<bool(double fraction)>;

// A tweet table file with every row's features. The table stays loaded; texts and links are
// read from it when a view needs them.
class TweetCorpus {
 public:
  TweetCorpus();
  ~TweetCorpus();
  TweetCorpus(TweetCorpus&&) noexcept;
  TweetCorpus& operator=(TweetCorpus&&) noexcept;

  // Reads any tweet table file the program writes or reads (Windows-1252 or UTF-8 with a byte
  // order mark, with or without the header line, CR LF or LF, every date form). Rows missing
  // cells are kept with the cells they have. `ui` (may be null) is the one the table load
  // yields to. Empty optional with `error` set when the file cannot be read or `progress`
  // asked to stop.
  static std::optional<TweetCorpus> Load(const std::string& path, std::string* error,
                                         const ProgressFn& progress = {}, UiPort* ui = nullptr);

  const std::string& Path() const { return path_; }
  std::size_t Size() const { return tweets_.size(); }
  const Tweet& At(std::size_t i) const { return tweets_[i]; }
  const std::vector<Tweet>& Tweets() const { return tweets_; }

  std::string_view Text(const Tweet& t) const;
  std::string_view Link(const Tweet& t) const;
  std::string_view DateText(const Tweet& t) const;
  std::string_view TweetId(const Tweet& t) const;
  // Screen name as first written in the table.
  const std::string& AccountName(std::uint32_t account) const { return accounts_[account]; }
  std::size_t AccountCount() const { return accounts_.size(); }

  // True when every row's Sent+ and Sent- are 0 (the table was never scored).
  bool AllScoresZero() const { return all_scores_zero_; }

  // Scores every row's text with wrenfold-senti (beside the running program), keeping its
  // temporary files in `work_dir`, and takes the new scores. False when the tool could not
  // be run; the scores are then as before.
  bool ScoreSentiment(const std::string& work_dir);
  // Writes the table, scores included, back to its file (Windows-1252, or UTF-8 with a byte
  // order mark when the text needs it). The old file stays whole on failure.
  bool SaveTable(std::string* error) const;

 private:
  std::string path_;
  std::unique_ptr<SkeinData> data_;
  std::vector<Tweet> tweets_;
  std::vector<std::string> accounts_;
  std::vector<std::int32_t> header_rows_;
  bool all_scores_zero_ = true;
};

// What every view shows: rows in a date range whose text or author holds a text.
struct Filter {
  std::optional<std::int64_t> from;  // first second shown
  std::optional<std::int64_t> to;    // last second shown
  std::string text;                  // ignoring ASCII case; empty: every text

  bool Active() const { return from || to || !text.empty(); }
  // "from 01/05/2026 00:00:00 to ..., text "x"", or "none".
  std::string Describe() const;
};

// Indices (into the corpus) of the rows the filter lets through, in table order. A date range
// leaves out rows without a date.
std::vector<std::uint32_t> Select(const TweetCorpus& corpus, const Filter& filter);

}  // namespace wf::view
