// Collection files to a tweet table, end to end as `wrenfold-cli table` does it: reading the
// JSON lines, recognising each line, the records, the table file. Reports bytes of input per
// second. Inputs are generated in the temporary folder from recorded pages: v1.1 search pages
// (a 100-tweet extended-mode page a line) and twarc2 v2 pages as twarc2 writes them, repeated
// to 256 MB.
//
// With --peak-memory [MB] it instead converts a generated file of MB megabytes (default
// 2048) in a fresh copy of this program and prints the input size, the output size and the
// converter's peak resident set; exit status 1 when the peak exceeds the output size plus
// 200 MB.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "command.h"
#include "records/collection_reader.h"

namespace {

std::string ReadFixture(const std::string& relative) {
  std::ifstream in(std::string(WF_TESTDATA_DIR) + "/" + relative, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string TempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() /
          ("wf-collection-" + std::to_string(::getpid()) + "-" + name))
      .string();
}

// The lines of `fixture` (one compact page a line) repeated up to `bytes`; the file's size.
std::uint64_t WriteCollection(const std::string& path, const std::string& fixture,
                              std::uint64_t bytes) {
  // A recorded answer becomes one compact line; a JSON-lines file is taken as it is.
  const std::string text = ReadFixture(fixture);
  std::string lines = fixture.ends_with(".json") ? wf::CompactJson(text) + "\n" : text;
  if (lines.empty()) return 0;
  std::ofstream out(path, std::ios::binary);
  std::uint64_t written = 0;
  while (written < bytes) {
    out << lines;
    written += lines.size();
  }
  out.close();
  return out ? written : 0;
}

int Convert(const std::string& input, const std::string& output) {
  std::ostringstream out;
  std::ostringstream err;
  return wf::cli::RunCli({"table", input, "-o", output}, out, err, nullptr);
}

void BM_CollectionToTable(benchmark::State& state, const char* fixture) {
  const std::string input = TempPath("in.jsonl");
  const std::string output = TempPath("out.txt");
  const std::uint64_t size = WriteCollection(input, fixture, std::uint64_t{256} << 20);
  if (size == 0) {
    state.SkipWithError("cannot write the input");
    return;
  }
  for (auto _ : state) {
    if (Convert(input, output) != 0) state.SkipWithError("conversion failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
  std::remove(input.c_str());
  std::remove(output.c_str());
}
BENCHMARK_CAPTURE(BM_CollectionToTable, v1_search_pages, "v1.1/rtweet/search_1.json")
    ->Unit(benchmark::kSecond)
    ->Iterations(2);
BENCHMARK_CAPTURE(BM_CollectionToTable, v2_twarc_pages, "v2/twarc2/noflat.jsonl")
    ->Unit(benchmark::kSecond)
    ->Iterations(2);

int PeakMemory(const char* self, std::uint64_t megabytes) {
  const std::string input = TempPath("peak.jsonl");
  const std::string output = TempPath("peak.txt");
  const std::uint64_t size = WriteCollection(input, "v1.1/rtweet/search_1.json", megabytes << 20);
  if (size == 0) {
    std::fprintf(stderr, "cannot write %s\n", input.c_str());
    return 2;
  }
  std::fflush(stdout);
  const pid_t child = ::fork();
  if (child == 0) {
    ::execl("/proc/self/exe", self, "--convert-only", input.c_str(), output.c_str(),
            static_cast<char*>(nullptr));
    std::_Exit(127);
  }
  int status = 0;
  rusage usage{};
  const bool waited = child > 0 && ::wait4(child, &status, 0, &usage) == child;
  std::error_code ec;
  const auto out_size = std::filesystem::file_size(output, ec);
  std::remove(input.c_str());
  std::remove(output.c_str());
  if (!waited || !WIFEXITED(status) || WEXITSTATUS(status) != 0 || ec) {
    std::fprintf(stderr, "conversion failed\n");
    return 2;
  }
  const double peak = static_cast<double>(usage.ru_maxrss) * 1024.0;
  const double limit = static_cast<double>(out_size) + 200e6;
  std::printf("input:     %.1f MB\n", static_cast<double>(size) / 1e6);
  std::printf("output:    %.1f MB\n", static_cast<double>(out_size) / 1e6);
  std::printf("peak RSS:  %.1f MB (limit output + 200 MB = %.1f MB)\n", peak / 1e6, limit / 1e6);
  return peak <= limit ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--convert-only") == 0) {
    return Convert(argv[2], argv[3]) == 0 ? 0 : 1;
  }
  if (argc >= 2 && std::strcmp(argv[1], "--peak-memory") == 0) {
    return PeakMemory(argv[0], argc >= 3 ? std::strtoull(argv[2], nullptr, 10) : 2048);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
