#include <gtest/gtest.h>

#include "window_fixture.h"

namespace wf {
namespace {

using test::WindowFixture;

TEST(PrefsFile, RoundTripOfHistoriesLanguageAndWidths) {
  WindowFixture f;
  test::WriteBytes(f.File("run1.txt"), "a\tb\tc\t1\te\tf\tg\th\ti\tj\tk\tl\tm\t1\t-1\tp\t\r\n");
  test::WriteBytes(f.File("tl.txt"), "a\tb\tc\t1\te\tf\tg\th\ti\tj\tk\tl\tm\t1\t-1\tp\t\r\n");
  test::WriteBytes(f.File("prefs"),
                   "QP-skein AND twitter," + f.File("run1.txt") + "\r\nQP-old," +
                       f.File("gone.txt") + "\r\nUP-" + f.File("tl.txt") +
                       "\r\nXX-ignored\r\nLA-\r\nHW-1200,900,1000,1000,1000,1000,1000,1000,1000,"
                       "1000,1000,1000,1000,1000,1000,1500.4\r\n");
  f.window->Sessions().LoadPrefs();
  const MainWindow& w = *f.window;
  ASSERT_EQ(w.Sessions().QPHistory().Count(), 2);
  EXPECT_EQ(w.Sessions().QPHistory().Entries()[0], "skein AND twitter  " + f.File("run1.txt"));
  EXPECT_EQ(w.Sessions().QPHistory().Selected(), 0);
  EXPECT_EQ(w.SearchQuery(), "skein AND twitter");
  EXPECT_EQ(w.TweetsFN(), f.File("run1.txt"));  // the most recent query session reopened
  EXPECT_EQ(w.CurTweetSrc(), wf::TweetSource::kSearch);
  EXPECT_TRUE(w.UpdateSearchEnabled());
  EXPECT_FALSE(w.UpdateUTLEnabled());
  EXPECT_EQ(w.Sessions().UTLHistory().Count(), 1);
  EXPECT_EQ(w.Sessions().UTLHistory().Selected(), -1);  // never opened once a query entry was read
  EXPECT_EQ(w.SearchLang(), "");
  EXPECT_EQ(w.OutTable().Widths()[0], 1200);
  EXPECT_EQ(w.OutTable().Widths()[15], 1500);
  EXPECT_TRUE(f.ui.messages.empty());

  ASSERT_TRUE(f.window->Sessions().SavePrefs());
  EXPECT_EQ(test::ReadBytes(f.File("prefs")),
            "QP-skein AND twitter," + f.File("run1.txt") + "\r\nQP-old," + f.File("gone.txt") +
                "\r\nUP-" + f.File("tl.txt") +
                "\r\nLA-\r\nHW-1200,900,1000,1000,1000,1000,1000,1000,1000,1000,1000,1000,1000,"
                "1000,1000,1500\r\n");
}

TEST(PrefsFile, MissingSessionsAndShortWidthRecords) {
  WindowFixture f;
  test::WriteBytes(f.File("run2.txt"), "a\tb\tc\t1\te\tf\tg\th\ti\tj\tk\tl\tm\t1\t-1\tp\t\r\n");
  const std::string prefs =
      "QP-q1," + f.File("gone.txt") + "\r\nQP-q2," + f.File("run2.txt") + "\r\nHW-5,5,5\r\n";
  test::WriteBytes(f.File("prefs"), prefs);
  // Yes removes the missing session, so the next record becomes the only entry and opens.
  f.ui.answers = {MsgAnswer::Yes};
  f.window->Sessions().LoadPrefs();
  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_EQ(f.ui.messages[0].caption, "Load Error");
  EXPECT_EQ(f.ui.messages[0].text,
            f.File("gone.txt") +
                " was not found [q1]. Remove this query-data pair from the history? (Note: It "
                "may be stored on the local drive of another PC)");
  EXPECT_EQ(f.window->Sessions().QPHistory().Count(), 1);
  EXPECT_EQ(f.window->TweetsFN(), f.File("run2.txt"));
  EXPECT_EQ(f.window->OutTable().Widths()[0], 1000);  // three values: record ignored

  // No keeps it, and nothing else opens.
  WindowFixture g;
  test::WriteBytes(g.File("run2.txt"), "a\tb\tc\t1\te\tf\tg\th\ti\tj\tk\tl\tm\t1\t-1\tp\t\r\n");
  test::WriteBytes(g.File("prefs"), "QP-q1," + g.File("gone.txt") + "\r\nQP-q2," +
                                        g.File("run2.txt") + "\r\nUP-" + g.File("run2.txt") +
                                        "\r\n");
  g.ui.answers = {MsgAnswer::No};
  g.window->Sessions().LoadPrefs();
  EXPECT_EQ(g.window->Sessions().QPHistory().Count(), 2);
  EXPECT_EQ(g.window->TweetsFN(), "");
  EXPECT_EQ(g.window->CurTweetSrc(), wf::TweetSource::kNone);
}

TEST(History, SavingRecordsOnceAtTheTopAndQueriesRoundTrip) {
  WindowFixture f;
  MainWindow& w = *f.window;
  test::WriteBytes(f.File("first.txt"), "a\tb\tc\t1\te\tf\tg\th\ti\tj\tk\tl\tm\t1\t-1\tp\t\r\n");
  // A session opened from the history makes later saves record under the query.
  test::WriteBytes(f.File("prefs"), "QP-a  b, c," + f.File("first.txt") + "\r\n");
  w.Sessions().LoadPrefs();
  EXPECT_EQ(w.SearchQuery(), "a  b, c");  // two spaces and a comma survive
  EXPECT_EQ(w.CurTweetSrc(), wf::TweetSource::kSearch);
  f.Retrieve();
  f.ui.save_files = {f.File("s.txt")};
  w.Sessions().mSaveTweets_Click();
  f.ui.answers = {MsgAnswer::Yes};
  w.Sessions().mSaveTweets_Click();  // the same file again
  ASSERT_EQ(w.Sessions().QPHistory().Count(), 2);
  EXPECT_EQ(w.Sessions().QPHistory().Entries()[0], "a  b, c  " + f.File("s.txt"));
  EXPECT_EQ(w.Sessions().QPHistory().Selected(), 0);
  EXPECT_TRUE(w.OutTable().Ghosted(0));  // selecting the entry reloaded the file
  ASSERT_TRUE(w.Sessions().SavePrefs());
  WindowFixture g;
  std::filesystem::copy_file(f.File("prefs"), g.File("prefs"));
  g.window->Sessions().LoadPrefs();
  EXPECT_EQ(g.window->Sessions().QPHistory().Entries(), w.Sessions().QPHistory().Entries());

  w.Sessions().HistoryItemClear_Click(1);
  EXPECT_EQ(w.Sessions().QPHistory().Count(), 1);
  w.Sessions().HistoryItemClear_Click(1);  // nothing selected now
  EXPECT_EQ(w.Sessions().QPHistory().Count(), 1);
}

TEST(PrefsFile, EntriesOfMissingFilesRoundTripWhole) {
  // Found by fuzzing: with no file to tell where the query ends, a query holding the
  // separators lost its tail on the way through prefs.
  WindowFixture f;
  test::WriteBytes(f.File("prefs"), "QP-a, b,c,/gone/x.txt\r\nQP-   spaced  query\r\n");
  f.ui.answers = {MsgAnswer::No, MsgAnswer::No};
  f.window->Sessions().LoadPrefs();
  const auto entries = f.window->Sessions().QPHistory().Entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0], "a, b,c  /gone/x.txt");
  ASSERT_TRUE(f.window->Sessions().SavePrefs());
  WindowFixture g;
  std::filesystem::copy_file(f.File("prefs"), g.File("prefs"));
  g.ui.answers = {MsgAnswer::No, MsgAnswer::No};
  g.window->Sessions().LoadPrefs();
  EXPECT_EQ(g.window->Sessions().QPHistory().Entries(), entries);
}

TEST(PrefsFile, TextOutsideWindows1252SurvivesSaving) {
  // Found by fuzzing: such characters became "?" on the way out.
  WindowFixture f;
  test::WriteBytes(
      f.File("prefs"),
      "\xEF\xBB\xBFQP-\xE6\x97\xA5\xE6\x9C\xAC caf\xC3\xA9,/gone/j.txt\r\nLA-\xCD\x8A\r\n");
  f.ui.answers = {MsgAnswer::No};
  f.window->Sessions().LoadPrefs();
  ASSERT_TRUE(f.window->Sessions().SavePrefs());
  WindowFixture g;
  std::filesystem::copy_file(f.File("prefs"), g.File("prefs"));
  g.ui.answers = {MsgAnswer::No};
  g.window->Sessions().LoadPrefs();
  EXPECT_EQ(g.window->Sessions().QPHistory().Entries()[0],
            "\xE6\x97\xA5\xE6\x9C\xAC caf\xC3\xA9  /gone/j.txt");
  EXPECT_EQ(g.window->SearchLang(), "\xCD\x8A");
  EXPECT_EQ(test::ReadBytes(f.File("prefs")).substr(0, 3), "\xEF\xBB\xBF");
  // A file that fits the code page is still written in it, also bytes that happen to read as
  // UTF-8.
  WindowFixture h;
  test::WriteBytes(h.File("prefs"), "LA-\xE9\x97\x97\r\n");
  h.window->Sessions().LoadPrefs();
  ASSERT_TRUE(h.window->Sessions().SavePrefs());
  EXPECT_EQ(h.window->SearchLang(), "\xC3\xA9\xE2\x80\x94\xE2\x80\x94");
  EXPECT_EQ(test::ReadBytes(h.File("prefs")).rfind("LA-\xE9\x97\x97\r\n", 0), 0u);
}

TEST(PrefsFile, DamagedUtf8BehindTheMarkReadsAndWritesBackTheSame) {
  // Found by fuzzing: bytes that are not UTF-8 behind the mark were kept as they were, written
  // back as Windows-1252 without the mark, and read again as different characters.
  WindowFixture f;
  test::WriteBytes(f.File("prefs"), "\xEF\xBB\xBFLA-\xB8@\x86\xFF\r\n");
  f.window->Sessions().LoadPrefs();
  const std::string lang = f.window->SearchLang();
  // Each damaged byte became the replacement character.
  EXPECT_EQ(lang, "\xEF\xBF\xBD@\xEF\xBF\xBD\xEF\xBF\xBD");
  ASSERT_TRUE(f.window->Sessions().SavePrefs());
  WindowFixture g;
  std::filesystem::copy_file(f.File("prefs"), g.File("prefs"));
  g.window->Sessions().LoadPrefs();
  EXPECT_EQ(g.window->SearchLang(), lang);
}

TEST(History, OpeningAFileDirectlyRecordsNothing) {
  WindowFixture f;
  test::WriteBytes(f.File("x.txt"), "a\tb\tc\t1\te\tf\tg\th\ti\tj\tk\tl\tm\t1\t-1\tp\t\r\n");
  f.ui.open_files = {f.File("x.txt")};
  f.window->Sessions().mOpenTweets_Click();
  f.ui.answers = {MsgAnswer::Yes};
  f.window->Sessions().mSaveTweets_Click();
  EXPECT_EQ(f.window->CurTweetSrc(), wf::TweetSource::kNone);
  EXPECT_EQ(f.window->Sessions().QPHistory().Count(), 0);
  EXPECT_EQ(f.window->Sessions().UTLHistory().Count(), 0);
}

}  // namespace
}  // namespace wf
