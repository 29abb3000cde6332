// Hydrating a long id list from the simulator (its own process) the way the hydration
// workflow asks: 100 ids per lookup, the tweets found appended in the order of the ids.
// Prints the client's CPU per batch and the resident memory at 10% and at 100% of the run.
//
//   hydrate_bench [IDS] [1.1|2] [keep|drop]
// IDS defaults to 1,000,000 (10,000 requests). "keep" holds every row found, as the window
// does; "drop" keeps only the last batch, which shows the client's own memory per batch.

#include <time.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "api/curl_http.h"
#include "api/twitter_api.h"
#include "support-apisim/apisim_process.h"

namespace {

std::int64_t ThreadCpuNs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// VmRSS or VmHWM of this process, in MB.
double StatusMb(const std::string& key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(key + ":", 0) == 0) return std::stod(line.substr(key.size() + 1)) / 1024.0;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t total = argc > 1 ? std::stoull(argv[1]) : 1000000;
  const std::string version = argc > 2 ? argv[2] : "1.1";
  const bool keep = argc > 3 ? std::string(argv[3]) == "keep" : true;
  const std::size_t batches = (total + 99) / 100;
  const std::string limit = std::to_string(batches + 100);
  wf::apisim::ApisimProcess sim({"--limit", "statuses_lookup=" + limit, "--limit",
                                 "tweets_lookup=" + limit, "--limit", "search=1000", "--limit",
                                 "search_recent=1000", "--window-seconds", "3600"});
  if (!sim.ok()) {
    std::fprintf(stderr, "the simulator did not start: %s\n", sim.Stderr().c_str());
    return 1;
  }
  wf::CurlHttpClient http(wf::CurlHttpOptions{});
  wf::TwitterAPI api(http, nullptr, sim.url());
  if (api.AuthAppAccess("WFD hydrate bench", "demo-key", "demo-secret").empty()) {
    std::fprintf(stderr, "no bearer token from the simulator\n");
    return 1;
  }
  // Ids the simulator knows: 20 search pages, repeated to the list's length.
  std::vector<std::string> known;
  std::string max_id;
  for (int page = 0; page < 20; ++page) {
    std::string count = "100";
    api.GetSearch("skein OR twitter", "", "", "", max_id, count, false, "Recent");
    if (api.LastRequestFailed() || api.Tweets().Count() == 0) break;
    for (const auto& t : api.Tweets().Records()) known.push_back(t.TweetID);
    max_id = api.Tweets().OldestTweetId(true);
  }
  if (known.size() < 200) {
    std::fprintf(stderr, "the search gave only %zu ids\n", known.size());
    return 1;
  }
  std::vector<std::string> ids;
  ids.reserve(total);
  for (std::size_t i = 0; i < total; ++i) ids.push_back(known[i % known.size()]);
  api.Tweets().Clear();
  api.SetApiVersion(version == "2" ? 2 : 1);

  std::int64_t cpu_ns = 0;
  std::size_t found = 0;
  std::size_t missing = 0;
  double rss_10 = 0;
  std::vector<std::string> batch;
  for (std::size_t b = 0; b < batches; ++b) {
    batch.assign(ids.begin() + static_cast<std::ptrdiff_t>(b * 100),
                 ids.begin() + static_cast<std::ptrdiff_t>(std::min(total, b * 100 + 100)));
    const std::int64_t before = ThreadCpuNs();
    api.GetTweetsLookUp(batch, keep);
    cpu_ns += ThreadCpuNs() - before;
    if (api.LastRequestFailed()) {
      std::fprintf(stderr, "batch %zu failed: %s\n", b + 1, api.LastResponseCode().c_str());
      return 1;
    }
    found += static_cast<std::size_t>(api.LastLookUpCount());
    missing += api.LastMissingTweets().size();
    if (b + 1 == (batches + 9) / 10) rss_10 = StatusMb("VmRSS");
  }
  std::printf(
      "ids %zu (API %s, rows %s): %zu batches, %zu found, %zu missing\n"
      "client CPU per batch: %.3f ms\n"
      "RSS at 10%%: %.1f MB, at 100%%: %.1f MB, peak: %.1f MB, rows held: %d\n",
      total, version.c_str(), keep ? "kept" : "dropped", batches, found, missing,
      static_cast<double>(cpu_ns) / 1e6 / static_cast<double>(batches), rss_10, StatusMb("VmRSS"),
      StatusMb("VmHWM"), api.Tweets().Count());
  sim.Stop(SIGTERM);
  return 0;
}
