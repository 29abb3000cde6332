#include <gtest/gtest.h>

#include "util/program_folder.h"
#include "window_fixture.h"

namespace wf {
namespace {

using test::WindowFixture;

TEST(MainWindowStart, DefaultsAndLeftoverClassifierFiles) {
  test::TempDir dir;
  for (const char* f : {"tmp0_out.txt", "tmp1_out.txt", "tmp3_out.txt"}) {
    test::WriteBytes(dir.File(f), "x");
  }
  test::ScriptedUi ui;
  test::FakeHttp http;
  MainWindowEnvironment env;
  env.ui = &ui;
  env.http = &http;
  env.program_folder = dir.path().string();
  MainWindow w(env);
  w.Form_Load();
  EXPECT_FALSE(std::filesystem::exists(dir.File("tmp0_out.txt")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("tmp1_out.txt")));
  EXPECT_TRUE(std::filesystem::exists(dir.File("tmp3_out.txt")));  // beyond the gap at 2
  EXPECT_EQ(w.Caption(), "Skein Wrenfold Desktop Edition");
  EXPECT_EQ(w.SearchLang(), "en");
  EXPECT_EQ(w.UserListPanel().ULCount(), "0 users");
  EXPECT_FALSE(w.Enabled());
  EXPECT_EQ(w.Sessions().NVPATH(), ExecutableFolder() + "/wrenfold-view");
  const auto week_ago = ToSerialSeconds(NowLocal()) - 7 * 86400;
  EXPECT_NEAR(static_cast<double>(ToSerialSeconds(w.EarlyDate())), static_cast<double>(week_ago),
              5);
  w.Timer1_Timer();
  EXPECT_EQ(w.InfoBar()[1], "0 users displayed (0 checked)");
}

TEST(MainWindowStart, SavedApiHostUnlessOneIsGiven) {
  test::TempDir dir;
  test::WriteBytes(dir.File("prefs"), "LA-en\r\nAH-http://127.0.0.1:8080\r\n");
  test::ScriptedUi ui;
  test::FakeHttp http;
  MainWindowEnvironment env;
  env.ui = &ui;
  env.http = &http;
  env.program_folder = dir.path().string();
  MainWindow saved(env);
  saved.Form_Load();
  EXPECT_EQ(saved.Twitter().ApiBase(), "http://127.0.0.1:8080");  // before any token request
  env.api_base = "http://127.0.0.1:9999";
  env.api_base_given = true;
  MainWindow given(env);
  given.Form_Load();
  given.Sessions().LoadPrefs();
  EXPECT_EQ(given.Twitter().ApiBase(), "http://127.0.0.1:9999");
  EXPECT_EQ(given.UTwitter().ApiBase(), "http://127.0.0.1:9999");
}

TEST(MainWindowView, ShowTweetsScoresPadsAndMarksUnsaved) {
  WindowFixture f;
  f.Retrieve();
  const TweetView& v = f.window->OutTable();
  ASSERT_EQ(v.RowCount(), 100);
  EXPECT_EQ(f.window->Caption(), "Skein Wrenfold Desktop Edition [*]");
  EXPECT_TRUE(f.window->TweetsModified());
  EXPECT_EQ(f.window->InfoBar()[0], "100 tweets displayed");
  EXPECT_EQ(v.Cell(0, 1), "Tue Nov 08 21:02:11 0000 2022");
  EXPECT_EQ(v.Cell(0, 4), "1590087310565339136");  // longer than seven: unpadded
  EXPECT_EQ(v.Cell(0, 12), "      0");             // a count padded to seven
  EXPECT_EQ(v.SortKey(), 3);
  int scored = 0;
  for (int r = 0; r < v.RowCount(); ++r) {
    const std::string pos(v.Cell(r, 14));
    const std::string neg(v.Cell(r, 15));
    EXPECT_FALSE(pos.empty());
    scored += (pos != "      1" || neg != "     -1") ? 1 : 0;
  }
  EXPECT_GT(scored, 10);  // the classifier ran and found sentiment in many tweets

  // An update adds every new record; an empty retrieval changes no rows but still marks.
  f.Retrieve("rtweet/search_2.json", false);
  f.window->Twitter().Tweets().Clear();
  f.window->ShowTweets(true);
  EXPECT_EQ(f.window->OutTable().RowCount(), 68);
  f.window->Twitter().Tweets().SetData(test::ReadTestdata("rtweet/search_5.json"), false, true);
  f.window->ShowTweets(true);
  EXPECT_EQ(f.window->OutTable().RowCount(), 80);
}

TEST(MainWindowView, SortingByClickedColumn) {
  WindowFixture f;
  f.Retrieve();
  f.window->TweetEdit().mSortDT_Click();
  EXPECT_TRUE(f.window->TweetEdit().SortTweetsChecked());
  const TweetView& v = f.window->OutTable();
  for (int r = 1; r < v.RowCount(); ++r) EXPECT_LE(v.Cell(r - 1, 4), v.Cell(r, 4));
  f.window->TweetEdit().OutTable_ColumnClick(2);  // UserScreenName
  for (int r = 1; r < v.RowCount(); ++r) EXPECT_LE(v.Cell(r - 1, 2), v.Cell(r, 2));
  // New rows land in order while sorted.
  f.window->Twitter().Tweets().SetData(test::ReadTestdata("rtweet/search_5.json"), false, true);
  f.window->ShowTweets(true);
  for (int r = 1; r < v.RowCount(); ++r) EXPECT_LE(v.Cell(r - 1, 4), v.Cell(r, 4));
}

TEST(MainWindowSettings, LanguageLocationAndProxy) {
  WindowFixture f;
  MainWindow& w = *f.window;
  // An empty answer means all languages (see EmptyLanguageMeansAllLanguages).
  for (const char* bad : {"fra", "f"}) {
    f.ui.inputs = {std::string(bad)};
    w.Sessions().mSetLang_Click();
    EXPECT_EQ(w.SearchLang(), "en") << bad;
  }
  f.ui.inputs = {std::nullopt};
  w.Sessions().mSetLang_Click();
  f.ui.inputs = {std::string("fr")};
  w.Sessions().mSetLang_Click();
  EXPECT_EQ(w.SearchLang(), "fr");

  // Empty answer with the box unticked: nothing happens.
  f.ui.inputs = {std::string("")};
  w.Sessions().mSetLoc_Click();
  EXPECT_FALSE(w.UseLoc());
  EXPECT_TRUE(f.ui.messages.empty());
  // A location ticks the box and says so once.
  f.ui.inputs = {std::string("51,0,1mi")};
  w.Sessions().mSetLoc_Click();
  EXPECT_TRUE(w.UseLoc());
  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_EQ(f.ui.messages[0].text,
            "Subsequent searches will be restricted to the radius: 51,0,1mi");
  w.Sessions().UseLoc_Click(false);
  EXPECT_EQ(f.ui.messages.back().text,
            "Subsequent searches will not be restricted to a particular location");

  // Ticking with no location and cancelling the prompt: unticked, one message.
  WindowFixture g;
  g.ui.inputs = {std::nullopt};
  g.window->Sessions().UseLoc_Click(true);
  EXPECT_FALSE(g.window->UseLoc());
  ASSERT_EQ(g.ui.messages.size(), 1u);
  EXPECT_EQ(g.ui.messages[0].text,
            "Subsequent searches will not be restricted to a particular location");

  f.ui.inputs = {std::string("10.0.0.1:3128")};
  w.Sessions().mSetProxy_Click();
  EXPECT_EQ(w.Twitter().ProxyServer(), "10.0.0.1:3128");
  f.ui.inputs = {std::nullopt};
  w.Sessions().mSetProxy_Click();
  EXPECT_EQ(w.Twitter().ProxyServer(), "");
}

TEST(MainWindowClose, AsksOnlyWithRowsAndWritesPrefs) {
  WindowFixture f;
  EXPECT_TRUE(f.window->Form_QueryUnload());
  EXPECT_TRUE(f.ui.messages.empty());
  EXPECT_TRUE(std::filesystem::exists(f.File("prefs")));

  WindowFixture g;
  g.Retrieve();
  g.ui.answers = {MsgAnswer::Cancel};
  EXPECT_FALSE(g.window->Form_QueryUnload());
  EXPECT_FALSE(g.window->Closed());
  EXPECT_FALSE(std::filesystem::exists(g.File("prefs")));
  g.ui.answers = {MsgAnswer::Yes};
  g.ui.save_files = {g.File("out.txt")};
  EXPECT_TRUE(g.window->Form_QueryUnload());
  EXPECT_EQ(g.ui.messages[1].text, "Save Tweets before exiting?");
  EXPECT_TRUE(std::filesystem::exists(g.File("out.txt")));
  EXPECT_TRUE(g.window->Closed());
}

}  // namespace
}  // namespace wf
