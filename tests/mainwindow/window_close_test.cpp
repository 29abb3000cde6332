// Closing with work that no file holds: the tweet save that did not happen, user tables and
// the user list that were retrieved, built or edited and never saved, rescored tweets, and
// updates that would repeat a tweet.
#include <gtest/gtest.h>

#include <set>

#include "mainwindow/window_text.h"
#include "window_fixture.h"

namespace wf {
namespace {

using test::WindowFixture;

constexpr const char* kSaveQuestion = "Save Tweets before exiting?";

// An Other table filled with the four profiles of a recorded lookup.
void AddFilledTable(MainWindow& w, const std::string& name) {
  w.UserTables().AddUserTable(name);
  w.UTwitter().Users().SetData(test::ReadTestdata("rtweet/users_lookup_1.json"), false, false);
  w.UserTables().FillUserTable(w.UTwitter());
  ASSERT_EQ(w.UserTables().Tables().back().RowCount(), 4);
}

TEST(MainWindowClose, ASaveThatDidNotHappenKeepsTheWindow) {
  WindowFixture f;
  MainWindow& w = *f.window;
  f.Retrieve();
  // Yes, then the Save dialog cancelled.
  f.ui.answers = {MsgAnswer::Yes};
  f.ui.save_files = {std::nullopt};
  EXPECT_FALSE(w.Form_QueryUnload());
  EXPECT_FALSE(w.Closed());
  EXPECT_EQ(f.ui.messages.back().text, kSaveQuestion);
  EXPECT_FALSE(std::filesystem::exists(f.File("prefs")));

  // Yes, and a write that fails: the user is told and the window stays.
  f.ui.answers = {MsgAnswer::Yes};
  f.ui.save_files = {f.File("no/such/folder/out.txt")};
  EXPECT_FALSE(w.Form_QueryUnload());
  EXPECT_FALSE(w.Closed());
  EXPECT_EQ(
      f.ui.messages.back().text.rfind("Couldn't save: " + f.File("no/such/folder/out.txt"), 0), 0u);
  EXPECT_TRUE(w.TweetsModified());

  // No closes without a save.
  f.ui.answers = {MsgAnswer::No};
  EXPECT_TRUE(w.Form_QueryUnload());
  EXPECT_TRUE(w.Closed());
}

TEST(MainWindowClose, UnsavedUserTablesAndListAreCountedOnce) {
  WindowFixture f;
  MainWindow& w = *f.window;
  AddFilledTable(w, "followers");
  AddFilledTable(w, "friends");
  // A hand edit of the user list (the tweet menu's "Add") is kept nowhere else.
  f.Retrieve();
  f.http.answers.push_back(test::FakeHttp::Ok(test::ReadTestdata("rtweet/users_lookup_1.json")));
  w.TweetEdit().OutTable_MouseUp(TweetEditPart::MouseButton::Right, 0);
  w.TweetEdit().mAddU2UL_Click();
  ASSERT_EQ(w.UserListPanel().Users().Count(), 1);

  // After the tweet question, one question for the rest; No keeps the window.
  f.ui.answers = {MsgAnswer::No, MsgAnswer::No};
  EXPECT_FALSE(w.Form_QueryUnload());
  ASSERT_GE(f.ui.messages.size(), 2u);
  EXPECT_EQ(f.ui.messages[f.ui.messages.size() - 2].text, kSaveQuestion);
  EXPECT_EQ(f.ui.messages.back().text,
            "2 user tables and the user list are not saved. Close anyway?");
  EXPECT_EQ(f.ui.messages.back().buttons, MsgButtons::YesNo);
  EXPECT_FALSE(w.Closed());

  // Saving a table, copying the list out: what is left is counted and named rightly.
  f.ui.save_files = {f.File("friends")};
  w.UserTables().mSaveUsers_Click(wf::UserFileLayout::kAll);
  ASSERT_TRUE(std::filesystem::exists(f.File("friends.sut")));
  f.ui.answers = {MsgAnswer::No, MsgAnswer::No};
  EXPECT_FALSE(w.Form_QueryUnload());
  EXPECT_EQ(f.ui.messages.back().text,
            "1 user table and the user list are not saved. Close anyway?");
  w.UserListPanel().mCopyUL_Click();
  f.ui.answers = {MsgAnswer::No, MsgAnswer::No};
  EXPECT_FALSE(w.Form_QueryUnload());
  EXPECT_EQ(f.ui.messages.back().text, "1 user table is not saved. Close anyway?");

  // Ticks and order are not saved in the file: the saved table stays saved through them; a
  // cell edit (a Profilo import) makes it unsaved again.
  w.UserTables().UTList_Click(1);
  w.UserTables().UserTable_ItemCheck(0, true);
  w.UserTables().UserTable_ColumnClick(1);
  w.UserTables().UserTable_ColumnClick(1);
  f.ui.answers = {MsgAnswer::No, MsgAnswer::No};
  EXPECT_FALSE(w.Form_QueryUnload());
  EXPECT_EQ(f.ui.messages.back().text, "1 user table is not saved. Close anyway?");
  const std::string id = w.UserTables().Tables()[2].Rows()[0].cells[0];
  test::WriteBytes(f.File("attributes.txt"), id + "\tx\tfemale\t30\t0.9\r\n");
  f.ui.open_files = {f.File("attributes.txt")};
  w.UserTables().mImportProfilo_Click();
  f.ui.answers = {MsgAnswer::No, MsgAnswer::No};
  EXPECT_FALSE(w.Form_QueryUnload());
  EXPECT_EQ(f.ui.messages.back().text, "2 user tables are not saved. Close anyway?");

  // Yes closes.
  f.ui.answers = {MsgAnswer::No, MsgAnswer::Yes};
  EXPECT_TRUE(w.Form_QueryUnload());
  EXPECT_TRUE(w.Closed());
}

TEST(MainWindowClose, OpenedOrSavedWorkAsksNothing) {
  WindowFixture f;
  MainWindow& w = *f.window;
  AddFilledTable(w, "kept");
  f.ui.save_files = {f.File("kept")};
  w.UserTables().mSaveUsers_Click(wf::UserFileLayout::kAll);
  // A table opened from a file, and a list that came from the clipboard.
  f.ui.open_files = {f.File("kept.sut")};
  w.UserTables().mOpenUsers_Click(wf::UserTableOpen::kAllFields);
  ASSERT_EQ(w.UserTables().Tables().size(), 3u);
  // Rows a file adds to a saved table on show leave it saved.
  test::WriteBytes(f.File("more.csv"), w.UserTables().Tables()[2].Rows()[0].cells[0] + "\tx\r\n");
  f.ui.open_files = {f.File("more.csv")};
  w.UserTables().mOpenUsers_Click(wf::UserTableOpen::kAllFields);
  ASSERT_EQ(w.UserTables().Tables()[2].RowCount(), 5);
  f.ui.clipboard = "kesuke\r\n";
  f.http.answers.push_back(
      test::FakeHttp::Ok(test::ReadTestdata("python-twitter/users_lookup_1.json")));
  w.UserListPanel().mPasteUL_Click();
  ASSERT_EQ(w.UserListPanel().Users().Count(), 1);
  const std::size_t told = f.ui.messages.size();
  EXPECT_TRUE(w.Form_QueryUnload());
  EXPECT_EQ(f.ui.messages.size(), told);

  // The one word for the list alone.
  WindowFixture g;
  g.Retrieve();
  g.http.answers.push_back(test::FakeHttp::Ok(test::ReadTestdata("rtweet/users_lookup_1.json")));
  g.window->TweetEdit().OutTable_MouseUp(TweetEditPart::MouseButton::Right, 0);
  g.window->TweetEdit().mAddU2UL_Click();
  g.ui.answers = {MsgAnswer::No, MsgAnswer::No};
  EXPECT_FALSE(g.window->Form_QueryUnload());
  EXPECT_EQ(g.ui.messages.back().text, "The user list is not saved. Close anyway?");
}

TEST(TweetFiles, RescoredZerosMarkTheTableUnsaved) {
  WindowFixture f;
  MainWindow& w = *f.window;
  const std::string row =
      "Wed Aug 27 13:08:45 0000 2008\tann\tWhat a great lovely "
      "day\t1\tAnn\t1\t2\tL\t0\tnull\t3\t0\t\t0\t0\tD\t\r\n";
  test::WriteBytes(f.File("zeros.txt"), row + row);
  // Declined: the table is as its file.
  f.ui.open_files = {f.File("zeros.txt")};
  f.ui.answers = {MsgAnswer::No};
  w.Sessions().mOpenTweets_Click();
  EXPECT_FALSE(w.TweetsModified());
  EXPECT_EQ(w.Caption(), "Skein Wrenfold Desktop Edition [" + f.File("zeros.txt") + "]");
  // Accepted: the new scores are not in the file yet.
  f.ui.open_files = {f.File("zeros.txt")};
  f.ui.answers = {MsgAnswer::Yes};
  w.Sessions().mOpenTweets_Click();
  ASSERT_EQ(w.OutTable().RowCount(), 2);
  EXPECT_NE(w.OutTable().Cell(0, 14), "      0");
  EXPECT_TRUE(w.TweetsModified());
  EXPECT_EQ(w.Caption(), "Skein Wrenfold Desktop Edition [" + f.File("zeros.txt") + "*]");
  // So closing offers to save them.
  f.ui.answers = {MsgAnswer::Cancel};
  EXPECT_FALSE(w.Form_QueryUnload());
  EXPECT_EQ(f.ui.messages.back().text, kSaveQuestion);
}

TEST(MainWindowView, UpdatesNeverRepeatATweetOfTheTable) {
  WindowFixture f;
  MainWindow& w = *f.window;
  f.Retrieve();
  ASSERT_EQ(w.OutTable().RowCount(), 100);
  // The same page again (a since id found wrongly) and a page that overlaps it.
  f.Retrieve("rtweet/search_1.json", true);
  EXPECT_EQ(w.OutTable().RowCount(), 100);
  w.Twitter().Tweets().SetData(test::ReadTestdata("rtweet/search_2.json"), false, true);
  w.Twitter().Tweets().SetData(test::ReadTestdata("rtweet/search_1.json"), true, true);
  const std::int32_t batch = w.Twitter().Tweets().Count();
  w.ShowTweets(true);
  std::set<std::string> ids;
  for (std::int32_t r = 0; r < w.OutTable().RowCount(); ++r) {
    EXPECT_TRUE(ids.insert(std::string(window_text::Trimmed(w.OutTable().Cell(r, 4)))).second);
  }
  EXPECT_EQ(w.OutTable().RowCount(), batch);  // search_2's tweets are new; search_1's are not
  // A fresh retrieval replaces the table as before.
  f.Retrieve("rtweet/search_1.json", false);
  EXPECT_EQ(w.OutTable().RowCount(), 100);
}

}  // namespace
}  // namespace wf
