#include "json/json_deserializer.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "json/byte_scan.h"
#include "util/cp1252.h"
#include "util/yielder.h"

namespace wf {
namespace {

using json_scan::StringEnd;

constexpr std::uint32_t kOpen = std::numeric_limits<std::uint32_t>::max();
constexpr std::size_t kYieldStride = 1 << 16;

std::size_t FindBytes(std::string_view hay, std::string_view needle, std::size_t from) {
  if (from > hay.size() || needle.size() > hay.size() - from) return std::string_view::npos;
  if (needle.empty()) return from;
  const char* const h = hay.data();
  const std::size_t n = needle.size();
  if (n == 1) {
    const void* p = std::memchr(h + from, needle.front(), hay.size() - from);
    return p == nullptr ? std::string_view::npos
                        : static_cast<std::size_t>(static_cast<const char*>(p) - h);
  }
  const std::size_t last_start = hay.size() - n;  // the last offset a match can start at
  std::size_t i = from;
#if defined(__SSE2__)
  // Sixteen starting offsets at a time: only those where both the needle's first and last
  // bytes match are compared in full. Own texts are cut by searching for children's texts,
  // long needles in JSON text, where skip-table searches make little headway.
  const __m128i first = _mm_set1_epi8(needle.front());
  const __m128i last = _mm_set1_epi8(needle.back());
  for (; i + 16 <= last_start + 1; i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + i + n - 1));
    auto mask = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last))));
    while (mask != 0) {
      const auto bit = static_cast<std::size_t>(__builtin_ctz(mask));
      if (std::memcmp(h + i + bit + 1, needle.data() + 1, n - 2) == 0) return i + bit;
      mask &= mask - 1;
    }
  }
#endif
  for (; i <= last_start; ++i) {
    if (h[i] == needle.front() && std::memcmp(h + i + 1, needle.data() + 1, n - 1) == 0) {
      return i;
    }
  }
  return std::string_view::npos;
}

// Removes every occurrence of `what` from p[0, size), left to right, where the text stands;
// returns the new size. Each search starts past the last match, in bytes not yet moved.
std::size_t RemoveAllInPlace(char* p, std::size_t size, std::string_view what) {
  const std::string_view text(p, size);
  std::size_t at = FindBytes(text, what, 0);
  if (at == std::string_view::npos) return size;
  std::size_t to = at;
  std::size_t from = at + what.size();
  while ((at = FindBytes(text, what, from)) != std::string_view::npos) {
    std::memmove(p + to, p + from, at - from);
    to += at - from;
    from = at + what.size();
  }
  std::memmove(p + to, p + from, size - from);
  return to + size - from;
}

void RemoveAllInPlace(std::string& text, std::string_view what) {
  text.resize(RemoveAllInPlace(text.data(), text.size(), what));
}

std::string StripChars(std::string_view value, bool also_bracket) {
  // Most values are a string's body behind its opening quote: nothing else to strip.
  if (!value.empty() && value.front() == '"') {
    const std::string_view body = value.substr(1);
    if (std::memchr(body.data(), '"', body.size()) == nullptr &&
        (!also_bracket || std::memchr(body.data(), '[', body.size()) == nullptr)) {
      return std::string(body);
    }
  }
  std::string out;
  out.reserve(value.size());
  for (char c : value) {
    if (c == '"' || (also_bracket && c == '[')) continue;
    out.push_back(c);
  }
  return out;
}

// Offset of the first `name"` in `text`, or npos (a key lookup: keys are matched by suffix).
// Sixteen starting offsets at a time, keeping those where the name's first byte and the
// quote after it match; most keys sit in the first few hundred bytes of an object.
std::size_t FindKey(std::string_view text, std::string_view name) {
  const std::size_t n = name.size();
  if (n + 1 > text.size()) return std::string_view::npos;
  if (n == 0) {
    const void* p = std::memchr(text.data(), '"', text.size());
    return p == nullptr ? std::string_view::npos
                        : static_cast<std::size_t>(static_cast<const char*>(p) - text.data());
  }
  const char* const h = text.data();
  const std::size_t last_start = text.size() - n - 1;
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i first = _mm_set1_epi8(name.front());
  const __m128i quote = _mm_set1_epi8('"');
  for (; i + 16 <= last_start + 1; i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + i + n));
    auto mask = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, quote))));
    while (mask != 0) {
      const auto bit = static_cast<std::size_t>(__builtin_ctz(mask));
      if (std::memcmp(h + i + bit + 1, name.data() + 1, n - 1) == 0) return i + bit;
      mask &= mask - 1;
    }
  }
#endif
  for (; i <= last_start; ++i) {
    if (h[i] == name.front() && h[i + n] == '"' &&
        std::memcmp(h + i + 1, name.data() + 1, n - 1) == 0) {
      return i;
    }
  }
  return std::string_view::npos;
}

// The value of the member whose key `name` was found at `found` in the own text `t`: from two
// characters past the key up to the next delimiter its first character calls for.
std::string ValueAt(std::string_view t, std::size_t found, std::string_view name, UiPort* ui) {
  if (found == std::string_view::npos) return {};
  const std::size_t v = found + name.size() + 2;
  if (v >= t.size()) return {};
  const char delimiter = t[v] == '"' ? '"' : (t[v] == '[' ? ']' : ',');
  std::size_t d = t.find(delimiter, v + 1);
  if (d != std::string_view::npos && t[d - 1] == '\\') {
    // Only here can the search go on for long; most values never get this far.
    Yielder yielder(ui);
    while (d != std::string_view::npos && t[d - 1] == '\\') {
      yielder.Poll();
      d = t.find(delimiter, d + 1);
    }
  }
  const std::string_view value = d == std::string_view::npos ? t.substr(v) : t.substr(v, d - v);
  return StripChars(value, true);
}

// Texts Read and ReadBorrowed turn away before looking for objects.
bool TooShortOrLong(std::string_view json) {
  return json.size() < 8 || (json.size() < 32 && Utf8Length(json) < 8) || json.size() >= kOpen - 1;
}

}  // namespace

std::int32_t JSONDeserializer::ObjectCount(std::string_view object_name) const {
  if (object_name.empty()) return static_cast<std::int32_t>(count_);
  std::int32_t n = 0;
  for (std::uint32_t k = 1; k <= count_; ++k) {
    if (objects_[k].name == object_name) ++n;
  }
  return n;
}

std::string_view JSONDeserializer::ObjectNameView(std::int32_t index) const {
  return Valid(index) ? objects_[static_cast<std::size_t>(index)].name : std::string_view();
}

std::uint8_t JSONDeserializer::ObjectLevel(std::int32_t index) const {
  return Valid(index) ? objects_[static_cast<std::size_t>(index)].level : 0;
}

std::int32_t JSONDeserializer::ObjectParent(std::int32_t index) const {
  return Valid(index) ? objects_[static_cast<std::size_t>(index)].parent : 0;
}

std::string_view JSONDeserializer::ObjectTextView(std::int32_t index) const {
  if (!Valid(index)) return {};
  const Object& o = objects_[static_cast<std::size_t>(index)];
  if (o.end <= o.start + 1) return {};
  return text_.substr(o.start + 1, o.end - o.start - 1);
}

bool JSONDeserializer::Read(std::string_view json, bool ignore_top_level) {
  // A text turned away leaves what an earlier read found (and the text it points into).
  if (TooShortOrLong(json)) return false;
  owned_.assign(json.data(), json.size());
  return ReadBorrowed(owned_, ignore_top_level);
}

bool JSONDeserializer::ReadBorrowed(std::string_view json, bool ignore_top_level) {
  if (TooShortOrLong(json)) return false;
  text_ = json;
  return Scan(ignore_top_level);
}

bool JSONDeserializer::Scan(bool ignore_top_level) {
  const std::size_t length = text_.size();
  Yielder yielder(ui_);

  // The first brace outside any quoted string.
  std::size_t first = std::string::npos;
  for (std::size_t i = json_scan::FindByteOf(text_.data(), 0, length, '"', '{', '"'); i < length;) {
    if (text_[i] == '{') {
      first = i;
      break;
    }
    i = StringEnd(text_.data(), length, i);
    i = json_scan::FindByteOf(text_.data(), i, length, '"', '{', '"');
  }
  if (first == std::string::npos && !ignore_top_level) return false;

  objects_.clear();
  objects_.reserve(length / 64 + 2);
  objects_.emplace_back();  // sentinel
  count_ = 0;

  std::size_t scan_from;
  std::ptrdiff_t prev_open;  // offset of the previous opening brace (may be -1)
  if (first == std::string::npos) {
    scan_from = length;
    prev_open = -1;
  } else if (ignore_top_level) {
    scan_from = first + 1;
    prev_open = static_cast<std::ptrdiff_t>(first);
  } else {
    scan_from = first;
    prev_open = static_cast<std::ptrdiff_t>(first) - 1;
  }

  // Most recent object (index >= 1) at each level, for the name an array element inherits,
  // and most recent object with index >= 2 at each level, for the parent.
  std::array<std::uint32_t, 256> last_at_level{};
  std::array<std::uint32_t, 256> last_at_level_from2{};
  std::vector<std::uint32_t> open;  // indexes of objects not yet closed, ascending
  unsigned level = 0;
  const std::ptrdiff_t first_prev_open = prev_open;

  const char* const p = text_.data();
  // An opening brace outside strings at i; false when it nests too deep.
  auto open_object = [&](std::size_t i) {
    if (level >= 255) return false;
    ++level;
    const std::uint32_t n = ++count_;
    Object o;
    // Name: the last quoted string in the stretch since the previous opening brace,
    // unless a comma follows it (an array element after "},"), which inherits.
    const std::size_t s_begin = static_cast<std::size_t>(prev_open + 1);
    const std::size_t s_len = i - s_begin + 1;
    const char* const s = p + s_begin;
    const char* q1 = static_cast<const char*>(::memrchr(s, '"', s_len));
    const char* q2 =
        q1 == nullptr
            ? nullptr
            : static_cast<const char*>(::memrchr(s, '"', static_cast<std::size_t>(q1 - s)));
    if (q2 == nullptr ||
        ::memchr(q2 + 1, ',', static_cast<std::size_t>(s + s_len - q2 - 1)) != nullptr) {
      const std::uint32_t same = last_at_level[level];
      if (same != 0) o.name = objects_[same].name;
    } else {
      o.name = std::string_view(q2 + 1, static_cast<std::size_t>(q1 - q2 - 1));
    }
    o.level = static_cast<std::uint8_t>(level);
    o.start = static_cast<std::uint32_t>(i);
    o.end = kOpen;
    prev_open = static_cast<std::ptrdiff_t>(i);
    // Parent: the nearest earlier object of a lower level; failing that object 1.
    if (n == 1) {
      o.parent = 0;
    } else {
      std::uint32_t best = 0;
      for (unsigned l = 0; l < level; ++l) best = std::max(best, last_at_level_from2[l]);
      o.parent = static_cast<std::int32_t>(best != 0 ? best : 1);
    }
    objects_.push_back(o);
    last_at_level[level] = n;
    if (n >= 2) last_at_level_from2[level] = n;
    open.push_back(n);
    return true;
  };
  // A closing brace outside strings at i.
  auto close_object = [&](std::size_t i) {
    if (count_ >= 1) {
      // The latest open object closes; a brace that closes nothing (the outer object of
      // a wrapped response) moves the end of object 1, whose text then runs to it.
      std::uint32_t j = 1;
      if (!open.empty() && open.back() >= 2) {
        j = open.back();
        open.pop_back();
        objects_[j].closed = true;
      } else if (!open.empty()) {
        open.pop_back();
      }
      objects_[j].end = static_cast<std::uint32_t>(i);
    }
    if (level > 0) --level;
  };
  auto too_deep = [&] {
    objects_.assign(1, Object{});
    count_ = 0;
    return false;
  };

  // Braces outside strings, 64 bytes at a time.
  bool byte_by_byte = false;
  json_scan::StringBlocks blocks{p, length};
  for (std::size_t at = scan_from; at < length && !byte_by_byte; at += 64) {
    if (((at - scan_from) & (kYieldStride - 1)) == 0) yielder.Poll();
    const auto block = blocks.Next<false, false>(at, '{', '}');
    if (block.escaped_outside) {
      byte_by_byte = true;
      break;
    }
    for (std::uint64_t braces = block.open | block.close; braces != 0; braces &= braces - 1) {
      const int bit = __builtin_ctzll(braces);
      const std::size_t i = at + static_cast<std::size_t>(bit);
      if ((block.open >> bit) & 1) {
        if (!open_object(i)) return too_deep();
      } else {
        close_object(i);
      }
    }
  }

  if (byte_by_byte) {
    // A backslash before a quote outside strings: start again, a byte at a time, where such a
    // quote opens a string.
    objects_.resize(1);
    count_ = 0;
    last_at_level.fill(0);
    last_at_level_from2.fill(0);
    open.clear();
    level = 0;
    prev_open = first_prev_open;
    std::size_t next_poll = scan_from + kYieldStride;
    std::size_t i = scan_from;
    while (i < length) {
      if (i >= next_poll) {
        yielder.Poll();
        next_poll = i + kYieldStride;
      }
      // Only quotes and braces matter outside strings.
      i = json_scan::FindByteOf(p, i, length, '"', '{', '}');
      if (i >= length) break;
      const char c = p[i];
      if (c == '"') {
        i = StringEnd(p, length, i);
        continue;
      }
      if (c == '{') {
        if (!open_object(i)) return too_deep();
      } else {
        close_object(i);
      }
      ++i;
    }
  }

  // Unclosed objects run to the last character but one of the text.
  for (std::uint32_t k = 1; k <= count_; ++k) {
    if (objects_[k].end == kOpen) objects_[k].end = static_cast<std::uint32_t>(length - 1);
  }
  objects_.emplace_back();  // ends the runs of the own-text pass and LastChild
  own_.assign(count_ + 1, std::string_view());
  own_ready_.assign(count_ + 1, false);
  own_store_.clear();
  own_blocks_.clear();
  block_used_ = 0;
  block_size_ = 0;
  start_index_ = 0;
  return true;
}

std::uint32_t JSONDeserializer::RunEnd(std::uint32_t k) const {
  std::uint32_t run_end = k + 1;
  while (run_end <= count_ && objects_[run_end].parent == static_cast<std::int32_t>(k)) ++run_end;
  return run_end;
}

std::string_view JSONDeserializer::OwnText(std::int32_t index) const {
  if (!Valid(index)) return {};
  const auto k = static_cast<std::uint32_t>(index);
  if (own_ready_[k]) return own_[k];
  // The object's text less every occurrence of the texts of the run of direct children
  // that immediately follows it.
  std::string_view t = ObjectTextView(index);
  const std::uint32_t run_end = RunEnd(k);
  // Real responses have runs of one to three children. A huge run over a huge text (only a
  // hostile or broken response) would take hours to remove occurrence by occurrence; there
  // each child's own span is cut out instead.
  if (RunTooLarge(run_end - k - 1, t.size())) {
    const std::size_t base = objects_[k].start + 1;
    std::string cut;
    cut.reserve(t.size());
    std::size_t from = 0;
    for (std::uint32_t m = k + 1; m < run_end; ++m) {
      const std::size_t b = std::min<std::size_t>(objects_[m].start + 1 - base, t.size());
      const std::size_t e = std::clamp<std::size_t>(objects_[m].end - base, b, t.size());
      if (b < from) continue;
      cut.append(t.substr(from, b - from));
      from = e;
    }
    cut.append(t.substr(std::min(from, t.size())));
    own_store_.push_back(std::move(cut));
    own_[k] = own_store_.back();
    own_ready_[k] = true;
    return own_[k];
  }
  char* owned = nullptr;  // the own text once a child is cut out, in a block
  for (std::uint32_t m = k + 1; m < run_end; ++m) {
    const std::string_view child = ObjectTextView(static_cast<std::int32_t>(m));
    if (child.empty()) continue;  // an empty child text removes nothing
    if (owned == nullptr) {
      if (FindBytes(t, child, 0) == std::string_view::npos) continue;
      if (block_size_ - block_used_ < t.size()) {
        block_size_ = std::max<std::size_t>(t.size(), 1 << 16);
        own_blocks_.push_back(std::unique_ptr<char[]>(new char[block_size_]));
        block_used_ = 0;
      }
      owned = own_blocks_.back().get() + block_used_;
      std::memcpy(owned, t.data(), t.size());
    }
    t = std::string_view(owned, RemoveAllInPlace(owned, t.size(), child));
  }
  if (owned != nullptr) block_used_ += t.size();
  own_[k] = t;
  own_ready_[k] = true;
  return t;
}

namespace {

// Own texts of objects longer than this are first worked out for their start only.
constexpr std::size_t kLongObject = 1 << 16;
constexpr std::size_t kStartLength = 1 << 15;

// Every occurrence of `what` removed from `whole`, where only the start of `whole` is at hand
// (`text`): returns the start of the result that `text` alone decides, and its length in
// `good`. A match that starts in the first |text| - |what| + 1 bytes lies wholly in `text`,
// where a search of the whole finds it too; later bytes may belong to a match that runs on
// past them.
std::string RemoveAllFromStart(std::string_view text, std::string_view what, std::size_t& good) {
  const std::size_t decided = text.size() >= what.size() ? text.size() - what.size() + 1 : 0;
  std::string out;
  out.reserve(text.size());
  std::size_t from = 0;
  std::size_t kept = 0;  // result bytes that come from the first `decided` bytes
  for (std::size_t at = FindBytes(text, what, 0); at != std::string_view::npos && at < decided;
       at = FindBytes(text, what, from)) {
    out.append(text.substr(from, at - from));
    kept += at - from;
    from = at + what.size();
  }
  if (from < decided) kept += decided - from;
  out.append(text.substr(std::min(from, text.size())));
  good = kept;
  out.resize(kept);
  return out;
}

}  // namespace

std::string_view JSONDeserializer::OwnTextStart(std::int32_t index, bool& whole) const {
  whole = true;
  if (!Valid(index)) return {};
  const auto k = static_cast<std::uint32_t>(index);
  const std::string_view t = ObjectTextView(index);
  const std::uint32_t run_end = RunEnd(k);
  // A run too large to remove occurrence by occurrence is cut out by position at once.
  if (own_ready_[k] || t.size() <= kLongObject || RunTooLarge(run_end - k - 1, t.size())) {
    return OwnText(index);
  }
  whole = false;
  if (start_index_ == index) return start_text_;
  std::string start(t.substr(0, kStartLength));
  std::size_t good = start.size();
  for (std::uint32_t m = k + 1; m < run_end && good > 0; ++m) {
    const std::string_view child = ObjectTextView(static_cast<std::int32_t>(m));
    if (child.empty()) continue;
    start = RemoveAllFromStart(start, child, good);
  }
  start_index_ = index;
  start_text_ = std::move(start);
  return start_text_;
}

bool JSONDeserializer::DetachedOwnText(std::int32_t index, std::string_view tail,
                                       std::string& out) const {
  // Everything between the braces of an object that closed normally was read as it would be
  // on its own: its strings end inside it and every object opened in it closes in it, so a
  // reader of the object alone finds the same children in the same order, and its run of
  // direct children is this object's run.
  if (!Valid(index) || index < 2) return false;
  const auto k = static_cast<std::uint32_t>(index);
  if (!objects_[k].closed) return false;
  const std::string_view body = ObjectTextView(index);
  const std::uint32_t run_end = RunEnd(k);
  if (RunTooLarge(run_end - k - 1, body.size() + tail.size())) return false;
  out.assign(body).append(tail);
  for (std::uint32_t m = k + 1; m < run_end; ++m) {
    const std::string_view child = ObjectTextView(static_cast<std::int32_t>(m));
    if (!child.empty()) RemoveAllInPlace(out, child);
  }
  return true;
}

std::string JSONDeserializer::GetElementInObject(std::int32_t object_index,
                                                 std::string_view element_name) const {
  bool whole = true;
  const std::string_view start = OwnTextStart(object_index, whole);
  if (!whole) {
    // Decided by the start of the own text when the key and the value's delimiter are in it.
    const std::size_t found = FindKey(start, element_name);
    if (found != std::string_view::npos) {
      const std::size_t v = found + element_name.size() + 2;
      if (v < start.size()) {
        const char delimiter = start[v] == '"' ? '"' : (start[v] == '[' ? ']' : ',');
        std::size_t d = start.find(delimiter, v + 1);
        while (d != std::string_view::npos && start[d - 1] == '\\') {
          d = start.find(delimiter, d + 1);
        }
        if (d != std::string_view::npos) return ValueAt(start, found, element_name, ui_);
      }
    }
  }
  const std::string_view t = OwnText(object_index);
  if (t.empty()) return {};
  return ValueAt(t, FindKey(t, element_name), element_name, ui_);
}

std::string OwnTextLookup::Get(std::string_view element_name) const {
  if (own_.empty()) return {};
  return ValueAt(own_, FindKey(own_, element_name), element_name, ui_);
}

std::vector<std::string> JSONDeserializer::GetAllElementsInObject(std::int32_t object_index,
                                                                  std::string_view element_name,
                                                                  std::size_t max_values) const {
  std::vector<std::string> out;
  const std::string_view t = OwnText(object_index);
  std::string key(element_name);
  key.push_back('"');
  std::size_t s = 0;
  for (;;) {
    const std::size_t found = FindBytes(t, key, s);
    if (found == std::string_view::npos) break;
    if (out.empty()) out.emplace_back();
    const std::size_t v = found + element_name.size() + 2;
    if (v >= t.size()) {
      out.emplace_back();
      break;
    }
    const char delimiter = t[v] == '"' ? '"' : ',';
    const std::size_t d = t.find(delimiter, v + 1);
    out.push_back(
        StripChars(d == std::string_view::npos ? t.substr(v) : t.substr(v, d - v), false));
    if (out.size() > max_values) break;
    s = v;
  }
  return out;
}

std::int32_t JSONDeserializer::ObjectIndex(std::string_view object_name, std::int32_t index) const {
  std::int32_t seen = 0;
  for (std::uint32_t k = 1; k <= count_; ++k) {
    if (objects_[k].name == object_name && ++seen == index) return static_cast<std::int32_t>(k);
  }
  return 0;
}

std::int32_t JSONDeserializer::LastChild(std::int32_t index) const {
  if (!Valid(index)) return 0;
  const auto k0 = static_cast<std::uint32_t>(index);
  const std::uint8_t base = objects_[k0].level;
  std::uint32_t k = k0;
  while (k + 1 <= count_ && objects_[k + 1].level > base) ++k;
  return static_cast<std::int32_t>(k);
}

}  // namespace wf
