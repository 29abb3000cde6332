// The search commands of the window against the API simulator.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

#include "api/curl_http.h"
#include "mainwindow/main_window.h"
#include "support-apisim/test_server.h"
#include "support/scripted_ui.h"
#include "support/test_paths.h"

namespace wf {
namespace {

using apisim::ServerConfig;
using apisim::TestServer;

// A scripted UI that can act on the n-th yield (a click on Cancel while pages arrive).
class LiveUi : public test::ScriptedUi {
 public:
  std::function<void(int)> on_yield;
  void YieldToEvents() override {
    ScriptedUi::YieldToEvents();
    if (on_yield) on_yield(yields);
  }
};

ServerConfig SmallCorpus() {
  ServerConfig config;
  config.corpus.users = 2000;
  config.corpus.search_tweets = 2500;  // about 18 pages over 7 of the 10 days
  return config;
}

struct SearchFixture {
  explicit SearchFixture(ServerConfig config = SmallCorpus()) : server(std::move(config)) {
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
    window->SetSearchQuery("skein AND twitter");
  }

  const std::vector<std::string>& Log() const { return window->Progress().Lines(); }
  bool Contains(const std::string& line, const std::string& part) const {
    return line.find(part) != std::string::npos;
  }

  test::TempDir dir;
  LiveUi ui;
  CurlHttpClient http;
  TestServer server;
  std::unique_ptr<MainWindow> window;
};

TEST(Search, PagesBackToTheThresholdDate) {
  SearchFixture f;
  f.window->Search().GetSrch_Click();
  const auto& log = f.Log();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_TRUE(f.Contains(log[0], "Search initiated @") &&
              f.Contains(log[0], "for [skein AND twitter]"));
  EXPECT_TRUE(f.Contains(log[1], "statuses back to ")) << log[1];
  EXPECT_TRUE(f.Contains(log[2], "terminated at user threshold date (")) << log[2];
  EXPECT_EQ(f.window->LastOutcome().end, RetrievalEnd::ThresholdReached);
  EXPECT_TRUE(f.window->LastOutcome().Succeeded());
  const TweetView& v = f.window->OutTable();
  ASSERT_GT(v.RowCount(), 1000);
  const std::int64_t threshold = ToSerialSeconds(f.window->EarlyDate());
  for (int r = 0; r < v.RowCount(); r += 97) {
    const auto dt = ParseStoredDateTime(v.Cell(r, 1));
    ASSERT_TRUE(dt.has_value());
    EXPECT_GE(ToSerialSeconds(*dt), threshold);
  }
  EXPECT_EQ(f.window->CurTweetSrc(), wf::TweetSource::kSearch);
  EXPECT_TRUE(f.window->UpdateSearchEnabled());
  EXPECT_FALSE(f.window->RetrievalBusy());
  EXPECT_NE(f.window->InfoBar()[2].find(" SEARCH requests remaining"), std::string::npos);
  EXPECT_EQ(f.window->InfoBar()[3].rfind("Next reset: ", 0), 0u);
  EXPECT_LT(f.window->ProgressFraction(), 0);  // the bar is gone once the run ends

  // Saving records the session at the top of the query history.
  f.ui.save_files = {f.dir.File("run.txt")};
  f.window->Sessions().mSaveTweets_Click();
  ASSERT_EQ(f.window->Sessions().QPHistory().Count(), 1);
  EXPECT_EQ(f.window->Sessions().QPHistory().Entries()[0],
            "skein AND twitter  " + f.dir.File("run.txt"));

  // The update asks only for tweets newer than the newest shown: drop the newest rows, and
  // exactly those come back.
  const std::int32_t all = v.RowCount();
  std::vector<std::string> ids;
  for (int r = 0; r < v.RowCount(); ++r) ids.emplace_back(v.Cell(r, 4));
  std::sort(ids.begin(), ids.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() > b.size() : a > b;
  });
  const std::set<std::string> newest(ids.begin(), ids.begin() + 5);
  f.window->MutableOutTable().RemoveRowsIf(
      [&](std::int32_t r) { return newest.count(std::string(v.Cell(r, 4))) != 0; });
  ASSERT_EQ(v.RowCount(), all - 5);
  f.window->Search().UpdateSearch_Click();
  EXPECT_EQ(v.RowCount(), all);
  for (const auto& id : newest) {
    int found = 0;
    for (int r = 0; r < v.RowCount(); ++r) found += v.Cell(r, 4) == id ? 1 : 0;
    EXPECT_EQ(found, 1) << id;
  }
}

TEST(Search, EmptyFirstPage) {
  SearchFixture f;
  f.window->SetSearchQuery("zzqxnotaword");
  f.window->Search().GetSrch_Click();
  const auto& log = f.Log();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[1], "Retrieved 0 statuses");
  EXPECT_TRUE(f.Contains(log[2], ", no more statuses available: 200:OK")) << log[2];
  EXPECT_EQ(f.window->LastOutcome().end, RetrievalEnd::Completed);
  EXPECT_EQ(f.window->LastOutcome().code, "200:OK");
  EXPECT_EQ(f.window->LastOutcome().received, 0);
  EXPECT_EQ(f.window->OutTable().RowCount(), 0);
  EXPECT_FALSE(f.window->UpdateSearchEnabled());
}

TEST(Search, CancelMidRunKeepsTheTweets) {
  SearchFixture f;
  f.ui.on_yield = [&](int n) {
    if (n == 6) f.window->Search().QuitGet_Click();
  };
  f.window->Search().GetSrch_Click();
  EXPECT_TRUE(f.Contains(f.Log().back(), "user cancelled the procedure")) << f.Log().back();
  EXPECT_GT(f.window->OutTable().RowCount(), 0);
  EXPECT_EQ(f.window->LastOutcome().end, RetrievalEnd::Cancelled);
  EXPECT_FALSE(f.window->LastOutcome().Succeeded());
  bool told = false;
  for (const auto& m : f.ui.messages)
    told = told || m.text == "User cancelled the retrieval process";
  EXPECT_TRUE(told);
}

TEST(Search, ClosingWhileSearchingStopsTheSearchFirst) {
  SearchFixture f;
  bool closed = true;
  f.ui.on_yield = [&](int n) {
    if (n == 6) closed = f.window->Form_QueryUnload();
  };
  f.window->Search().GetSrch_Click();
  EXPECT_FALSE(closed);
  EXPECT_FALSE(f.window->Closed());
  EXPECT_TRUE(f.Contains(f.Log().back(), "user cancelled the procedure"));
  EXPECT_FALSE(std::filesystem::exists(f.dir.File("prefs")));
}

TEST(Search, LowQuotaQuestion) {
  ServerConfig config = SmallCorpus();
  config.limits[static_cast<std::size_t>(apisim::Family::kSearch)] = 12;
  {
    SearchFixture f(config);
    f.ui.answers = {MsgAnswer::Ok, MsgAnswer::Cancel};
    f.window->Search().GetSrch_Click();
    ASSERT_GE(f.ui.messages.size(), 2u);
    EXPECT_EQ(f.ui.messages[0].text.rfind("Quota for this window running low. Wait until ", 0), 0u);
    EXPECT_EQ(f.ui.messages[0].buttons, MsgButtons::OkCancel);
    EXPECT_TRUE(f.Contains(f.Log().back(), "user cancelled the procedure"));
    EXPECT_EQ(f.window->LastOutcome().end, RetrievalEnd::QuotaWaitCancelled);
    EXPECT_TRUE(f.window->LastOutcome().CancelledByUser());
  }
  {
    // Going on until the quota is spent: the API refuses and the tweets so far stay.
    SearchFixture f(config);
    f.ui.answers.assign(20, MsgAnswer::Ok);
    f.window->Search().GetSrch_Click();
    EXPECT_TRUE(f.Contains(f.Log().back(), "no more statuses available: 429:")) << f.Log().back();
    EXPECT_EQ(f.window->OutTable().RowCount(), 1200);  // 12 pages of 100
    EXPECT_EQ(f.window->LastOutcome().end, RetrievalEnd::Failed);
    EXPECT_EQ(f.window->LastOutcome().code.rfind("429:", 0), 0u) << f.window->LastOutcome().code;
  }
}

TEST(Search, FailedRequestMidRun) {
  ServerConfig config = SmallCorpus();
  config.faults.status503 = 0.25;  // the fourth request fails
  SearchFixture f(config);
  f.window->Search().GetSrch_Click();
  EXPECT_TRUE(f.Contains(f.Log().back(), "no more statuses available: 503:")) << f.Log().back();
  EXPECT_EQ(f.window->OutTable().RowCount(), 300);
  const RetrievalOutcome& outcome = f.window->LastOutcome();
  EXPECT_EQ(outcome.end, RetrievalEnd::Failed);
  EXPECT_EQ(outcome.reason.rfind("503:", 0), 0u) << outcome.reason;
  EXPECT_EQ(outcome.received, 300);
}

TEST(Search, AnExceptionInsideTheRetrievalLeavesTheWindowNotBusy) {
  SearchFixture f;
  struct PortFailure {};
  f.ui.on_yield = [&](int n) {
    if (n == 6) throw PortFailure{};
  };
  EXPECT_THROW(f.window->Search().GetSrch_Click(), PortFailure);
  EXPECT_FALSE(f.window->RetrievalBusy());
  EXPECT_FALSE(f.window->StopRequested());
  ASSERT_FALSE(f.ui.pointers.empty());
  EXPECT_EQ(f.ui.pointers.front(), Pointer::ArrowHourglass);
  EXPECT_EQ(f.ui.pointers.back(), Pointer::Default);

  // Not stuck: the next search runs to its end.
  f.ui.on_yield = nullptr;
  f.window->Search().GetSrch_Click();
  EXPECT_EQ(f.window->LastOutcome().end, RetrievalEnd::ThresholdReached);
  EXPECT_FALSE(f.window->RetrievalBusy());
}

}  // namespace
}  // namespace wf
