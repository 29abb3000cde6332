#include "mainwindow/tweet_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "mainwindow/history_list.h"

namespace wf {
namespace {

std::array<std::string_view, 16> Values(std::string_view id, std::string_view count) {
  return {
      "d",  "name", "text\twith tab", id, "r", count, "0123", "-3", "x", "y", "z", "0", "u", "1",
      "-1", "desc"};
}

TEST(TweetView, PaddingAndCellEdits) {
  TweetView v;
  v.AddRow(Values("12345678901", "42"), false);
  EXPECT_EQ(v.Cell(0, 3), "text with tab");  // a TAB would split the saved row
  EXPECT_EQ(v.Cell(0, 4), "12345678901");
  EXPECT_EQ(v.Cell(0, 6), "     42");
  EXPECT_EQ(v.Cell(0, 7), "0123");
  EXPECT_EQ(v.Cell(0, 8), "-3");
  EXPECT_EQ(v.Cell(0, 12), "      0");
  EXPECT_EQ(v.Cell(0, 17), "");
  v.SetCell(0, 14, "3");
  EXPECT_EQ(v.Cell(0, 14), "3");
  EXPECT_EQ(v.Cell(0, 16), "desc");
  EXPECT_TRUE(TweetColumnRightAligned(3));
  EXPECT_FALSE(TweetColumnRightAligned(2));
}

TEST(TweetView, SortedViewsKeepTextOrder) {
  TweetView v;
  for (const char* n : {"300", "20", "1000", "5"}) v.AddRow(Values("1", n), false);
  v.SetSortKey(5);
  v.SetSorted(true);
  EXPECT_EQ(v.Cell(0, 6), "      5");
  EXPECT_EQ(v.Cell(3, 6), "   1000");
  v.AddRow(Values("1", "7"), true);
  EXPECT_EQ(v.Cell(1, 6), "      7");
  EXPECT_TRUE(v.Ghosted(1));
  v.RemoveRowsIf([&](std::int32_t r) { return v.Cell(r, 6) == "     20"; });
  EXPECT_EQ(v.RowCount(), 4);
}

// Keys built from pieces that meet at and around the sort's 8- and 16-byte key heads: shared
// heads, keys ending inside or just past them, NUL, control and high bytes (which order after
// ASCII). The result must be the order of the texts, ties keeping their order, for a fresh
// sort and for a re-sort after an edit.
TEST(TweetView, SortOrdersByTheWholeTextAndKeepsTies) {
  std::mt19937 rng(20221108);
  const std::vector<std::string> pieces = {
      "",     "a",    "ab", "abcdefg", "abcdefgh",          "abcdefghijklmno", "abcdefghijklmnop",
      "\xff", "\x01", " ",  "0",       std::string(1, '\0')};
  TweetView v;
  for (int i = 0; i < 3000; ++i) {
    std::string key;
    for (int p = static_cast<int>(rng() % 4); p >= 0; --p) key += pieces[rng() % pieces.size()];
    const std::string id = std::to_string(i);
    auto values = Values(id, "1");
    values[2] = key;  // column 3
    v.AddRow(values, false);
  }
  auto shown = [&v] {
    std::vector<std::pair<std::string, std::string>> rows;  // (key, id) in display order
    for (std::int32_t r = 0; r < v.RowCount(); ++r) {
      rows.emplace_back(std::string(v.Cell(r, 3)), std::string(v.Cell(r, 4)));
    }
    return rows;
  };
  auto expect_text_order = [&shown] {
    auto rows = shown();
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return rows;
  };

  auto expected = expect_text_order();
  v.SetSortKey(2);
  v.SetSorted(true);
  EXPECT_TRUE(shown() == expected);

  // Sorting again starts from the order shown, edits included.
  v.SetSorted(false);
  v.SetCell(v.RowCount() - 1, 3, "");
  v.SetCell(0, 3, "abcdefghijklmnop\x01");
  expected = expect_text_order();
  v.SetSorted(true);
  EXPECT_TRUE(shown() == expected);
}

TEST(HistoryList, DuplicatesGoBelowTheFirst) {
  HistoryList h;
  for (const char* e : {"a", "b", "a", "a", "c", "b"}) h.Append(e);
  h.SetSelected(4);
  h.RemoveDuplicates();
  EXPECT_EQ(h.Entries(), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(h.SelectedText(), "c");
  h.RemoveAt(2);
  EXPECT_EQ(h.Selected(), -1);
}

}  // namespace
}  // namespace wf
