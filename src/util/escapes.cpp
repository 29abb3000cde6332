#include "util/escapes.h"

#include <cstdint>

#include "util/cp1252.h"
#include "util/yielder.h"

namespace wf {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string ReplaceAll(std::string_view text, std::string_view what, std::string_view with) {
  std::string out;
  out.reserve(text.size());
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = text.find(what, from);
    if (at == std::string_view::npos) break;
    out.append(text.substr(from, at - from));
    out.append(with);
    from = at + what.size();
  }
  out.append(text.substr(from));
  return out;
}

}  // namespace

std::string UnicodeEscapeToText(std::string_view escape) {
  if (escape.size() < 4) return {};
  const std::string_view hex = escape.substr(escape.size() - 4);
  std::uint32_t c = 0;
  for (char ch : hex) {
    const int v = HexValue(ch);
    if (v < 0) return {};
    c = c * 16 + static_cast<std::uint32_t>(v);
  }
  if (c == 0) return {};
  if (c <= 255) {
    // A raw TAB, CR or LF would split the row or the line of a table file.
    if (c == 9 || c == 10 || c == 13) return " ";
    std::string out;
    AppendUtf8(out, Cp1252ToCodePoint(static_cast<unsigned char>(c)));
    return out;
  }
  if (c >= 8208 && c <= 8213) return "[-]";
  if (c >= 8216 && c <= 8219) return "[']";
  if (c == 8220 || c == 8221) return "\"";
  if (c == 8230) return "[...]";
  if (c == 8252) return "[!!]";
  if (c == 9825 || c == 9829) return "[<3]";
  if (c == 9786 || c == 9787) return "[:)]";
  if (c == 9785) return "[:(]";
  if (c == 9992) return "[plane]";
  if (c == 9996) return "[V]";
  if (c == 10003 || c == 10004) return "[/]";
  if (c >= 10005 && c <= 10008) return "[X]";
  if (c >= 10009 && c <= 10016) return "[+]";
  if (c >= 10017 && c <= 10051) return "[*]";
  if (c >= 10084 && c <= 10085) return "[<3]";
  if (c >= 880 && c <= 1023) return "[el]";
  if (c >= 1024 && c <= 1279) return "[cyr]";
  if (c >= 1424 && c <= 1535) return "[he]";
  if (c >= 1536 && c <= 1791) return "[ar]";
  if (c >= 3584 && c <= 3711) return "[th]";
  if (c > 10175) return {};
  return "[?]";
}

namespace {

// Every escape replaced in one left-to-right pass. Used only where replacing one distinct
// escape per pass would take too long (long texts full of different escapes, which real
// responses never hold); the results differ only where a replacement forms a new escape.
std::string ReplaceEscapesOnePass(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = s.find("\\u", from);
    if (at == std::string_view::npos) break;
    std::size_t end = at + 2;
    int taken = 0;
    while (taken < 4 && end < s.size()) {
      NextCodePoint(s, end);
      ++taken;
    }
    if (taken < 4) break;
    out.append(s.substr(from, at - from));
    out.append(UnicodeEscapeToText(s.substr(at, end - at)));
    from = end;
  }
  out.append(s.substr(from));
  return out;
}

}  // namespace

std::string CleanEscapes(std::string_view text, Yielder* yielder) {
  std::string s(text);
  constexpr std::size_t kPassBudget = 1 << 26;  // bytes scanned by the pass-per-escape loop
  std::size_t scanned = 0;
  // Each pass replaces every occurrence of one distinct escape, so repeated emoji cost one
  // pass, not one per occurrence.
  for (;;) {
    const std::size_t at = s.find("\\u");
    if (at == std::string::npos) break;
    std::size_t end = at + 2;
    int taken = 0;
    while (taken < 4 && end < s.size()) {
      NextCodePoint(s, end);
      ++taken;
    }
    if (taken < 4) break;
    scanned += s.size();
    if (scanned > kPassBudget) {
      s = ReplaceEscapesOnePass(s);
      break;
    }
    const std::string escape = s.substr(at, end - at);
    s = ReplaceAll(s, escape, UnicodeEscapeToText(escape));
    if (yielder != nullptr) yielder->Poll();
  }
  if (s.find("&amp;") != std::string::npos) s = ReplaceAll(s, "&amp;", "&");
  if (s.find('\\') != std::string::npos) std::erase(s, '\\');
  return s;
}

}  // namespace wf
