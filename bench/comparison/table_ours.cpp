// Response to table, this program's way: every page through TweetSet::SetData (appended, as a
// retrieval does) and the set into SkeinData rows.
//   compare_table REPEATS PAGE_FILE...
// Prints "rows=N checksum=C seconds=S bytes=B"; S is the best of REPEATS runs.
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "pages.h"
#include "records/tweet_set.h"
#include "tweettable/skein_data.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: compare_table REPEATS PAGE_FILE...\n");
    return 2;
  }
  const int repeats = std::atoi(argv[1]);
  const auto pages = wf::bench::ReadPages(argc, argv, 2);
  std::unique_ptr<wf::SkeinData> table;
  const double seconds = wf::bench::BestSeconds(repeats, [&] {
    table.reset();
    wf::TweetSet tweets;
    for (const std::string& page : pages) {
      tweets.SetData(page, true, wf::bench::IsSearchPage(page));
    }
    table = std::make_unique<wf::SkeinData>();
    table->SetData(tweets);
  });
  const std::int32_t rows = table->RecordCount();
  std::int64_t checksum = 0;
  for (std::int32_t r = 1; r <= rows; ++r) {
    checksum += wf::bench::RowChecksum([&](int f) { return table->Cell(r, f); });
  }
  std::printf("rows=%d checksum=%lld seconds=%.6f bytes=%llu\n", rows,
              static_cast<long long>(checksum), seconds,
              static_cast<unsigned long long>(wf::bench::TotalBytes(pages)));
  return 0;
}
