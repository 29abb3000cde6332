#pragma once

#include <cstdint>

namespace wf::senti {

// A token's kind (exactly one of the first four) and the flags of that kind. The flags of
// different kinds have their own bits, so scoring can test a flag without the kind.
enum TokenFlag : std::uint16_t {
  kWord = 1 << 0,
  kPunct = 1 << 1,
  kBreak = 1 << 2,  // a mention: ends the reach of negations and boosters
  kEmoticon = 1 << 3,
  // Words.
  kCaps = 1 << 4,       // written in capitals
  kStretched = 1 << 5,  // a letter repeated three or more times
  kHashtag = 1 << 6,
  kLong = 1 << 7,  // at least as long as a shout must be
  // Words, from their entries in the lists; all clear for an unlisted word.
  kHasValence = 1 << 8,
  kNegation = 1 << 9,
  kContrast = 1 << 10,
  kPhraseStart = 1 << 11,  // some listed phrase begins with this word
  // Punctuation.
  kExclaim = 1 << 12,   // holds "!"
  kQuestion = 1 << 13,  // holds "?"
};

// One unit of a text as scoring sees it. Eight bytes, so that replaying remembered tokens
// is a copy of a word each.
struct Token {
  std::uint16_t flags = kWord;
  std::int8_t value = 0;    // an emoticon's value, or a listed word's valence
  std::int8_t booster = 0;  // what a listed word adds to a sentiment word after it
  // The word's number among the words of listed phrases (phrases are looked up by these);
  // 0 for a word in no phrase.
  std::uint32_t phrase_word = 0;

  bool Is(TokenFlag flag) const { return (flags & flag) != 0; }
};
static_assert(sizeof(Token) == 8);

}  // namespace wf::senti
