// The window's account retrievals through API v2 against the simulator: Cancel, the low-quota
// question, a spent window, and follower pages of 1,000.
#include <set>

#include "sim_window_fixture.h"

namespace wf {
namespace {

using test::SimWindow;

std::string Param(const apisim::ReceivedRequest& r, const std::string& name) {
  const auto it = r.params.find(name);
  return it == r.params.end() ? std::string("<none>") : it->second;
}

// Requests to /2/users/ID/<tail> for any ID.
std::vector<apisim::ReceivedRequest> UserRequests(const SimWindow& f, const std::string& tail) {
  std::vector<apisim::ReceivedRequest> out;
  for (auto& r : f.server.server().Received()) {
    if (r.path.rfind("/2/users/", 0) == 0 && r.path.size() > tail.size() &&
        r.path.compare(r.path.size() - tail.size(), tail.size(), tail) == 0) {
      out.push_back(r);
    }
  }
  return out;
}

void FillList(SimWindow& f, const std::vector<std::string>& names) {
  std::string text;
  for (const auto& n : names) text += n + "\r\n";
  f.ui.clipboard = text;
  f.window->UserListPanel().mPasteUL_Click();
  ASSERT_EQ(f.window->UserListPanel().Users().Count(), static_cast<int>(names.size()));
  for (int i = 0; i < f.window->UserListPanel().Users().Count(); ++i)
    f.window->UserListPanel().UserList_ItemCheck(i, true);
}

SimWindow& V2(SimWindow& f) {
  f.window->Sessions().mApiV2_Click();
  return f;
}

TEST(ApiV2Sim, CancelEndsTheTimelineWalkAndKeepsTheTweets) {
  SimWindow f;
  MainWindow& w = *V2(f).window;
  w.SetEarlyDate(CivilDateTime{2000, 1, 1, 0, 0, 0});
  FillList(f, {"skein_team", "skein_small"});
  f.ui.on_yield = [&](int) {
    if (w.RetrievalBusy() && UserRequests(f, "/tweets").size() == 3) w.Search().QuitGet_Click();
  };
  w.Timelines().GetAllUTL_Click();
  EXPECT_TRUE(f.Told("User cancelled the retrieval process"));
  const auto requests = UserRequests(f, "/tweets");
  ASSERT_EQ(requests.size(), 3u);
  for (const auto& r : requests) EXPECT_EQ(r.path, requests[0].path);  // all of skein_team
  EXPECT_EQ(Param(requests[0], "pagination_token"), "<none>");
  EXPECT_NE(Param(requests[2], "pagination_token"), "<none>");
  EXPECT_NE(f.Log().back().find("user cancelled the procedure"), std::string::npos);
  EXPECT_EQ(w.OutTable().RowCount(), 300);
}

TEST(ApiV2Sim, LowQuotaQuestionCancelStopsTheWalk) {
  apisim::ServerConfig config = test::SmallSim();
  config.limits[static_cast<std::size_t>(apisim::Family::kUsersTweets)] = 3;
  SimWindow f(config);
  MainWindow& w = *V2(f).window;
  w.SetEarlyDate(CivilDateTime{2000, 1, 1, 0, 0, 0});
  FillList(f, {"skein_team", "skein_small"});
  f.ui.answers = {MsgAnswer::Ok, MsgAnswer::Cancel};
  w.Timelines().GetAllUTL_Click();
  EXPECT_EQ(UserRequests(f, "/tweets").size(), 2u);
  int questions = 0;
  for (const auto& m : f.ui.messages) {
    questions += m.text.rfind("Quota for this window running low. Wait until ", 0) == 0;
  }
  EXPECT_EQ(questions, 2);
  EXPECT_EQ(w.InfoBar()[2], "1 USER_TIMELINE requests remaining\r\n");
  EXPECT_EQ(w.OutTable().RowCount(), 200);
}

TEST(ApiV2Sim, FollowersComeAThousandAPageAndASpentWindowIsWaitedOut) {
  apisim::ServerConfig config = test::SmallSim();
  config.limits[static_cast<std::size_t>(apisim::Family::kUsersFollowers)] = 3;
  config.window_seconds = 2;
  SimWindow f(config);
  MainWindow& w = *V2(f).window;
  f.ui.inputs = {std::string("skein_team")};
  w.Followers().mGetUserFollowers_Click();
  const auto requests = UserRequests(f, "/followers");
  ASSERT_GE(requests.size(), 7u);
  int refused = 0;
  for (std::size_t i = 0; i < requests.size(); ++i) {
    EXPECT_EQ(Param(requests[i], "max_results"), "1000");
    if (requests[i].status == 429) {
      ++refused;
      ASSERT_LT(i + 1, requests.size());
      // The same page again once the window has turned.
      EXPECT_EQ(Param(requests[i], "pagination_token"), Param(requests[i + 1], "pagination_token"));
    }
  }
  EXPECT_GE(refused, 1);
  EXPECT_EQ(requests.size() - static_cast<std::size_t>(refused), 6u);  // 5,237 in six pages
  EXPECT_EQ(w.UserListPanel().Users().Count(), 5237);
  const auto entries = f.Entries();
  EXPECT_EQ(std::set<std::string>(entries.begin(), entries.end()).size(), 5237u);
  EXPECT_EQ(f.Log().back(), "Getting followers of skein_team (5237 retrieved)");
}

}  // namespace
}  // namespace wf
