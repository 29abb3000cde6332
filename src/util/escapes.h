#pragma once

#include <string>
#include <string_view>

namespace wf {

class Yielder;

// Turns the JSON escapes left in a value taken from a response into plain text: "\uXXXX"
// escapes become Windows-1252 characters or short tags ("[plane]", "[<3]", "[cyr]" ...),
// "&amp;" becomes "&", and every remaining backslash goes (so "\n" leaves a bare "n").
// The result never holds TAB, CR or LF, which would break the tab-separated files.
std::string CleanEscapes(std::string_view text, Yielder* yielder = nullptr);

// Replacement text of one six-character escape ("\u" and four hex digits); may be empty.
std::string UnicodeEscapeToText(std::string_view escape);

}  // namespace wf
