// Retrieval commands against the API simulator where a wrong start or a wrong pairing would
// lose a list or the tweet table: a new search and the "Tweets" user table, commands with
// nothing to work on, and the user list in "User Id" mode.
#include <algorithm>
#include <set>

#include "sim_window_fixture.h"

namespace wf {
namespace {

using test::SimWindow;

constexpr const char* kTimeline = "/1.1/statuses/user_timeline.json";

std::string Param(const apisim::ReceivedRequest& r, const std::string& name) {
  const auto it = r.params.find(name);
  return it == r.params.end() ? std::string("<none>") : it->second;
}

std::string Trim(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  return std::string(s);
}

void Paste(SimWindow& f, const std::string& text) {
  f.ui.clipboard = text;
  f.window->UserListPanel().mPasteUL_Click();
}

std::string IdOf(MainWindow& w, const std::string& screen_name) {
  const UserSet& users = w.Twitter().Users();
  return users.Id(users.FindUserIndex(screen_name, ""));
}

void Authenticator(MainWindow& w) {
  w.SetUTwitterAuthenticator([](TwitterAPI& api) {
    return !api.AuthAppAccess("Test", "demo-key", "demo-secret").empty();
  });
}

TEST(SearchAndUserTables, ANewSearchClearsOnlyTheTweetsTable) {
  SimWindow f;
  MainWindow& w = *f.window;
  Authenticator(w);
  w.SetSearchQuery("skein AND twitter");
  w.Search().GetSrch_Click();
  ASSERT_GT(w.OutTable().RowCount(), 0);
  w.UserTables().BuildTweetsUT_Click();
  ASSERT_GT(w.UserTables().Tables()[0].RowCount(), 0);
  EXPECT_TRUE(w.UserTables().Tables()[0].Unsaved());  // built by lookups, in no file yet
  // A followers list in an Other table, on show when the next search starts.
  w.Followers().GUFOp_Click(1);
  w.Followers().SetGUF_Id("skein_small");
  w.Followers().GetFF_Click(FollowList::kFollowers);
  ASSERT_EQ(w.UserTables().Tables().size(), 2u);
  ASSERT_EQ(w.UserTables().Tables()[1].RowCount(), 12);
  EXPECT_TRUE(w.UserTables().Tables()[1].Unsaved());
  ASSERT_EQ(w.UserTables().CurrentUserTable(), 1);

  f.ui.answers = {MsgAnswer::No};  // the tweets need not be saved
  w.Search().GetSrch_Click();
  EXPECT_GT(w.OutTable().RowCount(), 0);
  EXPECT_EQ(w.UserTables().Tables()[0].RowCount(), 0);
  EXPECT_EQ(w.UserTables().Tables()[1].RowCount(), 12);
  EXPECT_EQ(w.UserTables().Tables()[1].Name(), "Followers of skein_small");
}

TEST(UserListCommands, NothingToWorkOnChangesNothing) {
  SimWindow f;
  MainWindow& w = *f.window;
  Paste(f, "skein_small\r\nskein_quiet\r\n");
  ASSERT_EQ(w.UserListPanel().Users().Count(), 2);
  ASSERT_EQ(w.Twitter().Users().Count(), 2);

  // Get Users From Tweets with no tweets: the profiles held are of the paste, not of tweets.
  w.UserTables().mGetUFT_Click();
  EXPECT_TRUE(f.Told("There are no tweets to take users from."));
  EXPECT_EQ(f.Entries(), (std::vector<std::string>{"skein_small", "skein_quiet"}));
  EXPECT_FALSE(w.UserListPanel().Users().Bold());
  EXPECT_EQ(w.UserTables().Tables()[0].RowCount(), 0);

  // Get All with nobody ticked: the tweet table stays, unasked and untouched.
  w.SetSearchQuery("skein AND twitter");
  w.Search().GetSrch_Click();
  const std::int32_t rows = w.OutTable().RowCount();
  ASSERT_GT(rows, 0);
  const std::string first_id(w.OutTable().Cell(0, 4));
  f.server.server().ClearReceived();
  const std::size_t told = f.ui.messages.size();
  w.Timelines().GetAllUTL_Click();
  ASSERT_EQ(f.ui.messages.size(), told + 1);
  EXPECT_EQ(f.ui.messages.back().text, "Tick the users whose timelines to get");
  EXPECT_EQ(w.OutTable().RowCount(), rows);
  EXPECT_EQ(w.OutTable().Cell(0, 4), first_id);
  EXPECT_TRUE(w.TweetsModified());
  EXPECT_EQ(w.CurTweetSrc(), wf::TweetSource::kSearch);
  EXPECT_TRUE(w.UpdateSearchEnabled());
  EXPECT_TRUE(f.Requests(kTimeline).empty());
  EXPECT_FALSE(w.RetrievalBusy());
}

TEST(UserListCommands, RetrievedListIsUnsavedUntilCopied) {
  SimWindow f;
  MainWindow& w = *f.window;
  f.ui.inputs = {std::string("skein_small")};
  w.Followers().mGetUserFollowers_Click();
  ASSERT_EQ(w.UserListPanel().Users().Count(), 12);
  EXPECT_TRUE(w.UserListPanel().Users().Unsaved());
  f.ui.answers = {MsgAnswer::No};
  ASSERT_FALSE(w.Form_QueryUnload());
  ASSERT_FALSE(f.ui.messages.empty());
  EXPECT_EQ(f.ui.messages.back().text, "The user list is not saved. Close anyway?");
  w.UserListPanel().mCopyUL_Click();
  EXPECT_FALSE(w.UserListPanel().Users().Unsaved());
  // Pasting it back is no loss either.
  Paste(f, f.ui.clipboard);
  EXPECT_FALSE(w.UserListPanel().Users().Unsaved());
  EXPECT_TRUE(w.Form_QueryUnload());
}

TEST(UserIdMode, PasteAndAddUserKeepTheOptionInStep) {
  SimWindow f;
  MainWindow& w = *f.window;
  w.SetEarlyDate(CivilDateTime{2000, 1, 1, 0, 0, 0});
  Paste(f, "skein_small\r\nskein_quiet\r\n");
  w.UserListPanel().UserHandle_Click(1);
  ASSERT_EQ(f.Entries(),
            (std::vector<std::string>{IdOf(w, "skein_small"), IdOf(w, "skein_quiet")}));

  // Add User in a list of ids adds the id.
  f.ui.inputs = {std::string("skein_team")};
  w.UserListPanel().mAddUser_Click();
  ASSERT_EQ(w.UserListPanel().Users().Count(), 3);
  EXPECT_EQ(f.Entries().back(), IdOf(w, "skein_team"));
  EXPECT_EQ(w.UserListPanel().UserHandle(), wf::UserEntryKind::kUserId);
  EXPECT_NE(w.UserListPanel().UserMeta().find("has 5237 Followers"), std::string::npos)
      << w.UserListPanel().UserMeta();

  // A paste of screen names puts the option back on "Screen Name", so Get All asks by name.
  Paste(f, "skein_small\r\nskein_quiet\r\n");
  ASSERT_EQ(f.Entries(), (std::vector<std::string>{"skein_small", "skein_quiet"}));
  EXPECT_EQ(w.UserListPanel().UserHandle(), wf::UserEntryKind::kScreenName);
  w.UserListPanel().UserList_ItemCheck(0, true);
  f.server.server().ClearReceived();
  w.Timelines().GetAllUTL_Click();
  const auto requests = f.Requests(kTimeline);
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(Param(requests[0], "screen_name"), "skein_small");
  EXPECT_EQ(Param(requests[0], "user_id"), "<none>");
  EXPECT_GT(w.OutTable().RowCount(), 0);
}

TEST(UserIdMode, UpdateFindsEachUsersNewestTweetThroughTheProfile) {
  SimWindow f;
  MainWindow& w = *f.window;
  w.SetEarlyDate(CivilDateTime{2000, 1, 1, 0, 0, 0});
  Paste(f, "skein_small\r\nskein_quiet\r\n");
  w.UserListPanel().UserHandle_Click(1);
  const std::string small_id = IdOf(w, "skein_small");
  w.UserListPanel().UserList_ItemCheck(0, true);
  w.Timelines().GetAllUTL_Click();
  const TweetView& v = w.OutTable();
  ASSERT_EQ(v.RowCount(), 57);

  // Drop the three newest rows: exactly those come back, asked for by id with the newest left.
  std::vector<std::string> ids;
  for (int r = 0; r < v.RowCount(); ++r) ids.push_back(Trim(v.Cell(r, 4)));
  std::sort(ids.begin(), ids.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() > b.size() : a > b;
  });
  const std::set<std::string> newest(ids.begin(), ids.begin() + 3);
  w.MutableOutTable().RemoveRowsIf(
      [&](std::int32_t r) { return newest.count(Trim(v.Cell(r, 4))) != 0; });
  f.server.server().ClearReceived();
  w.Timelines().UpdateUTL_Click();

  const auto requests = f.Requests(kTimeline);
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(Param(requests[0], "user_id"), small_id);
  EXPECT_EQ(Param(requests[0], "since_id"), ids[3]);
  EXPECT_EQ(v.RowCount(), 57);
  std::set<std::string> shown;
  for (int r = 0; r < v.RowCount(); ++r) EXPECT_TRUE(shown.insert(Trim(v.Cell(r, 4))).second);
}

}  // namespace
}  // namespace wf
