// Table file load for the comparison.
//   compare_load make FILE ROWS       writes a generated tweet table of ROWS rows
//   compare_load load REPEATS FILE    SkeinData::Load
//   compare_load read REPEATS FILE    the file read whole into memory, the floor any loader
//                                     that keeps the text stands on
// The timed modes print "rows=N seconds=S bytes=B" (S: best of REPEATS runs).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "pages.h"
#include "tweet_table_sample.h"
#include "tweettable/skein_data.h"

namespace {

// Reads the whole file into a fresh buffer; returns the number of line ends so the bytes are
// looked at, not only copied.
long long ReadWhole(const char* path, unsigned long long* bytes) {
  const int fd = ::open(path, O_RDONLY);
  if (fd < 0) return -1;
  struct stat st {};
  ::fstat(fd, &st);
  const std::size_t size = static_cast<std::size_t>(st.st_size);
  std::unique_ptr<char[]> buffer(new char[size]);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::read(fd, buffer.get() + done, size - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
  *bytes = done;
  long long lines = 0;
  for (const char* p = buffer.get();
       (p = static_cast<const char*>(
            std::memchr(p, '\n', done - static_cast<std::size_t>(p - buffer.get())))) != nullptr;
       ++p) {
    ++lines;
  }
  return lines;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "make" && argc == 4) {
    return wf::bench::WriteSampleTweetTable(argv[2], std::strtoull(argv[3], nullptr, 10)) > 0 ? 0
                                                                                              : 1;
  }
  if ((mode != "load" && mode != "read") || argc != 4) {
    std::fprintf(stderr, "usage: compare_load make FILE ROWS | load|read REPEATS FILE\n");
    return 2;
  }
  const int repeats = std::atoi(argv[2]);
  const char* path = argv[3];
  long long rows = 0;
  unsigned long long bytes = 0;
  bool ok = true;
  const double seconds = wf::bench::BestSeconds(repeats, [&] {
    if (mode == "read") {
      rows = ReadWhole(path, &bytes);
      ok = rows >= 0;
      return;
    }
    wf::SkeinData table;
    ok = table.Load(path);
    rows = table.RecordCount();
  });
  if (!ok) {
    std::fprintf(stderr, "compare_load: %s failed\n", path);
    return 1;
  }
  if (bytes == 0) {
    struct stat st {};
    ::stat(path, &st);
    bytes = static_cast<unsigned long long>(st.st_size);
  }
  std::printf("rows=%lld seconds=%.6f bytes=%llu\n", rows, seconds, bytes);
  return 0;
}
