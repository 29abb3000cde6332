#include "json/json_deserializer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <limits>

#include "util/cp1252.h"
#include "util/yielder.h"

namespace wf {
namespace {

constexpr std::uint32_t kOpen = std::numeric_limits<std::uint32_t>::max();
constexpr std::size_t kYieldStride = 1 << 16;

std::size_t FindBytes(std::string_view hay, std::string_view needle, std::size_t from) {
  if (from > hay.size() || needle.size() > hay.size() - from) return std::string_view::npos;
  if (needle.empty()) return from;
  if (needle.size() >= 16 && hay.size() - from >= 256) {
    // Child texts are long needles in long texts: skipping by the needle length pays.
    const std::boyer_moore_horspool_searcher searcher(needle.begin(), needle.end());
    const auto it =
        std::search(hay.begin() + static_cast<std::ptrdiff_t>(from), hay.end(), searcher);
    return it == hay.end() ? std::string_view::npos : static_cast<std::size_t>(it - hay.begin());
  }
  const void* p = ::memmem(hay.data() + from, hay.size() - from, needle.data(), needle.size());
  return p == nullptr ? std::string_view::npos
                      : static_cast<std::size_t>(static_cast<const char*>(p) - hay.data());
}

// Offset just past the quote that closes the string opening at `open` (a quote preceded by
// an odd number of backslashes does not close it); `length` when it never closes.
std::size_t StringEnd(const char* p, std::size_t length, std::size_t open) {
  std::size_t from = open + 1;
  while (from < length) {
    const void* hit = ::memchr(p + from, '"', length - from);
    if (hit == nullptr) return length;
    const auto q = static_cast<std::size_t>(static_cast<const char*>(hit) - p);
    std::size_t k = q;
    while (k > open + 1 && p[k - 1] == '\\') --k;
    if (((q - k) & 1) == 0) return q + 1;
    from = q + 1;
  }
  return length;
}

// `text` less every occurrence of `what`; false (and `out` untouched) when there is none.
bool RemoveAll(std::string_view text, std::string_view what, std::string& out) {
  std::size_t at = FindBytes(text, what, 0);
  if (at == std::string_view::npos) return false;
  std::string result;
  result.reserve(text.size() - what.size());
  std::size_t from = 0;
  while (at != std::string_view::npos) {
    result.append(text.substr(from, at - from));
    from = at + what.size();
    at = FindBytes(text, what, from);
  }
  result.append(text.substr(from));
  out = std::move(result);
  return true;
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

}  // namespace

std::int32_t JSONDeserializer::ObjectCount(std::string_view object_name) const {
  if (object_name.empty()) return static_cast<std::int32_t>(count_);
  std::int32_t n = 0;
  for (std::uint32_t k = 1; k <= count_; ++k) {
    if (objects_[k].name == object_name) ++n;
  }
  return n;
}

std::string JSONDeserializer::ObjectName(std::int32_t index) const {
  return Valid(index) ? objects_[static_cast<std::size_t>(index)].name : std::string();
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
  owned_.assign(json.data(), json.size());
  return ReadBorrowed(owned_, ignore_top_level);
}

bool JSONDeserializer::ReadBorrowed(std::string_view json, bool ignore_top_level) {
  if (json.size() < 8 || (json.size() < 32 && Utf8Length(json) < 8)) return false;
  if (json.size() >= kOpen - 1) return false;
  text_ = json;
  return Scan(ignore_top_level);
}

bool JSONDeserializer::Scan(bool ignore_top_level) {
  const std::size_t length = text_.size();
  Yielder yielder(ui_);

  // The first brace outside any quoted string.
  std::size_t first = std::string::npos;
  for (std::size_t i = 0; i < length;) {
    const char c = text_[i];
    if (c == '"') {
      i = StringEnd(text_.data(), length, i);
    } else if (c == '{') {
      first = i;
      break;
    } else {
      ++i;
    }
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

  const char* const p = text_.data();
  std::size_t next_poll = scan_from + kYieldStride;
  std::size_t i = scan_from;
  while (i < length) {
    if (i >= next_poll) {
      yielder.Poll();
      next_poll = i + kYieldStride;
    }
    const char c = p[i];
    if (c == '"') {
      i = StringEnd(p, length, i);
      continue;
    }
    if (c == '{') {
      if (level >= 255) {
        objects_.assign(1, Object{});
        count_ = 0;
        return false;
      }
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
        o.name.assign(q2 + 1, static_cast<std::size_t>(q1 - q2 - 1));
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
      objects_.push_back(std::move(o));
      last_at_level[level] = n;
      if (n >= 2) last_at_level_from2[level] = n;
      open.push_back(n);
    } else if (c == '}') {
      if (count_ >= 1) {
        // The latest open object closes; a brace that closes nothing (the outer object of
        // a wrapped response) moves the end of object 1, whose text then runs to it.
        std::uint32_t j = 1;
        if (!open.empty() && open.back() >= 2) {
          j = open.back();
          open.pop_back();
        } else if (!open.empty()) {
          open.pop_back();
        }
        objects_[j].end = static_cast<std::uint32_t>(i);
      }
      if (level > 0) --level;
    }
    ++i;
  }

  // Unclosed objects run to the last character but one of the text.
  for (std::uint32_t k = 1; k <= count_; ++k) {
    if (objects_[k].end == kOpen) objects_[k].end = static_cast<std::uint32_t>(length - 1);
  }
  objects_.emplace_back();  // ends the runs of the own-text pass and LastChild
  own_.assign(count_ + 1, std::string_view());
  own_ready_.assign(count_ + 1, false);
  own_store_.clear();
  quotes_.clear();
  return true;
}

std::string_view JSONDeserializer::OwnText(std::int32_t index) const {
  if (!Valid(index)) return {};
  const auto k = static_cast<std::uint32_t>(index);
  if (own_ready_[k]) return own_[k];
  // The object's text less every occurrence of the texts of the run of direct children
  // that immediately follows it.
  std::string_view t = ObjectTextView(index);
  std::uint32_t run_end = k + 1;
  while (run_end <= count_ && objects_[run_end].parent == index) ++run_end;
  // Real responses have runs of one to three children. A huge run over a huge text (only a
  // hostile or broken response) would take hours to remove occurrence by occurrence; there
  // each child's own span is cut out instead.
  constexpr double kWorkLimit = 1 << 28;
  if (static_cast<double>(run_end - k - 1) * static_cast<double>(t.size()) > kWorkLimit) {
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
  std::string* owned = nullptr;
  for (std::uint32_t m = k + 1; m < run_end; ++m) {
    const std::string_view child = ObjectTextView(static_cast<std::int32_t>(m));
    if (child.empty()) continue;  // an empty child text removes nothing
    std::string reduced;
    if (!RemoveAll(t, child, reduced)) continue;
    if (owned == nullptr) {
      own_store_.push_back(std::move(reduced));
      owned = &own_store_.back();
    } else {
      *owned = std::move(reduced);
    }
    t = *owned;
  }
  own_[k] = t;
  own_ready_[k] = true;
  return t;
}

std::size_t JSONDeserializer::FindKey(std::int32_t index, std::string_view own,
                                      std::string_view name) const {
  constexpr std::size_t kIndexLimit = 1 << 16;
  if (own.size() > kIndexLimit) {
    std::string key(name);
    key.push_back('"');
    return FindBytes(own, key, 0);
  }
  if (quotes_.empty()) quotes_.resize(count_ + 1);
  auto& quotes = quotes_[static_cast<std::size_t>(index)];
  if (quotes.empty()) {
    for (const char* p = own.data();
         (p = static_cast<const char*>(std::memchr(
              p, '"', own.size() - static_cast<std::size_t>(p - own.data())))) != nullptr;
         ++p) {
      quotes.push_back(static_cast<std::uint32_t>(p - own.data()));
    }
    if (quotes.empty()) return std::string_view::npos;
  }
  // The first match ends at the first quote that `name` immediately precedes.
  if (name.empty()) return quotes.front();
  const char last = name.back();
  const std::size_t n = name.size();
  for (const std::uint32_t q : quotes) {
    if (q >= n && own[q - 1] == last && own.compare(q - n, n - 1, name.substr(0, n - 1)) == 0) {
      return q - n;
    }
  }
  return std::string_view::npos;
}

std::string JSONDeserializer::GetElementInObject(std::int32_t object_index,
                                                 std::string_view element_name) const {
  const std::string_view t = OwnText(object_index);
  if (t.empty()) return {};
  const std::size_t found = FindKey(object_index, t, element_name);
  if (found == std::string_view::npos) return {};
  const std::size_t v = found + element_name.size() + 2;
  if (v >= t.size()) return {};
  const char delimiter = t[v] == '"' ? '"' : (t[v] == '[' ? ']' : ',');
  Yielder yielder(ui_);
  std::size_t d = t.find(delimiter, v + 1);
  while (d != std::string_view::npos && t[d - 1] == '\\') {
    yielder.Poll();
    d = t.find(delimiter, d + 1);
  }
  const std::string_view value = d == std::string_view::npos ? t.substr(v) : t.substr(v, d - v);
  return StripChars(value, true);
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
