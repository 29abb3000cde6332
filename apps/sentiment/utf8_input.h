#pragma once

#include <string>
#include <string_view>

#include "classifier.h"

namespace wf::senti {

// The Windows-1252 text the classifier reads for a UTF-8 text. Each character becomes what
// the default text cleaning makes of its escape: characters of the code page stay, emoji and
// symbols become the tags the lists score ("[<3]" for a heart, "[:)]" for a smiling face),
// letters of other scripts the tags of their script (words no list knows), and characters
// the cleaning drops (beyond U+27BF) are dropped. Text in full-text tables therefore scores
// as the same text in a default table.
std::string ClassifierText(std::string_view utf8);

// Files that start with the UTF-8 byte-order mark (the tweet table writes one when
// Windows-1252 cannot hold its texts) are UTF-8; all others Windows-1252.
inline bool IsMarkedUtf8(std::string_view head) {
  return head.starts_with("\xEF\xBB\xBF");
}

// Scores the lines of a marked UTF-8 file's `content` (mark included) as ScoreFile scores a
// Windows-1252 file, writing the same output file.
bool ScoreUtf8File(const Classifier& classifier, const std::string& input_path,
                   std::string_view content, std::string* error);

}  // namespace wf::senti
