#pragma once

#include <optional>
#include <string_view>

namespace wf {

// The value text (from its first character to the end of `object_text`) of the first member
// named `key` that stands directly in the object whose members `object_text` holds: members
// of nested objects and keys quoted inside strings are passed over, and the scan stops where
// the object closes (own texts can run on past it).
std::optional<std::string_view> DirectMemberValue(std::string_view object_text,
                                                  std::string_view key);

}  // namespace wf
