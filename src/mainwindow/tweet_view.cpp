#include "mainwindow/tweet_view.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>

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

// Seconds of a DateTime cell in any of its forms; empty when it holds no date.
std::optional<std::int64_t> CellTime(std::string_view cell) {
  const auto t = ParseStoredDateTime(cell);
  if (!t) return std::nullopt;
  return ToSerialSeconds(*t);
}

int Sign(int c) {
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// Dates before cells that hold none, which follow by text.
int CompareTimes(const std::optional<std::int64_t>& a, const std::optional<std::int64_t>& b,
                 std::string_view a_text, std::string_view b_text) {
  if (a && b) return *a < *b ? -1 : (*a > *b ? 1 : 0);
  if (a.has_value() != b.has_value()) return a ? -1 : 1;
  return Sign(a_text.compare(b_text));
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
    const auto at =
        std::upper_bound(rows_.begin(), rows_.end(), key, [this](std::string_view k, const Row& r) {
          const int c = CompareKeys(k, NthCell(r.cells, sort_key_ + 1));
          return descending_ ? c > 0 : c < 0;
        });
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
  descending_ = false;
  if (sorted_) Sort();
}

void TweetView::SetSort(int key, bool descending) {
  sort_key_ = std::clamp(key, 0, kColumns - 1);
  descending_ = descending;
  if (sorted_) Sort();
}

void TweetView::ColumnClick(int key) {
  key = std::clamp(key, 0, kColumns - 1);
  if (sorted_ && key == sort_key_) {
    descending_ = !descending_;
    Sort();
  } else {
    SetSortKey(key);
  }
}

int TweetView::CompareKeys(std::string_view a, std::string_view b) const {
  if (sort_key_ != 0) return Sign(a.compare(b));
  return CompareTimes(CellTime(a), CellTime(b), a, b);
}

void TweetView::Sort() {
  if (sort_key_ == 0) {
    SortByTime();
  } else {
    SortByText(sort_key_ + 1);
  }
}

void TweetView::SortByTime() {
  // Each cell is read as a date once.
  struct Key {
    std::optional<std::int64_t> time;
    std::string_view text;
    std::uint32_t row;
  };
  std::vector<Key> keys;
  keys.reserve(rows_.size());
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    const std::string_view cell = NthCell(rows_[i].cells, 1);
    keys.push_back({CellTime(cell), cell, static_cast<std::uint32_t>(i)});
  }
  std::sort(keys.begin(), keys.end(), [this](const Key& a, const Key& b) {
    const int c = CompareTimes(a.time, b.time, a.text, b.text);
    if (c != 0) return descending_ ? c > 0 : c < 0;
    return a.row < b.row;
  });
  std::vector<Row> sorted;
  sorted.reserve(rows_.size());
  for (const Key& k : keys) sorted.push_back(std::move(rows_[k.row]));
  rows_ = std::move(sorted);
}

void TweetView::SortByText(int column) {
  // Each key is found once, and its first bytes are kept beside it as two big-endian words:
  // most comparisons end there, without touching the rows, which at a million rows no longer
  // fit any cache. Ties of the short copies fall back to the whole texts.
  struct Key {
    std::uint64_t head[2];
    const char* text;
    std::uint32_t length;
    std::uint32_t row;
  };
  std::vector<Key> keys;
  keys.reserve(rows_.size());
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    const std::string_view cell = NthCell(rows_[i].cells, column);
    Key k{{0, 0},
          cell.data(),
          static_cast<std::uint32_t>(cell.size()),
          static_cast<std::uint32_t>(i)};
    unsigned char bytes[sizeof k.head] = {};
    if (!cell.empty()) std::memcpy(bytes, cell.data(), std::min(cell.size(), sizeof bytes));
    for (std::size_t w = 0; w < 2; ++w) {
      for (std::size_t b = 0; b < 8; ++b) k.head[w] = (k.head[w] << 8) | bytes[w * 8 + b];
    }
    keys.push_back(k);
  }
  // Zero padding orders a key before its own extensions, as text comparison does; equal
  // heads of keys no longer than the heads are equal keys up to their lengths. Equal keys
  // keep their order by row number, which sorts in place, unlike a stable sort.
  const auto compare = [](const Key& a, const Key& b) {
    if (a.head[0] != b.head[0]) return a.head[0] < b.head[0] ? -1 : 1;
    if (a.head[1] != b.head[1]) return a.head[1] < b.head[1] ? -1 : 1;
    if (a.length > sizeof a.head || b.length > sizeof b.head) {
      return Sign(std::string_view(a.text, a.length).compare(std::string_view(b.text, b.length)));
    }
    return a.length == b.length ? 0 : (a.length < b.length ? -1 : 1);
  };
  std::sort(keys.begin(), keys.end(), [this, &compare](const Key& a, const Key& b) {
    const int c = compare(a, b);
    if (c != 0) return descending_ ? c > 0 : c < 0;
    return a.row < b.row;
  });
  std::vector<Row> sorted;
  sorted.reserve(rows_.size());
  for (const Key& k : keys) sorted.push_back(std::move(rows_[k.row]));
  rows_ = std::move(sorted);
}

}  // namespace wf
