// Paging a long search through TwitterAPI::GetSearch from the simulator on loopback, the way
// the search retrieval does it: 100 tweets a page, appended, each page below the oldest tweet
// of the one before. The simulator runs as its own process so only the client's CPU is ours.
//
// Target: the client adds no more than 5 ms of CPU per page (client_cpu_ms_per_page).

#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "api/curl_http.h"
#include "api/twitter_api.h"
#include "support-apisim/apisim_process.h"

namespace {

constexpr int kPages = 1000;

std::int64_t ThreadCpuNs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// All threads of this process: catches work the HTTP layer might hand to helper threads.
std::int64_t ProcessCpuNs() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void BM_SearchPaging(benchmark::State& state) {
  const bool tls = state.range(0) != 0;
  const std::string cert = (std::filesystem::temp_directory_path() /
                            ("wf-paging-" + std::to_string(::getpid()) + ".pem"))
                               .string();
  // Enough tweets for well over 1,000 full pages of the default query, and a quota that
  // never runs out during the run.
  std::vector<std::string> args = {"--search-tweets", "120000",           "--limit",
                                   "search=30000",    "--window-seconds", "3600"};
  if (tls) args.insert(args.end(), {"--tls", "--cert", cert});
  wf::apisim::ApisimProcess sim(args);
  if (!sim.ok()) {
    state.SkipWithError(("the simulator did not start: " + sim.Stderr()).c_str());
    return;
  }
  wf::CurlHttpClient http(wf::CurlHttpOptions{tls ? cert : std::string()});
  wf::TwitterAPI api(http, nullptr, sim.url());
  if (api.AuthAppAccess("WFD paging bench", "demo-key", "demo-secret").empty()) {
    state.SkipWithError("no bearer token from the simulator");
    return;
  }

  std::string max_id;
  std::int64_t thread_cpu_ns = 0;
  std::int64_t process_cpu_ns = 0;
  std::int64_t pages = 0;
  for (auto _ : state) {
    std::string count = "100";
    const std::int64_t thread_before = ThreadCpuNs();
    const std::int64_t process_before = ProcessCpuNs();
    const std::string body =
        api.GetSearch("skein AND twitter", "", "", "", max_id, count, true, "Recent");
    thread_cpu_ns += ThreadCpuNs() - thread_before;
    process_cpu_ns += ProcessCpuNs() - process_before;
    if (api.LastRequestFailed() || api.LastResponseCount() != 100) {
      state.SkipWithError(("page " + std::to_string(pages + 1) + " came back with " +
                           std::to_string(api.LastResponseCount()) + " tweets, " +
                           api.LastResponseCode())
                              .c_str());
      break;
    }
    ++pages;
    max_id = api.Tweets().OldestTweetId(true);
    benchmark::DoNotOptimize(body.data());
  }
  if (pages == 0) return;
  const double n = static_cast<double>(pages);
  state.counters["pages_per_s"] = benchmark::Counter(n, benchmark::Counter::kIsRate);
  state.counters["client_cpu_ms_per_page"] = static_cast<double>(thread_cpu_ns) / 1e6 / n;
  state.counters["client_process_cpu_ms_per_page"] = static_cast<double>(process_cpu_ns) / 1e6 / n;
  state.counters["tweets_held"] = api.Tweets().Count();
  sim.Stop(SIGTERM);
  if (tls) std::filesystem::remove(cert);
}

}  // namespace

// Arg 0: plain HTTP; 1: HTTPS with verification against the simulator's certificate (a fresh
// handshake per page, as every request has its own connection).
BENCHMARK(BM_SearchPaging)
    ->ArgName("tls")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(kPages)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
