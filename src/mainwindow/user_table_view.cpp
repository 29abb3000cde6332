#include "mainwindow/user_table_view.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <utility>

namespace wf {

const std::array<std::string_view, kUserTableColumnCount> kUserTableColumnNames = {
    "ID",          "ScreenName", "RealName",   "Description", "URL",         "Language",
    "Location",    "GeoEnabled", "TimeZone",   "UTC_Offset",  "Followers",   "Friends",
    "StatusCount", "Favourites", "CreatedAt",  "Verified",    "Protected",   "Image",
    "Banner",      "Background", "FF Ratio",   "TwtDay",      "Pro_TwtSamp", "Pro_BDayTwts",
    "Pro_Gender",  "Pro_Age",    "Pro_Conf",   "TL_TwtDay",   "TL_PctRT",    "TL_AvRT",
    "TL_PctGeo",   "Tw_NoTwts",  "Tw_AvSent+", "Tw_AvSent-",  "Tw_PctRT",    "Tw_AvRT",
    "Tw_MaxRT"};

bool UserColumnRightAligned(int column0) {
  const int c = column0 + 1;
  return c == 8 || (c >= 10 && c <= 17) || (c >= 21 && c <= 22) || c >= 25;
}

int UserTableView::TickedCount() const {
  return static_cast<int>(
      std::count_if(rows_.begin(), rows_.end(), [](const Row& r) { return r.ticked; }));
}

void UserTableView::ColumnClick(int column0) {
  if (column0 < 0 || column0 >= kUserTableColumnCount) return;
  if (sorted_ && column0 == sort_key_) {
    descending_ = !descending_;
  } else {
    if (!sorted_) descending_ = false;
    sort_key_ = column0;
  }
  sorted_ = true;
  Sort();
}

namespace {

// Cell texts compare as the list view compares them: letters without regard to case, so
// "alice" and "Bob" sort as a reader expects; padded numbers sort by value because the
// padding space comes before every digit.
int CompareText(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const int x = std::tolower(static_cast<unsigned char>(a[i]));
    const int y = std::tolower(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace

std::uint64_t UserTableView::ContentHash() const {
  std::uint64_t sum = 0;
  for (const Row& row : rows_) {
    // FNV-1a over the cells, each closed by a unit-separator byte, then a finishing mix so
    // that the sum over rows does not cancel out similar rows.
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (const std::string& cell : row.cells) {
      for (const char c : cell) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001b3ull;
      h = (h ^ 0x1fu) * 0x100000001b3ull;
    }
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    sum += h;
  }
  return sum;
}

void UserTableView::Sort() {
  if (!sorted_ || rows_.size() < 2) return;
  const auto key = static_cast<std::size_t>(sort_key_);
  std::vector<std::uint32_t> order(rows_.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<std::uint32_t>(i);
  std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
    const int c = CompareText(rows_[a].cells[key], rows_[b].cells[key]);
    return descending_ ? c > 0 : c < 0;
  });
  std::vector<Row> sorted;
  sorted.reserve(rows_.size());
  for (const std::uint32_t i : order) sorted.push_back(std::move(rows_[i]));
  rows_ = std::move(sorted);
}

}  // namespace wf
