// The "Tweets" user table from a 100,000-tweet table with 20,000 distinct authors, without the
// profile lookups: the statistics pass over the tweet table alone, and that pass with the fill
// of the 20,000 rows (profiles already held by the API client, as after the lookup).
//
// Target: the whole build, lookups excluded, well under 5 s.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "mainwindow/main_window.h"
#include "mainwindow/user_table_stats.h"

namespace {

constexpr int kTweets = 100000;
constexpr int kAuthors = 20000;

class NoHttp : public wf::HttpClient {
 public:
  std::unique_ptr<wf::HttpRequest> CreateRequest() override { return nullptr; }
};

std::string Author(int a) {
  return "author_" + std::to_string(a);
}

// Authors come back in a scattered order, as they do in a search, each five times.
void FillTweets(wf::TweetView& v) {
  v.Clear();
  v.Reserve(kTweets);
  for (int i = 0; i < kTweets; ++i) {
    const int a = static_cast<int>((static_cast<long long>(i) * 7919) % kAuthors);
    const std::string author = Author(a);
    const std::string text = i % 5 == 0 ? "RT @someone: a retweeted text about the weather today"
                                        : "an original tweet about the council's recycling plan";
    const std::string id = std::to_string(1600000000000000000LL + i);
    const std::string retweets = std::to_string(i % 37);
    const std::string pos = std::to_string(1 + i % 5);
    const std::string neg = std::to_string(-1 - i % 4);
    v.AddRow(
        {"Mon Jan 01 10:00:00 +0000 2024", author, text, id, "Real Name", "120", "80", "Somewhere",
         "0", "null", "3000", retweets, "", pos, neg, "a description of the account"},
        false);
  }
}

std::string UsersJson() {
  std::string json = "[";
  for (int a = 0; a < kAuthors; ++a) {
    if (a > 0) json += ',';
    json += "{\"id\":" + std::to_string(100000 + a) + ",\"id_str\":\"" +
            std::to_string(100000 + a) + "\",\"name\":\"Real Name\",\"screen_name\":\"" +
            Author(a) +
            "\",\"location\":\"Somewhere\",\"description\":\"a description\",\"followers_count\":" +
            std::to_string(a % 5000) + ",\"friends_count\":" + std::to_string(a % 300) +
            ",\"created_at\":\"Wed Aug 27 13:08:45 +0000 2008\",\"favourites_count\":12,"
            "\"utc_offset\":null,\"time_zone\":null,\"geo_enabled\":false,\"verified\":false,"
            "\"statuses_count\":" +
            std::to_string(1000 + a) + ",\"lang\":\"en\",\"protected\":false}";
  }
  return json + "]";
}

void BM_AuthorStatsPass(benchmark::State& state) {
  wf::TweetView tweets;
  FillTweets(tweets);
  for (auto _ : state) {
    const wf::AuthorStats stats = wf::CollectAuthorStats(tweets, nullptr);
    benchmark::DoNotOptimize(stats.authors.data());
    if (stats.authors.size() != kAuthors) state.SkipWithError("wrong author count");
  }
  state.counters["tweets_per_s"] = benchmark::Counter(
      static_cast<double>(kTweets), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_AuthorStatsPass)->Unit(benchmark::kMillisecond);

void BM_StatsAndFill(benchmark::State& state) {
  NoHttp http;
  wf::MainWindowEnvironment env;
  env.http = &http;
  wf::MainWindow w(env);
  FillTweets(w.MutableOutTable());
  w.Twitter().Users().SetData(UsersJson(), false, false);
  if (w.Twitter().Users().Count() != kAuthors) {
    state.SkipWithError("the profiles did not load");
    return;
  }
  for (auto _ : state) {
    // Each round fills a fresh table (the fill appends to the table on show).
    state.PauseTiming();
    w.UserTables().AddUserTable("round");
    state.ResumeTiming();
    w.UserTables().FillUserTable(w.Twitter(), true);
    state.PauseTiming();
    if (w.UserTables().Tables()[1].RowCount() != kAuthors) state.SkipWithError("wrong row count");
    w.UserTables().RemoveUserTableAt(1);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StatsAndFill)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
