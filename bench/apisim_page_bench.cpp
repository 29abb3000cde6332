// The simulator's share of a search page: building one page of 100 tweets of the default
// query, each page asked with the previous one's max_id as a client pages back. Benchmarks of
// the client page a thousand searches through the simulator, so its share must stay small
// (target: at most 5 ms per page in a Release build). Also the simulator process's start-up.
#include <benchmark/benchmark.h>

#include <csignal>
#include <cstdint>
#include <string>

#include "apisim/endpoints.h"
#include "support-apisim/apisim_process.h"

namespace {

using wf::apisim::Params;

constexpr int64_t kNow = 1667941331;

Params DefaultSearch() {
  return {{"q", "skein AND twitter"}, {"count", "100"},          {"lang", ""}, {"geocode", ""},
          {"result_type", "Recent"},  {"tweet_mode", "extended"}};
}

void BM_SearchPage(benchmark::State& state) {
  static const wf::apisim::Corpus corpus(wf::apisim::CorpusConfig{.data_seed = 3, .now = kNow});
  Params p = DefaultSearch();
  int pages = 0;
  for (auto _ : state) {
    const wf::apisim::Answer a = wf::apisim::SearchTweets(corpus, p);
    benchmark::DoNotOptimize(a.body.data());
    const size_t at = a.body.find("\"next_results\":\"?max_id=");
    p.erase("max_id");
    // Back to the newest page at the end of the results, so every iteration builds a full one.
    if (at == std::string::npos || ++pages == 60) {
      pages = 0;
      continue;
    }
    p.emplace("max_id", a.body.substr(at + 24, a.body.find('&', at) - at - 24));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SearchPage)->Unit(benchmark::kMillisecond);

// The simulator as its own process, from the start to its "listening on" line (target: under
// 2 s), and stopped again with SIGTERM.
void BM_SimulatorStartup(benchmark::State& state) {
  for (auto _ : state) {
    wf::apisim::ApisimProcess sim;
    if (!sim.ok()) {
      state.SkipWithError("the simulator did not start");
      break;
    }
    state.counters["startup_ms"] = static_cast<double>(sim.startup().count()) / 1000.0;
    sim.Stop(SIGTERM);
  }
}
BENCHMARK(BM_SimulatorStartup)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
