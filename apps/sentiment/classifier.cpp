#include "classifier.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "token_memo.h"
#include "util/cp1252.h"
#include "util/file_io.h"

namespace wf::senti {
namespace {

// Strengths are counted in whole numbers of sixteenths: every share below is a half or a
// quarter, so the arithmetic is exact in integers, with nothing to round until the end.
constexpr int kWhole = 16;
// A second word of the same sign adds a quarter of its strength to the strongest: two
// strong words read stronger than one, but five weak ones must not outweigh one strong one.
constexpr int kSecondWordDivisor = 4;
// A negated positive word reads as a mild negative, half as strong ("not happy" is not
// "sad"); a negated negative word reads as nothing ("not bad" is faint praise at most).
constexpr int kNegatedDivisor = 2;
// Feeling before the last contrast word ("nice try, but ...") counts half.
constexpr int kBeforeContrastDivisor = 2;
// How many words back a negation or a booster still reaches. Punctuation and mentions end
// the reach; emoticons and links do not count as words.
constexpr int kNegationReach = 3;
constexpr int kBoosterReach = 2;
constexpr int kLongestPhrase = 4;
constexpr int kLargestValence = 5;
constexpr int kLargestBooster = 3;
// Shorter all-capital words are mostly acronyms ("TV", "OK").
constexpr std::size_t kShortestShout = 3;

// Windows-1252 letter classes and lower-case forms.
struct CharTable {
  std::array<unsigned char, 256> lower{};
  std::array<bool, 256> letter{};
  std::array<bool, 256> upper{};
  std::array<bool, 256> space{};
};

constexpr CharTable MakeCharTable() {
  CharTable t{};
  for (int c = 0; c < 256; ++c) t.lower[c] = static_cast<unsigned char>(c);
  auto upper_pair = [&t](int up, int low) {
    t.letter[up] = t.letter[low] = true;
    t.upper[up] = true;
    t.lower[up] = static_cast<unsigned char>(low);
  };
  for (int c = 'A'; c <= 'Z'; ++c) upper_pair(c, c + 32);
  for (int c = 0xC0; c <= 0xDE; ++c) {
    if (c != 0xD7) upper_pair(c, c + 32);
  }
  upper_pair(0x8A, 0x9A);  // S caron
  upper_pair(0x8C, 0x9C);  // OE
  upper_pair(0x8E, 0x9E);  // Z caron
  upper_pair(0x9F, 0xFF);  // Y diaeresis
  for (int c : {0x83, 0xAA, 0xB5, 0xBA, 0xDF}) t.letter[c] = true;
  // TAB, LF, VT, FF, CR, space and the no-break space.
  for (int c : {0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x20, 0xA0}) t.space[c] = true;
  return t;
}

constexpr CharTable kChars = MakeCharTable();

unsigned char U(char c) {
  return static_cast<unsigned char>(c);
}
bool IsLetter(char c) {
  return kChars.letter[U(c)];
}
bool IsWordChar(char c) {
  return IsLetter(c) || (c >= '0' && c <= '9');
}
// Punctuation that ends a clause, and with it the reach of negations and boosters.
bool IsClausePunct(char c) {
  return c == '.' || c == ',' || c == ';' || c == ':' || c == '!' || c == '?';
}

std::string LowerCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(kChars.lower[U(c)]);
  return out;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (kChars.lower[U(s[i])] != U(prefix[i])) return false;
  }
  return true;
}

// Links say where a text points, not how its author feels, though their paths are full of
// words ("http://example.com/great-deals").
bool IsLink(std::string_view token) {
  if (token.find("://") != std::string_view::npos) return true;
  if (StartsWithNoCase(token, "www.")) return true;
  // Short links written without a scheme: "bit.ly/abc".
  const std::size_t slash = token.find('/');
  if (slash == std::string_view::npos || slash == 0) return false;
  const std::size_t dot = token.substr(0, slash).find('.');
  return dot != std::string_view::npos && dot > 0 && dot + 1 < slash && IsLetter(token[dot - 1]) &&
         IsLetter(token[dot + 1]);
}

// Runs of three or more equal letters shortened to `keep` letters ("goooood" -> "good").
std::string Unstretch(std::string_view word, std::size_t keep) {
  std::string out;
  out.reserve(word.size());
  for (std::size_t i = 0; i < word.size();) {
    std::size_t j = i;
    while (j < word.size() && word[j] == word[i]) ++j;
    const std::size_t run = j - i;
    out.append(run >= 3 && IsLetter(word[i]) ? keep : run, word[i]);
    i = j;
  }
  return out;
}

bool HasStretch(std::string_view lower) {
  for (std::size_t i = 0; i + 2 < lower.size(); ++i) {
    if (lower[i] == lower[i + 1] && lower[i] == lower[i + 2] && IsLetter(lower[i])) return true;
  }
  return false;
}

// Bit i of the result is set when byte i of the 64 at `p` is a space.
std::uint64_t SpacesOf64(const unsigned char* p) {
#if defined(__SSE2__)
  const __m128i tab = _mm_set1_epi8(9);
  const __m128i last_control = _mm_set1_epi8(0x0D - 0x09);
  const __m128i blank = _mm_set1_epi8(0x20);
  const __m128i nbsp = _mm_set1_epi8(static_cast<char>(0xA0));
  std::uint64_t bits = 0;
  for (int k = 0; k < 4; ++k) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
    // TAB to CR: v - 9 (wrapping) is at most 4.
    const __m128i from_tab = _mm_sub_epi8(v, tab);
    const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(from_tab, last_control), from_tab);
    const __m128i other = _mm_or_si128(_mm_cmpeq_epi8(v, blank), _mm_cmpeq_epi8(v, nbsp));
    const auto mask = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_or_si128(control, other)));
    bits |= std::uint64_t{mask} << (16 * k);
  }
  return bits;
#else
  std::uint64_t bits = 0;
  for (int k = 0; k < 64; ++k) bits |= std::uint64_t{kChars.space[p[k]]} << k;
  return bits;
#endif
}

struct Scratch {
  std::vector<Token> tokens;  // the first `count` are the text's
  std::size_t count = 0;
  std::vector<Token> made;   // one raw token's, when made afresh
  std::vector<char> padded;  // a text copied before room for reading past its end
  std::vector<std::uint64_t> spaces;
  std::vector<std::uint32_t> candidates;  // tokens that scoring looks at
  std::string token;
  std::string key;
  TokenMemo memo;
};

class Tokenizer {
 public:
  Tokenizer(const WordTable<Classifier::WordInfo>& words, const WordTable<int>& emoticons,
            const WordTable<std::uint32_t>& phrase_words, std::size_t longest_emoticon, Scratch& s)
      : words_(words),
        emoticons_(emoticons),
        phrase_words_(phrase_words),
        longest_emoticon_(longest_emoticon),
        s_(s) {}

  // Replaces the first s_.count of s_.tokens with the tokens of `text`, after which
  // Classifier::kSlack bytes are readable.
  void Run(std::string_view text) {
    const std::size_t n = text.size();
    const auto* line = reinterpret_cast<const unsigned char*>(text.data());
    // Marks of the spaces in 64-byte blocks; whatever follows the text counts as spaces, so
    // every token ends at a marked space.
    const std::size_t blocks = n / 64 + 1;
    if (s_.spaces.size() < blocks) s_.spaces.resize(blocks);
    std::uint64_t* spaces = s_.spaces.data();
    for (std::size_t b = 0; b + 1 < blocks; ++b) spaces[b] = SpacesOf64(line + 64 * b);
    spaces[blocks - 1] = ~std::uint64_t{0} << (n % 64);
    if (n % 64 != 0) spaces[blocks - 1] |= SpacesOf64(line + 64 * (blocks - 1));
    if (s_.tokens.size() < n + kRoom) s_.tokens.resize(n + kRoom);
    Token* out = s_.tokens.data();
    Token* limit = out + s_.tokens.size();
    TokenMemo::Reader memo = s_.memo.Read();

    // The road every raw token takes, kept inline and in registers: most are replayed.
    auto take = [&](const unsigned char* raw, std::size_t length) __attribute__((always_inline)) {
      if (static_cast<std::size_t>(limit - out) < kRoom) [[unlikely]] {
        out = MakeRoom(out, kRoom);
        limit = s_.tokens.data() + s_.tokens.size();
      }
      ShortKey key;
      std::uint64_t h = 0;
      if (length <= ShortKey::kLongest) [[likely]] {
        key = ShortKey::Of(raw, length);
        h = key.Hash();
        if (Token* end = memo.Replay(key, h, out)) [[likely]] {
          out = end;
          return;
        }
      }
      out = MakeAfresh(raw, length, key, h, out);
      limit = s_.tokens.data() + s_.tokens.size();
      memo = s_.memo.Read();
    };

    // Raw tokens (runs of non-spaces) start where a non-space follows a space and end at the
    // space after them; both kinds of place are read off the marks a block at a time, so that
    // finding a token does not wait for finding the one before it.
    std::uint64_t carry = 0;  // 1 when the block before ends inside a token
    std::size_t pending = 0;  // start of the token that block ends inside
    for (std::size_t b = 0; b < blocks; ++b) {
      const std::uint64_t word = ~spaces[b];
      const std::uint64_t after_word = (word << 1) | carry;  // bit i: byte i - 1 is a non-space
      std::uint64_t starts = word & ~after_word;
      std::uint64_t ends = spaces[b] & after_word;
      const std::size_t base = 64 * b;
      if (carry != 0 && ends != 0) {
        const std::size_t end = base + static_cast<std::size_t>(std::countr_zero(ends));
        ends &= ends - 1;
        take(line + pending, end - pending);
        carry = 0;
      }
      for (; starts != 0; starts &= starts - 1) {
        const std::size_t start = base + static_cast<std::size_t>(std::countr_zero(starts));
        if (ends == 0) {  // it goes on into the next block
          pending = start;
          break;
        }
        const std::size_t end = base + static_cast<std::size_t>(std::countr_zero(ends));
        ends &= ends - 1;
        take(line + start, end - start);
      }
      carry |= word >> 63;
    }
    s_.count = static_cast<std::size_t>(out - s_.tokens.data());
  }

 private:
  // Room kept free for one raw token's replay.
  static constexpr std::size_t kRoom = TokenMemo::kMostTokens + 1;

  // Grows s_.tokens, holding tokens up to `out`, to room for `count` more; the new `out`.
  [[gnu::noinline]] Token* MakeRoom(Token* out, std::size_t count) {
    const auto used = static_cast<std::size_t>(out - s_.tokens.data());
    if (s_.tokens.size() - used < count) s_.tokens.resize(2 * (used + count));
    return s_.tokens.data() + used;
  }

  // Makes the tokens of a raw token not replayed, writes them at `out`, and remembers them
  // when the raw token is short (`key`, hash `h`); the new end.
  [[gnu::noinline]] Token* MakeAfresh(const unsigned char* raw, std::size_t length,
                                      const ShortKey& key, std::uint64_t h, Token* out) {
    s_.made.clear();
    AddRawToken(std::string_view(reinterpret_cast<const char*>(raw), length));
    if (length <= ShortKey::kLongest) s_.memo.Add(key, h, s_.made.data(), s_.made.size());
    out = MakeRoom(out, s_.made.size() + kRoom);
    return std::copy(s_.made.begin(), s_.made.end(), out);
  }

  // Appends the tokens of `raw` to s_.made.
  void AddRawToken(std::string_view raw) {
    // "RT @name:" marks a retweet; the feeling is in the text quoted after it.
    if (raw == "RT") return;
    if (raw.size() > 1 && raw[0] == '@') {
      s_.made.push_back({.flags = kBreak});
      return;
    }
    if (IsLink(raw)) return;

    Normalize(raw);
    std::string_view tok = s_.token;
    if (tok.size() <= longest_emoticon_) {
      if (const int* v = emoticons_.Get(tok)) {
        AddEmoticon(*v);
        return;
      }
    }
    // An emoticon written onto the last word ("today:)").
    int tail_value = 0;
    const std::size_t longest_tail = tok.empty() ? 0 : std::min(longest_emoticon_, tok.size() - 1);
    for (std::size_t k = longest_tail; k >= 2; --k) {
      const std::string_view tail = tok.substr(tok.size() - k);
      if ((tail[0] == ':' || tail[0] == ';' || tail[0] == '=' || tail[0] == '<') &&
          IsWordChar(tok[tok.size() - k - 1])) {
        if (const int* v = emoticons_.Get(tail)) {
          tail_value = *v;
          tok.remove_suffix(k);
          break;
        }
      }
    }
    ScanToken(tok);
    if (tail_value != 0) AddEmoticon(tail_value);
  }

  // Copies `raw` to s_.token with the HTML entities the API leaves in texts decoded and the
  // cleaner's punctuation tags turned back into punctuation.
  void Normalize(std::string_view raw) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 9> kReplace = {{
        {"&lt;", "<"},
        {"&gt;", ">"},
        {"&quot;", "\""},
        {"&amp;", "&"},
        {"[']", "'"},
        {"[-]", "-"},
        {"[...]", "..."},
        {"[!!]", "!!"},
        {"\x85", "..."},
    }};
    std::string& out = s_.token;
    out.clear();
    for (std::size_t i = 0; i < raw.size();) {
      const char c = raw[i];
      if (c == '&' || c == '[' || c == '\x85') {
        bool replaced = false;
        for (const auto& [from, to] : kReplace) {
          if (raw.substr(i, from.size()) == from) {
            out.append(to);
            i += from.size();
            replaced = true;
            break;
          }
        }
        if (replaced) continue;
      }
      // Typographic apostrophes (0x91, 0x92), so that "don't" typed on a phone meets the
      // "don't" of the word lists.
      out.push_back(U(c) == 0x92 || U(c) == 0x91 ? '\'' : c);
      ++i;
    }
  }

  void ScanToken(std::string_view tok) {
    std::size_t j = 0;
    const bool hashtag = !tok.empty() && tok[0] == '#';
    if (hashtag) j = 1;
    while (j < tok.size()) {
      const char c = tok[j];
      if (IsWordChar(c)) {
        std::size_t end = j + 1;
        while (end < tok.size()) {
          if (IsWordChar(tok[end])) {
            ++end;
          } else if ((tok[end] == '\'' || tok[end] == '-') && end + 1 < tok.size() &&
                     IsWordChar(tok[end + 1])) {
            end += 2;
          } else {
            break;
          }
        }
        AddWord(tok.substr(j, end - j), hashtag);
        j = end;
        continue;
      }
      if (c == '[') {
        const std::size_t close = tok.find(']', j);
        if (close != std::string_view::npos && close - j + 1 <= longest_emoticon_) {
          if (const int* v = emoticons_.Get(tok.substr(j, close - j + 1))) {
            AddEmoticon(*v);
            j = close + 1;
            continue;
          }
        }
      }
      if (IsClausePunct(c)) {
        Token t{.flags = kPunct};
        while (j < tok.size() && IsClausePunct(tok[j])) {
          if (tok[j] == '!') t.flags |= kExclaim;
          if (tok[j] == '?') t.flags |= kQuestion;
          ++j;
        }
        s_.made.push_back(t);
        continue;
      }
      ++j;
    }
  }

  void AddWord(std::string_view raw, bool hashtag) {
    Token t{.flags = static_cast<std::uint16_t>(hashtag ? kWord | kHashtag : kWord)};
    bool has_lower = false;
    bool has_upper = false;
    for (char c : raw) {
      has_upper |= kChars.upper[U(c)];
      has_lower |= IsLetter(c) && !kChars.upper[U(c)];
    }
    if (has_upper && !has_lower && raw.size() >= kShortestShout) t.flags |= kCaps;

    std::string& key = s_.key;
    key.assign(raw);
    for (char& c : key) c = static_cast<char>(kChars.lower[U(c)]);
    const bool stretched = HasStretch(key);
    if (stretched) t.flags |= kStretched;
    const Classifier::WordInfo* info = words_.Get(key);
    if (info == nullptr && stretched) {
      // "goood" is "good" and "sooo" is "so"; try the double letter first ("cool").
      for (std::size_t keep : {2, 1}) {
        std::string shorter = Unstretch(key, keep);
        if (const Classifier::WordInfo* found = words_.Get(shorter)) {
          info = found;
          key = std::move(shorter);
          break;
        }
      }
    }
    if (info == nullptr && key.find('-') != std::string::npos) {
      // An unlisted compound counts as its parts ("super-happy").
      std::size_t start = 0;
      while (start < raw.size()) {
        const std::size_t dash = std::min(raw.find('-', start), raw.size());
        AddWord(raw.substr(start, dash - start), hashtag);
        start = dash + 1;
      }
      return;
    }
    if (info != nullptr) {
      t.value = info->valence;
      t.booster = info->booster;
      if (info->has_valence) t.flags |= kHasValence;
      if (info->negation) t.flags |= kNegation;
      if (info->contrast) t.flags |= kContrast;
      if (info->phrase_start) t.flags |= kPhraseStart;
    }
    if (key.size() >= kShortestShout) t.flags |= kLong;
    if (const std::uint32_t* number = phrase_words_.Get(key)) t.phrase_word = *number;
    s_.made.push_back(t);
  }

  void AddEmoticon(int value) {
    s_.made.push_back({.flags = kEmoticon, .value = static_cast<std::int8_t>(value)});
  }

  const WordTable<Classifier::WordInfo>& words_;
  const WordTable<int>& emoticons_;
  const WordTable<std::uint32_t>& phrase_words_;
  std::size_t longest_emoticon_;
  Scratch& s_;
};

// Strongest and second-strongest strengths of one sign.
struct Strongest {
  int first = 0;  // in sixteenths, as all strengths
  int second = 0;
  void Add(int m) {
    second = std::max(second, std::min(first, m));
    first = std::max(first, m);
  }
  int Total() const { return first + second / kSecondWordDivisor; }
};

// A strength (sixteenths, never negative) rounded to the nearest whole, halves up, on the
// 1-to-5 scale.
int ToScale(int strength) {
  const int whole = (strength + kWhole / 2) / kWhole;
  return 1 + std::clamp(whole, 0, 4);
}

// The key of a phrase in the phrase table: its words' numbers, as bytes.
std::string_view PhraseKey(const std::uint32_t* numbers, std::size_t count) {
  return {reinterpret_cast<const char*>(numbers), count * sizeof(std::uint32_t)};
}

// ---- Loading ----

// Reads a list file line by line in Windows-1252. The shipped word lists are UTF-8; a list
// a user saved from an ANSI editor is taken as it is. Entries the code page cannot hold
// cannot occur in a text and are skipped.
bool ReadList(const std::string& path, bool comments,
              const std::function<bool(std::string_view, std::string*)>& take, std::string* error) {
  std::string read_error;
  std::optional<std::string> content = ReadWholeFile(path, &read_error);
  if (!content) {
    if (error != nullptr) *error = read_error;
    return false;
  }
  std::string_view text = *content;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  const bool utf8 = !IsAscii(text) && IsValidUtf8(text);
  int line_number = 0;
  while (!text.empty()) {
    const std::size_t lf = text.find('\n');
    std::string_view line = text.substr(0, lf);
    text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);
    ++line_number;
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.empty() || (comments && line.starts_with('#'))) continue;
    std::string converted;
    if (utf8) {
      bool representable = true;
      for (std::size_t pos = 0; pos < line.size();) {
        const int b = CodePointToCp1252(NextCodePoint(line, pos));
        if (b < 0) {
          representable = false;
          break;
        }
        converted.push_back(static_cast<char>(b));
      }
      if (!representable) continue;
    } else {
      converted.assign(line);
    }
    std::string why;
    if (!take(converted, &why)) {
      if (error != nullptr) *error = path + " line " + std::to_string(line_number) + ": " + why;
      return false;
    }
  }
  return true;
}

// "term<TAB>number" with the number in [-limit, limit].
bool SplitEntry(std::string_view line, int limit, std::string_view& term, int& value,
                std::string* why) {
  const std::size_t tab = line.rfind('\t');
  if (tab == std::string_view::npos || tab == 0) {
    *why = "expected a term, a TAB and a whole number";
    return false;
  }
  term = line.substr(0, tab);
  while (!term.empty() && term.back() == ' ') term.remove_suffix(1);
  std::string_view number = line.substr(tab + 1);
  while (!number.empty() && number.back() == ' ') number.remove_suffix(1);
  if (number.starts_with('+')) number.remove_prefix(1);
  const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (ec != std::errc() || end != number.data() + number.size() || value < -limit ||
      value > limit || term.empty()) {
    *why = "expected a whole number from -" + std::to_string(limit) + " to " +
           std::to_string(limit) + " after the TAB";
    return false;
  }
  return true;
}

std::string_view TrimSpaces(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

std::atomic<std::uint64_t> next_identity{1};

}  // namespace

Classifier::Identity::Identity() : value(next_identity.fetch_add(1, std::memory_order_relaxed)) {}

std::optional<Classifier> Classifier::Load(const std::string& folder, std::string* error) {
  std::string dir = folder;
  if (!dir.empty() && dir.back() != '/') dir.push_back('/');
  Classifier c;

  auto add_valence = [&c](std::string_view line, std::string* why) {
    std::string_view term;
    int value = 0;
    if (!SplitEntry(line, kLargestValence, term, value, why)) return false;
    const std::string lower = LowerCase(term);
    if (lower.find(' ') == std::string::npos) {
      WordInfo& info = c.words_.Entry(lower);
      info.valence = static_cast<std::int8_t>(value);
      info.has_valence = true;
      return true;
    }
    // A phrase: looked up by its words' numbers (words of phrases are numbered from 1).
    std::vector<std::string_view> words;
    const std::string_view all = lower;
    for (std::size_t pos = 0; pos < all.size();) {
      const std::size_t space = std::min(all.find(' ', pos), all.size());
      if (space > pos) words.push_back(all.substr(pos, space - pos));
      pos = space + 1;
    }
    if (words.size() > static_cast<std::size_t>(kLongestPhrase)) {
      *why = "phrases may have at most " + std::to_string(kLongestPhrase) + " words";
      return false;
    }
    std::array<std::uint32_t, kLongestPhrase> numbers{};
    for (std::size_t k = 0; k < words.size(); ++k) {
      std::uint32_t& number = c.phrase_words_.Entry(words[k]);
      if (number == 0) number = static_cast<std::uint32_t>(c.phrase_words_.size());
      numbers[k] = number;
    }
    c.phrases_.Entry(PhraseKey(numbers.data(), words.size())) = value;
    c.words_.Entry(words.front()).phrase_start = true;
    return true;
  };
  auto add_emoticon = [&c](std::string_view line, std::string* why) {
    std::string_view term;
    int value = 0;
    if (!SplitEntry(line, kLargestValence, term, value, why)) return false;
    c.emoticons_.Entry(term) = value;
    c.longest_emoticon_ = std::max(c.longest_emoticon_, term.size());
    return true;
  };
  auto add_booster = [&c](std::string_view line, std::string* why) {
    std::string_view term;
    int value = 0;
    if (!SplitEntry(line, kLargestBooster, term, value, why)) return false;
    c.words_.Entry(LowerCase(term)).booster = static_cast<std::int8_t>(value);
    return true;
  };
  auto add_flag = [&c](bool WordInfo::*flag) {
    return [&c, flag](std::string_view line, std::string* why) {
      const std::string_view term = TrimSpaces(line);
      if (term.find_first_of(" \t") != std::string_view::npos) {
        *why = "expected one word per line";
        return false;
      }
      c.words_.Entry(LowerCase(term)).*flag = true;
      return true;
    };
  };

  // Later files win: our own word values replace the list's where both name a word.
  return ReadList(dir + std::string(kWordListFile), false, add_valence, error) &&
                 ReadList(dir + std::string(kExtraWordsFile), true, add_valence, error) &&
                 ReadList(dir + std::string(kEmoticonListFile), false, add_emoticon, error) &&
                 ReadList(dir + std::string(kEmoticonTagsFile), true, add_emoticon, error) &&
                 ReadList(dir + std::string(kBoosterWordsFile), true, add_booster, error) &&
                 ReadList(dir + std::string(kNegatingWordsFile), true,
                          add_flag(&WordInfo::negation), error) &&
                 ReadList(dir + std::string(kContrastWordsFile), true,
                          add_flag(&WordInfo::contrast), error)
             ? std::optional<Classifier>(std::move(c))
             : std::nullopt;
}

namespace {
thread_local Scratch scratch;
}  // namespace

Scores Classifier::Score(std::string_view text) const {
  Scratch& s = scratch;
  if (s.padded.size() < text.size() + kSlack) s.padded.resize(text.size() + kSlack);
  if (!text.empty()) std::memcpy(s.padded.data(), text.data(), text.size());
  return ScoreWithSlack({s.padded.data(), text.size()});
}

Scores Classifier::ScoreWithSlack(std::string_view text) const {
  Scratch& s = scratch;
  s.memo.Use(identity_.value);
  Tokenizer(words_, emoticons_, phrase_words_, longest_emoticon_, s).Run(text);
  const Token* tokens = s.tokens.data();
  const std::size_t n = s.count;

  // One pass over the tokens, without branches on them (their kinds follow no pattern a
  // processor could learn): the flags they carry, whether a long word is not in capitals,
  // and the tokens that may carry feeling (emoticons and listed words).
  if (s.candidates.size() < n + 1) s.candidates.resize(n + 1);
  std::uint32_t* candidates = s.candidates.data();
  std::size_t candidate_count = 0;
  unsigned any = 0;
  unsigned lower = 0;  // kLong where a long word is not in capitals
  static_assert(kLong == kCaps << 3);
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned f = tokens[i].flags;
    any |= f;
    lower |= f & ~(f << 3);
    candidates[candidate_count] = static_cast<std::uint32_t>(i);
    candidate_count += (f & (kEmoticon | kHasValence | kPhraseStart)) != 0;
  }
  // Capitals are emphasis only against a text that is not written in capitals throughout.
  const bool any_long_word = (any & kLong) != 0;
  const bool all_caps = (lower & kLong) == 0;
  const bool caps_are_emphasis = !(any_long_word && all_caps);
  const bool exclaim = (any & kExclaim) != 0;
  std::size_t contrast_at = n;  // the last contrast word
  if (any & kContrast) {
    while (!tokens[--contrast_at].Is(kContrast)) {
    }
  }
  // A text ends on a question when its last punctuation holds "?" and no word but tags
  // follows it.
  bool question_end = false;
  for (std::size_t i = n; i > 0; --i) {
    const Token& t = tokens[i - 1];
    if (t.Is(kPunct)) {
      question_end = t.Is(kQuestion);
      break;
    }
    if ((t.flags & (kWord | kHashtag)) == kWord) break;
  }

  // The words before `i` that a negation or booster may stand in, nearest first.
  auto words_before = [tokens](std::size_t i, int reach, auto&& visit) {
    int seen = 0;
    while (i > 0 && seen < reach) {
      const Token& p = tokens[--i];
      if (p.Is(kEmoticon)) continue;
      if (!p.Is(kWord)) return;
      ++seen;
      if (visit(p)) return;
    }
  };

  Strongest positive;
  Strongest negative;
  std::size_t next = 0;  // tokens before this one belong to a phrase already scored
  for (std::size_t c = 0; c < candidate_count; ++c) {
    const std::size_t i = candidates[c];
    if (i < next) continue;
    const Token& t = tokens[i];
    if (t.Is(kEmoticon)) {
      (t.value > 0 ? positive : negative).Add(std::abs(t.value) * kWhole);
      continue;
    }

    int valence = 0;
    std::size_t used = 1;
    bool phrase = false;
    if (t.Is(kPhraseStart)) {
      // Listed phrases come first: some already hold their negation ("not good"). They are
      // looked up by their words' numbers; a word with none is in no phrase.
      for (std::size_t len = std::min<std::size_t>(kLongestPhrase, n - i); len >= 2; --len) {
        std::array<std::uint32_t, kLongestPhrase> numbers{};
        bool listed_words = true;
        for (std::size_t k = 0; k < len && listed_words; ++k) {
          const Token& w = tokens[i + k];
          numbers[k] = w.phrase_word;
          listed_words = w.Is(kWord) && w.phrase_word != 0;
        }
        if (!listed_words) continue;
        if (const int* v = phrases_.Get(PhraseKey(numbers.data(), len))) {
          valence = *v;
          used = len;
          phrase = true;
          break;
        }
      }
    }
    if (!phrase) {
      if (!t.Is(kHasValence)) continue;
      valence = t.value;
    }
    next = i + used;
    if (valence == 0) continue;

    int strength = std::abs(valence) * kWhole;
    bool emphasis = t.Is(kStretched) || (caps_are_emphasis && t.Is(kCaps));
    words_before(i, kBoosterReach, [&](const Token& p) {
      if (p.booster == 0) return false;
      strength += p.booster * kWhole;
      // "sooo good": the stretch of the booster stresses the word it boosts.
      emphasis = emphasis || p.Is(kStretched);
      return true;
    });
    if (emphasis) strength += kWhole;
    bool negated = false;
    words_before(i, kNegationReach, [&](const Token& p) {
      negated = p.Is(kNegation);
      return negated;
    });

    bool is_positive = valence > 0;
    if (negated) {
      strength = is_positive ? strength / kNegatedDivisor : 0;
      is_positive = false;
    }
    if (i < contrast_at && contrast_at < n) strength /= kBeforeContrastDivisor;
    if (strength > 0) (is_positive ? positive : negative).Add(strength);
  }

  int pos = positive.Total();
  if (pos > 0) {
    if (exclaim) pos += kWhole;
    if (question_end) pos = std::max(0, pos - kWhole);
  }
  return {ToScale(pos), -ToScale(negative.Total())};
}

}  // namespace wf::senti
