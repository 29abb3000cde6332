// Every retrieval of the main window against every fault the simulator injects, the fault
// switching on after the run's first answers: the run ends with its own log line or prompt,
// the window stays usable, and everything collected before the fault is still shown.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <ctime>
#include <functional>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "api/curl_http.h"
#include "mainwindow/main_window.h"
#include "support-apisim/test_server.h"
#include "support/scripted_ui.h"
#include "support/test_paths.h"

namespace wf {
namespace {

using apisim::Family;

// ---- The faults ---------------------------------------------------------------------------

enum class Fault {
  kRefused,    // nothing listens at the API's address any more
  kStall,      // the answer does not come within the client's wait
  kStatus500,  // Twitter's "Internal error"
  kStatus503,  // "Over capacity"
  kQuota429,   // the window's quota runs out
  kCut,        // the connection closes half-way through the body
  kTruncate,   // a complete answer whose JSON stops half-way
  kMalformed,  // a 200 answer that is an HTML page
  kNoQuota,    // the x-rate-limit-* headers are missing
  kOversize,   // pages far larger than the count asked for
};

enum class Retrieval {
  kSearch,
  kUpdateSearch,
  kTimelines,
  kLookup,
  kFollowers,
  kFriends,
  kFrame,
  kSamples,
};
constexpr int kRetrievals = 8;

// How one retrieval ends under one fault: a text that the request log or a message shown to
// the user must contain, and whether the "Try again?" question comes first (it is answered No,
// as a user giving up would).
struct Outcome {
  const char* ending;
  bool asks;
};

// One row per fault, one column per retrieval: search, update search, timelines, lookup,
// followers, friends, frame, timeline samples. kNormal: the run ends as it would without the fault.
struct Expectation {
  Fault fault;
  const char* name;
  std::array<Outcome, kRetrievals> outcome;
};

constexpr const char* kNormal = "~";
constexpr const char* kGaveUp = "no more statuses available: Couldn't access the API server";
// The failure of the request that went wrong, not the status of the one before it.
constexpr const char* kNoAccess = "Retrieval error: Couldn't access the API server (";
constexpr const char* kNoAnswer = " ended after 3 failed requests: no answer from the server";
constexpr const char* kUnreadable =
    " ended after 3 failed requests: unreadable answers from the server";
constexpr const char* kCancelled = "User cancelled the retrieval process";
constexpr const char* kLookupShort = "No profile found for: ";
constexpr const char* kEmptyPage = "no more statuses available: 200:OK";
// Timeline samples do not stop at a failed user; a row whose request failed keeps what it had
// and is counted as failed.
constexpr const char* kSamplesEnd = ", 3 of 3 users done";
constexpr const char* kSamplesFailed = "1 of 3 rows sampled, 2 failed";

const Expectation kExpectations[] = {
    {Fault::kRefused,
     "refused",
     {{{kGaveUp, true},
       {kGaveUp, true},
       {kNoAccess, true},
       {kLookupShort, true},
       {kNoAnswer, true},
       {kNoAnswer, true},
       {kNoAnswer, true},
       {kSamplesFailed, true}}}},
    {Fault::kStall,
     "stall",
     {{{kGaveUp, true},
       {kGaveUp, true},
       {kNoAccess, true},
       {kLookupShort, true},
       {kNoAnswer, true},
       {kNoAnswer, true},
       {kNoAnswer, true},
       {kSamplesFailed, true}}}},
    {Fault::kStatus500,
     "status500",
     {{{"no more statuses available: 500:Internal Server Error", false},
       {"no more statuses available: 500:Internal Server Error", false},
       {"Retrieval error: 500:Internal Server Error", false},
       {kLookupShort, false},
       {" ended after 3 failed requests: 500:Internal Server Error", false},
       {" ended after 3 failed requests: 500:Internal Server Error", false},
       {" ended after 3 failed requests: 500:Internal Server Error", false},
       {kSamplesFailed, false}}}},
    {Fault::kStatus503,
     "status503",
     {{{"no more statuses available: 503:Service Unavailable", false},
       {"no more statuses available: 503:Service Unavailable", false},
       {"Retrieval error: 503:Service Unavailable", false},
       {kLookupShort, false},
       {" ended after 3 failed requests: 503:Service Unavailable", false},
       {" ended after 3 failed requests: 503:Service Unavailable", false},
       {" ended after 3 failed requests: 503:Service Unavailable", false},
       {kSamplesFailed, false}}}},
    // Lookups, lists and timeline samples wait for the next window instead of failing; the user
    // gives up.
    {Fault::kQuota429,
     "quota429",
     {{{"no more statuses available: 429:Too Many Requests", false},
       {"no more statuses available: 429:Too Many Requests", false},
       {"Retrieval error: 429:Too Many Requests", false},
       {"User table update was not completed", false},
       {kCancelled, false},
       {kCancelled, false},
       {kCancelled, false},
       {kCancelled, false}}}},
    {Fault::kCut,
     "cut",
     {{{kGaveUp, true},
       {kGaveUp, true},
       {kNoAccess, true},
       {kLookupShort, true},
       {kNoAnswer, true},
       {kNoAnswer, true},
       {kNoAnswer, true},
       {kSamplesFailed, true}}}},
    // Tweets page by the oldest id read, so a half page only costs another request.
    {Fault::kTruncate,
     "truncate",
     {{{kNormal, false},
       {kNormal, false},
       {kNormal, false},
       {kLookupShort, false},
       {kUnreadable, false},
       {kUnreadable, false},
       {kUnreadable, false},
       {kSamplesEnd, false}}}},
    {Fault::kMalformed,
     "malformed",
     {{{kEmptyPage, false},
       {kEmptyPage, false},
       {kEmptyPage, false},
       {kLookupShort, false},
       {kUnreadable, false},
       {kUnreadable, false},
       {kUnreadable, false},
       {kSamplesEnd, false}}}},
    // Search reads its quota when it is there; the other resources count a missing quota as a
    // failed exchange.
    {Fault::kNoQuota,
     "noquota",
     {{{kNormal, false},
       {kNormal, false},
       {kNoAccess, true},
       {kLookupShort, true},
       {kNoAnswer, true},
       {kNoAnswer, true},
       {kNoAnswer, true},
       {kSamplesFailed, true}}}},
    {Fault::kOversize,
     "oversize",
     {{{kNormal, false},
       {kNormal, false},
       {kNormal, false},
       {kNormal, false},
       {kNormal, false},
       {kNormal, false},
       {kNormal, false},
       {kNormal, false}}}},
};

void PrintTo(const Expectation& e, std::ostream* os) {
  *os << e.name;
}

// ---- The window's HTTP with a switch ------------------------------------------------------

// Real HTTP with two test handles: a hook that runs as the n-th resource request of a run is
// opened (the fault switches on there, before the request goes out), and a redirect of
// resource requests to another address. Waits are cut short so that a stalled answer costs a
// second, not the resource's full time-out.
class SwitchedHttp : public HttpClient {
 public:
  std::function<void()> on_trigger;
  // Asked as each resource request opens, with the requests counted since ResetCount(); the
  // trigger runs once, at the first request for which it holds.
  std::function<bool(int)> trigger_when;
  std::string redirect_base;
  double max_wait_seconds = 1.0;

  void ResetCount() { requests_ = 0; }
  int requests() const { return requests_; }

  std::unique_ptr<HttpRequest> CreateRequest() override {
    return std::make_unique<Request>(*this, inner_.CreateRequest());
  }

 private:
  class Request : public HttpRequest {
   public:
    Request(SwitchedHttp& owner, std::unique_ptr<HttpRequest> inner)
        : owner_(owner), inner_(std::move(inner)) {}
    void Open(std::string_view method, std::string_view url, bool async) override {
      std::string target(url);
      const std::size_t resource = target.find("/1.1/");
      if (resource != std::string::npos) {
        ++owner_.requests_;
        if (owner_.trigger_when && owner_.trigger_when(owner_.requests_)) {
          owner_.trigger_when = nullptr;
          if (owner_.on_trigger) owner_.on_trigger();
        }
        if (!owner_.redirect_base.empty()) target = owner_.redirect_base + target.substr(resource);
      }
      inner_->Open(method, target, async);
    }
    void SetRequestHeader(std::string_view n, std::string_view v) override {
      inner_->SetRequestHeader(n, v);
    }
    void SetProxy(int s, std::string_view server, std::string_view bypass) override {
      inner_->SetProxy(s, server, bypass);
    }
    void Send(std::string_view body) override { inner_->Send(body); }
    bool WaitForResponse(double seconds) override {
      return inner_->WaitForResponse(std::min(seconds, owner_.max_wait_seconds));
    }
    int Status() const override { return inner_->Status(); }
    std::string StatusText() const override { return inner_->StatusText(); }
    const std::string& ResponseText() const override { return inner_->ResponseText(); }
    std::optional<std::string> GetResponseHeader(std::string_view name) const override {
      return inner_->GetResponseHeader(name);
    }
    void Abort() override { inner_->Abort(); }
    std::string ErrorText() const override { return inner_->ErrorText(); }

   private:
    SwitchedHttp& owner_;
    std::unique_ptr<HttpRequest> inner_;
  };

  CurlHttpClient inner_;
  int requests_ = 0;
};

// An address on loopback where nothing listens: a port bound and released again.
std::string ClosedPortBase() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t len = sizeof addr;
  int port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
    port = ntohs(addr.sin_port);
  }
  ::close(fd);
  return "http://127.0.0.1:" + std::to_string(port);
}

// A UI that acts on each yield: a user who sees the window wait for the next quota window
// gives up with Cancel.
class GivingUpUi : public test::ScriptedUi {
 public:
  std::function<void()> on_yield;
  void YieldToEvents() override {
    ScriptedUi::YieldToEvents();
    if (on_yield) on_yield();
  }
};

apisim::ServerConfig SmallSim() {
  apisim::ServerConfig config;
  config.corpus.users = 6000;
  config.corpus.search_tweets = 500;
  config.threads = 4;
  return config;
}

// ---- One run ------------------------------------------------------------------------------

struct Rig {
  Rig() : server(SmallSim()) {
    MainWindowEnvironment env;
    env.ui = &ui;
    env.http = &http;
    env.program_folder = dir.path().string();
    env.api_base = server.BaseUrl();
    env.sentiment_program = WF_SENTI_EXE;
    window = std::make_unique<MainWindow>(env);
    window->Form_Load();
    EXPECT_FALSE(window->Twitter().AuthAppAccess("Test", "demo-key", "demo-secret").empty());
    window->ActivateAfterAuthentication();
    window->SetUTwitterAuthenticator([](TwitterAPI& api) {
      return !api.AuthAppAccess("Test", "demo-key", "demo-secret").empty();
    });
    ui.on_yield = [this] {
      if (window->QuotaPausing()) window->Search().QuitGet_Click();
    };
  }

  bool Shows(const std::string& text) const {
    for (const auto& l : window->Progress().Lines())
      if (l.find(text) != std::string::npos) return true;
    for (const auto& m : ui.messages)
      if (m.text.find(text) != std::string::npos) return true;
    return false;
  }
  std::string Transcript() const {
    std::string out = "log:\n";
    for (const auto& l : window->Progress().Lines()) out += "  " + l + "\n";
    out += "messages:\n";
    for (const auto& m : ui.messages) out += "  " + m.text + "\n";
    return out;
  }

  // An account with 401 to 600 followers: three pages of 200.
  std::string ThreePageAccount() const {
    const auto& corpus = server.server().corpus();
    for (uint32_t u = 0; u < 6000; ++u) {
      if (corpus.FollowerCount(u) > 400 && corpus.FollowerCount(u) <= 600 &&
          !corpus.Key(u).is_protected) {
        return corpus.Key(u).screen_name;
      }
    }
    ADD_FAILURE() << "no account with three pages of followers";
    return "skein_team";
  }

  test::TempDir dir;
  GivingUpUi ui;
  SwitchedHttp http;
  mutable apisim::TestServer server;
  std::unique_ptr<MainWindow> window;
};

std::string DaysAgoUtc(int days) {
  const std::time_t t = std::time(nullptr) - static_cast<std::time_t>(days) * 86400;
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[16];
  std::strftime(buf, sizeof buf, "%Y-%m-%d", &tm);
  return buf;
}

std::set<std::string> TableIds(const MainWindow& w) {
  std::set<std::string> out;
  for (std::int32_t r = 0; r < w.OutTable().RowCount(); ++r) {
    std::string_view id = w.OutTable().Cell(r, 4);
    while (!id.empty() && id.front() == ' ') id.remove_prefix(1);
    out.insert(std::string(id));
  }
  return out;
}

std::set<std::string> TweetIds(const TweetSet& tweets) {
  std::set<std::string> out;
  for (const auto& t : tweets.Records()) out.insert(t.TweetID);
  return out;
}

std::set<std::string> UserIds(const UserSet& users) {
  std::set<std::string> out;
  for (const auto& u : users.Records()) out.insert(u.Id);
  return out;
}

std::set<std::string> ScreenNames(const UserSet& users) {
  std::set<std::string> out;
  for (const auto& u : users.Records()) out.insert(u.ScreenName);
  return out;
}

Family FamilyOf(Retrieval r) {
  switch (r) {
    case Retrieval::kSearch:
    case Retrieval::kUpdateSearch:
      return Family::kSearch;
    case Retrieval::kTimelines:
    case Retrieval::kSamples:
      return Family::kUserTimeline;
    case Retrieval::kLookup:
      return Family::kUsersLookup;
    case Retrieval::kFollowers:
    case Retrieval::kFrame:
      return Family::kFollowersList;
    case Retrieval::kFriends:
      return Family::kFriendsList;
  }
  return Family::kSearch;
}

const char* NameOf(Retrieval r) {
  constexpr std::array<const char*, kRetrievals> kNames = {
      "search", "update_search", "timelines", "lookup", "followers", "friends", "frame", "samples"};
  return kNames[static_cast<std::size_t>(r)];
}

// Puts the state a retrieval starts from in place (requests made here are not counted).
void Prepare(Rig& rig, Retrieval r) {
  MainWindow& w = *rig.window;
  switch (r) {
    case Retrieval::kSearch:
      w.SetSearchQuery("skein AND twitter");
      break;
    case Retrieval::kUpdateSearch:
      // An older table to update: the query's tweets up to three days ago.
      w.SetSearchQuery("skein AND twitter until:" + DaysAgoUtc(3));
      w.Search().GetSrch_Click();
      ASSERT_GT(w.OutTable().RowCount(), 0);
      w.SetSearchQuery("skein AND twitter");
      break;
    case Retrieval::kTimelines:
      rig.ui.clipboard = "skein_team\r\nskein_small\r\n";
      w.UserListPanel().mPasteUL_Click();
      ASSERT_EQ(w.UserListPanel().Users().Count(), 2);
      w.UserListPanel().UserList_ItemCheck(0, true);
      w.UserListPanel().UserList_ItemCheck(1, true);
      break;
    case Retrieval::kLookup: {
      std::string text;
      for (uint32_t u = 100; u < 350; ++u)
        text += rig.server.server().corpus().Key(u).screen_name + "\r\n";
      rig.ui.clipboard = text;
      break;
    }
    case Retrieval::kFollowers:
      rig.ui.inputs.push_back(rig.ThreePageAccount());
      break;
    case Retrieval::kFriends:
      rig.ui.inputs.push_back(std::string("skein_team"));  // 300 friends: two pages
      break;
    case Retrieval::kFrame:
      w.Followers().GUFOp_Click(1);
      w.Followers().SetGUF_Id(rig.ThreePageAccount());
      break;
    case Retrieval::kSamples:
      // A table of skein_small's followers, three of them ticked.
      w.Followers().GUFOp_Click(1);
      w.Followers().SetGUF_Id("skein_small");
      w.Followers().GetFF_Click(FollowList::kFollowers);
      ASSERT_GE(w.UserTables().Tables().size(), 2u);
      ASSERT_GE(w.UserTables().Tables().back().RowCount(), 3);
      for (int row = 0; row < 3; ++row) w.UserTables().UserTable_ItemCheck(row, true);
      rig.ui.inputs.push_back(std::string("50"));
      break;
  }
}

void Start(Rig& rig, Retrieval r) {
  MainWindow& w = *rig.window;
  switch (r) {
    case Retrieval::kSearch:
      w.Search().GetSrch_Click();
      break;
    case Retrieval::kUpdateSearch:
      w.Search().UpdateSearch_Click();
      break;
    case Retrieval::kTimelines:
      w.Timelines().GetAllUTL_Click();
      break;
    case Retrieval::kLookup:
      w.UserListPanel().mPasteUL_Click();
      break;
    case Retrieval::kFollowers:
      w.Followers().mGetUserFollowers_Click();
      break;
    case Retrieval::kFriends:
      w.Followers().mGetUserFriends_Click();
      break;
    case Retrieval::kFrame:
      w.Followers().GetFF_Click(FollowList::kFollowers);
      break;
    case Retrieval::kSamples:
      w.UserTables().GetUTTL_Click();
      break;
  }
}

// Rows of the table on show that hold timeline samples: id and every timeline cell.
std::set<std::string> SampledRows(const MainWindow& w) {
  std::set<std::string> out;
  for (const auto& row : w.UserTables().Tables().back().Rows()) {
    if (row.cells[user_col::kTLTwtDay].empty()) continue;
    std::string text = row.cells[user_col::kId];
    for (std::size_t c = user_col::kTwtSamp; c < row.cells.size(); ++c) text += "|" + row.cells[c];
    out.insert(std::move(text));
  }
  return out;
}

// What the run holds so far (taken as the fault switches on).
std::set<std::string> Collected(Rig& rig, Retrieval r) {
  MainWindow& w = *rig.window;
  switch (r) {
    case Retrieval::kSearch:
    case Retrieval::kTimelines:
      return TweetIds(w.Twitter().Tweets());
    case Retrieval::kUpdateSearch: {
      std::set<std::string> ids = TableIds(w);
      ids.merge(TweetIds(w.Twitter().Tweets()));
      return ids;
    }
    case Retrieval::kLookup:
      return UserIds(w.Twitter().Users());
    case Retrieval::kFollowers:
    case Retrieval::kFriends:
      return ScreenNames(w.Twitter().Users());
    case Retrieval::kFrame:
      return UserIds(w.UTwitter().Users());
    case Retrieval::kSamples:
      return SampledRows(w);
  }
  return {};
}

// Where the run's results end up for the user.
std::set<std::string> Shown(Rig& rig, Retrieval r) {
  MainWindow& w = *rig.window;
  std::set<std::string> out;
  switch (r) {
    case Retrieval::kSearch:
    case Retrieval::kUpdateSearch:
    case Retrieval::kTimelines:
      return TableIds(w);
    case Retrieval::kLookup:
      return UserIds(w.Twitter().Users());
    case Retrieval::kFollowers:
    case Retrieval::kFriends:
      for (const auto& e : w.UserListPanel().Users().Entries()) out.insert(e.text);
      return out;
    case Retrieval::kFrame:
      for (std::size_t t = 1; t < w.UserTables().Tables().size(); ++t)
        for (const auto& row : w.UserTables().Tables()[t].Rows()) out.insert(row.cells[0]);
      return out;
    case Retrieval::kSamples:
      return SampledRows(w);
  }
  return out;
}

// The ending of a run that no fault disturbed.
std::string NormalEnding(Rig& rig, Retrieval r) {
  switch (r) {
    case Retrieval::kSearch:
      return "terminated at user threshold date (";
    case Retrieval::kUpdateSearch:
      return kEmptyPage;  // up to the newest tweet of the table
    case Retrieval::kTimelines:
      return "Retrieval of [skein_small] ended @";
    case Retrieval::kLookup:
      return "Getting profile details for user list (250 out of 250 retrieved)";
    case Retrieval::kFollowers:
    case Retrieval::kFrame:
      return "Getting followers of " + rig.ThreePageAccount() + " (";
    case Retrieval::kFriends:
      return "300 Screen Names of friends of skein_team were copied to the User Timeline list.";
    case Retrieval::kSamples:
      return "Retrieval of User timeline samples completed";
  }
  return "";
}

// How many accounts a whole list holds (0: not a list).
std::size_t CompleteCount(Rig& rig, Retrieval r) {
  const auto& corpus = rig.server.server().corpus();
  switch (r) {
    case Retrieval::kFollowers:
    case Retrieval::kFrame:
      return corpus.FollowerCount(*corpus.FindUserByName(rig.ThreePageAccount()));
    case Retrieval::kFriends:
      return corpus.FriendCount(*corpus.FindUserByName("skein_team"));
    case Retrieval::kLookup:
      return 250;
    default:
      return 0;
  }
}

// How many results the run produced, duplicates included.
std::size_t Results(Rig& rig, Retrieval r) {
  MainWindow& w = *rig.window;
  switch (r) {
    case Retrieval::kFollowers:
    case Retrieval::kFriends:
      return static_cast<std::size_t>(w.UserListPanel().Users().Count());
    case Retrieval::kFrame:
      return static_cast<std::size_t>(w.UserTables().Tables().back().RowCount());
    case Retrieval::kLookup:
      return static_cast<std::size_t>(w.Twitter().Users().Count());
    default:
      return 0;
  }
}

void SwitchOn(Rig& rig, Fault fault, Family family) {
  apisim::FaultConfig c;
  switch (fault) {
    case Fault::kRefused:
      rig.http.redirect_base = ClosedPortBase();
      break;
    case Fault::kStall:
      c.stall = 1;
      break;
    case Fault::kStatus500:
      c.status500 = 1;
      break;
    case Fault::kStatus503:
      c.status503 = 1;
      break;
    case Fault::kQuota429: {
      apisim::Limits spent = apisim::DefaultLimits();
      spent[static_cast<std::size_t>(family)] = 0;
      rig.server.server().SetLimits(spent);
      break;
    }
    case Fault::kCut:
      c.cut = 1;
      break;
    case Fault::kTruncate:
      c.truncate = 1;
      break;
    case Fault::kMalformed:
      c.malformed = 1;
      break;
    case Fault::kNoQuota:
      c.noquota = 1;
      break;
    case Fault::kOversize:
      c.oversize = 450;
      break;
  }
  rig.server.server().SetFaults(c);
}

void SwitchOff(Rig& rig) {
  rig.http.redirect_base.clear();
  rig.server.server().SetFaults({});
  rig.server.server().SetLimits(apisim::DefaultLimits());
}

using Pair = std::tuple<Retrieval, Expectation>;

class FaultTable : public ::testing::TestWithParam<Pair> {};

TEST_P(FaultTable, EndsAsExpectedKeepsWhatCameAndStaysUsable) {
  const Retrieval retrieval = std::get<0>(GetParam());
  const Expectation& expect = std::get<1>(GetParam());
  Rig rig;
  ASSERT_TRUE(rig.server.ok());
  MainWindow& w = *rig.window;
  Prepare(rig, retrieval);
  if (HasFatalFailure()) return;

  // The fault starts with the run's second resource request: the first answer always counts.
  std::set<std::string> before;
  bool switched = false;
  rig.http.ResetCount();
  // Samples switch on once the first ticked row has its samples.
  rig.http.trigger_when = [&](int requests) {
    return retrieval == Retrieval::kSamples ? !SampledRows(w).empty() : requests >= 2;
  };
  rig.http.on_trigger = [&] {
    before = Collected(rig, retrieval);
    SwitchOn(rig, expect.fault, FamilyOf(retrieval));
    switched = true;
  };
  const std::size_t messages_before = rig.ui.messages.size();
  Start(rig, retrieval);
  rig.http.on_trigger = nullptr;

  SCOPED_TRACE(rig.Transcript());
  ASSERT_TRUE(switched) << "the run ended before the fault could start";
  EXPECT_FALSE(before.empty());
  EXPECT_FALSE(w.RetrievalBusy());

  const Outcome& outcome = expect.outcome[static_cast<std::size_t>(retrieval)];
  const bool normal = std::string_view(outcome.ending) == kNormal;
  const std::string ending = normal ? NormalEnding(rig, retrieval) : outcome.ending;
  EXPECT_TRUE(rig.Shows(ending)) << "expected: " << ending;

  bool asked = false;
  for (std::size_t i = messages_before; i < rig.ui.messages.size(); ++i)
    asked = asked || rig.ui.messages[i].caption.rfind("Recoverable error within ", 0) == 0;
  EXPECT_EQ(asked, outcome.asks);

  const std::set<std::string> shown = Shown(rig, retrieval);
  for (const auto& id : before) EXPECT_TRUE(shown.count(id)) << id << " was lost";
  // A list that ends normally is whole, each account once.
  if (normal && CompleteCount(rig, retrieval) > 0) {
    EXPECT_EQ(shown.size(), CompleteCount(rig, retrieval));
    EXPECT_EQ(Results(rig, retrieval), shown.size());
  }

  // Still usable: with the fault gone, one more command goes through.
  SwitchOff(rig);
  rig.ui.inputs.push_back(std::string("skein_small"));
  w.UserListPanel().mAddUser_Click();
  ASSERT_GT(w.UserListPanel().Users().Count(), 0);
  EXPECT_EQ(w.UserListPanel().Users().Entries().back().text, "skein_small");
}

std::string PairName(const ::testing::TestParamInfo<Pair>& info) {
  return std::string(NameOf(std::get<0>(info.param))) + "_" + std::get<1>(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(
    AllPairs, FaultTable,
    ::testing::Combine(::testing::Values(Retrieval::kSearch, Retrieval::kUpdateSearch,
                                         Retrieval::kTimelines, Retrieval::kLookup,
                                         Retrieval::kFollowers, Retrieval::kFriends,
                                         Retrieval::kFrame, Retrieval::kSamples),
                       ::testing::ValuesIn(kExpectations)),
    PairName);

}  // namespace
}  // namespace wf
