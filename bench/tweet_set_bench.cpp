// Throughput of turning search pages into tweet records, the step every retrieved page goes
// through. Input: a recorded 100-tweet extended-mode search page.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>

#include "json/json_deserializer.h"
#include "records/tweet_set.h"

namespace {

std::string ReadFixture(const char* relative) {
  std::ifstream in(std::string(WF_TESTDATA_DIR) + "/v1.1/" + relative, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void BM_TweetSetSetDataSearchPage(benchmark::State& state) {
  const std::string page = ReadFixture("rtweet/search_1.json");
  if (page.empty()) {
    state.SkipWithError("fixture rtweet/search_1.json not found");
    return;
  }
  for (auto _ : state) {
    wf::TweetSet tweets;
    tweets.SetData(page, false, true);
    benchmark::DoNotOptimize(tweets.Count());
    if (tweets.Count() != 100) state.SkipWithError("expected 100 tweets");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(page.size()));
}
BENCHMARK(BM_TweetSetSetDataSearchPage)->Unit(benchmark::kMillisecond);

void BM_TweetSetSetDataTimelinePage(benchmark::State& state) {
  const std::string page = ReadFixture("rtweet/timeline_3.json");
  for (auto _ : state) {
    wf::TweetSet tweets;
    tweets.SetData(page, false, false);
    benchmark::DoNotOptimize(tweets.Count());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(page.size()));
}
BENCHMARK(BM_TweetSetSetDataTimelinePage)->Unit(benchmark::kMillisecond);

void BM_JsonReaderReadSearchPage(benchmark::State& state) {
  const std::string page = ReadFixture("rtweet/search_1.json");
  for (auto _ : state) {
    wf::JSONDeserializer reader;
    benchmark::DoNotOptimize(reader.Read(page, true));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(page.size()));
}
BENCHMARK(BM_JsonReaderReadSearchPage)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
