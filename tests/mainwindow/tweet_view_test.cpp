#include "mainwindow/tweet_view.h"

#include <gtest/gtest.h>

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
