#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "word_table.h"

namespace wf::senti {

// Dual-scale strengths of one text: each the strongest feeling of that sign it expresses.
struct Scores {
  int positive = 1;   // 1 (none) to 5 (extremely positive)
  int negative = -1;  // -1 (none) to -5 (extremely negative)
  bool operator==(const Scores&) const = default;
};

// Files of a data folder; all plain text a user can edit.
inline constexpr std::string_view kWordListFile = "AFINN-en-165.txt";
inline constexpr std::string_view kEmoticonListFile = "AFINN-emoticon-8.txt";
inline constexpr std::string_view kExtraWordsFile = "ExtraWords.txt";
inline constexpr std::string_view kEmoticonTagsFile = "EmoticonTags.txt";
inline constexpr std::string_view kBoosterWordsFile = "BoosterWords.txt";
inline constexpr std::string_view kNegatingWordsFile = "NegatingWords.txt";
inline constexpr std::string_view kContrastWordsFile = "ContrastWords.txt";

// A lexicon-based classifier for short social-media texts in Windows-1252: word and emoticon
// values from the word lists, changed by boosters, negations, emphasis (capitals, stretched
// letters), exclamation and question endings, and a contrast ("but") that shifts weight to
// what follows it. Read-only after Load, so one instance can score from many threads.
class Classifier {
 public:
  // Reads every file of `folder` (a trailing separator is optional). Nothing on failure,
  // with `error` naming the file and line.
  static std::optional<Classifier> Load(const std::string& folder, std::string* error);

  Scores Score(std::string_view text) const;

  // Bytes after a text that ScoreWithSlack may read (and ignores).
  static constexpr std::size_t kSlack = 80;

  // Score for a caller that scores texts lying in a buffer of its own: the kSlack bytes after
  // `text` must be readable. Saves copying each text before reading it in wide pieces.
  Scores ScoreWithSlack(std::string_view text) const;

  // A word's entry: its value and the roles it plays for the words after it.
  struct WordInfo {
    std::int8_t valence = 0;  // -5..+5 on the word-list scale
    std::int8_t booster = 0;  // added to the strength of a sentiment word that follows
    bool has_valence = false;
    bool negation = false;
    bool contrast = false;
    bool phrase_start = false;  // some listed phrase begins with this word
  };

 private:
  // Tells apart the classifiers a thread's memory of tokens was made with: every object,
  // copies and assignments included, gets a number never given before, so that tokens made
  // with one set of lists are never replayed for another.
  struct Identity {
    std::uint64_t value;
    Identity();
    Identity(const Identity&) : Identity() {}
    Identity& operator=(const Identity&) {
      value = Identity().value;
      return *this;
    }
  };

  Identity identity_;
  WordTable<WordInfo> words_;
  WordTable<int> phrases_;                 // the numbers of a phrase's words, as bytes -> valence
  WordTable<std::uint32_t> phrase_words_;  // each word of a listed phrase -> its number
  WordTable<int> emoticons_;               // exact, case-sensitive; includes the cleaner's tags
  std::size_t longest_emoticon_ = 0;
};

}  // namespace wf::senti
