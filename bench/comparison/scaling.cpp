// How the cost of the table operations grows with the number of rows.
//   compare_scaling SENTI_PROGRAM WORK_DIR ROWS...
// For each ROWS prints one line per operation: "OPERATION ROWS SECONDS".
//   load       SkeinData::Load of a generated table file
//   sentiment  SkeinData::RunSentiStrength over the loaded rows (the classifier program)
//   showtweets WindowCore::ShowTweets of a record set of ROWS tweets (rows, scores, view)
//   sort       a column click that sorts the shown rows by screen name
//   userstats  the per-author figures a user table is built from, over the shown rows
//   filter     FilterTweetsBy removing the rows that contain a word (about three in five)
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "api/curl_http.h"
#include "mainwindow/main_window.h"
#include "mainwindow/user_table_stats.h"
#include "pages.h"
#include "tweet_table_sample.h"
#include "tweettable/skein_data.h"
#include "util/null_ui_port.h"

namespace {

class SilentUi : public wf::NullUiPort {
 public:
  // Every question answered OK (the filter's confirmation); errors reported.
  wf::MsgAnswer Prompt(const wf::Question&, std::string_view text, wf::MsgButtons, wf::MsgIcon icon,
                       std::string_view) override {
    if (icon == wf::MsgIcon::Critical) {
      std::fprintf(stderr, "message: %.*s\n", static_cast<int>(text.size()), text.data());
    }
    return wf::MsgAnswer::Ok;
  }
};

// A compact search page of `count` tweets with every member the record set reads; ids fall
// from `next_id`, so pages chain as a paged search does.
std::string MakePage(std::mt19937_64& rng, int count, std::uint64_t& next_id) {
  static constexpr const char* kWords[] = {"plastic", "recycling", "water", "climate", "good",
                                           "bad",     "great",     "city",  "report",  "sad",
                                           "happy",   "policy",    "news",  "today",   "love"};
  auto pick = [&](std::uint64_t lo, std::uint64_t hi) {
    return std::uniform_int_distribution<std::uint64_t>(lo, hi)(rng);
  };
  auto words = [&](int n) {
    std::string s;
    for (int i = 0; i < n; ++i) {
      if (i > 0) s += ' ';
      s += kWords[pick(0, std::size(kWords) - 1)];
    }
    return s;
  };
  std::string page = "{\"statuses\":[";
  for (int i = 0; i < count; ++i) {
    if (i > 0) page += ',';
    const std::string id = std::to_string(next_id--);
    const std::string user = "user" + std::to_string(pick(1, 20000));
    page += "{\"created_at\":\"Tue Nov ";
    page += std::to_string(pick(10, 28)) + " 1" + std::to_string(pick(0, 9)) + ":2" +
            std::to_string(pick(0, 9)) + ":3" + std::to_string(pick(0, 9)) + " +0000 2022\",";
    page += "\"id\":" + id + ",\"id_str\":\"" + id + "\",\"full_text\":\"" + words(14) +
            "\",\"entities\":{\"hashtags\":[],\"urls\":[{\"url\":\"https:\\/\\/t.co\\/x\","
            "\"expanded_url\":\"https:\\/\\/example.org\\/" +
            id + "\"}]},\"user\":{\"id_str\":\"" + std::to_string(pick(1, 1u << 30)) +
            "\",\"name\":\"" + words(2) + "\",\"screen_name\":\"" + user + "\",\"location\":\"" +
            words(1) + "\",\"description\":\"" + words(6) +
            "\",\"followers_count\":" + std::to_string(pick(0, 90000)) +
            ",\"friends_count\":" + std::to_string(pick(0, 5000)) +
            ",\"utc_offset\":null,\"statuses_count\":" + std::to_string(pick(1, 90000)) +
            "},\"coordinates\":null,\"retweet_count\":" + std::to_string(pick(0, 40)) + "}";
  }
  page += "],\"search_metadata\":{\"count\":100}}";
  return page;
}

double Seconds(const std::function<void()>& run) {
  return wf::bench::BestSeconds(1, run);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: compare_scaling SENTI_PROGRAM WORK_DIR ROWS...\n");
    return 2;
  }
  const std::string senti = argv[1];
  const std::filesystem::path dir = argv[2];
  std::filesystem::create_directories(dir);
  SilentUi ui;
  wf::CurlHttpClient http;
  for (int a = 3; a < argc; ++a) {
    const std::int32_t n = std::atoi(argv[a]);
    // Small sizes are quick enough to be swamped by noise: best of a few runs. Large ones are
    // the best of two: a single run of a million rows moved by a fifth between runs with the
    // state of the machine's memory (page faults, the kernel clearing pages).
    const int repeats = n <= 10000 ? 5 : 2;

    const std::string file = (dir / ("table-" + std::to_string(n) + ".txt")).string();
    wf::bench::WriteSampleTweetTable(file, static_cast<std::size_t>(n));
    std::unique_ptr<wf::SkeinData> table;
    // A process's first large load can wait for the kernel to compact memory into huge
    // pages, a cost of the machine's memory state rather than of the table: the first load's
    // figure is shown on its own.
    double first_load = -1;
    const double load = wf::bench::BestSeconds(repeats, [&] {
      const double start = wf::bench::CpuSeconds();
      table = std::make_unique<wf::SkeinData>(&ui);
      table->Load(file);
      if (first_load < 0) first_load = wf::bench::CpuSeconds() - start;
    });
    std::printf("load %d %.6f\n", n, load);
    std::fprintf(stderr, "first load of %d rows: %.6f s\n", n, first_load);
    if (table->RecordCount() != n) std::fprintf(stderr, "load: %d rows\n", table->RecordCount());
    table->SetSentimentProgram(senti);
    const double sentiment = wf::bench::BestSeconds(repeats, [&] {
      if (!table->RunSentiStrength(dir.string(), dir.string(), true)) {
        std::fprintf(stderr, "sentiment run failed at %d rows\n", n);
      }
    });
    std::printf("sentiment %d %.6f\n", n, sentiment);
    table.reset();
    std::filesystem::remove(file);

    wf::MainWindowEnvironment env;
    env.ui = &ui;
    env.http = &http;
    env.program_folder = dir.string();
    env.sentiment_program = senti;
    double show = 1e300;
    double sort = 1e300;
    double userstats = 1e300;
    double filter = 1e300;
    for (int rep = 0; rep < repeats; ++rep) {
      auto window = std::make_unique<wf::MainWindow>(env);
      window->Form_Load();
      std::mt19937_64 rng(20221108);
      std::uint64_t next_id = 1590000000000000000ull;
      wf::TweetSet& tweets = window->Twitter().Tweets();
      while (tweets.Count() < n) {
        tweets.SetData(MakePage(rng, std::min(100, n - tweets.Count()), next_id), true, true);
      }
      window->TweetEdit().mSortDT_Click();  // sorted view, as the window starts
      show = std::min(show, Seconds([&] { window->ShowTweets(false); }));
      if (window->OutTable().RowCount() != n) {
        std::fprintf(stderr, "ShowTweets: %d rows\n", window->OutTable().RowCount());
      }
      sort = std::min(sort, Seconds([&] { window->TweetEdit().OutTable_ColumnClick(2); }));
      std::size_t authors = 0;
      userstats = std::min(userstats, Seconds([&] {
                             authors =
                                 wf::CollectAuthorStats(window->OutTable(), nullptr).authors.size();
                           }));
      if (authors == 0) std::fprintf(stderr, "no authors at %d rows\n", n);
      filter =
          std::min(filter, Seconds([&] { window->TweetEdit().FilterTweetsBy("plastic", true); }));
      if (window->OutTable().RowCount() >= n && n >= 1000) {
        std::fprintf(stderr, "the filter removed nothing at %d rows\n", n);
      }
    }
    std::printf("showtweets %d %.6f\n", n, show);
    std::printf("sort %d %.6f\n", n, sort);
    std::printf("userstats %d %.6f\n", n, userstats);
    std::printf("filter %d %.6f\n", n, filter);
    std::fflush(stdout);
  }
  return 0;
}
