// Failures on the way to the server, against the simulator: what the retrievals keep, log and
// tell when a request fails, and the proxy setting of both API clients.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "apisim/rate_limiter.h"
#include "mainwindow/user_table_view.h"
#include "sim_window_fixture.h"
#include "support-apisim/tiny_proxy.h"

namespace wf {
namespace {

using test::SimWindow;

constexpr const char* kTimeline = "/1.1/statuses/user_timeline.json";
constexpr const char* kFollowers = "/1.1/followers/list.json";
constexpr const char* kSamplesDone = "Retrieval of User timeline samples completed";

int Count(const std::vector<std::string>& lines, const std::string& part) {
  int n = 0;
  for (const auto& l : lines) n += l.find(part) != std::string::npos ? 1 : 0;
  return n;
}

const UserTableView& Shown(const MainWindow& w) {
  return w.UserTables().Tables()[static_cast<std::size_t>(w.UserTables().CurrentUserTable())];
}

// The "Tweets" user table with the given accounts, all ticked.
void TickedTable(SimWindow& f, const std::vector<std::string>& names) {
  MainWindow& w = *f.window;
  ASSERT_TRUE(w.Followers().GetUsers(w.Twitter(), names, false, false));
  w.UserTables().FillUserTable(w.Twitter(), true);
  ASSERT_EQ(Shown(w).RowCount(), static_cast<int>(names.size()));
  for (std::size_t i = 0; i < names.size(); ++i) {
    ASSERT_EQ(Shown(w).Rows()[i].cells[user_col::kScreenName], names[i]);
    w.UserTables().UserTable_ItemCheck(static_cast<int>(i), true);
  }
}

// Columns 23-31 of a row: the samples, Profilo results and timeline figures.
std::vector<std::string> SampleCells(const MainWindow& w, int row) {
  const auto& cells = Shown(w).Rows()[static_cast<std::size_t>(row)].cells;
  return {cells.begin() + 22, cells.begin() + 31};
}

TEST(TimelineSamples, AFailedRowKeepsItsSamplesAndIsCounted) {
  SimWindow f;
  MainWindow& w = *f.window;
  TickedTable(f, {"skein_small", "skein_private", "skein_quiet"});
  f.ui.inputs.push_back("5");
  w.UserTables().GetUTTL_Click();
  // The protected account answers 401: logged, counted, and the others are sampled.
  EXPECT_TRUE(
      f.LogHas("Timeline sample of [skein_private] failed: 401:Unauthorized; the row "
               "keeps its earlier values"));
  EXPECT_EQ(f.ui.messages.back().text,
            "User timeline samples: 2 of 3 rows sampled, 1 failed (the request log names them); "
            "the failed rows keep their earlier values");
  EXPECT_EQ(f.ui.messages.back().icon, MsgIcon::Exclamation);
  EXPECT_FALSE(f.Told(kSamplesDone));
  EXPECT_TRUE(f.LogHas(", 2 of 3 users done, 1 failed"));
  EXPECT_EQ(w.LastOutcome().failed_parts, 1);
  EXPECT_EQ(w.LastOutcome().received, 2);
  EXPECT_FALSE(w.LastOutcome().Succeeded());
  EXPECT_EQ(SampleCells(w, 1), std::vector<std::string>(9));
  const auto small = SampleCells(w, 0);
  ASSERT_FALSE(small[0].empty());
  const auto quiet = SampleCells(w, 2);
  EXPECT_EQ(quiet[5], "   0");

  // The service fails every request now: no row loses what it had.
  apisim::FaultConfig failing;
  failing.status503 = 1;
  f.server.server().SetFaults(failing);
  f.ui.inputs.push_back("50");
  w.UserTables().GetUTTL_Click();
  EXPECT_EQ(SampleCells(w, 0), small);
  EXPECT_EQ(SampleCells(w, 2), quiet);
  EXPECT_EQ(Count(f.Log(), "failed: 503:Service Unavailable; the row keeps its earlier values"), 3);
  EXPECT_EQ(f.ui.messages.back().text,
            "User timeline samples: 0 of 3 rows sampled, 3 failed (the request log names them); "
            "the failed rows keep their earlier values");
  EXPECT_FALSE(w.RetrievalBusy());

  // A lost connection is a failure of the same kind, named by its reason.
  failing = {};
  failing.drop = 1;
  f.server.server().SetFaults(failing);
  w.UserTables().mUTUnselAll_Click();
  w.UserTables().UserTable_ItemCheck(0, true);
  f.ui.inputs.push_back("50");
  w.UserTables().GetUTTL_Click();
  EXPECT_EQ(SampleCells(w, 0), small);
  EXPECT_TRUE(
      f.LogHas("Timeline sample of [skein_small] failed: Couldn't access the API server ("));
}

apisim::ServerConfig TimelineQuota(int limit, int window_seconds) {
  apisim::ServerConfig config = test::SmallSim();
  config.limits[static_cast<std::size_t>(apisim::Family::kUserTimeline)] = limit;
  config.window_seconds = window_seconds;
  return config;
}

TEST(TimelineSamples, SpentQuotaWaitsForTheNextWindowAndAsksAgain) {
  // One request a window: skein_small's page spends it, skein_quiet's is refused.
  SimWindow f(TimelineQuota(1, 2));
  MainWindow& w = *f.window;
  TickedTable(f, {"skein_small", "skein_quiet"});
  bool waited = false;
  f.ui.on_yield = [&](int) {
    waited = waited || (w.QuotaPausing() &&
                        w.InfoBar()[2] == "Waiting for next quota window on USER_TIMELINE");
  };
  f.server.server().ClearReceived();
  f.ui.inputs.push_back("5");
  w.UserTables().GetUTTL_Click();
  EXPECT_TRUE(waited);
  const auto requests = f.Requests(kTimeline);
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[1].status, 429);
  EXPECT_EQ(requests[2].status, 200);
  EXPECT_EQ(requests[2].params.find("screen_name")->second, "skein_quiet");
  EXPECT_TRUE(f.Told(kSamplesDone));
  EXPECT_EQ(SampleCells(w, 1)[5], "   0");
  EXPECT_FALSE(w.QuotaPausing());
}

TEST(TimelineSamples, CancelDuringTheQuotaWaitEndsTheRunAndKeepsTheRow) {
  SimWindow f(TimelineQuota(1, 600));
  MainWindow& w = *f.window;
  TickedTable(f, {"skein_small", "skein_quiet"});
  f.ui.on_yield = [&](int) {
    if (w.QuotaPausing()) w.Search().QuitGet_Click();
  };
  f.ui.inputs.push_back("5");
  w.UserTables().GetUTTL_Click();
  EXPECT_TRUE(f.Told("User cancelled the retrieval process"));
  EXPECT_FALSE(f.Told(kSamplesDone));
  EXPECT_TRUE(f.LogHas(", 1 of 2 users done, user cancelled the procedure"));
  EXPECT_FALSE(SampleCells(w, 0)[0].empty());
  EXPECT_EQ(SampleCells(w, 1), std::vector<std::string>(9));
  EXPECT_EQ(f.Requests(kTimeline).size(), 2u);
  EXPECT_FALSE(w.QuotaPausing());
  EXPECT_FALSE(w.RetrievalBusy());
}

// ---- User timelines -------------------------------------------------------------------------

TEST(UserTimelines, ALostConnectionIsLoggedAsItselfNotAsTheLastStatus) {
  SimWindow f;
  MainWindow& w = *f.window;
  f.ui.clipboard = "skein_small\r\n";
  w.UserListPanel().mPasteUL_Click();
  w.UserListPanel().UserList_ItemCheck(0, true);
  w.SetEarlyDate(CivilDateTime{2000, 1, 1, 0, 0, 0});
  // The first page (skein_small's 57 tweets) comes; the connection is lost on the next.
  apisim::FaultConfig faults;
  faults.drop = 0.5;
  faults.scope = apisim::Family::kUserTimeline;
  f.server.server().SetFaults(faults);
  w.Timelines().GetAllUTL_Click();
  EXPECT_EQ(w.OutTable().RowCount(), 57);
  EXPECT_TRUE(f.Told("WFD is having trouble contacting the server. Try again?"));
  EXPECT_FALSE(f.LogHas("Retrieval error: 200:OK"));
  EXPECT_EQ(Count(f.Log(), "Retrieval error: Couldn't access the API server ("), 1);
  EXPECT_TRUE(f.LogHas("no more statuses available: Couldn't access the API server ("));
  // The walk names the failed timeline in its outcome rather than only in the log.
  EXPECT_EQ(w.LastOutcome().failed_parts, 1);
  EXPECT_EQ(w.LastOutcome().received, 57);
  EXPECT_FALSE(w.LastOutcome().Succeeded());
  EXPECT_EQ(w.LastOutcome().reason.rfind("Couldn't access the API server (", 0), 0u);
}

// ---- Followers and friends ------------------------------------------------------------------

// An account whose followers take three pages of 200.
std::string ThreePageAccount(SimWindow& f) {
  const auto& corpus = f.server.server().corpus();
  for (uint32_t u = 0; u < corpus.UserCount(); ++u) {
    if (corpus.FollowerCount(u) > 400 && corpus.FollowerCount(u) <= 600 &&
        !corpus.Key(u).is_protected) {
      return corpus.Key(u).screen_name;
    }
  }
  ADD_FAILURE() << "no account with three pages of followers";
  return "skein_team";
}

TEST(FollowersMenu, AnEmptyAnswerIsAFailedPageNotTheEnd) {
  SimWindow f;
  MainWindow& w = *f.window;
  const std::string name = ThreePageAccount(f);
  const auto& corpus = f.server.server().corpus();
  const int total = static_cast<int>(corpus.FollowerCount(*corpus.FindUserByName(name)));
  // Every second answer is a 200 without a body: asked again, the list comes whole.
  apisim::FaultConfig faults;
  faults.empty = 0.5;
  faults.scope = apisim::Family::kFollowersList;
  f.server.server().SetFaults(faults);
  f.ui.inputs = {name};
  w.Followers().mGetUserFollowers_Click();
  EXPECT_EQ(w.UserListPanel().Users().Count(), total);
  EXPECT_EQ(f.Requests(kFollowers).size(), 5u);
  EXPECT_EQ(Count(f.Log(), "Getting followers of " + name +
                               ": an empty answer (200:OK) counts as a failed request"),
            2);
  EXPECT_EQ(f.Log().back(),
            "Getting followers of " + name + " (" + std::to_string(total) + " retrieved)");

  // Nothing but empty answers: three failed pages end the run, and it says why.
  faults.empty = 1;
  f.server.server().SetFaults(faults);
  f.server.server().ClearReceived();
  f.ui.inputs = {name};
  w.Followers().mGetUserFollowers_Click();
  EXPECT_EQ(f.Requests(kFollowers).size(), 3u);
  EXPECT_TRUE(f.LogHas("Getting followers of " + name +
                       " ended after 3 failed requests: empty answers from the server"));
  EXPECT_FALSE(w.RetrievalBusy());
}

// ---- Proxy ----------------------------------------------------------------------------------

// A loopback port that refuses connections for as long as the object lives (bound, never
// listening, so no one else gets it meanwhile).
class RefusingPort {
 public:
  RefusingPort() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
      port_ = ntohs(addr.sin_port);
    }
  }
  ~RefusingPort() { ::close(fd_); }
  RefusingPort(const RefusingPort&) = delete;
  RefusingPort& operator=(const RefusingPort&) = delete;
  int port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

// The window's API address answers nothing directly; only the proxy reaches the simulator.
struct BehindProxy {
  BehindProxy() : server(test::SmallSim()), proxy(server.port()) {
    MainWindowEnvironment env;
    env.ui = &ui;
    env.http = &http;
    env.program_folder = dir.path().string();
    env.api_base = "http://127.0.0.1:" + std::to_string(direct.port());
    env.sentiment_program = WF_SENTI_EXE;
    window = std::make_unique<MainWindow>(env);
    window->Form_Load();
    ui.inputs.push_back("127.0.0.1:" + std::to_string(proxy.port()));
    window->Sessions().mSetProxy_Click();
    EXPECT_FALSE(window->Twitter().AuthAppAccess("Test", "demo-key", "demo-secret").empty());
    window->ActivateAfterAuthentication();
    window->SetUTwitterAuthenticator([](TwitterAPI& api) {
      return !api.AuthAppAccess("Test", "demo-key", "demo-secret").empty();
    });
  }
  bool LogHas(const std::string& part) const { return Count(window->Progress().Lines(), part) > 0; }

  test::TempDir dir;
  test::ScriptedUi ui;
  CurlHttpClient http;
  RefusingPort direct;
  apisim::TestServer server;
  apisim::TinyProxy proxy;
  std::unique_ptr<MainWindow> window;
};

TEST(Proxy, ReachesTheSecondClientsFrameOtherTablesAndKeyFiles) {
  BehindProxy f;
  ASSERT_TRUE(f.server.ok());
  ASSERT_TRUE(f.proxy.ok());
  MainWindow& w = *f.window;
  EXPECT_EQ(w.UTwitter().ProxyServer(), w.Twitter().ProxyServer());

  // The followers frame makes an Other table through the second client.
  w.Followers().GUFOp_Click(1);
  w.Followers().SetGUF_Id("skein_small");
  w.Followers().GetFF_Click(FollowList::kFollowers);
  ASSERT_EQ(w.UserTables().Tables().size(), 2u);
  EXPECT_EQ(Shown(w).RowCount(), 12);

  // Its rows' timeline samples.
  w.UserTables().mUTUnselAll_Click();
  w.UserTables().UserTable_ItemCheck(0, true);
  f.ui.inputs.push_back("5");
  w.UserTables().GetUTTL_Click();
  EXPECT_FALSE(Shown(w).Rows()[0].cells[user_col::kTLTwtDay].empty());
  bool completed = false;
  for (const auto& m : f.ui.messages) completed = completed || m.text == kSamplesDone;
  EXPECT_TRUE(completed);

  // A key file's lookup.
  const std::string keys = f.dir.File("two.suk");
  test::WriteBytes(keys, "\tskein_small\r\n\tskein_quiet\r\n");
  f.ui.open_files.push_back(keys);
  w.UserTables().mOpenUsers_Click(wf::UserTableOpen::kKeyFields);
  ASSERT_EQ(w.UserTables().Tables().size(), 3u);
  EXPECT_EQ(Shown(w).RowCount(), 2);

  EXPECT_FALSE(f.LogHas("Couldn't access the API server"));
  // Everything the server saw came through the proxy.
  const auto lines = f.proxy.RequestLines();
  EXPECT_EQ(lines.size(), f.server.server().Received().size());
  int timelines = 0;
  for (const auto& l : lines) timelines += l.find(kTimeline) != std::string::npos ? 1 : 0;
  EXPECT_GT(timelines, 0);
}

}  // namespace
}  // namespace wf
