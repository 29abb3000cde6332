#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tweet_table_sample.h"
#include "tweettable/skein_data.h"

namespace {

constexpr std::size_t kRows = 1'000'000;

// One generated file per encoding for the whole run, removed at exit.
class SampleFile {
 public:
  explicit SampleFile(bool utf8) {
    path_ = (std::filesystem::temp_directory_path() /
             ("wf-bench-" + std::to_string(::getpid()) + (utf8 ? "-utf8" : "-cp1252") + ".txt"))
                .string();
    size_ = wf::bench::WriteSampleTweetTable(path_, kRows, utf8);
  }
  ~SampleFile() { std::remove(path_.c_str()); }
  const std::string& path() const { return path_; }
  std::uint64_t size() const { return size_; }

 private:
  std::string path_;
  std::uint64_t size_ = 0;
};

void LoadFile(benchmark::State& state, const SampleFile& file) {
  if (file.size() == 0) {
    state.SkipWithError("could not write the sample file");
    return;
  }
  for (auto _ : state) {
    wf::SkeinData table;
    if (!table.Load(file.path())) {
      state.SkipWithError("load failed");
      break;
    }
    if (table.RecordCount() != static_cast<std::int32_t>(kRows)) {
      state.SkipWithError("wrong row count");
      break;
    }
    benchmark::DoNotOptimize(table.Cell(table.RecordCount(), 16).data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(file.size()));
  state.counters["file_MB"] = static_cast<double>(file.size()) / 1e6;
}

// A million-row table saved by this program: Windows-1252 with accented letters.
void BM_LoadWindows1252Table(benchmark::State& state) {
  static const SampleFile file(false);
  LoadFile(state, file);
}
BENCHMARK(BM_LoadWindows1252Table)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same table after a round trip through a UTF-8 tool.
void BM_LoadUtf8Table(benchmark::State& state) {
  static const SampleFile file(true);
  LoadFile(state, file);
}
BENCHMARK(BM_LoadUtf8Table)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
