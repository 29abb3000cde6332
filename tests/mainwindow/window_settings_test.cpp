// The tweet table's DateTime sort and sort order, the Open dialog's filter, the search language,
// and the settings the preferences file keeps between runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "window_fixture.h"

namespace wf {
namespace {

using test::WindowFixture;

TEST(TweetFiles, OpenDialogStartsOnTheTextFilter) {
  WindowFixture f;
  f.ui.open_files = {std::nullopt};
  f.window->Sessions().mOpenTweets_Click();
  ASSERT_EQ(f.ui.open_requests.size(), 1u);
  const FileDialogRequest& r = f.ui.open_requests[0];
  // The dialog starts on the filter of the default extension: the first in the list.
  EXPECT_EQ(r.filter.substr(0, r.filter.find('|')), "Text (*.txt)");
  EXPECT_EQ(r.default_extension, "txt");
}

TEST(MainWindowView, DateTimeSortsByTimeInEachFormAndASecondClickDescends) {
  WindowFixture f;
  MainWindow& w = *f.window;
  f.Retrieve();
  w.TweetEdit().mSortDT_Click();
  const TweetView& v = w.OutTable();
  const auto times = [&v] {
    std::vector<std::int64_t> out;
    for (std::int32_t r = 0; r < v.RowCount(); ++r) {
      const auto t = ParseStoredDateTime(v.Cell(r, 1));
      EXPECT_TRUE(t.has_value()) << v.Cell(r, 1);
      out.push_back(t ? ToSerialSeconds(*t) : 0);
    }
    return out;
  };
  // The rows span days of the week, so text order (by weekday name) is not time order.
  for (const DateForm form : {DateForm::kTwitter, DateForm::kNumeric, DateForm::kSpss}) {
    w.TweetEdit().ConvertDateTimes(form, w.MutableOutTable());
    w.TweetEdit().OutTable_ColumnClick(
        4);  // another column first, so that the next click is a first one
    w.TweetEdit().OutTable_ColumnClick(1);
    EXPECT_FALSE(v.Descending());
    auto t = times();
    EXPECT_TRUE(std::is_sorted(t.begin(), t.end())) << "form " << static_cast<int>(form);
    EXPECT_LT(t.front(), t.back());
    w.TweetEdit().OutTable_ColumnClick(1);
    EXPECT_TRUE(v.Descending());
    t = times();
    EXPECT_TRUE(std::is_sorted(t.rbegin(), t.rend())) << "form " << static_cast<int>(form);
  }
  // A third click ascends again; other columns descend on their second click too.
  w.TweetEdit().OutTable_ColumnClick(1);
  EXPECT_FALSE(v.Descending());
  w.TweetEdit().OutTable_ColumnClick(2);
  w.TweetEdit().OutTable_ColumnClick(2);
  EXPECT_TRUE(v.Descending());
  for (std::int32_t r = 1; r < v.RowCount(); ++r) EXPECT_GE(v.Cell(r - 1, 2), v.Cell(r, 2));
  // New rows land in the order shown.
  w.Twitter().Tweets().SetData(test::ReadTestdata("rtweet/search_5.json"), false, true);
  w.ShowTweets(true);
  EXPECT_EQ(v.SortKey(), 3);
  EXPECT_FALSE(v.Descending());
}

TEST(TweetView, DateTimeCellsThatAreNoDateFollowTheDates) {
  TweetView v;
  for (const char* d : {"junk", "02/01/2024 10:00:00", "Mon Jan 01 10:00:00 0000 2024", "",
                        "03-Jan-2024 09:00:00"}) {
    std::array<std::string_view, 16> values{};
    values[0] = d;
    v.AddRow(values, false);
  }
  v.SetSortKey(0);
  v.SetSorted(true);
  std::vector<std::string> order;
  for (std::int32_t r = 0; r < v.RowCount(); ++r) order.emplace_back(v.Cell(r, 1));
  EXPECT_EQ(order, (std::vector<std::string>{"Mon Jan 01 10:00:00 0000 2024", "02/01/2024 10:00:00",
                                             "03-Jan-2024 09:00:00", "", "junk"}));
  // A row added to the sorted view goes to its time.
  std::array<std::string_view, 16> values{};
  values[0] = "Tue Jan 02 12:00:00 0000 2024";
  v.AddRow(values, false);
  EXPECT_EQ(v.Cell(2, 1), "Tue Jan 02 12:00:00 0000 2024");
}

TEST(MainWindowSettings, EmptyLanguageMeansAllLanguages) {
  WindowFixture f;
  MainWindow& w = *f.window;
  EXPECT_EQ(w.Sessions().SearchLanguageText(), "Language: en");
  f.ui.inputs = {std::string("")};
  w.Sessions().mSetLang_Click();
  EXPECT_EQ(w.SearchLang(), "");
  EXPECT_EQ(w.Sessions().SearchLanguageText(), "Language: all");
  // Cancel keeps it; a code replaces it.
  f.ui.inputs = {std::nullopt};
  w.Sessions().mSetLang_Click();
  EXPECT_EQ(w.SearchLang(), "");
  f.ui.inputs = {std::string("de")};
  w.Sessions().mSetLang_Click();
  EXPECT_EQ(w.Sessions().SearchLanguageText(), "Language: de");
}

TEST(PrefsFile, SortHeadersAndLocationAreKept) {
  WindowFixture f;
  MainWindow& w = *f.window;
  w.TweetEdit().mSortDT_Click();
  w.TweetEdit().OutTable_ColumnClick(2);
  w.TweetEdit().OutTable_ColumnClick(2);
  w.Sessions().mHeaders_Click();
  f.ui.inputs = {std::string("51,0,1mi")};
  w.Sessions().mSetLoc_Click();
  ASSERT_TRUE(w.UseLoc());
  ASSERT_TRUE(w.Sessions().SavePrefs());
  const std::string text = test::ReadBytes(f.File("prefs"));
  EXPECT_NE(text.find("\r\nSO-2,D\r\nHD-1\r\nLO-51,0,1mi\r\nLU-1\r\n"), std::string::npos) << text;

  WindowFixture g;
  std::filesystem::copy_file(f.File("prefs"), g.File("prefs"));
  g.window->Sessions().LoadPrefs();
  EXPECT_TRUE(g.window->TweetEdit().SortTweetsChecked());
  EXPECT_EQ(g.window->OutTable().SortKey(), 1);
  EXPECT_TRUE(g.window->OutTable().Descending());
  EXPECT_TRUE(g.window->Sessions().HeadersChecked());
  EXPECT_EQ(g.window->SearchLocation(), "51,0,1mi");
  EXPECT_TRUE(g.window->UseLoc());
  EXPECT_TRUE(g.ui.messages.empty());  // restored quietly
  ASSERT_TRUE(g.window->Sessions().SavePrefs());
  EXPECT_EQ(test::ReadBytes(g.File("prefs")), text);

  // A location kept but not in use; records that do not read rightly are ignored.
  WindowFixture h;
  test::WriteBytes(h.File("prefs"),
                   "LU-1\r\nSO-17,A\r\nSO-x,D\r\nSO-3\r\nHD-0\r\nLO-1,2,3km\r\nLA-en\r\n");
  h.window->Sessions().LoadPrefs();
  EXPECT_FALSE(h.window->TweetEdit().SortTweetsChecked());
  EXPECT_FALSE(h.window->Sessions().HeadersChecked());
  EXPECT_EQ(h.window->SearchLocation(), "1,2,3km");
  EXPECT_TRUE(h.window->UseLoc());  // the records come in any order
  WindowFixture k;
  test::WriteBytes(k.File("prefs"), "LO-1,2,3km\r\nLU-0\r\n");
  k.window->Sessions().LoadPrefs();
  EXPECT_FALSE(k.window->UseLoc());
  EXPECT_EQ(k.window->SearchLocation(), "1,2,3km");
}

}  // namespace
}  // namespace wf
