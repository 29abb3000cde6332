// Quota waits go by the window's clock: a spent window is sat out, or cancelled, without the
// test waiting for it.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace wf
