#pragma once

#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "records/tweet_record.h"
#include "records/user_set.h"
#include "util/ui_port.h"

namespace wf {

// The tweets of the current retrieval, filled from search or user-timeline responses, in
// response order (newest first). Indexes are 1-based.
class TweetSet {
 public:
  explicit TweetSet(UiPort* ui = nullptr) : ui_(ui) {}

  std::int32_t LastSetDataSize() const { return last_set_data_size_; }
  bool VBDateTimes() const { return vb_date_times_; }
  // Id of the last (oldest) record, decreased by one with `dec` (ready for max_id).
  std::string OldestTweetId(bool dec) const;
  std::int32_t Count() const { return static_cast<std::int32_t>(records_.size()); }
  // With full text on, the text cells of the tweets added next hold the decoded strings of
  // the response (see records/full_text.h) instead of the default cleaned texts.
  void SetFullText(bool on) { full_text_ = on; }
  bool FullText() const { return full_text_; }

  // Field readers; index 0 or beyond Count() yields the empty text or 0.
  std::string DateTime(std::int32_t i) const { return At(i).DateTime; }
  std::string ScreenName(std::int32_t i) const { return At(i).ScreenName; }
  std::string Text(std::int32_t i) const { return At(i).Text; }
  std::string TweetID(std::int32_t i) const { return At(i).TweetID; }
  std::string RealName(std::int32_t i) const { return At(i).RealName; }
  std::int32_t Followers(std::int32_t i) const { return At(i).Followers; }
  std::int32_t Following(std::int32_t i) const { return At(i).Following; }
  std::string Location(std::int32_t i) const { return At(i).Location; }
  std::string UTC_Offset(std::int32_t i) const;
  std::string GeoCoords(std::int32_t i) const { return At(i).GeoCoords; }
  std::int32_t UserTweets(std::int32_t i) const;
  std::int32_t Retweeted(std::int32_t i) const { return At(i).Retweeted; }
  std::string LinkURL(std::int32_t i) const { return At(i).LinkURL; }
  std::string Description(std::int32_t i) const { return At(i).Description; }

  // Adds the tweets of one response; `append` false empties the set first.
  // `ignore_top_level` is true for search responses (an object wrapping the tweets) and
  // false for timelines (an array).
  void SetData(std::string_view json, bool append, bool ignore_top_level);
  // Date-time of record i as "dd/mm/yy hh:mm:ss".
  std::string GetVBDateTime(std::int32_t i) const;
  void SetVBDateTimes();
  void Clear();
  // Keeps the tweets created within [earliest, latest] (latest empty: now); true when the
  // count changed. Tweets whose date cannot be read are kept.
  bool TrimToDateRange(std::string_view earliest, std::string_view latest);
  // Distinct screen names in order of first appearance.
  std::vector<std::string> GetUserArr() const;

  const std::vector<TweetRecord>& Records() const { return records_; }
  // Puts back records kept from an interrupted run, after those held; the next trim checks
  // them like any others.
  void AppendRecords(std::vector<TweetRecord> records) {
    records_.insert(records_.end(), std::make_move_iterator(records.begin()),
                    std::make_move_iterator(records.end()));
  }
  const TweetRecord& At(std::int32_t i) const;

 private:
  UiPort* ui_;
  std::vector<TweetRecord> records_;
  std::int32_t last_set_data_size_ = 0;
  bool vb_date_times_ = false;
  bool full_text_ = false;
  // Records 1..trimmed_upto_ were within [trimmed_from_, now] at the last trim.
  std::size_t trimmed_upto_ = 0;
  std::string trimmed_from_;
};

}  // namespace wf
