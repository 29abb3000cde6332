// Any bytes as a Profilo attribute file, applied to a user table read from the same bytes:
// no crash, every line either read or counted as short, and the match figures within bounds.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "mainwindow/user_files.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text =
      wf::DecodeUserFileBytes(std::string(reinterpret_cast<const char*>(data), size));
  const wf::ProfiloAttributeFile file = wf::ReadProfiloAttributes(text);

  const std::vector<wf::UserCells> cells = wf::ReadUserTableRows(text);
  Check(file.lines.size() + file.short_lines == cells.size(), "every line read or counted");
  std::vector<wf::UserTableView::Row> rows(cells.size());
  for (std::size_t r = 0; r < cells.size(); ++r) rows[r].cells = cells[r];

  const wf::ProfiloMatch match = wf::ApplyProfiloAttributes(file.lines, rows);
  Check(match.rows_matched <= rows.size(), "no more rows matched than exist");
  Check(match.lines_unmatched <= file.lines.size(), "no more lines unmatched than read");
  for (std::size_t r = 0; r < rows.size(); ++r) {
    // Only the three attribute cells may change.
    for (std::size_t k = 0; k < rows[r].cells.size(); ++k) {
      if (k >= 24 && k <= 26) continue;
      Check(rows[r].cells[k] == cells[r][k], "other cells untouched");
    }
  }
  return 0;
}
