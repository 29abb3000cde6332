#include "utf8_input.h"

#include <cstdio>

#include "score_file.h"
#include "util/cp1252.h"
#include "util/escapes.h"
#include "util/file_io.h"

namespace wf::senti {

std::string ClassifierText(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) {
    const char32_t cp = NextCodePoint(utf8, pos);
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp <= 0xFFFF) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(cp));
      out.append(Utf8ToCp1252(UnicodeEscapeToText(escape), '?'));
    }
    // Characters beyond the basic plane come as two surrogate escapes, both dropped.
  }
  return out;
}

bool ScoreUtf8File(const Classifier& classifier, const std::string& input_path,
                   std::string_view content, std::string* error) {
  if (IsMarkedUtf8(content)) content.remove_prefix(3);
  std::string out(kOutputHeader);
  out.push_back('\n');
  while (!content.empty()) {
    const std::size_t lf = content.find('\n');
    std::string_view line = content.substr(0, lf);
    content.remove_prefix(lf == std::string_view::npos ? content.size() : lf + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    std::string text = ClassifierText(line);
    const Scores scores = classifier.Score(text);
    // The reader of this file stops at the first CR.
    for (char& c : text) {
      if (c == '\r') c = ' ';
    }
    out += std::to_string(scores.positive) + '\t' + std::to_string(scores.negative) + '\t';
    out += text;
    out.push_back('\n');
  }
  return WriteFileAtomically(OutputPathFor(input_path), out, error);
}

}  // namespace wf::senti
