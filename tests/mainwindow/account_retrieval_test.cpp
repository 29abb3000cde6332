// Timelines of the user list, and followers and friends, against the API simulator.
#include <algorithm>
#include <set>

#include "sim_window_fixture.h"

namespace wf {
namespace {

using test::SimWindow;

constexpr const char* kTimeline = "/1.1/statuses/user_timeline.json";
constexpr const char* kFollowers = "/1.1/followers/list.json";
constexpr const char* kFriends = "/1.1/friends/list.json";

std::string Param(const apisim::ReceivedRequest& r, const std::string& name) {
  const auto it = r.params.find(name);
  return it == r.params.end() ? std::string("<none>") : it->second;
}

// Puts names into the user list (through Paste) and ticks those in `ticked`.
void FillList(SimWindow& f, const std::vector<std::string>& names,
              const std::set<std::string>& ticked) {
  std::string text;
  for (const auto& n : names) text += n + "\r\n";
  f.ui.clipboard = text;
  f.window->UserListPanel().mPasteUL_Click();
  ASSERT_EQ(f.window->UserListPanel().Users().Count(), static_cast<int>(names.size()));
  for (int i = 0; i < f.window->UserListPanel().Users().Count(); ++i)
    f.window->UserListPanel().UserList_ItemCheck(
        i, ticked.count(names[static_cast<std::size_t>(i)]) != 0);
}

std::string Trim(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  return std::string(s);
}

TEST(UserTimelines, CheckedUsersBackToTheThresholdDate) {
  SimWindow f;
  MainWindow& w = *f.window;
  const std::string skipped = f.Account(40).screen_name;
  FillList(f, {"skein_small", "skein_quiet", skipped, "skein_private", "skein_team"},
           {"skein_small", "skein_quiet", "skein_private", "skein_team"});
  std::vector<double> fractions;
  f.ui.on_yield = [&](int) {
    if (w.RetrievalBusy() && w.ProgressFraction() >= 0) fractions.push_back(w.ProgressFraction());
  };
  w.Timelines().GetAllUTL_Click();
  // The bar moves forward only, user by user and within a user towards the threshold date.
  ASSERT_FALSE(fractions.empty());
  EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
  EXPECT_GE(fractions.front(), 0.0);
  EXPECT_GT(fractions.back(), 0.75);
  EXPECT_LE(fractions.back(), 1.0);

  EXPECT_EQ(f.Log().at(1).rfind("User timeline retrieval started @", 0), 0u);
  EXPECT_TRUE(f.LogHas("Retrieval error: 401:"));
  EXPECT_TRUE(f.LogHas("Retrieval of [skein_private] ended @"));
  // One timeline of the walk failed; the walk itself ran to its end.
  EXPECT_EQ(w.LastOutcome().failed_parts, 1);
  EXPECT_EQ(w.LastOutcome().reason.rfind("401:", 0), 0u) << w.LastOutcome().reason;
  EXPECT_TRUE(f.LogHas(", no more statuses available: 401:"));
  bool quiet_ended = false, team_at_threshold = false;
  for (const auto& l : f.Log()) {
    quiet_ended = quiet_ended || (l.rfind("Retrieval of [skein_quiet] ended @", 0) == 0 &&
                                  l.find("no more statuses available: 200:OK") != l.npos);
    team_at_threshold =
        team_at_threshold || (l.rfind("Retrieval of [skein_team] ended @", 0) == 0 &&
                              l.find("terminated at user threshold date (") != l.npos);
  }
  EXPECT_TRUE(quiet_ended);
  EXPECT_TRUE(team_at_threshold);
  for (const auto& r : f.Requests(kTimeline)) EXPECT_NE(Param(r, "screen_name"), skipped);

  const TweetView& v = w.OutTable();
  ASSERT_GT(v.RowCount(), 0);
  const std::int64_t threshold = ToSerialSeconds(w.EarlyDate());
  std::set<std::string> authors;
  for (int r = 0; r < v.RowCount(); ++r) {
    authors.insert(Trim(v.Cell(r, 2)));
    const auto dt = ParseStoredDateTime(v.Cell(r, 1));
    ASSERT_TRUE(dt.has_value());
    EXPECT_GE(ToSerialSeconds(*dt), threshold);
  }
  EXPECT_TRUE(authors.count("skein_team"));
  EXPECT_FALSE(authors.count(skipped));
  EXPECT_EQ(w.CurTweetSrc(), wf::TweetSource::kTimelines);
  EXPECT_TRUE(w.UpdateUTLEnabled());
  EXPECT_FALSE(w.RetrievalBusy());
  EXPECT_LT(w.ProgressFraction(), 0);
  EXPECT_EQ(w.UserListPanel().Users().Current(), 4);  // each checked entry became current in turn
}

TEST(UserTimelines, UpdateAsksOnlyForNewerTweets) {
  SimWindow f;
  MainWindow& w = *f.window;
  w.SetEarlyDate(CivilDateTime{2000, 1, 1, 0, 0, 0});
  FillList(f, {"skein_small", "skein_quiet"}, {"skein_small"});
  w.Timelines().GetAllUTL_Click();
  const TweetView& v = w.OutTable();
  ASSERT_EQ(v.RowCount(), 57);
  EXPECT_TRUE(f.LogHas("Retrieved 57 statuses for [skein_small] back to "));

  // Drop the three newest rows: exactly those come back, asked for with the newest id left.
  std::vector<std::string> ids;
  for (int r = 0; r < v.RowCount(); ++r) ids.push_back(Trim(v.Cell(r, 4)));
  std::sort(ids.begin(), ids.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() > b.size() : a > b;
  });
  const std::set<std::string> newest(ids.begin(), ids.begin() + 3);
  w.MutableOutTable().RemoveRowsIf(
      [&](std::int32_t r) { return newest.count(Trim(v.Cell(r, 4))) != 0; });
  w.UserListPanel().UserList_ItemCheck(1,
                                       true);  // skein_quiet has no rows: asked without a since id
  f.server.server().ClearReceived();
  w.Timelines().UpdateUTL_Click();

  EXPECT_EQ(v.RowCount(), 57);
  for (const auto& id : newest) {
    int found = 0;
    for (int r = 0; r < v.RowCount(); ++r) found += Trim(v.Cell(r, 4)) == id ? 1 : 0;
    EXPECT_EQ(found, 1) << id;
  }
  const auto requests = f.Requests(kTimeline);
  ASSERT_GE(requests.size(), 2u);
  EXPECT_EQ(Param(requests[0], "screen_name"), "skein_small");
  EXPECT_EQ(Param(requests[0], "since_id"), ids[3]);
  EXPECT_EQ(Param(requests.back(), "screen_name"), "skein_quiet");
  EXPECT_EQ(Param(requests.back(), "since_id"), "<none>");
}

TEST(UserTimelines, CancelEndsTheWalkAndKeepsTheTweets) {
  SimWindow f;
  MainWindow& w = *f.window;
  w.SetEarlyDate(CivilDateTime{2000, 1, 1, 0, 0, 0});
  FillList(f, {"skein_team", "skein_small"}, {"skein_team", "skein_small"});
  f.ui.on_yield = [&](int) {
    if (w.RetrievalBusy() && f.Requests(kTimeline).size() == 3) w.Search().QuitGet_Click();
  };
  w.Timelines().GetAllUTL_Click();
  EXPECT_TRUE(f.Told("User cancelled the retrieval process"));
  for (const auto& r : f.Requests(kTimeline)) EXPECT_EQ(Param(r, "screen_name"), "skein_team");
  EXPECT_NE(f.Log().back().find("user cancelled the procedure"), std::string::npos);
  EXPECT_EQ(w.OutTable().RowCount(), 600);
  EXPECT_EQ(w.LastOutcome().end, RetrievalEnd::Cancelled);
  EXPECT_EQ(w.LastOutcome().received, 600);
}

TEST(UserTimelines, DoubleClickFetchesThatUser) {
  SimWindow f;
  MainWindow& w = *f.window;
  w.SetEarlyDate(CivilDateTime{2000, 1, 1, 0, 0, 0});
  FillList(f, {"skein_team", "skein_small"}, {});
  w.Timelines().UserList_DblClick(1);
  EXPECT_EQ(w.OutTable().RowCount(), 57);
  EXPECT_TRUE(w.UpdateUTLEnabled());
  EXPECT_FALSE(w.RetrievalBusy());
  EXPECT_EQ(w.LastOutcome().end, RetrievalEnd::Completed);
  EXPECT_EQ(w.LastOutcome().received, 57);
}

TEST(UserTimelines, LowQuotaQuestionCancelStopsTheWalk) {
  apisim::ServerConfig config = test::SmallSim();
  config.limits[static_cast<std::size_t>(apisim::Family::kUserTimeline)] = 3;
  SimWindow f(config);
  MainWindow& w = *f.window;
  w.SetEarlyDate(CivilDateTime{2000, 1, 1, 0, 0, 0});
  FillList(f, {"skein_team", "skein_small"}, {"skein_team", "skein_small"});
  f.ui.answers = {MsgAnswer::Ok, MsgAnswer::Cancel};
  w.Timelines().GetAllUTL_Click();
  const auto requests = f.Requests(kTimeline);
  ASSERT_EQ(requests.size(), 2u);  // asked after each page; the second answer cancels
  for (const auto& r : requests) EXPECT_EQ(Param(r, "screen_name"), "skein_team");
  int questions = 0;
  for (const auto& m : f.ui.messages) {
    if (m.text.rfind("Quota for this window running low. Wait until ", 0) == 0) {
      ++questions;
      EXPECT_EQ(m.buttons, MsgButtons::OkCancel);
    }
  }
  EXPECT_EQ(questions, 2);
  EXPECT_NE(f.Log().back().find("user cancelled the procedure"), std::string::npos);
  EXPECT_EQ(w.LastOutcome().end, RetrievalEnd::QuotaWaitCancelled);
  EXPECT_EQ(w.OutTable().RowCount(), 400);
}

apisim::ServerConfig ListQuota(apisim::Family family, int limit, int window_seconds) {
  apisim::ServerConfig config = test::SmallSim();
  config.limits[static_cast<std::size_t>(family)] = limit;
  config.window_seconds = window_seconds;
  return config;
}

TEST(FollowersMenu, PagesThroughTheWholeList) {
  SimWindow f(ListQuota(apisim::Family::kFollowersList, 100, 900));
  MainWindow& w = *f.window;
  f.ui.inputs = {std::string("skein_team")};
  int busy_yields = 0, timer_on = 0;
  f.ui.on_yield = [&](int) {
    if (!w.RetrievalBusy()) return;
    ++busy_yields;
    timer_on += w.Timer1Enabled() ? 1 : 0;
  };
  w.Followers().mGetUserFollowers_Click();
  EXPECT_GT(busy_yields, 0);
  EXPECT_EQ(timer_on, 0);  // the status timer stays off while the pages come
  EXPECT_EQ(f.ui.input_prompts.at(0), "Enter screen name");
  EXPECT_EQ(w.UserListPanel().Users().Count(), 5237);
  EXPECT_EQ(w.LastOutcome().end, RetrievalEnd::Completed);
  EXPECT_EQ(w.LastOutcome().received, 5237);
  EXPECT_EQ(f.Requests(kFollowers).size(), 27u);  // 26 full pages and the rest
  EXPECT_EQ(f.Log().back(), "Getting followers of skein_team (5237 retrieved)");
  EXPECT_EQ(w.UserListPanel().Users().ToolTip(), "List contains followers of skein_team");
  EXPECT_EQ(w.InfoBar()[2], "73 GET FOLLOWERS/LIST requests remaining");
  EXPECT_EQ(w.UserListPanel().Users().Current(), 0);
  EXPECT_TRUE(w.Timer1Enabled());
  EXPECT_FALSE(w.RetrievalBusy());
  const auto entries = f.Entries();
  const std::set<std::string> distinct(entries.begin(), entries.end());
  EXPECT_EQ(distinct.size(), 5237u);
}

TEST(FollowersMenu, SpentQuotaWaitsForTheNextWindowAndAsksForTheSamePage) {
  SimWindow f(ListQuota(apisim::Family::kFriendsList, 1, 2));
  MainWindow& w = *f.window;
  f.ui.inputs = {std::string("skein_team")};
  w.Followers().mGetUserFriends_Click();
  const auto requests = f.Requests(kFriends);
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[1].status, 429);
  EXPECT_EQ(Param(requests[1], "cursor"), Param(requests[2], "cursor"));
  EXPECT_NE(Param(requests[1], "cursor"), "-1");
  EXPECT_EQ(w.UserListPanel().Users().Count(), 300);
  EXPECT_TRUE(w.LastOutcome().Succeeded());  // the wait was sat out, not given up
  EXPECT_TRUE(
      f.Told("300 Screen Names of friends of skein_team were copied to the User "
             "Timeline list."));
}

TEST(FollowersMenu, CancelKeepsTheAccountsRetrieved) {
  SimWindow f(ListQuota(apisim::Family::kFollowersList, 100, 900));
  MainWindow& w = *f.window;
  FillList(f, {"skein_small"}, {});
  w.UserListPanel().UserList_Click(0);
  f.ui.inputs = {std::string("skein_team")};
  f.ui.on_yield = [&](int) {
    if (w.RetrievalBusy() && f.Requests(kFollowers).size() == 3) w.Search().QuitGet_Click();
  };
  w.Followers().mGetUserFollowers_Click();
  EXPECT_EQ(f.Requests(kFollowers).size(), 3u);
  EXPECT_EQ(w.UserListPanel().Users().Count(), 600);
  EXPECT_EQ(w.UserListPanel().Users().ToolTip(), "List contains followers of skein_team");
  EXPECT_EQ(w.LastOutcome().end, RetrievalEnd::Cancelled);
}

TEST(FollowersMenu, FailingPagesEndTheRunAfterThree) {
  SimWindow f;
  MainWindow& w = *f.window;
  FillList(f, {"skein_small"}, {});
  w.UserListPanel().UserList_Click(0);
  f.ui.inputs = {std::string("skein_private")};
  w.Followers().mGetUserFollowers_Click();
  EXPECT_EQ(f.Requests(kFollowers).size(), 3u);
  EXPECT_EQ(w.LastOutcome().end, RetrievalEnd::Failed);
  EXPECT_EQ(w.LastOutcome().reason.rfind("401", 0), 0u) << w.LastOutcome().reason;
  EXPECT_EQ(f.Log().back().rfind("Getting followers of skein_private ended after 3 failed "
                                 "requests: 401:",
                                 0),
            0u)
      << f.Log().back();
  EXPECT_TRUE(f.Told("No followers retrieved. Verify that you are entering a valid Screen Name"));
  EXPECT_EQ(f.Entries(), (std::vector<std::string>{"skein_small"}));
}

TEST(FollowersFrame, ListsGoIntoNewUserTables) {
  SimWindow f;
  MainWindow& w = *f.window;
  int authentications = 0;
  w.SetUTwitterAuthenticator([&](TwitterAPI& api) {
    ++authentications;
    return !api.AuthAppAccess("Test", "demo-key", "demo-secret").empty();
  });
  w.Followers().GUFOp_Click(1);
  EXPECT_TRUE(w.Followers().GUF_IdEnabled());
  w.Followers().SetGUF_Id("skein_small");
  w.Followers().GetFF_Click(FollowList::kFollowers);
  EXPECT_EQ(authentications, 1);
  ASSERT_EQ(w.UserTables().Tables().size(), 2u);
  const UserTableView followers = w.UserTables().Tables()[1];  // a copy: new tables move the vector
  EXPECT_EQ(followers.Name(), "Followers of skein_small");
  EXPECT_EQ(w.UserTables().CurrentUserTable(), 1);
  ASSERT_EQ(followers.RowCount(), 12);
  for (const auto& row : followers.Rows()) {
    EXPECT_FALSE(row.cells[0].empty());
    EXPECT_FALSE(row.cells[1].empty());
    EXPECT_FALSE(row.cells[14].empty());  // CreatedAt: the full profile came with the list
    EXPECT_FALSE(row.cells[21].empty());  // tweets a day, from CreatedAt
  }
  EXPECT_EQ(w.UTwitter().Users().Count(), 12);
  EXPECT_EQ(w.Twitter().Users().Count(), 0);  // the frame leaves the user list's client alone

  // "Selected Users": the ids of the highlighted rows, one new table each.
  w.UserTables().UserTable_SelectRow(0, true);
  w.UserTables().UserTable_SelectRow(2, true);
  w.Followers().GUFOp_Click(0);
  EXPECT_FALSE(w.Followers().GUF_IdEnabled());
  EXPECT_EQ(w.Followers().GUF_Id(), "skein_small");
  w.Followers().GetFF_Click(FollowList::kFriends);
  ASSERT_EQ(w.UserTables().Tables().size(), 4u);
  EXPECT_TRUE(w.LastOutcome().Succeeded());  // both accounts' lists, folded
  EXPECT_EQ(w.LastOutcome().received,
            w.UserTables().Tables()[2].RowCount() + w.UserTables().Tables()[3].RowCount());
  for (int k : {0, 2}) {
    const auto& row = followers.Rows()[static_cast<std::size_t>(k)];
    const UserTableView& friends = w.UserTables().Tables()[k == 0 ? 2 : 3];
    EXPECT_EQ(friends.Name(), "Friends of " + row.cells[1]);
    EXPECT_EQ(friends.RowCount(), std::stoi(row.cells[11])) << row.cells[1];
  }
  int by_id = 0;
  for (const auto& r : f.Requests(kFriends)) by_id += Param(r, "user_id") != "" ? 1 : 0;
  EXPECT_GE(by_id, 2);

  // "This User Id".
  w.Followers().GUFOp_Click(2);
  EXPECT_EQ(w.Followers().GUF_Id(), "");
  w.Followers().SetGUF_Id(std::to_string(f.Account(3).id));
  w.Followers().GetFF_Click(FollowList::kFriends);
  ASSERT_EQ(w.UserTables().Tables().size(), 5u);
  EXPECT_EQ(w.UserTables().Tables()[4].RowCount(), 3);  // skein_small's friends

  // A protected account's list fails page after page: no table, and the user is told.
  w.Followers().GUFOp_Click(1);
  w.Followers().SetGUF_Id("skein_private");
  w.Followers().GetFF_Click(FollowList::kFollowers);
  EXPECT_EQ(w.UserTables().Tables().size(), 5u);
  EXPECT_TRUE(f.Told("No followers retrieved. Verify the screen name or user id"));
  EXPECT_EQ(w.LastOutcome().failed_parts, 1);
  EXPECT_FALSE(w.LastOutcome().Succeeded());
}

}  // namespace
}  // namespace wf
