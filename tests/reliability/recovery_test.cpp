// Recovery of interrupted retrievals: the journal's format and its torn tail, the window's
// offer at start-up, and a real wrenfold-cli search killed mid-run and resumed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "cli_process.h"
#include "sim_window_fixture.h"
#include "support-apisim/test_server.h"
#include "support/scripted_ui.h"
#include "support/test_paths.h"
#include "workflows/recovery_log.h"

namespace wf {
namespace {

namespace fs = std::filesystem;

// ---- The journal ---------------------------------------------------------------------------

TweetRecord Tweet(int n, std::string text) {
  TweetRecord t;
  t.DateTime = "Tue Dec 08 10:00:" + std::to_string(10 + n % 50) + " +0000 2026";
  t.ScreenName = "user" + std::to_string(n);
  t.Text = std::move(text);
  t.TweetID = std::to_string(1'700'000'000'000'000'000ull - static_cast<unsigned>(n));
  t.RealName = "Zo\xC3\xAB \\ Name";
  t.Followers = n * 3;
  t.Following = -1;
  t.Location = "Line\r\nbreak";
  t.UTC_Offset = -5;
  t.GeoCoords = "51.5,-0.1";
  t.UserTweets = "1200";
  t.Retweeted = n;
  t.LinkURL = "https://example.com/\\t";
  t.Description = "tab\there";
  return t;
}

RecoveryHeader SearchHeader() {
  RecoveryHeader h;
  h.query = "skein\tAND twitter";
  h.lang = "fr";
  h.geocode = "51,0,1mi";
  h.since_id = "123";
  h.threshold = CivilDateTime{2026, 12, 1, 8, 30, 0};
  h.update = true;
  h.base_file = "/data/old tweets.txt";
  return h;
}

// Three pages of 2, 3 and 1 tweets, the state after each "max<page>".
std::vector<TweetRecord> WriteThreePages(RecoveryLog& log, const std::string& path) {
  EXPECT_TRUE(log.Begin(path, SearchHeader()));
  log.SetSyncEveryPage(false);
  TweetSet set;
  std::vector<TweetRecord> all;
  const int sizes[] = {2, 3, 1};
  int n = 0;
  for (int page = 0; page < 3; ++page) {
    std::vector<TweetRecord> batch;
    for (int i = 0; i < sizes[page]; ++i, ++n) {
      batch.push_back(Tweet(n, "text " + std::to_string(n) + "\nwith\ta \\n break"));
    }
    all.insert(all.end(), batch.begin(), batch.end());
    set.AppendRecords(batch);
    EXPECT_TRUE(log.AppendPage(set, {"max" + std::to_string(page), page}));
  }
  return all;
}

TEST(RecoveryJournal, KeepsEveryFieldAndTheLastPagingState) {
  test::TempDir dir;
  const std::string path = RecoveryLog::PathIn(dir.path().string());
  RecoveryLog log;
  const auto written = WriteThreePages(log, path);
  log.Close();

  const auto r = ReadRecoveryFile(path);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->pages, 3);
  EXPECT_FALSE(r->torn_tail);
  EXPECT_EQ(r->tweets, written);
  EXPECT_EQ(r->state.max_id, "max2");
  EXPECT_EQ(r->state.user_index, 2);
  const RecoveryHeader h = SearchHeader();
  EXPECT_EQ(r->header.query, h.query);
  EXPECT_EQ(r->header.lang, h.lang);
  EXPECT_EQ(r->header.geocode, h.geocode);
  EXPECT_EQ(r->header.since_id, h.since_id);
  EXPECT_EQ(r->header.threshold, h.threshold);
  EXPECT_EQ(r->header.base_file, h.base_file);
  EXPECT_TRUE(r->header.update);
}

TEST(RecoveryJournal, ATornOrDamagedRecordAndAllAfterItAreLeftOut) {
  test::TempDir dir;
  const std::string path = RecoveryLog::PathIn(dir.path().string());
  RecoveryLog log;
  const auto written = WriteThreePages(log, path);
  log.Close();
  const std::string bytes = test::ReadBytes(path);

  // Where each record ends: after the header, then after pages 1, 2 and 3.
  std::vector<std::size_t> ends;
  for (std::size_t pos = 0; pos < bytes.size();) {
    const std::size_t eol = bytes.find('\n', pos);
    const std::size_t len = std::stoul(bytes.substr(pos + 7, bytes.find(' ', pos + 7) - pos - 7));
    pos = eol + 1 + len + 1;
    ends.push_back(pos);
  }
  ASSERT_EQ(ends.size(), 4u);
  ASSERT_EQ(ends.back(), bytes.size());
  const std::size_t tweets_after[] = {0, 2, 5, 6};

  // The program killed after any byte of an append.
  for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
    const auto r = ParseRecoveryJournal(std::string_view(bytes).substr(0, cut));
    if (cut < ends[0]) {
      ASSERT_FALSE(r) << cut;
      continue;
    }
    ASSERT_TRUE(r) << cut;
    int whole = 0;
    while (whole + 1 < 4 && ends[static_cast<std::size_t>(whole) + 1] <= cut) ++whole;
    ASSERT_EQ(r->pages, whole) << cut;
    ASSERT_EQ(r->tweets.size(), tweets_after[whole]) << cut;
    ASSERT_TRUE(std::equal(r->tweets.begin(), r->tweets.end(), written.begin())) << cut;
    ASSERT_EQ(r->torn_tail, cut != ends[static_cast<std::size_t>(whole)]) << cut;
  }

  // A flipped byte inside page 2 fails its checksum: page 1 is all that counts.
  std::string damaged = bytes;
  damaged[ends[1] + (ends[2] - ends[1]) / 2] ^= 0x20;
  const auto r = ParseRecoveryJournal(damaged);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->pages, 1);
  EXPECT_EQ(r->tweets.size(), 2u);
  EXPECT_TRUE(r->torn_tail);

  // Not a journal at all.
  EXPECT_FALSE(ParseRecoveryJournal("DateTime\tUserScreenName\r\n"));
  EXPECT_FALSE(ParseRecoveryJournal(""));
}

TEST(RecoveryJournal, AnOpenJournalIsLockedAgainstASecondRetrieval) {
  test::TempDir dir;
  const std::string path = RecoveryLog::PathIn(dir.path().string());
  RecoveryLog first;
  ASSERT_TRUE(first.Begin(path, SearchHeader()));
  EXPECT_TRUE(RecoveryFileInUse(path));
  RecoveryLog second;
  std::string error;
  EXPECT_FALSE(second.Begin(path, SearchHeader(), &error));
  EXPECT_NE(error.find("in use"), std::string::npos) << error;
  EXPECT_TRUE(fs::exists(path));  // not replaced under the running one
  first.Close();
  EXPECT_FALSE(RecoveryFileInUse(path));
  EXPECT_TRUE(second.Begin(path, SearchHeader()));
  second.Finish();
  EXPECT_FALSE(fs::exists(path));
}

TEST(RecoveryJournal, ContinuingAddsAfterTheRecoveredTweets) {
  test::TempDir dir;
  const std::string path = RecoveryLog::PathIn(dir.path().string());
  RecoveryLog log;
  auto written = WriteThreePages(log, path);
  log.Close();

  // Taken up as a new search does it: the set holds the recovered tweets, then gains more.
  auto r = ReadRecoveryFile(path);
  ASSERT_TRUE(r);
  TweetSet set;
  set.AppendRecords(r->tweets);
  RecoveryLog again;
  again.SetSyncEveryPage(false);
  ASSERT_TRUE(again.Continue(path, static_cast<std::int32_t>(r->tweets.size()),
                             static_cast<std::int32_t>(r->tweets.size())));
  set.AppendRecords({Tweet(50, "after the crash")});
  ASSERT_TRUE(again.AppendPage(set, {"max3", 0}));
  // As an update does it: the set starts empty again, the journal keeps what it had.
  TweetSet fresh;
  RecoveryLog update;
  again.Close();
  ASSERT_TRUE(update.Continue(path, 7, 0));
  fresh.AppendRecords({Tweet(51, "newer")});
  ASSERT_TRUE(update.AppendPage(fresh, {"max4", 0}));
  update.Close();

  written.push_back(Tweet(50, "after the crash"));
  written.push_back(Tweet(51, "newer"));
  r = ReadRecoveryFile(path);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->tweets, written);
  EXPECT_EQ(r->state.max_id, "max4");
}

// ---- The window's offer ----------------------------------------------------------------------

std::vector<std::string> TableIds(const MainWindow& w) {
  std::vector<std::string> ids;
  for (std::int32_t r = 0; r < w.OutTable().RowCount(); ++r) {
    std::string id(w.OutTable().Cell(r, 4));
    id.erase(0, id.find_first_not_of(' '));
    ids.push_back(id);
  }
  return ids;
}

// A journal of a new search for "skein" with `n` tweets in one page.
void WriteJournal(const std::string& folder, int n, const std::string& max_id = "100") {
  RecoveryLog log;
  RecoveryHeader h;
  h.query = "skein";
  h.lang = "en";
  h.threshold = CivilDateTime{2026, 12, 1, 0, 0, 0};
  ASSERT_TRUE(log.Begin(RecoveryLog::PathIn(folder), h));
  TweetSet set;
  std::vector<TweetRecord> tweets;
  for (int i = 0; i < n; ++i) tweets.push_back(Tweet(i, "recovered " + std::to_string(i)));
  set.AppendRecords(tweets);
  ASSERT_TRUE(log.AppendPage(set, {max_id, 0}));
  log.Close();
}

TEST(RecoveryWindow, OfferDeclinedOrAcceptedWithoutContinuing) {
  test::SimWindow w;
  const std::string folder = w.dir.path().string();
  const std::string journal = RecoveryLog::PathIn(folder);

  // Declined: the journal goes and the table stays as it was.
  WriteJournal(folder, 4);
  w.ui.answers = {MsgAnswer::No};
  w.window->Recovery().OfferRecovery();
  ASSERT_EQ(w.ui.messages.size(), 1u);
  EXPECT_EQ(w.ui.messages[0].text, "A retrieval was interrupted. Recover the 4 tweets collected?");
  EXPECT_EQ(w.ui.messages[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(w.ui.messages[0].caption, kAppTitle);
  EXPECT_FALSE(fs::exists(journal));
  EXPECT_EQ(w.window->OutTable().RowCount(), 0);

  // Accepted, not continued: the tweets are in the table, unsaved, and the journal is spent.
  WriteJournal(folder, 5);
  w.ui.messages.clear();
  w.ui.answers = {MsgAnswer::Yes, MsgAnswer::No};
  w.window->Recovery().OfferRecovery();
  ASSERT_EQ(w.ui.messages.size(), 2u);
  EXPECT_EQ(w.ui.messages[1].text, "Continue the interrupted retrieval from where it stopped?");
  EXPECT_EQ(w.window->OutTable().RowCount(), 5);
  EXPECT_TRUE(w.window->TweetsModified());
  EXPECT_EQ(w.window->Caption().back(), ']');
  EXPECT_NE(w.window->Caption().find("*]"), std::string::npos) << w.window->Caption();
  EXPECT_EQ(w.window->SearchQuery(), "skein");
  EXPECT_EQ(w.window->CurTweetSrc(), wf::TweetSource::kSearch);
  EXPECT_FALSE(fs::exists(journal));
  EXPECT_TRUE(w.Requests("/1.1/search/tweets.json").empty());

  // A journal whose header is all there is (killed before the first page): nothing to offer.
  {
    RecoveryLog log;
    ASSERT_TRUE(log.Begin(journal, SearchHeader()));
  }
  w.ui.messages.clear();
  w.window->Recovery().OfferRecovery();
  EXPECT_TRUE(w.ui.messages.empty());
  EXPECT_FALSE(fs::exists(journal));
}

TEST(RecoveryWindow, ARecoveredSearchEmptiesOnlyTheTweetsUserTable) {
  test::SimWindow w;
  MainWindow& m = *w.window;
  const std::string lookup = test::ReadTestdata("rtweet/users_lookup_1.json");
  m.Twitter().Users().SetData(lookup, false, false);
  m.UserTables().FillUserTable(
      m.Twitter());  // the "Tweets" table, built from the table being replaced
  m.UserTables().AddUserTable("followers");  // an Other table, on show
  m.UTwitter().Users().SetData(lookup, false, false);
  m.UserTables().FillUserTable(m.UTwitter());
  ASSERT_EQ(m.UserTables().Tables()[0].RowCount(), 4);
  ASSERT_EQ(m.UserTables().CurrentUserTable(), 1);

  WriteJournal(w.dir.path().string(), 3);
  w.ui.answers = {MsgAnswer::Yes, MsgAnswer::No};
  m.Recovery().OfferRecovery();
  ASSERT_EQ(m.OutTable().RowCount(), 3);
  EXPECT_EQ(m.UserTables().Tables()[0].RowCount(), 0);
  EXPECT_EQ(m.UserTables().Tables()[1].RowCount(), 4);
}

TEST(RecoveryWindow, AnInterruptedUpdateComesBackOntoItsFile) {
  test::SimWindow w;
  const std::string folder = w.dir.path().string();
  const std::string base = w.dir.File("base.txt");
  std::string rows;
  for (int i = 0; i < 3; ++i) {
    rows += "Tue Dec 08 09:00:00 0000 2026\tolder" + std::to_string(i) + "\tsaved before\t" +
            std::to_string(1'500'000'000'000'000'000ull + static_cast<unsigned>(i)) +
            "\tName\t1\t2\tPlace\t0\t\t3\t0\t\t2\t-1\tAbout\t\r\n";
  }
  test::WriteBytes(base, rows);

  RecoveryHeader h = SearchHeader();
  h.base_file = base;
  RecoveryLog log;
  ASSERT_TRUE(log.Begin(RecoveryLog::PathIn(folder), h));
  TweetSet set;
  set.AppendRecords({Tweet(1, "newer one"), Tweet(2, "newer two")});
  ASSERT_TRUE(log.AppendPage(set, {"99", 0}));
  log.Close();

  w.ui.answers = {MsgAnswer::Yes, MsgAnswer::No};
  w.window->Recovery().OfferRecovery();
  ASSERT_EQ(w.ui.messages.size(), 2u) << w.ui.messages.back().text;
  EXPECT_EQ(w.window->TweetsFN(), base);
  const auto ids = TableIds(*w.window);
  ASSERT_EQ(ids.size(), 5u);
  EXPECT_EQ(ids[0], "1500000000000000000");
  EXPECT_EQ(ids[3], Tweet(1, "").TweetID);
  EXPECT_TRUE(w.window->TweetsModified());
  EXPECT_NE(w.window->Caption().find(base + "*]"), std::string::npos) << w.window->Caption();
  EXPECT_EQ(test::ReadBytes(base), rows);  // the file itself waits for the user's save
}

TEST(RecoveryWindow, AJournalInUseIsNotOffered) {
  test::SimWindow w;
  const std::string journal = RecoveryLog::PathIn(w.dir.path().string());
  WriteJournal(w.dir.path().string(), 3);
  RecoveryLog running;
  ASSERT_TRUE(running.Continue(journal, 3, 0));
  w.window->Recovery().OfferRecovery();
  EXPECT_TRUE(w.ui.messages.empty());
  EXPECT_TRUE(fs::exists(journal));
}

// Cuts a journal after its first `records` records (the header counts as one).
void CutJournal(const std::string& path, int records) {
  std::string bytes = test::ReadBytes(path);
  std::size_t pos = 0;
  for (int record = 0; record < records; ++record) {
    const std::size_t eol = bytes.find('\n', pos);
    pos = eol + 1 + std::stoul(bytes.substr(pos + 7, bytes.find(' ', pos + 7) - pos - 7)) + 1;
  }
  bytes.resize(pos);
  test::WriteBytes(path, bytes);
}

TEST(RecoveryWindow, ResumedSearchEndsWithTheTableOfAnUninterruptedOne) {
  apisim::ServerConfig config = test::SmallSim();
  config.corpus.search_tweets = 2500;
  test::SimWindow w(config);
  const std::string folder = w.dir.path().string();
  const std::string journal = RecoveryLog::PathIn(folder);

  // An uninterrupted search, its journal kept as if the program had died right at its end.
  w.window->Recovery().SetRecoverySync(false);
  w.window->Recovery().SetKeepRecoveryUntilSaved(true);
  w.window->SetSearchQuery("skein AND twitter");
  w.window->Search().GetSrch_Click();
  const auto whole = TableIds(*w.window);
  ASSERT_GT(whole.size(), 500u);
  const auto full_journal = ReadRecoveryFile(journal);
  ASSERT_TRUE(full_journal);
  ASSERT_GE(full_journal->pages, 4);
  const std::size_t requests_whole = w.Requests("/1.1/search/tweets.json").size();
  w.window.reset();

  // Cut it after its second page, in the middle of the third record.
  const std::string bytes = test::ReadBytes(journal);
  CutJournal(journal, 3);
  test::WriteBytes(journal, test::ReadBytes(journal) + bytes.substr(fs::file_size(journal), 40));
  const auto cut = ReadRecoveryFile(journal);
  ASSERT_TRUE(cut);
  ASSERT_EQ(cut->pages, 2);
  ASSERT_TRUE(cut->torn_tail);

  // The next start: recover and continue.
  MainWindowEnvironment env;
  env.ui = &w.ui;
  env.http = &w.http;
  env.program_folder = folder;
  env.api_base = w.server.BaseUrl();
  env.sentiment_program = WF_SENTI_EXE;
  w.window = std::make_unique<MainWindow>(env);
  w.window->Form_Load();
  ASSERT_FALSE(w.window->Twitter().AuthAppAccess("Test", "demo-key", "demo-secret").empty());
  w.window->ActivateAfterAuthentication();
  w.window->SetSearchQuery("something else");
  w.ui.messages.clear();
  w.ui.answers = {MsgAnswer::Yes, MsgAnswer::Yes};
  w.window->Recovery().OfferRecovery();
  ASSERT_GE(w.ui.messages.size(), 2u);
  EXPECT_EQ(w.ui.messages[0].text, "A retrieval was interrupted. Recover the " +
                                       std::to_string(cut->tweets.size()) + " tweets collected?");

  EXPECT_EQ(TableIds(*w.window), whole);
  EXPECT_EQ(std::set<std::string>(whole.begin(), whole.end()).size(), whole.size());
  EXPECT_EQ(w.window->SearchQuery(), "skein AND twitter");
  EXPECT_TRUE(w.window->TweetsModified());
  EXPECT_FALSE(w.window->RetrievalBusy());
  EXPECT_FALSE(fs::exists(journal));
  // Only the pages after the second were fetched again, starting below the recovered tweets.
  const auto requests = w.Requests("/1.1/search/tweets.json");
  ASSERT_EQ(requests.size(), requests_whole + requests_whole - 2);
  EXPECT_NE(requests[requests_whole].target.find("max_id=" + cut->state.max_id), std::string::npos)
      << requests[requests_whole].target;
}

TEST(RecoveryWindow, ResumedTimelineWalkEndsWithTheTableOfAnUninterruptedOne) {
  test::SimWindow w;
  const std::string folder = w.dir.path().string();
  const std::string journal = RecoveryLog::PathIn(folder);
  const std::vector<std::string> names = {"skein_small", w.Account(41).screen_name, "skein_quiet",
                                          w.Account(42).screen_name, "skein_team"};
  std::string text;
  for (const auto& n : names) text += n + "\r\n";
  w.ui.clipboard = text;
  w.window->UserListPanel().mPasteUL_Click();
  ASSERT_EQ(w.window->UserListPanel().Users().Count(), 5);
  // An unticked entry is not part of the walk.
  for (int i = 0; i < 5; ++i) w.window->UserListPanel().UserList_ItemCheck(i, i != 1);
  w.window->SetEarlyDate(CivilDateTime{2000, 1, 1, 0, 0, 0});
  w.window->Recovery().SetRecoverySync(false);
  w.window->Recovery().SetKeepRecoveryUntilSaved(true);
  w.window->Timelines().GetAllUTL_Click();
  const auto whole = TableIds(*w.window);
  ASSERT_GT(whole.size(), 200u);
  const auto full = ReadRecoveryFile(journal);
  ASSERT_TRUE(full);
  ASSERT_EQ(full->header.users,
            (std::vector<std::string>{"skein_small", "skein_quiet", names[3], "skein_team"}));
  ASSERT_GE(full->pages, 5);
  const std::size_t requests_whole = w.Requests("/1.1/statuses/user_timeline.json").size();
  w.window.reset();

  // Killed in the middle of the walk.
  const int kept_pages = full->pages / 2;
  CutJournal(journal, 1 + kept_pages);
  const auto cut = ReadRecoveryFile(journal);
  ASSERT_TRUE(cut);
  ASSERT_EQ(cut->pages, kept_pages);

  MainWindowEnvironment env;
  env.ui = &w.ui;
  env.http = &w.http;
  env.program_folder = folder;
  env.api_base = w.server.BaseUrl();
  env.sentiment_program = WF_SENTI_EXE;
  w.window = std::make_unique<MainWindow>(env);
  w.window->Form_Load();
  ASSERT_FALSE(w.window->Twitter().AuthAppAccess("Test", "demo-key", "demo-secret").empty());
  w.window->ActivateAfterAuthentication();
  w.ui.messages.clear();
  w.ui.answers = {MsgAnswer::Yes, MsgAnswer::Yes};
  w.window->Recovery().OfferRecovery();
  ASSERT_GE(w.ui.messages.size(), 2u);

  EXPECT_EQ(TableIds(*w.window), whole);
  EXPECT_EQ(w.window->CurTweetSrc(), wf::TweetSource::kTimelines);
  EXPECT_TRUE(w.window->UpdateUTLEnabled());
  EXPECT_FALSE(fs::exists(journal));
  // Each journalled page (and each finished user's closing request) is not asked for again.
  const std::size_t requests_resumed =
      w.Requests("/1.1/statuses/user_timeline.json").size() - requests_whole;
  EXPECT_EQ(requests_resumed, requests_whole - static_cast<std::size_t>(kept_pages));
}

// ---- A real command-line search killed and resumed ------------------------------------------

using test::RunCli;

std::string IsoDaysAgo(int days) {
  const std::time_t t = std::time(nullptr) - days * 86400;
  std::tm tm{};
  ::localtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M", &tm);
  return buf;
}

std::vector<std::string> FileIds(const std::string& path) {
  std::vector<std::string> ids;
  const std::string text = test::ReadBytes(path);
  for (std::size_t from = 0; from < text.size();) {
    std::size_t end = text.find("\r\n", from);
    if (end == std::string::npos) end = text.size();
    std::size_t cell = from;
    for (int i = 0; i < 3; ++i) cell = text.find('\t', cell) + 1;
    ids.push_back(text.substr(cell, text.find('\t', cell) - cell));
    from = end + 2;
  }
  return ids;
}

TEST(RecoveryCli, KilledSearchResumesToTheSameTable) {
  apisim::ServerConfig config;
  config.corpus.users = 2000;
  config.corpus.search_tweets = 4000;
  config.faults.latency_ms = 60;
  apisim::TestServer server(config);
  ASSERT_TRUE(server.ok());
  test::TempDir dir;
  const std::string data = dir.File("data");
  const std::string log = dir.File("cli.log");
  const std::vector<std::string> service = {"--api", server.BaseUrl(), "--data-dir", data};
  auto with = [&](std::vector<std::string> args) {
    args.insert(args.end(), service.begin(), service.end());
    return args;
  };
  ASSERT_EQ(
      RunCli(with({"auth", "--app-name", "A", "--key", "demo-key", "--secret", "demo-secret"}),
             log),
      0)
      << test::ReadBytes(log);
  const std::string since = IsoDaysAgo(6);
  const std::vector<std::string> search = {"search", "skein AND twitter", "--since", since};

  // The table an uninterrupted run makes.
  auto args = search;
  args.insert(args.end(), {"-o", dir.File("whole.txt")});
  ASSERT_EQ(RunCli(with(args), log), 0) << test::ReadBytes(log);
  const std::string whole = test::ReadBytes(dir.File("whole.txt"));
  const std::string journal = RecoveryLog::PathIn(data);
  EXPECT_FALSE(fs::exists(journal));  // a run that ended removes its journal

  // The same search killed once its journal holds three pages.
  args = search;
  args.insert(args.end(), {"-o", dir.File("killed.txt")});
  const pid_t pid = test::SpawnCli(with(args), log);
  std::optional<RecoveredRetrieval> seen;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < deadline) {
    if (fs::exists(journal)) seen = ParseRecoveryJournal(test::ReadBytes(journal));
    if (seen && seen->pages >= 3) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the search ended before it could be killed";
  ASSERT_TRUE(seen && seen->pages >= 3);
  EXPECT_FALSE(fs::exists(dir.File("killed.txt")));

  const auto kept = ReadRecoveryFile(journal);
  ASSERT_TRUE(kept);
  ASSERT_GE(kept->tweets.size(), 300u);
  EXPECT_EQ(kept->header.query, "skein AND twitter");
  const auto whole_ids = FileIds(dir.File("whole.txt"));
  ASSERT_LT(kept->tweets.size(), whole_ids.size());
  for (std::size_t i = 0; i < kept->tweets.size(); ++i) {
    ASSERT_EQ(kept->tweets[i].TweetID, whole_ids[i]) << i;
  }

  // A new search does not start over the journal.
  args = search;
  args.insert(args.end(), {"-o", dir.File("other.txt")});
  EXPECT_EQ(RunCli(with(args), log), 1);
  EXPECT_NE(test::ReadBytes(log).find("--resume"), std::string::npos);
  EXPECT_TRUE(fs::exists(journal));

  // Resumed: the same table, byte for byte, and the journal gone.
  ASSERT_EQ(RunCli(with({"search", "--resume", "-o", dir.File("resumed.txt")}), log), 0)
      << test::ReadBytes(log);
  EXPECT_NE(test::ReadBytes(log).find("with " + std::to_string(kept->tweets.size()) +
                                      " tweets recovered"),
            std::string::npos);
  const std::string resumed = test::ReadBytes(dir.File("resumed.txt"));
  EXPECT_EQ(resumed.size(), whole.size());
  EXPECT_TRUE(resumed == whole);
  const auto ids = FileIds(dir.File("resumed.txt"));
  EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), ids.size());
  EXPECT_FALSE(fs::exists(journal));

  // Nothing left to resume.
  EXPECT_EQ(RunCli(with({"search", "--resume", "-o", dir.File("again.txt")}), log), 1);
}

}  // namespace
}  // namespace wf
