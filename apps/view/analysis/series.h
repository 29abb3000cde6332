#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tweet_corpus.h"

// The figures behind the summary, the charts over time and the top lists, for the rows a
// filter selected.
namespace wf::view {

enum class BinSize { Hour, Day, Week };

std::string_view BinName(BinSize bin);  // "hour", "day", "week"
std::optional<BinSize> BinFromName(std::string_view name);
// Hour up to two days from first to last, day up to 90 days, week beyond.
BinSize AutoBin(std::int64_t first, std::int64_t last);
// Start of the bin holding `time`: the hour, the day, or the Monday of the week.
std::int64_t BinStart(std::int64_t time, BinSize bin);
std::int64_t BinLength(BinSize bin);

struct Summary {
  std::size_t tweets = 0;
  std::size_t accounts = 0;  // distinct authors, ignoring case
  std::size_t retweets = 0;
  std::size_t undated = 0;  // rows whose DateTime is no date
  std::optional<std::int64_t> first;
  std::optional<std::int64_t> last;
  double mean_positive = 0;  // over every selected row
  double mean_negative = 0;
};

Summary Summarise(const TweetCorpus& corpus, const std::vector<std::uint32_t>& selection);

struct Bin {
  std::int64_t start = 0;
  std::uint32_t tweets = 0;
  std::uint32_t retweets = 0;
  std::uint32_t positive = 0;  // Sent+ > |Sent-|
  std::uint32_t negative = 0;  // |Sent-| > Sent+
  double sum_positive = 0;
  double sum_negative = 0;

  std::uint32_t Originals() const { return tweets - retweets; }
  double MeanPositive() const { return tweets == 0 ? 0 : sum_positive / tweets; }
  double MeanNegative() const { return tweets == 0 ? 0 : sum_negative / tweets; }
  double SharePositive() const { return tweets == 0 ? 0 : static_cast<double>(positive) / tweets; }
  double ShareNegative() const { return tweets == 0 ? 0 : static_cast<double>(negative) / tweets; }
};

inline constexpr std::size_t kMaxBins = 100000;

// Every bin from the first dated row's to the last one's, empty bins included. Rows without a
// date are left out. A span that would need more than kMaxBins bins of `bin` (a stray date
// centuries off) takes the next coarser size, and `bin` says which was used.
std::vector<Bin> BinSeries(const TweetCorpus& corpus, const std::vector<std::uint32_t>& selection,
                           BinSize& bin);

struct TopItem {
  std::string item;
  std::uint64_t count = 0;
};

// Each list by count, most first, ties by item. Hashtags, mentions and domains count the
// tweets that hold them (a tweet naming a tag twice counts once); hashtags and mentions are
// lower-case, accounts as first written.
struct TopLists {
  std::vector<TopItem> accounts;
  std::vector<TopItem> hashtags;
  std::vector<TopItem> mentions;
  std::vector<TopItem> domains;
};

TopLists CountTopLists(const TweetCorpus& corpus, const std::vector<std::uint32_t>& selection);

// "yyyy-mm-dd hh:mm:ss", the form the exported files use.
std::string IsoDateTime(std::int64_t time);

}  // namespace wf::view
