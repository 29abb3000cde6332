#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "records/tweet_set.h"
#include "util/ui_port.h"

namespace wf {

inline constexpr int kTweetColumnCount = 16;

// Column names in table, file and view order; the header line of a saved file.
inline constexpr std::array<std::string_view, kTweetColumnCount> kTweetColumnNames = {
    "DateTime",       "UserScreenName", "Tweet",       "TweetID",
    "UserRealName",   "UserFollowers",  "UserFriends", "UserLocation",
    "UserUTC_Offset", "GeoCoords",      "UserTweets",  "Retweets",
    "LinkURL",        "Sent+",          "Sent-",       "UserDescription"};

using TweetRow = std::array<std::string, kTweetColumnCount>;

// The tweet table as a grid of strings: RecordCount() rows of sixteen fields, 1-based.
// Rows are kept as TAB-joined text in one arena so that a million-row file costs little more
// memory than its own size.
class SkeinData {
 public:
  explicit SkeinData(UiPort* ui = nullptr);

  // Copy of the whole grid, row 1 first.
  std::vector<TweetRow> Data() const;
  // Text of one cell; throws std::out_of_range outside 1..RecordCount() x 1..16.
  std::string Value(std::int32_t record, int field) const;
  // Same without the copy; valid until the grid changes.
  std::string_view Cell(std::int32_t record, int field) const;
  // All sixteen cells of a record, each as Cell reads it, in one pass over the row.
  std::array<std::string_view, kTweetColumnCount> Cells(std::int32_t record) const;
  std::int32_t RecordCount() const;

  // Refills the grid from a record set (sentiment cells "0").
  void SetData(const TweetSet& tweets);
  // Fills the grid from a tweet table file. False when the file is missing, cannot be read
  // (LastError() says why) or the user stopped the load at a short row.
  bool Load(const std::string& file_name);
  const std::string& LastError() const;
  // The memory a load may count on, in bytes; 0 (the default) asks the system at each load.
  void SetMemoryBudget(std::uint64_t bytes) { memory_budget_ = bytes; }
  // Writes every row in the record-line format (no header line). False on a write failure.
  bool Save(const std::string& file_name, bool append);

  // Scores every row with the sentiment classifier and writes the scores into the Sent+ and
  // Sent- cells. Texts come from the linked record set, or with `recalc` from the Tweet
  // column. False when the classifier could not be run or its output not read.
  bool RunSentiStrength(const std::string& ss_jar_dir, const std::string& ss_data_dir, bool recalc);
  // Runs this classifier program from then on instead of choosing one (a build tree, or a
  // user's own tool with the same command line). Empty: choose again.
  void SetSentimentProgram(std::string path) { sentiment_program_ = std::move(path); }

  // Replaces one cell; TAB, CR and LF in `text` become spaces so the row stays one line.
  void SetValue(std::int32_t record, int field, std::string_view text);

 private:
  struct RowRef {
    std::uint64_t offset;
    std::uint32_t length;
  };

  std::string_view RowText(std::int32_t record) const;
  void AppendRow(const std::array<std::string_view, kTweetColumnCount>& cells);

  UiPort* ui_;
  const TweetSet* linked_ = nullptr;  // the record set of the last SetData
  std::string sentiment_program_;
  std::string arena_;
  std::vector<RowRef> rows_;
  std::string last_error_;
  std::uint64_t memory_budget_ = 0;
};

// Peak memory of loading a tweet table file of `file_size` bytes: the raw bytes and their
// UTF-8 conversion side by side, and the row index.
std::uint64_t TweetFileLoadPeakBytes(std::uint64_t file_size);

}  // namespace wf
