#pragma once

// Shared by the programs of the comparison: the page files, the timer and the checksum that
// shows every program extracted the same rows.

#include <sys/resource.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace wf::bench {

inline std::vector<std::string> ReadPages(int argc, char** argv, int first) {
  std::vector<std::string> pages;
  for (int i = first; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    if (!in) std::fprintf(stderr, "cannot read %s\n", argv[i]);
    pages.push_back(ss.str());
  }
  return pages;
}

// A search response wraps its tweets in an object, a timeline is an array.
inline bool IsSearchPage(std::string_view page) {
  const std::size_t i = page.find_first_not_of(" \t\r\n");
  return i != std::string_view::npos && page[i] == '{';
}

inline std::int64_t LeadingInt(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
  std::int64_t v = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) v = v * 10 + (s[i] - '0');
  return neg ? -v : v;
}

// Sum over rows of followers, friends, user tweets, retweets and the lengths of the screen
// name and the tweet id: fields that read the same whatever a program does with escapes and
// code pages. `cell(f)` gives field f (1..16) of one row.
template <typename Cell>
std::int64_t RowChecksum(Cell cell) {
  return LeadingInt(cell(6)) + LeadingInt(cell(7)) + LeadingInt(cell(11)) + LeadingInt(cell(12)) +
         static_cast<std::int64_t>(cell(2).size()) + static_cast<std::int64_t>(cell(4).size());
}

// CPU seconds (user and system) of this process and of the children it waited for: on a
// shared machine other work stretches the wall time, not these.
inline double CpuSeconds() {
  auto seconds = [](const rusage& u) {
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
  };
  rusage self{};
  rusage children{};
  ::getrusage(RUSAGE_SELF, &self);
  ::getrusage(RUSAGE_CHILDREN, &children);
  return seconds(self) + seconds(children);
}

// The least CPU time of `repeats` runs.
template <typename Run>
double BestSeconds(int repeats, Run run) {
  double best = 1e300;
  for (int i = 0; i < repeats; ++i) {
    const double start = CpuSeconds();
    run();
    const double s = CpuSeconds() - start;
    if (s < best) best = s;
  }
  return best;
}

inline std::uint64_t TotalBytes(const std::vector<std::string>& pages) {
  std::uint64_t n = 0;
  for (const auto& p : pages) n += p.size();
  return n;
}

}  // namespace wf::bench
