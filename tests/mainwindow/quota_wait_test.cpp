// Quota waits go by the window's clock: a spent window is sat out, or cancelled, without the
// test waiting for it.
#include <gtest/gtest.h>

#include <ctime>

#include "fake_http.h"
#include "mainwindow/main_window.h"
#include "support/scripted_ui.h"
#include "support/test_paths.h"

namespace wf {
namespace {

// Time passes only when the code under test sleeps.
class StepClock : public Clock {
 public:
  CivilDateTime Now() override { return FromSerialSeconds(start_ + elapsed_ms / 1000); }
  void Sleep(std::chrono::milliseconds step) override { elapsed_ms += step.count(); }
  std::int64_t elapsed_ms = 0;

 private:
  std::int64_t start_ = ToSerialSeconds(NowLocal());
};

class CancellingUi : public test::ScriptedUi {
 public:
  std::function<void()> on_yield;
  void YieldToEvents() override {
    ScriptedUi::YieldToEvents();
    if (on_yield) on_yield();
  }
};

struct QuotaWindow {
  QuotaWindow() {
    MainWindowEnvironment env;
    env.ui = &ui;
    env.http = &http;
    env.program_folder = dir.path().string();
    env.clock = &clock;
    window = std::make_unique<MainWindow>(env);
    http.answers.push_back(
        test::FakeHttp::Ok(R"({"token_type":"bearer","access_token":"AAAA%2Fxyz"})"));
    EXPECT_FALSE(window->Twitter().AuthAppAccess("A", "key", "secret").empty());
    window->ActivateAfterAuthentication();
    // A spent window whose reset the client cannot know, then the list's only page.
    http.answers.push_back(test::FakeHttp::Status(429, "Too Many Requests"));
    http.answers.push_back(
        test::FakeHttp::Ok(test::ReadTestdata("tweepy/followers_list_1.json"), 14, 15));
    ui.inputs = {std::string("skein_team")};
  }

  test::TempDir dir;
  CancellingUi ui;
  test::FakeHttp http;
  StepClock clock;
  std::unique_ptr<MainWindow> window;
};

TEST(QuotaWait, ASpentWindowIsSatOutByTheClockAndThePageAskedForAgain) {
  QuotaWindow f;
  int pausing_turns = 0;
  f.ui.on_yield = [&] { pausing_turns += f.window->QuotaPausing() ? 1 : 0; };
  f.window->Followers().mGetUserFollowers_Click();
  EXPECT_EQ(f.window->LastOutcome().end, RetrievalEnd::Completed);
  EXPECT_EQ(f.window->UserListPanel().Users().Count(), 10);
  ASSERT_EQ(f.http.sent.size(), 3u);
  EXPECT_EQ(f.http.sent[1].url, f.http.sent[2].url);  // the same page again
  // An unknown reset is waited for a minute, in short steps that give the window its turns.
  EXPECT_GE(f.clock.elapsed_ms, 60'000);
  EXPECT_LT(f.clock.elapsed_ms, 62'000);
  EXPECT_GE(pausing_turns, 60'000 / 50 - 1);
  EXPECT_FALSE(f.window->QuotaPausing());
}

TEST(QuotaWait, CancelDuringTheWaitEndsTheListWithoutAnotherRequest) {
  QuotaWindow f;
  f.ui.on_yield = [&] {
    if (f.window->QuotaPausing() && f.clock.elapsed_ms >= 20'000) {
      f.window->Search().QuitGet_Click();
    }
  };
  f.window->Followers().mGetUserFollowers_Click();
  EXPECT_EQ(f.window->LastOutcome().end, RetrievalEnd::QuotaWaitCancelled);
  EXPECT_TRUE(f.window->LastOutcome().CancelledByUser());
  EXPECT_EQ(f.http.sent.size(), 2u);
  EXPECT_LT(f.clock.elapsed_ms, 21'000);
  EXPECT_FALSE(f.window->RetrievalBusy());
}

TEST(QuotaWait, ALookupWithItsWindowSpentWaitsForTheResetItWasTold) {
  QuotaWindow f;
  f.http.answers.clear();
  const std::string page = test::ReadTestdata("tweepy/users_lookup_1.json");
  const auto reset = static_cast<int>(std::time(nullptr) + 900);
  f.http.answers.push_back(test::FakeHttp::Ok(page, 0, 300, reset));
  f.http.answers.push_back(test::FakeHttp::Ok(page, 299, 300, reset + 900));
  MainWindow& w = *f.window;
  EXPECT_TRUE(w.Followers().GetUsers(w.Twitter(), {"a"}, false, false));
  EXPECT_EQ(f.clock.elapsed_ms, 0);
  // Nothing left until the reset: the next lookup is not sent to be refused but waits.
  EXPECT_TRUE(w.Followers().GetUsers(w.Twitter(), {"b"}, false, true));
  EXPECT_EQ(f.http.sent.size(), 3u);
  EXPECT_GE(f.clock.elapsed_ms, 895'000);
  EXPECT_LE(f.clock.elapsed_ms, 905'000);
  EXPECT_EQ(w.LastOutcome().end, RetrievalEnd::Completed);
  EXPECT_GT(w.LastOutcome().received, 0);

  // Cancelled during such a wait: the lookup ends as a cancelled quota wait, nothing sent.
  f.ui.on_yield = [&] {
    if (w.QuotaPausing()) w.Search().QuitGet_Click();
  };
  f.http.answers.push_back(test::FakeHttp::Ok(page, 0, 300, reset + 1800));
  EXPECT_TRUE(w.Followers().GetUsers(w.Twitter(), {"c"}, false, true));
  const std::int64_t waited = f.clock.elapsed_ms;
  f.ui.inputs = {std::string("d")};
  w.UserListPanel().mAddUser_Click();  // a command: Cancel reaches its lookup
  EXPECT_EQ(w.LastOutcome().end, RetrievalEnd::QuotaWaitCancelled);
  EXPECT_EQ(f.http.sent.size(), 4u);
  EXPECT_LT(f.clock.elapsed_ms - waited, 1'000);
  EXPECT_FALSE(w.RetrievalBusy());
}

}  // namespace
}  // namespace wf
