// Shows the peak memory of loading a large tweet table: generates the file, then loads it in
// a freshly started copy of this program (so no memory of the generator is counted) and
// prints the file size, the loader's peak resident set and their ratio.
//
//   load_peak_memory [ROWS] [--utf8] [--max-ratio R]
//
// Exits 1 when the ratio exceeds R (default 3).

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "tweet_table_sample.h"
#include "tweettable/skein_data.h"

namespace {

int LoadOnly(const char* path) {
  wf::SkeinData table;
  if (!table.Load(path)) {
    std::fprintf(stderr, "load failed: %s\n", table.LastError().c_str());
    return 1;
  }
  std::printf("rows loaded: %d\n", table.RecordCount());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--load-only") == 0) return LoadOnly(argv[2]);

  std::size_t rows = 1'000'000;
  bool utf8 = false;
  double max_ratio = 3.0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--utf8") == 0) {
      utf8 = true;
    } else if (std::strcmp(argv[i], "--max-ratio") == 0 && i + 1 < argc) {
      max_ratio = std::atof(argv[++i]);
    } else {
      rows = std::strtoull(argv[i], nullptr, 10);
    }
  }

  const std::string path =
      (std::filesystem::temp_directory_path() / ("wf-peak-" + std::to_string(::getpid()) + ".txt"))
          .string();
  const std::uint64_t size = wf::bench::WriteSampleTweetTable(path, rows, utf8);
  if (size == 0) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return 2;
  }

  std::fflush(stdout);
  const pid_t child = ::fork();
  if (child == 0) {
    ::execl("/proc/self/exe", argv[0], "--load-only", path.c_str(), static_cast<char*>(nullptr));
    std::_Exit(127);
  }
  int status = 0;
  rusage usage{};
  const bool waited = child > 0 && ::wait4(child, &status, 0, &usage) == child;
  std::remove(path.c_str());
  if (!waited || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "loader failed\n");
    return 2;
  }

  const double peak = static_cast<double>(usage.ru_maxrss) * 1024.0;  // ru_maxrss is in KiB
  const double ratio = peak / static_cast<double>(size);
  std::printf("encoding:     %s\n", utf8 ? "UTF-8" : "Windows-1252");
  std::printf("rows:         %zu\n", rows);
  std::printf("file size:    %.1f MB\n", static_cast<double>(size) / 1e6);
  std::printf("peak RSS:     %.1f MB\n", peak / 1e6);
  std::printf("peak / size:  %.2f (limit %.2f)\n", ratio, max_ratio);
  return ratio <= max_ratio ? 0 : 1;
}
