#pragma once

#include <string_view>

namespace wf {

// True when the path names an existing file that is not a folder; false also when the path
// cannot be examined.
bool FileExists(std::string_view path);

}  // namespace wf
