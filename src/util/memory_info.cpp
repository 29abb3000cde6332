#include "util/memory_info.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>

namespace wf {
namespace {

constexpr std::uint64_t kUnknown = std::numeric_limits<std::uint64_t>::max();

// "MemAvailable:  123456 kB" from /proc/meminfo; the kernel's own estimate of what can be
// allocated without swapping, page cache included.
std::uint64_t MemAvailable() {
  std::ifstream in("/proc/meminfo");
  std::string key;
  std::uint64_t kb = 0;
  std::string unit;
  while (in >> key >> kb) {
    std::getline(in, unit);
    if (key == "MemAvailable:") return kb * 1024;
  }
  const long pages = ::sysconf(_SC_AVPHYS_PAGES);
  const long page_size = ::sysconf(_SC_PAGESIZE);
  if (pages > 0 && page_size > 0)
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(page_size);
  return kUnknown;
}

std::uint64_t ReadNumber(const char* path) {
  std::ifstream in(path);
  std::string text;
  if (!(in >> text) || text == "max") return kUnknown;
  try {
    return std::stoull(text);
  } catch (...) {
    return kUnknown;
  }
}

// A container's limit: the cgroup (v2) memory.max less memory.current.
std::uint64_t CgroupRoom() {
  const std::uint64_t max = ReadNumber("/sys/fs/cgroup/memory.max");
  if (max == kUnknown) return kUnknown;
  const std::uint64_t current = ReadNumber("/sys/fs/cgroup/memory.current");
  if (current == kUnknown) return max;
  return max > current ? max - current : 0;
}

// Room under RLIMIT_AS (ulimit -v), less the address space already mapped.
std::uint64_t AddressSpaceRoom() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return kUnknown;
  std::ifstream in("/proc/self/statm");
  std::uint64_t pages = 0;
  if (!(in >> pages)) return kUnknown;
  const long page_size = ::sysconf(_SC_PAGESIZE);
  const std::uint64_t used = pages * static_cast<std::uint64_t>(std::max(1L, page_size));
  const auto cap = static_cast<std::uint64_t>(limit.rlim_cur);
  return cap > used ? cap - used : 0;
}

}  // namespace

std::uint64_t AvailableMemoryBytes() {
  const std::uint64_t room = std::min({MemAvailable(), CgroupRoom(), AddressSpaceRoom()});
  return room == kUnknown ? 0 : room;
}

}  // namespace wf
