// Any clipboard text pasted into the user list: parsed without a crash, and every entry is
// one clean line that a lookup can send.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "mainwindow/main_window.h"
#include "mainwindow/paste_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const wf::PastedUsers pasted = wf::ParsePastedUsers(text);

  std::size_t lines = 1;
  for (char c : text) lines += c == '\n' ? 1 : 0;
  if (pasted.entries.size() > lines) std::abort();

  bool any_id = false;
  for (const std::string& e : pasted.entries) {
    // Entries hold no line break or TAB and do not start blank.
    if (e.empty() || static_cast<unsigned char>(e.front()) <= ' ') std::abort();
    if (e.find_first_of("\r\n\t") != std::string::npos) std::abort();
    any_id = any_id || wf::LooksLikeUserId(e);
  }
  if (any_id != pasted.any_looks_like_id) std::abort();
  return 0;
}
