// File > Open > Tweet IDs to Hydrate against the API simulator: Cancel and a resumed journal.
#include <gtest/gtest.h>

#include <functional>

#include "api/curl_http.h"
#include "mainwindow/main_window.h"
#include "support-apisim/test_server.h"
#include "support/scripted_ui.h"
#include "support/test_paths.h"
#include "util/file_io.h"

namespace wf {
namespace {

class LiveUi : public test::ScriptedUi {
 public:
  std::function<void()> on_yield;
  void YieldToEvents() override {
    ScriptedUi::YieldToEvents();
    if (on_yield) on_yield();
  }
};

struct HydrateFixture {
  HydrateFixture() : server(Config()) { Start(); }
  // A new window, as at the next start of the program.
  void Start() {
    window.reset();
    MainWindowEnvironment env;
    env.ui = &ui;
    env.http = &http;
    env.program_folder = dir.path().string();
    env.api_base = server.BaseUrl();
    window = std::make_unique<MainWindow>(env);
    window->Form_Load();
    EXPECT_FALSE(window->Twitter().AuthAppAccess("Test", "demo-key", "demo-secret").empty());
    window->ActivateAfterAuthentication();
  }
  static apisim::ServerConfig Config() {
    apisim::ServerConfig config;
    config.corpus.users = 2000;
    config.corpus.search_tweets = 2500;
    config.faults.deleted = 0.1;
    return config;
  }
  std::vector<std::string> TableIds() const {
    std::vector<std::string> ids;
    for (std::int32_t r = 0; r < window->OutTable().RowCount(); ++r) {
      std::string id(window->OutTable().Cell(r, 4));
      id.erase(0, id.find_first_not_of(' '));
      id.erase(id.find_last_not_of(' ') + 1);
      ids.push_back(id);
    }
    return ids;
  }

  test::TempDir dir;
  LiveUi ui;
  CurlHttpClient http;
  apisim::TestServer server;
  std::unique_ptr<MainWindow> window;
};

TEST(Hydrate, CancelKeepsTheRowsAndTheJournalResumesToTheWholeTable) {
  HydrateFixture f;
  f.window->SetSearchQuery("skein AND twitter");
  f.window->Search().GetSrch_Click();
  std::string ids;
  std::size_t asked = 0;
  for (const TweetRecord& t : f.window->Twitter().Tweets().Records()) {
    ids += t.TweetID + "\n";
    ++asked;
  }
  ASSERT_GT(asked, 500u);
  const std::string file = f.dir.File("ids.txt");
  ASSERT_TRUE(WriteFileAtomically(file, ids));

  // The whole run, for comparison.
  ASSERT_TRUE(f.window->Search().HydrateIdsFile(file));
  const std::vector<std::string> whole = f.TableIds();
  const std::size_t whole_missing = f.window->Search().LastHydration().missing.size();
  EXPECT_EQ(whole.size() + whole_missing, asked);
  EXPECT_GT(whole_missing, 0u);
  EXPECT_EQ(f.window->Search().LastHydration().outcome.end, RetrievalEnd::Completed);
  EXPECT_NE(f.window->Caption().find("[" + file + "*]"), std::string::npos);
  EXPECT_TRUE(f.window->TweetsModified());
  const std::string& ending = f.window->Progress().Lines().back();
  EXPECT_NE(ending.find(std::to_string(whole.size()) + " tweets found, " +
                        std::to_string(whole_missing) + " missing"),
            std::string::npos)
      << ending;

  // Cancelled after the second batch: its rows stay, and the journal (kept until a save)
  // takes the run up where it stopped.
  f.window->Recovery().SetKeepRecoveryUntilSaved(true);
  f.ui.on_yield = [&] {
    const auto& log = f.window->Progress().Lines();
    if (!log.empty() && log.back().starts_with("200 of ")) f.window->Search().QuitGet_Click();
  };
  ASSERT_TRUE(f.window->Search().HydrateIdsFile(file));
  f.ui.on_yield = nullptr;
  EXPECT_EQ(f.window->Search().LastHydration().done, 200u);
  EXPECT_EQ(f.window->Search().LastHydration().outcome.end, RetrievalEnd::Cancelled);
  const std::vector<std::string> part = f.TableIds();
  ASSERT_FALSE(part.empty());
  EXPECT_EQ(part, std::vector<std::string>(
                      whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(part.size())));
  EXPECT_NE(f.window->Progress().Lines().back().find("user cancelled the procedure"),
            std::string::npos);

  const auto journal = ReadRecoveryFile(RecoveryLog::PathIn(f.dir.path().string()));
  ASSERT_TRUE(journal);
  EXPECT_EQ(journal->header.kind, RecoveryHeader::Kind::Hydrate);
  EXPECT_EQ(journal->state.max_id, "200");
  f.Start();
  ASSERT_TRUE(f.window->Recovery().RecoverRetrieval(true));
  EXPECT_EQ(f.TableIds(), whole);
  EXPECT_EQ(f.window->Search().LastHydration().missing.size(), whole_missing);
  EXPECT_EQ(f.window->Search().LastHydration().done, asked);
  EXPECT_FALSE(std::filesystem::exists(RecoveryLog::PathIn(f.dir.path().string())));
}

TEST(Hydrate, AnExceptionInsideTheRunLeavesTheWindowNotBusy) {
  HydrateFixture f;
  const std::string file = f.dir.File("ids.txt");
  std::string ids;
  for (int i = 0; i < 450; ++i) ids += std::to_string(1000 + i) + "\n";
  ASSERT_TRUE(WriteFileAtomically(file, ids));
  struct PortFailure {};
  int yields = 0;
  f.ui.on_yield = [&] {
    if (++yields == 3) throw PortFailure{};
  };
  EXPECT_THROW(f.window->Search().HydrateIdsFile(file), PortFailure);
  EXPECT_FALSE(f.window->RetrievalBusy());
  EXPECT_FALSE(f.window->StopRequested());
  ASSERT_FALSE(f.ui.pointers.empty());
  EXPECT_EQ(f.ui.pointers.back(), Pointer::Default);

  // Not stuck: the next run goes through every id.
  f.ui.on_yield = nullptr;
  ASSERT_TRUE(f.window->Search().HydrateIdsFile(file));
  EXPECT_EQ(f.window->Search().LastHydration().done, 450u);
  EXPECT_FALSE(f.window->RetrievalBusy());
}

}  // namespace
}  // namespace wf
