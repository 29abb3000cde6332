#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Files exchanged with users are Windows-1252 ("ANSI"); text inside the program is UTF-8.
namespace wf {

// Unicode code point of a Windows-1252 byte (undefined bytes map to the C1 control
// of the same value, as Windows does).
char32_t Cp1252ToCodePoint(unsigned char byte);

// The Windows-1252 byte for a code point, or -1 when the code page cannot hold it.
int CodePointToCp1252(char32_t code_point);

std::string Cp1252ToUtf8(std::string_view bytes);

// Characters Windows-1252 cannot hold, and malformed UTF-8 bytes, become `replacement`.
std::string Utf8ToCp1252(std::string_view utf8, char replacement = '?');

void AppendUtf8(std::string& out, char32_t code_point);

// Decodes the code point at `pos` and advances `pos`; a malformed byte yields U+FFFD and
// advances by one byte.
char32_t NextCodePoint(std::string_view utf8, std::size_t& pos);

// Bytes of a text file the user keeps (tweet and user tables, prefs): Windows-1252 when that
// code page holds the whole text, as such files have always been, otherwise UTF-8 behind a
// byte-order mark, so that no character is lost. The readers tell the two apart by the mark.
std::string EncodeFileText(std::string_view utf8);
// The text of such a file as UTF-8: behind the mark as it stands (damaged sequences replaced),
// otherwise decoded from Windows-1252.
std::string DecodeFileText(std::string_view bytes);

bool IsValidUtf8(std::string_view bytes);
bool IsAscii(std::string_view bytes);

// Number of code points (malformed bytes count one each).
std::size_t Utf8Length(std::string_view utf8);

// The first `count` code points of `utf8`.
std::string_view Utf8Prefix(std::string_view utf8, std::size_t count);

}  // namespace wf
