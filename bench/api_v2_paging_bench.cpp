// Client CPU per search page through API v2 beside v1.1, from the simulator on loopback (its
// own process, so only the client's CPU is ours): 100 tweets a page, appended, v1.1 paging by
// max_id, v2 by next_token. A v2 page costs the decoding of its body, the mapping to the v1.1
// form and the v1.1 reader on that; BM_PageDecode times that part alone on one page of each.
//
// Target: a v2 page costs at most 50% more client CPU than a v1.1 page
// (client_cpu_ms_per_page of version 2 against version 1).

#include <benchmark/benchmark.h>
#include <time.h>

#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

#include "api/curl_http.h"
#include "api/twitter_api.h"
#include "records/tweet_set.h"
#include "records/v2_mapping.h"
#include "support-apisim/apisim_process.h"

namespace {

constexpr int kPages = 500;
constexpr const char* kQuery = "skein AND twitter";

std::int64_t ThreadCpuNs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// Enough tweets for well over 500 full pages within the recent search's 7 days, and quotas
// that never run out during the run.
const std::vector<std::string> kSimulatorArgs = {
    "--search-tweets",     "120000",           "--limit", "search=30000", "--limit",
    "search_recent=30000", "--window-seconds", "3600"};

// One page of the search through `version`, paging on from `cursor` (a max_id or a token).
bool NextPage(wf::TwitterAPI& api, int version, std::string& cursor) {
  if (version == 2) {
    api.GetSearchV2(kQuery, "", "", "", "", "", cursor, true);
    cursor = api.NextToken();
  } else {
    std::string count = "100";
    api.GetSearch(kQuery, "", "", "", cursor, count, true, "Recent");
    cursor = api.Tweets().OldestTweetId(true);
  }
  return !api.LastRequestFailed() && api.LastResponseCount() == 100 && !cursor.empty();
}

void BM_SearchPageCpu(benchmark::State& state) {
  const int version = static_cast<int>(state.range(0));
  wf::apisim::ApisimProcess sim(kSimulatorArgs);
  if (!sim.ok()) {
    state.SkipWithError(("the simulator did not start: " + sim.Stderr()).c_str());
    return;
  }
  wf::CurlHttpClient http(wf::CurlHttpOptions{});
  wf::TwitterAPI api(http, nullptr, sim.url());
  api.SetApiVersion(version);
  if (api.AuthAppAccess("WFD v2 paging bench", "demo-key", "demo-secret").empty()) {
    state.SkipWithError("no bearer token from the simulator");
    return;
  }
  std::string cursor;
  std::int64_t cpu_ns = 0;
  std::int64_t pages = 0;
  for (auto _ : state) {
    const std::int64_t before = ThreadCpuNs();
    const bool ok = NextPage(api, version, cursor);
    cpu_ns += ThreadCpuNs() - before;
    if (!ok) {
      state.SkipWithError(("page " + std::to_string(pages + 1) + " came back with " +
                           std::to_string(api.LastResponseCount()) + " tweets, " +
                           api.LastResponseCode())
                              .c_str());
      break;
    }
    ++pages;
  }
  if (pages == 0) return;
  const double n = static_cast<double>(pages);
  state.counters["client_cpu_ms_per_page"] = static_cast<double>(cpu_ns) / 1e6 / n;
  state.counters["tweets_held"] = api.Tweets().Count();
  sim.Stop(SIGTERM);
}

// The bodies of the first page of the search through each version.
struct Bodies {
  std::string v1;
  std::string v2;
  std::string error;
};

const Bodies& FirstPages() {
  static const Bodies bodies = [] {
    Bodies b;
    wf::apisim::ApisimProcess sim(kSimulatorArgs);
    if (!sim.ok()) {
      b.error = "the simulator did not start: " + sim.Stderr();
      return b;
    }
    wf::CurlHttpClient http(wf::CurlHttpOptions{});
    wf::TwitterAPI api(http, nullptr, sim.url());
    if (api.AuthAppAccess("WFD v2 paging bench", "demo-key", "demo-secret").empty()) {
      b.error = "no bearer token from the simulator";
      return b;
    }
    std::string cursor;
    NextPage(api, 1, cursor);
    b.v1 = api.ResponseText();
    api.SetApiVersion(2);
    cursor.clear();
    NextPage(api, 2, cursor);
    b.v2 = api.ResponseText();
    sim.Stop(SIGTERM);
    return b;
  }();
  return bodies;
}

void BM_PageDecode(benchmark::State& state) {
  const bool v2 = state.range(0) == 2;
  const Bodies& bodies = FirstPages();
  if (!bodies.error.empty()) {
    state.SkipWithError(bodies.error.c_str());
    return;
  }
  wf::V2Mapping mapping;
  for (auto _ : state) {
    wf::TweetSet tweets;
    if (v2) {
      const auto page = mapping.SearchPage(bodies.v2);
      if (page) tweets.SetData(*page, false, true);
    } else {
      tweets.SetData(bodies.v1, false, true);
    }
    if (tweets.Count() != 100) {
      state.SkipWithError("a page without 100 tweets");
      break;
    }
    benchmark::DoNotOptimize(tweets.Records().data());
  }
  state.counters["body_bytes"] = static_cast<double>(v2 ? bodies.v2.size() : bodies.v1.size());
}

}  // namespace

// Arg: the API version (1 for v1.1, 2 for v2).
BENCHMARK(BM_SearchPageCpu)
    ->ArgName("version")
    ->Arg(1)
    ->Arg(2)
    ->Iterations(kPages)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PageDecode)->ArgName("version")->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
