#include "mainwindow/tweet_view.h"

#include <algorithm>
#include <cstring>

#include "util/date_time.h"

namespace wf {
namespace {

std::string_view NthCell(std::string_view row, int column) {
  std::size_t from = 0;
  for (int c = 1; c < column; ++c) {
    const std::size_t tab = row.find('\t', from);
    if (tab == std::string_view::npos) return {};
    from = tab + 1;
  }
  const std::size_t tab = row.find('\t', from);
  return row.substr(from, tab == std::string_view::npos ? std::string_view::npos : tab - from);
}

std::string CleanCell(std::string_view text) {
  std::string s(text);
  for (char& c : s) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  return s;
}

}  // namespace

bool TweetColumnRightAligned(int column0) {
  // TweetID, UserFollowers, UserFriends, UserUTC_Offset, GeoCoords, UserTweets, Retweets,
  // Sent+ and Sent-.
  const int c = column0 + 1;
  return c == 4 || c == 6 || c == 7 || c == 9 || c == 10 || c == 11 || c == 12 || c == 14 ||
         c == 15;
}

std::string_view TweetView::Cell(std::int32_t row, int column) const {
  if (row < 0 || row >= RowCount() || column < 1 || column > kColumns) return {};
  return NthCell(rows_[static_cast<std::size_t>(row)].cells, column);
}

void TweetView::AddRow(const std::array<std::string_view, kColumns>& values, bool ghosted) {
  Row row;
  row.ghosted = ghosted;
  row.cells.reserve(256);
  row.cells += CleanCell(values[0]);
  for (int c = 1; c < kColumns; ++c) {
    row.cells.push_back('\t');
    row.cells += CleanCell(PadNumeric(values[static_cast<std::size_t>(c)], 7));
  }
  if (sorted_ && !rows_.empty()) {
    // Keep the order: insert after every row whose key is not greater.
    const std::string_view key = NthCell(row.cells, sort_key_ + 1);
    const auto at = std::upper_bound(
        rows_.begin(), rows_.end(), key,
        [this](std::string_view k, const Row& r) { return k < NthCell(r.cells, sort_key_ + 1); });
    rows_.insert(at, std::move(row));
  } else {
    rows_.push_back(std::move(row));
  }
}

void TweetView::RemoveRow(std::int32_t row) {
  if (row < 0 || row >= RowCount()) return;
  rows_.erase(rows_.begin() + row);
}

void TweetView::SetCell(std::int32_t row, int column, std::string_view text) {
  if (row < 0 || row >= RowCount() || column < 1 || column > kColumns) return;
  Row& r = rows_[static_cast<std::size_t>(row)];
  std::string rebuilt;
  rebuilt.reserve(r.cells.size() + text.size());
  for (int c = 1; c <= kColumns; ++c) {
    if (c > 1) rebuilt.push_back('\t');
    if (c == column) {
      rebuilt += CleanCell(text);
    } else {
      rebuilt += NthCell(r.cells, c);
    }
  }
  r.cells = std::move(rebuilt);
  if (sorted_ && column == sort_key_ + 1) Sort();
}

void TweetView::SetSorted(bool sorted) {
  sorted_ = sorted;
  if (sorted_) Sort();
}

void TweetView::SetSortKey(int key) {
  sort_key_ = std::clamp(key, 0, kColumns - 1);
  if (sorted_) Sort();
}

void TweetView::Sort() {
  // Precompute the keys once: comparing through NthCell in the sort would scan rows again and
  // again.
  const int column = sort_key_ + 1;
  std::vector<std::pair<std::string_view, std::uint32_t>> keys;
  keys.reserve(rows_.size());
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    keys.emplace_back(NthCell(rows_[i].cells, column), static_cast<std::uint32_t>(i));
  }
  std::stable_sort(keys.begin(), keys.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<Row> sorted;
  sorted.reserve(rows_.size());
  for (const auto& k : keys) sorted.push_back(std::move(rows_[k.second]));
  rows_ = std::move(sorted);
}

}  // namespace wf
