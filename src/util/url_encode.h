#pragma once

#include <string>
#include <string_view>

namespace wf {

// Percent-encodes the punctuation and space of a search query by its Windows-1252 code
// (space "%20", "#" "%23", also "-", ".", "_" and "~"). Letters, digits, control characters
// and non-ASCII characters are left as they are; the HTTP layer sends the latter as UTF-8.
std::string URLEncode(std::string_view text);

}  // namespace wf
