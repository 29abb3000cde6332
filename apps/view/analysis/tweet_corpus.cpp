#include "tweet_corpus.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <unordered_map>

#include "tweet_text.h"
#include "tweettable/skein_data.h"
#include "tweettable/tweet_table_file.h"
#include "util/date_time.h"

namespace wf::view {
namespace {

constexpr int kDateTime = 1;
constexpr int kScreenName = 2;
constexpr int kText = 3;
constexpr int kTweetId = 4;
constexpr int kLinkUrl = 13;
constexpr int kSentPositive = 14;
constexpr int kSentNegative = 15;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
int TwoDigitsAt(std::string_view s, std::size_t at) {
  return (s[at] - '0') * 10 + (s[at + 1] - '0');
}

// Date texts of a table share their date part row after row (tables come sorted by time), so
// the calendar day of the last date part is kept and only the "hh:mm:ss" read anew; the full
// parser runs once per day instead of once per row.
class DateReader {
 public:
  std::int64_t Read(std::string_view s) {
    const std::size_t colon = s.find(':');
    if (colon == std::string_view::npos || colon < 2 || colon + 6 > s.size()) return Full(s);
    const std::size_t start = colon - 2;
    const std::size_t end = colon + 6;
    if (!IsDigit(s[start]) || !IsDigit(s[start + 1]) || !IsDigit(s[colon + 1]) ||
        !IsDigit(s[colon + 2]) || s[colon + 3] != ':' || !IsDigit(s[colon + 4]) ||
        !IsDigit(s[colon + 5]) || (start > 0 && s[start - 1] != ' ') ||
        (end < s.size() && s[end] != ' ')) {
      return Full(s);
    }
    const int h = TwoDigitsAt(s, start);
    const int m = TwoDigitsAt(s, colon + 1);
    const int sec = TwoDigitsAt(s, colon + 4);
    if (h > 23 || m > 59 || sec > 59) return Full(s);
    key_.assign(s.substr(0, start));
    key_.append(s.substr(end));
    if (key_ != last_key_ || !known_) {
      const std::int64_t full = Full(s);
      last_key_ = key_;
      known_ = true;
      last_day_ = full == kNoTime ? kNoTime : full - (h * 3600 + m * 60 + sec);
      return full;
    }
    return last_day_ == kNoTime ? kNoTime : last_day_ + h * 3600 + m * 60 + sec;
  }

 private:
  static std::int64_t Full(std::string_view s) {
    const auto dt = ParseStoredDateTime(s);
    return dt && IsValidCivil(*dt) ? ToSerialSeconds(*dt) : kNoTime;
  }

  std::string key_;
  std::string last_key_;
  bool known_ = false;
  std::int64_t last_day_ = kNoTime;
};

float Score(std::string_view cell) {
  while (!cell.empty() && cell.front() == ' ') cell.remove_prefix(1);
  while (!cell.empty() && cell.back() == ' ') cell.remove_suffix(1);
  if (!cell.empty() && cell.front() == '+') cell.remove_prefix(1);
  double value = 0;
  const auto [end, ec] = std::from_chars(cell.data(), cell.data() + cell.size(), value);
  if (ec != std::errc() || end != cell.data() + cell.size()) return 0;
  return static_cast<float>(value);
}

// Case-blind search for a needle already lower-case.
bool ContainsFolded(std::string_view hay, std::string_view needle) {
  if (needle.empty()) return true;
  const auto fold = [](char a, char b) {
    return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
  };
  return std::search(hay.begin(), hay.end(), needle.begin(), needle.end(), fold) != hay.end();
}

}  // namespace

TweetCorpus::TweetCorpus() = default;
TweetCorpus::~TweetCorpus() = default;
TweetCorpus::TweetCorpus(TweetCorpus&&) noexcept = default;
TweetCorpus& TweetCorpus::operator=(TweetCorpus&&) noexcept = default;

std::optional<TweetCorpus> TweetCorpus::Load(const std::string& path, std::string* error,
                                             const ProgressFn& progress, UiPort* ui) {
  auto fail = [&](std::string why) -> std::optional<TweetCorpus> {
    if (error != nullptr) *error = std::move(why);
    return std::nullopt;
  };
  TweetCorpus corpus;
  corpus.path_ = path;
  corpus.data_ = std::make_unique<SkeinData>(ui);
  if (!corpus.data_->Load(path)) {
    const std::string& why = corpus.data_->LastError();
    return fail(why.empty() ? "cannot open " + path + ": no such file" : why);
  }
  if (progress && !progress(0.0)) return fail("loading stopped");

  const SkeinData& data = *corpus.data_;
  const std::int32_t rows = data.RecordCount();
  corpus.tweets_.reserve(static_cast<std::size_t>(rows));
  std::unordered_map<std::string, std::uint32_t> account_ids;
  std::string key;
  DateReader dates;
  for (std::int32_t r = 1; r <= rows; ++r) {
    if ((r & 0xFFFF) == 0 && progress && !progress(static_cast<double>(r) / rows)) {
      return fail("loading stopped");
    }
    const auto cells = data.Cells(r);
    // The header line, wherever a file of joined tables has it.
    if (cells[kDateTime - 1] == "DateTime" && cells[kScreenName - 1] == "UserScreenName") {
      corpus.header_rows_.push_back(r);
      continue;
    }
    Tweet t;
    t.row = static_cast<std::uint32_t>(r);
    t.time = dates.Read(cells[kDateTime - 1]);
    key = LowerAscii(cells[kScreenName - 1]);
    const auto [it, added] =
        account_ids.try_emplace(key, static_cast<std::uint32_t>(corpus.accounts_.size()));
    if (added) corpus.accounts_.emplace_back(cells[kScreenName - 1]);
    t.author = it->second;
    t.positive = Score(cells[kSentPositive - 1]);
    t.negative = Score(cells[kSentNegative - 1]);
    if (t.positive != 0 || t.negative != 0) corpus.all_scores_zero_ = false;
    t.retweet = IsRetweetText(cells[kText - 1]);
    corpus.tweets_.push_back(t);
  }
  if (progress && !progress(1.0)) return fail("loading stopped");
  return corpus;
}

bool TweetCorpus::ScoreSentiment(const std::string& work_dir) {
  if (!data_->RunSentiStrength(work_dir, work_dir, true)) return false;
  // The classifier scored the header line too; it keeps its column names.
  for (const std::int32_t r : header_rows_) {
    data_->SetValue(r, kSentPositive, "Sent+");
    data_->SetValue(r, kSentNegative, "Sent-");
  }
  all_scores_zero_ = true;
  for (Tweet& t : tweets_) {
    const auto row = static_cast<std::int32_t>(t.row);
    t.positive = Score(data_->Cell(row, kSentPositive));
    t.negative = Score(data_->Cell(row, kSentNegative));
    if (t.positive != 0 || t.negative != 0) all_scores_zero_ = false;
  }
  return true;
}

bool TweetCorpus::SaveTable(std::string* error) const {
  const auto cell = [this](std::size_t row, int column) {
    return data_->Cell(static_cast<std::int32_t>(row + 1), column);
  };
  return WriteTweetTableFile(path_, static_cast<std::size_t>(data_->RecordCount()), cell, false,
                             error);
}

std::string_view TweetCorpus::Text(const Tweet& t) const {
  return data_->Cell(static_cast<std::int32_t>(t.row), kText);
}
std::string_view TweetCorpus::Link(const Tweet& t) const {
  return data_->Cell(static_cast<std::int32_t>(t.row), kLinkUrl);
}
std::string_view TweetCorpus::DateText(const Tweet& t) const {
  return data_->Cell(static_cast<std::int32_t>(t.row), kDateTime);
}
std::string_view TweetCorpus::TweetId(const Tweet& t) const {
  return data_->Cell(static_cast<std::int32_t>(t.row), kTweetId);
}

std::string Filter::Describe() const {
  std::string out;
  if (from) out += "from " + FormatNumericDateTime(FromSerialSeconds(*from));
  if (to)
    out +=
        std::string(out.empty() ? "" : " ") + "to " + FormatNumericDateTime(FromSerialSeconds(*to));
  if (!text.empty()) out += std::string(out.empty() ? "" : ", ") + "text \"" + text + "\"";
  return out.empty() ? "none" : out;
}

std::vector<std::uint32_t> Select(const TweetCorpus& corpus, const Filter& filter) {
  std::vector<std::uint32_t> out;
  out.reserve(corpus.Size());
  const std::string needle = LowerAscii(filter.text);
  for (std::size_t i = 0; i < corpus.Size(); ++i) {
    const Tweet& t = corpus.At(i);
    if (filter.from || filter.to) {
      if (t.time == kNoTime) continue;
      if (filter.from && t.time < *filter.from) continue;
      if (filter.to && t.time > *filter.to) continue;
    }
    if (!needle.empty() && !ContainsFolded(corpus.Text(t), needle) &&
        !ContainsFolded(corpus.AccountName(t.author), needle)) {
      continue;
    }
    out.push_back(static_cast<std::uint32_t>(i));
  }
  return out;
}

}  // namespace wf::view
