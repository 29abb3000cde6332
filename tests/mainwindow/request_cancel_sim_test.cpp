// Cancel pressed while a request waits for a slow server: the request is given up at once and
// the retrieval ends as a cancel with the pages it already has, as a Cancel between pages does.

#include <gtest/gtest.h>

#include <string>

#include "sim_window_fixture.h"

namespace wf {
namespace {

using test::SimWindow;

constexpr int kLatencyMs = 2000;

apisim::ServerConfig Corpus() {
  apisim::ServerConfig config = test::SmallSim();
  config.corpus.search_tweets = 2500;  // well over three pages of the query
  return config;
}

// Two pages come at once; from then on the server answers after kLatencyMs, and the user
// presses Cancel on the window's third turn during the slow request.
struct SlowThirdPage {
  explicit SlowThirdPage(SimWindow& sim) : f(sim) {
    MainWindow& w = *f.window;
    f.ui.on_yield = [this, &w](int) {
      if (!slow && w.RetrievalBusy() && w.Twitter().Tweets().Count() >= 200) {
        apisim::FaultConfig faults;
        faults.latency_ms = kLatencyMs;
        f.server.server().SetFaults(faults);
        slow = true;
      }
    };
    f.http.SetWhileWaiting([this, &w] {
      if (!slow || cancelled) return;
      if (++turns == 3) {
        kept_at_cancel = w.Twitter().Tweets().Count();
        cancelled = true;
        w.Search().QuitGet_Click();
      }
    });
  }
  ~SlowThirdPage() {
    f.http.SetWhileWaiting(nullptr);
    f.ui.on_yield = nullptr;
  }

  bool AskedToRetry() const {
    for (const auto& m : f.ui.messages)
      if (m.caption.rfind("Recoverable error within", 0) == 0) return true;
    return false;
  }

  SimWindow& f;
  bool slow = false;
  bool cancelled = false;
  int turns = 0;
  int kept_at_cancel = -1;
};

TEST(CancelDuringARequest, SearchEndsAsCancelledWithTheEarlierPages) {
  for (const bool v2 : {false, true}) {
    SCOPED_TRACE(v2 ? "API v2" : "API v1.1");
    SimWindow f(Corpus());
    MainWindow& w = *f.window;
    if (v2) w.Sessions().mApiV2_Click();
    w.SetSearchQuery("skein AND twitter");
    SlowThirdPage run(f);
    w.Search().GetSrch_Click();
    ASSERT_TRUE(run.cancelled);
    EXPECT_GE(run.kept_at_cancel, 200);
    // The page that was on its way never arrived, and the ones before it stay.
    EXPECT_EQ(w.OutTable().RowCount(), run.kept_at_cancel);
    EXPECT_TRUE(w.Twitter().LastRequestCancelled());
    EXPECT_FALSE(run.AskedToRetry());
    EXPECT_TRUE(f.Told("User cancelled the retrieval process"));
    EXPECT_NE(f.Log().back().find("user cancelled the procedure"), std::string::npos)
        << f.Log().back();
    EXPECT_FALSE(w.RetrievalBusy());
  }
}

TEST(CancelDuringARequest, TimelineWalkEndsAsCancelledWithoutARetrievalError) {
  SimWindow f(Corpus());
  MainWindow& w = *f.window;
  w.SetEarlyDate(CivilDateTime{2000, 1, 1, 0, 0, 0});
  f.ui.clipboard = "skein_team\r\nskein_small\r\n";
  w.UserListPanel().mPasteUL_Click();
  ASSERT_EQ(w.UserListPanel().Users().Count(), 2);
  for (int i = 0; i < w.UserListPanel().Users().Count(); ++i)
    w.UserListPanel().UserList_ItemCheck(i, true);
  SlowThirdPage run(f);
  w.Timelines().GetAllUTL_Click();
  ASSERT_TRUE(run.cancelled);
  EXPECT_GE(run.kept_at_cancel, 200);
  EXPECT_EQ(w.OutTable().RowCount(), run.kept_at_cancel);
  EXPECT_FALSE(run.AskedToRetry());
  EXPECT_FALSE(f.LogHas("Retrieval error: "));
  EXPECT_TRUE(f.LogHas("Retrieval of [skein_team] ended"));
  EXPECT_NE(f.Log().back().find("user cancelled the procedure"), std::string::npos)
      << f.Log().back();
  EXPECT_FALSE(f.LogHas("[skein_small]"));  // the walk did not go on to the next user
}

}  // namespace
}  // namespace wf
