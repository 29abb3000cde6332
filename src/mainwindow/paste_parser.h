#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace wf {

// The user list entries a clipboard text holds: one per line, the first column of rows copied
// from a table, without the first "@", skipping header rows (anything naming "UserId") and
// lines that start blank.
struct PastedUsers {
  std::vector<std::string> entries;
  bool any_looks_like_id = false;  // at least one entry reads as a numeric user id
};

PastedUsers ParsePastedUsers(std::string_view text);

}  // namespace wf
