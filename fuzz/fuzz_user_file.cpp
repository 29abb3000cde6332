// Any bytes as a user file, read with both open layouts: no crash, every cell and key valid
// UTF-8, keys trimmed and without TABs, and a table read from the file, saved and read again,
// gives the same cells (a CR inside a cell is the one character a save writes as a space).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "mainwindow/user_files.h"
#include "util/cp1252.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string text = wf::DecodeUserFileBytes(bytes);
  Check(wf::IsValidUtf8(text), "decoded text is UTF-8");

  const wf::UserKeys keys = wf::ReadUserKeys(text);
  for (const std::string& e : keys.entries) {
    Check(!e.empty(), "key not empty");
    Check(e.find('\t') == std::string::npos, "key without TAB");
    Check(e.front() != ' ' && e.back() != ' ', "key trimmed");
  }

  const std::vector<wf::UserCells> cells = wf::ReadUserTableRows(text);
  std::vector<wf::UserTableView::Row> rows(cells.size());
  for (std::size_t r = 0; r < cells.size(); ++r) rows[r].cells = cells[r];
  for (const wf::UserTableView::Row& row : rows) {
    for (const std::string& c : row.cells) {
      Check(c.find('\t') == std::string::npos && c.find('\n') == std::string::npos,
            "cell without TAB or LF");
    }
  }

  const std::string saved =
      wf::EncodeUserFileText(wf::FormatUserFile(rows, wf::UserFileLayout::kAll));
  const std::vector<wf::UserCells> again = wf::ReadUserTableRows(wf::DecodeUserFileBytes(saved));
  Check(again.size() == rows.size(), "same row count after a save");
  for (std::size_t r = 0; r < rows.size() && r < again.size(); ++r) {
    for (std::size_t k = 0; k < rows[r].cells.size(); ++k) {
      std::string expected = rows[r].cells[k];
      for (char& ch : expected) {
        if (ch == '\r') ch = ' ';
      }
      Check(again[r][k] == expected, "same cells after a save");
    }
  }

  // The keys layout of the same table reads back as its ids or names.
  const std::string keys_file =
      wf::EncodeUserFileText(wf::FormatUserFile(rows, wf::UserFileLayout::kKeys));
  (void)wf::ReadUserKeys(wf::DecodeUserFileBytes(keys_file));
  return 0;
}
