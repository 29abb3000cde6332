#include "classifier.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "util/cp1252.h"
#include "util/file_io.h"

namespace wf::senti {
namespace {

// A second word of the same sign adds this share of its strength to the strongest: two
// strong words read stronger than one, but five weak ones must not outweigh one strong one.
constexpr double kSecondWordShare = 0.25;
// A negated positive word reads as a mild negative ("not happy" is not "sad"); a negated
// negative word reads as nothing ("not bad" is faint praise at most).
constexpr double kNegatedShare = 0.5;
// Feeling before the last contrast word ("nice try, but ...") counts half.
constexpr double kBeforeContrastShare = 0.5;
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
bool IsSpace(char c) {
  return kChars.space[U(c)];
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

enum class Kind : std::uint8_t { Word, Punct, Break, Emoticon };

struct Token {
  Kind kind = Kind::Word;
  bool caps = false;       // written in capitals
  bool stretched = false;  // a letter repeated three or more times
  bool hashtag = false;
  bool exclaim = false;   // Punct holding "!"
  bool question = false;  // Punct holding "?"
  int value = 0;          // Emoticon value
  // The word's entry, copied so that scoring need not reach into the word table; all zero
  // for an unlisted word.
  bool known = false;
  Classifier::WordInfo word{};
  std::uint32_t offset = 0;  // the lower-case word in Scratch::words
  std::uint32_t length = 0;
};

std::uint64_t Load8(const char* p) {
  std::uint64_t w;
  std::memcpy(&w, p, 8);
  return w;
}

// The bytes of a string of 1 to 8 bytes in one word, in two (or three) overlapping loads
// rather than a copy into a zeroed word, which stalls the load that follows it. Together the
// loads cover every byte, so two strings of one length are equal when their words are.
std::uint64_t LoadShort(const char* p, std::size_t n) {
  if (n >= 4) {
    std::uint32_t a;
    std::uint32_t b;
    std::memcpy(&a, p, 4);
    std::memcpy(&b, p + n - 4, 4);
    return a | (std::uint64_t{b} << 32);
  }
  return U(p[0]) | (std::uint64_t{U(p[n / 2])} << 8) | (std::uint64_t{U(p[n - 1])} << 16);
}

std::uint64_t Mix(std::uint64_t x) {
  x *= 0xBF58476D1CE4E5B9ULL;
  return x ^ (x >> 31);
}

// A hash of a short string, eight bytes at a step (the last step overlapping the one before).
std::uint64_t HashBytes(std::string_view s) {
  const char* p = s.data();
  const std::size_t n = s.size();
  std::uint64_t h = 0x9E3779B97F4A7C15ULL ^ n;
  if (n > 8) {
    for (std::size_t i = 0; i + 8 < n; i += 8) h = Mix(h ^ Load8(p + i));
    h = Mix(h ^ Load8(p + n - 8));
    return h;
  }
  return n > 0 ? Mix(h ^ LoadShort(p, n)) : h;
}

bool SameBytes(const char* a, const char* b, std::size_t n) {
  if (n > 8) {
    for (std::size_t i = 0; i + 8 < n; i += 8) {
      if (Load8(a + i) != Load8(b + i)) return false;
    }
    return Load8(a + n - 8) == Load8(b + n - 8);
  }
  return n == 0 || LoadShort(a, n) == LoadShort(b, n);
}

// What the tokenizer made of each raw token (a run of non-spaces) it met lately. Texts draw
// their tokens from a small vocabulary, so most have been taken apart before, and replaying
// the result skips the link test, entity decoding, emoticon search, case folding and word
// lookups. Making tokens depends on nothing but the raw token and the classifier's tables,
// so a replay appends exactly what making them again would.
class TokenMemo {
 public:
  // Longer raw tokens are mostly links and rarely repeat.
  static constexpr std::size_t kLongestKey = 32;

  // Forgets everything when the tokens would come from another classifier.
  void Use(std::uint64_t owner) {
    if (owner != owner_) {
      Clear();
      owner_ = owner;
    }
  }

  // Appends what `raw` (hash `h`) was made into; false when it is not kept.
  bool Replay(std::string_view raw, std::uint64_t h, std::vector<Token>& tokens,
              std::string& words) const {
    const std::size_t mask = slots_.size() - 1;
    const auto tag = static_cast<std::uint32_t>(h >> 32);
    for (std::size_t i = h & mask;; i = (i + 1) & mask) {
      const Slot slot = slots_[i];
      if (slot.record == 0) return false;
      if (slot.tag != tag) continue;
      const char* at = reinterpret_cast<const char*>(arena_.data() + slot.record - 1);
      Header head;
      std::memcpy(&head, at, sizeof head);
      const char* token_at = at + sizeof head;
      const char* key_at = token_at + head.token_count * sizeof(Token);
      if (head.key_length != raw.size() || !SameBytes(key_at, raw.data(), raw.size())) continue;
      // Word offsets in a record count from the record's own words.
      const auto shift = static_cast<std::uint32_t>(words.size());
      for (std::size_t k = 0; k < head.token_count; ++k) {
        Token& t = tokens.emplace_back();
        std::memcpy(&t, token_at + k * sizeof(Token), sizeof(Token));
        if (t.kind == Kind::Word) t.offset += shift;
      }
      words.append(key_at + head.key_length, head.words_length);
      return true;
    }
  }

  // Keeps `tokens` (their word offsets counted from the start of `words`) for `raw`.
  void Add(std::string_view raw, std::uint64_t h, const Token* tokens, std::size_t count,
           std::string_view words) {
    if (count > UINT8_MAX || words.size() > UINT16_MAX) return;
    // Full: start afresh rather than grow further, so that a stream of new tokens costs no
    // more memory. The slots keep their number, which the next fill reaches again.
    if (records_ >= kMostRecords) {
      std::fill(slots_.begin(), slots_.end(), Slot{});
      arena_.clear();
      records_ = 0;
    }
    if ((records_ + 1) * 2 > slots_.size()) Grow();
    // One record holds everything a replay reads, so that it touches few cache lines:
    // header, tokens, key, words.
    const Header head{static_cast<std::uint8_t>(raw.size()), static_cast<std::uint8_t>(count),
                      static_cast<std::uint16_t>(words.size()), h};
    const std::size_t bytes = sizeof head + count * sizeof(Token) + raw.size() + words.size();
    const std::size_t start = arena_.size();
    arena_.resize(start + (bytes + 7) / 8);
    char* at = reinterpret_cast<char*>(arena_.data() + start);
    std::memcpy(at, &head, sizeof head);
    at += sizeof head;
    if (count > 0) std::memcpy(at, tokens, count * sizeof(Token));
    at += count * sizeof(Token);
    std::memcpy(at, raw.data(), raw.size());
    if (!words.empty()) std::memcpy(at + raw.size(), words.data(), words.size());
    Place({static_cast<std::uint32_t>(h >> 32), static_cast<std::uint32_t>(start + 1)}, h);
    ++records_;
  }

 private:
  static constexpr std::size_t kMostRecords = std::size_t{1} << 15;
  static constexpr std::size_t kFewestSlots = 1024;

  struct Header {
    std::uint8_t key_length;
    std::uint8_t token_count;
    std::uint16_t words_length;
    std::uint64_t hash;  // for growing the slots
  };

  struct Slot {
    std::uint32_t tag = 0;     // high half of the hash, so most misses skip the record
    std::uint32_t record = 0;  // its first word in arena_, + 1; 0 is free
  };

  void Place(Slot slot, std::uint64_t h) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = h & mask;
    while (slots_[i].record != 0) i = (i + 1) & mask;
    slots_[i] = slot;
  }

  void Grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.size() * 2, Slot{});
    for (const Slot& slot : old) {
      if (slot.record == 0) continue;
      Header head;
      std::memcpy(&head, arena_.data() + slot.record - 1, sizeof head);
      Place(slot, head.hash);
    }
  }

  void Clear() {
    slots_.assign(kFewestSlots, Slot{});
    arena_.clear();
    records_ = 0;
  }

  std::uint64_t owner_ = 0;
  std::vector<Slot> slots_ = std::vector<Slot>(kFewestSlots);
  std::vector<std::uint64_t> arena_;  // records, each starting on a word
  std::size_t records_ = 0;
};

struct Scratch {
  std::vector<Token> tokens;
  std::string words;
  std::string token;
  std::string key;
  TokenMemo memo;
};

class Tokenizer {
 public:
  Tokenizer(const WordTable<Classifier::WordInfo>& words, const WordTable<int>& emoticons,
            std::size_t longest_emoticon, Scratch& s)
      : words_(words), emoticons_(emoticons), longest_emoticon_(longest_emoticon), s_(s) {}

  void Run(std::string_view text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
      while (i < n && IsSpace(text[i])) ++i;
      const std::size_t start = i;
      while (i < n && !IsSpace(text[i])) ++i;
      if (i > start) AddRawTokenMemo(text.substr(start, i - start));
    }
  }

 private:
  void AddRawTokenMemo(std::string_view raw) {
    if (raw.size() > TokenMemo::kLongestKey) {
      AddRawToken(raw);
      return;
    }
    const std::uint64_t h = HashBytes(raw);
    if (s_.memo.Replay(raw, h, s_.tokens, s_.words)) return;
    const std::size_t first_token = s_.tokens.size();
    const std::size_t first_word = s_.words.size();
    AddRawToken(raw);
    const std::size_t count = s_.tokens.size() - first_token;
    const auto shift = static_cast<std::uint32_t>(first_word);
    for (std::size_t k = first_token; k < s_.tokens.size(); ++k) {
      if (s_.tokens[k].kind == Kind::Word) s_.tokens[k].offset -= shift;
    }
    s_.memo.Add(raw, h, s_.tokens.data() + first_token, count,
                std::string_view(s_.words).substr(first_word));
    for (std::size_t k = first_token; k < s_.tokens.size(); ++k) {
      if (s_.tokens[k].kind == Kind::Word) s_.tokens[k].offset += shift;
    }
  }

  void AddRawToken(std::string_view raw) {
    // "RT @name:" marks a retweet; the feeling is in the text quoted after it.
    if (raw == "RT") return;
    if (raw.size() > 1 && raw[0] == '@') {
      s_.tokens.push_back({.kind = Kind::Break});
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
        Token t{.kind = Kind::Punct};
        while (j < tok.size() && IsClausePunct(tok[j])) {
          t.exclaim |= tok[j] == '!';
          t.question |= tok[j] == '?';
          ++j;
        }
        s_.tokens.push_back(t);
        continue;
      }
      ++j;
    }
  }

  void AddWord(std::string_view raw, bool hashtag) {
    Token t{.kind = Kind::Word, .hashtag = hashtag};
    bool has_lower = false;
    bool has_upper = false;
    for (char c : raw) {
      has_upper |= kChars.upper[U(c)];
      has_lower |= IsLetter(c) && !kChars.upper[U(c)];
    }
    t.caps = has_upper && !has_lower && raw.size() >= kShortestShout;

    std::string& key = s_.key;
    key.assign(raw);
    for (char& c : key) c = static_cast<char>(kChars.lower[U(c)]);
    t.stretched = HasStretch(key);
    const Classifier::WordInfo* info = words_.Get(key);
    if (info == nullptr && t.stretched) {
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
      t.known = true;
      t.word = *info;
    }
    t.offset = static_cast<std::uint32_t>(s_.words.size());
    t.length = static_cast<std::uint32_t>(key.size());
    s_.words.append(key);
    s_.tokens.push_back(t);
  }

  void AddEmoticon(int value) { s_.tokens.push_back({.kind = Kind::Emoticon, .value = value}); }

  const WordTable<Classifier::WordInfo>& words_;
  const WordTable<int>& emoticons_;
  std::size_t longest_emoticon_;
  Scratch& s_;
};

// Strongest and second-strongest strengths of one sign.
struct Strongest {
  double first = 0;
  double second = 0;
  void Add(double m) {
    if (m > first) {
      second = first;
      first = m;
    } else if (m > second) {
      second = m;
    }
  }
  double Total() const { return first + kSecondWordShare * second; }
};

int ToScale(double strength) {
  const int whole = static_cast<int>(std::floor(strength + 0.5));
  return 1 + std::clamp(whole, 0, 4);
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
    // A phrase: its words joined by single spaces, as the scorer joins them.
    std::string key;
    int count = 0;
    for (std::size_t pos = 0; pos < lower.size();) {
      const std::size_t space = std::min(lower.find(' ', pos), lower.size());
      if (space > pos) {
        if (!key.empty()) key.push_back(' ');
        key.append(lower, pos, space - pos);
        ++count;
      }
      pos = space + 1;
    }
    if (count > kLongestPhrase) {
      *why = "phrases may have at most " + std::to_string(kLongestPhrase) + " words";
      return false;
    }
    c.phrases_.Entry(key) = value;
    c.words_.Entry(key.substr(0, key.find(' '))).phrase_start = true;
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

Scores Classifier::Score(std::string_view text) const {
  thread_local Scratch scratch;
  Scratch& s = scratch;
  s.memo.Use(identity_.value);
  s.tokens.clear();
  s.words.clear();
  Tokenizer(words_, emoticons_, longest_emoticon_, s).Run(text);
  const std::vector<Token>& tokens = s.tokens;
  const std::size_t n = tokens.size();
  auto word_text = [&s](const Token& t) {
    return std::string_view(s.words).substr(t.offset, t.length);
  };

  // Capitals are emphasis only against a text that is not written in capitals throughout.
  bool any_long_word = false;
  bool all_caps = true;
  std::size_t contrast_at = n;
  bool exclaim = false;
  bool question_end = false;
  for (std::size_t i = 0; i < n; ++i) {
    const Token& t = tokens[i];
    if (t.kind == Kind::Word) {
      if (t.length >= kShortestShout) {
        any_long_word = true;
        all_caps = all_caps && t.caps;
      }
      if (t.word.contrast) contrast_at = i;
      // A question followed by more words is not how the text ends; tags after it are.
      if (!t.hashtag) question_end = false;
    } else if (t.kind == Kind::Punct) {
      exclaim = exclaim || t.exclaim;
      question_end = t.question;
    }
  }
  const bool caps_are_emphasis = !(any_long_word && all_caps);

  // The words before `i` that a negation or booster may stand in, nearest first.
  auto words_before = [&tokens](std::size_t i, int reach, auto&& visit) {
    int seen = 0;
    while (i > 0 && seen < reach) {
      const Token& p = tokens[--i];
      if (p.kind == Kind::Emoticon) continue;
      if (p.kind != Kind::Word) return;
      ++seen;
      if (visit(p)) return;
    }
  };

  Strongest positive;
  Strongest negative;
  for (std::size_t i = 0; i < n;) {
    const Token& t = tokens[i];
    if (t.kind == Kind::Emoticon) {
      (t.value > 0 ? positive : negative).Add(std::abs(t.value));
      ++i;
      continue;
    }
    if (t.kind != Kind::Word || !t.known) {
      ++i;
      continue;
    }

    int valence = 0;
    std::size_t used = 1;
    bool phrase = false;
    if (t.word.phrase_start) {
      // Listed phrases come first: some already hold their negation ("not good").
      for (std::size_t len = std::min<std::size_t>(kLongestPhrase, n - i); len >= 2; --len) {
        bool words_only = true;
        s.key.assign(word_text(t));
        for (std::size_t k = 1; k < len && words_only; ++k) {
          words_only = tokens[i + k].kind == Kind::Word;
          s.key.push_back(' ');
          s.key.append(word_text(tokens[i + k]));
        }
        if (!words_only) continue;
        if (const int* v = phrases_.Get(s.key)) {
          valence = *v;
          used = len;
          phrase = true;
          break;
        }
      }
    }
    if (!phrase) {
      if (!t.word.has_valence) {
        ++i;
        continue;
      }
      valence = t.word.valence;
    }
    if (valence == 0) {
      i += used;
      continue;
    }

    double strength = std::abs(valence);
    bool emphasis = t.stretched || (caps_are_emphasis && t.caps);
    words_before(i, kBoosterReach, [&](const Token& p) {
      if (p.word.booster == 0) return false;
      strength += p.word.booster;
      // "sooo good": the stretch of the booster stresses the word it boosts.
      emphasis = emphasis || p.stretched;
      return true;
    });
    if (emphasis) strength += 1;
    bool negated = false;
    words_before(i, kNegationReach, [&](const Token& p) {
      negated = p.word.negation;
      return negated;
    });

    bool is_positive = valence > 0;
    if (negated) {
      strength = is_positive ? strength * kNegatedShare : 0;
      is_positive = false;
    }
    if (i < contrast_at && contrast_at < n) strength *= kBeforeContrastShare;
    if (strength > 0) (is_positive ? positive : negative).Add(strength);
    i += used;
  }

  double pos = positive.Total();
  if (pos > 0) {
    if (exclaim) pos += 1;
    if (question_end) pos = std::max(0.0, pos - 1);
  }
  return {ToScale(pos), -ToScale(negative.Total())};
}

}  // namespace wf::senti
