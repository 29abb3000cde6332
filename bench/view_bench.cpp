// The visualiser's figures: a million-row table opened with every chart's series computed
// (load, selection, summary, bins, top lists), and the network of a 100,000-tweet table laid
// out. Peak memory is reported against the file size.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "export_files.h"
#include "network.h"
#include "util/file_io.h"
#include "view_table_sample.h"

namespace {

std::string MakeTable(const char* name, std::size_t rows, std::size_t accounts) {
  const auto path = std::filesystem::temp_directory_path() / name;
  if (!std::filesystem::exists(path)) {
    wf::bench::InteractionTableMaker maker(20221101, accounts);
    wf::WriteFileAtomically(path.string(), maker.Make(rows));
  }
  return path.string();
}

double PeakRssBytes() {
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) * 1024.0;  // ru_maxrss is in KiB
}

void BM_OpenMillionRowsAllChartsButNetwork(benchmark::State& state) {
  const std::string path = MakeTable("wf_view_bench_1m.txt", 1000000, 200000);
  const double file_size = static_cast<double>(std::filesystem::file_size(path));
  std::size_t bins = 0;
  for (auto _ : state) {
    std::string error;
    auto corpus = wf::view::TweetCorpus::Load(path, &error);
    if (!corpus) {
      state.SkipWithError(error.c_str());
      return;
    }
    const wf::view::Analysis a = wf::view::Analyse(*corpus, wf::view::Filter{}, std::nullopt);
    bins = a.bins.size();
    benchmark::DoNotOptimize(a.top.hashtags.data());
  }
  state.counters["file_MB"] = file_size / 1e6;
  state.counters["bins"] = static_cast<double>(bins);
  state.counters["peak_rss_x_file"] = PeakRssBytes() / file_size;
}
BENCHMARK(BM_OpenMillionRowsAllChartsButNetwork)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_NetworkOf100kTweets(benchmark::State& state) {
  const std::string path = MakeTable("wf_view_bench_100k.txt", 100000, 40000);
  std::string error;
  auto corpus = wf::view::TweetCorpus::Load(path, &error);
  if (!corpus) {
    state.SkipWithError(error.c_str());
    return;
  }
  const auto selection = wf::view::Select(*corpus, wf::view::Filter{});
  std::size_t nodes = 0;
  std::size_t edges = 0;
  int reports = 0;
  for (auto _ : state) {
    wf::view::Network n = wf::view::BuildNetwork(*corpus, selection);
    if (!wf::view::DetectCommunities(n)) state.SkipWithError("communities failed");
    reports = 0;
    const auto outcome = wf::view::LayoutNetwork(n, [&](double) {
      ++reports;
      return true;
    });
    if (outcome != wf::view::LayoutOutcome::Done) state.SkipWithError("layout failed");
    nodes = n.nodes.size();
    edges = n.edges.size();
  }
  state.counters["nodes"] = static_cast<double>(nodes);
  state.counters["edges"] = static_cast<double>(edges);
  state.counters["progress_reports"] = reports;
}
BENCHMARK(BM_NetworkOf100kTweets)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
