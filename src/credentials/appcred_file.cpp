#include "credentials/appcred_file.h"

#include <vector>

#include "api/base64.h"
#include "util/cp1252.h"
#include "util/file_exists.h"
#include "util/file_io.h"

namespace wf {
namespace {

// Lines end at CR LF; a lone LF or CR also ends one, so a file edited by hand on Linux reads
// the same. `rest` is what follows the line and its end.
std::string_view NextLine(std::string_view text, std::string_view* rest) {
  const std::size_t end = text.find_first_of("\r\n");
  if (end == std::string_view::npos) {
    *rest = {};
    return text;
  }
  std::size_t next = end + 1;
  if (text[end] == '\r' && next < text.size() && text[next] == '\n') ++next;
  *rest = text.substr(next);
  return text.substr(0, end);
}

// Plain files come from the Windows program (Windows-1252) or from a Linux editor (UTF-8);
// bytes that are not valid UTF-8 are taken as the former.
std::string PlainText(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::string(bytes);
  return Cp1252ToUtf8(bytes);
}

// The three stored values, or nothing when the file does not hold all three: a damaged or
// partial file is no better than none, and the user types the credentials again.
}  // namespace

std::optional<AppCredentials> ParseAppcred(std::string_view content) {
  std::string_view rest;
  const std::string_view first = NextLine(content, &rest);
  std::array<std::string, 3> fields;
  if (rest.empty()) {
    std::string decoded;
    try {
      decoded = Base64Decode(first);
    } catch (const Base64Error&) {
      return std::nullopt;
    }
    std::vector<std::string_view> parts;
    std::string_view d = decoded;
    for (;;) {
      const std::size_t crlf = d.find("\r\n");
      parts.push_back(d.substr(0, crlf));
      if (crlf == std::string_view::npos) break;
      d.remove_prefix(crlf + 2);
    }
    if (parts.size() < 3) return std::nullopt;
    for (std::size_t i = 0; i < 3; ++i) fields[i] = std::string(parts[i]);
    return fields;
  }
  // The older plain form: one value a line.
  std::string_view text = content;
  for (std::size_t i = 0; i < 3; ++i) {
    if (text.empty()) return std::nullopt;
    fields[i] = PlainText(NextLine(text, &text));
  }
  return fields;
}

std::optional<AppCredentials> ReadAppcred(const std::string& path) {
  if (!FileExists(path)) return std::nullopt;
  const auto content = ReadWholeFile(path);
  if (!content) return std::nullopt;
  return ParseAppcred(*content);
}

bool WriteAppcred(const std::string& path, const AppCredentials& c, std::string* error) {
  std::string line = Base64Encode(c[0] + "\r\n" + c[1] + "\r\n" + c[2]);
  std::erase(line, '\r');
  std::erase(line, '\n');
  line += "\r\n";
  return WritePrivateFileAtomically(path, line, error);
}

}  // namespace wf
