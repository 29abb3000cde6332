#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "token.h"

namespace wf::senti {

// For each length up to 16, the masks keeping that many bytes of two words loaded from
// memory: a table rather than shifts and tests, whose branches on the length would be
// mispredicted token after token.
inline constexpr std::uint64_t KeepBytes(std::size_t n) {
  if (n >= 8) return ~std::uint64_t{0};
  if (n == 0) return 0;
  return std::endian::native == std::endian::little ? (std::uint64_t{1} << (8 * n)) - 1
                                                    : ~(~std::uint64_t{0} >> (8 * n));
}
inline constexpr auto kShortKeyMasks = [] {
  std::array<std::array<std::uint64_t, 2>, 17> m{};
  for (std::size_t n = 0; n < m.size(); ++n) m[n] = {KeepBytes(n), KeepBytes(n > 8 ? n - 8 : 0)};
  return m;
}();

// A raw token (a run of non-spaces) of at most 16 bytes, held in two words with zeros past
// its end, so that two keys are equal exactly when their words and lengths are.
struct ShortKey {
  std::uint64_t lo = 0;
  std::uint64_t hi = 0;
  std::uint64_t length = 0;

  static constexpr std::size_t kLongest = 16;

  // The key of the `length` (at most kLongest) bytes at `p`, which may be read 16 bytes
  // far whatever the length.
  static ShortKey Of(const unsigned char* p, std::size_t length) {
    std::uint64_t lo;
    std::uint64_t hi;
    std::memcpy(&lo, p, 8);
    std::memcpy(&hi, p + 8, 8);
    return {lo & kShortKeyMasks[length][0], hi & kShortKeyMasks[length][1], length};
  }

  std::uint64_t Hash() const {
    std::uint64_t h = lo * 0x9E3779B97F4A7C15ULL ^ hi * 0xC2B2AE3D27D4EB4FULL ^ length;
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ULL;
    return h ^ (h >> 32);
  }
};

// What the tokenizer made of each short raw token it met lately. Texts draw their tokens
// from a small vocabulary, so most have been taken apart before, and replaying the result
// skips the link test, entity decoding, emoticon search, case folding and word lookups.
// Making tokens depends on nothing but the raw token and the classifier's tables, so a
// replay appends exactly what making them again would.
class TokenMemo {
 private:
  // Half a cache line: a replay of a one-token key reads nothing else.
  struct Slot {
    std::uint64_t lo = 0;
    std::uint64_t hi = 0;
    std::uint8_t length = 0;  // 0: free (raw tokens are never empty)
    std::uint8_t count = 0;   // tokens made
    std::uint32_t rest = 0;   // where the tokens after the first start in rest_ (0: none)
    Token token{};            // the first token
  };
  static_assert(sizeof(Slot) == 32);

 public:
  // Most tokens a kept raw token may make; a replay needs this much room.
  static constexpr std::size_t kMostTokens = 255;

  // Forgets everything when the tokens would come from another classifier.
  void Use(std::uint64_t owner) {
    if (owner != owner_) {
      Clear();
      owner_ = owner;
    }
  }

  // Looks up raw tokens until the memory is next changed (by Add or Use). Holds what a
  // lookup needs in a few words that stay in registers through a text's tokens.
  class Reader {
   public:
    // Writes what `key` was made into at `out` (which has room for kMostTokens); the end of
    // what was written, or null when `key` is not kept.
    Token* Replay(const ShortKey& key, std::uint64_t h, Token* out) const {
      for (std::size_t i = h & mask_;; i = (i + 1) & mask_) {
        const Slot& slot = slots_[i];
        // One test of all three, as a chain of tests is a chain of branches.
        if (((slot.length ^ key.length) | (slot.lo ^ key.lo) | (slot.hi ^ key.hi)) != 0) {
          if (slot.length == 0) return nullptr;
          continue;
        }
        // Raw tokens make mostly one or two tokens: both are copied whatever the count (the
        // second from a spare token when there is none), so the count is not branched on.
        out[0] = slot.token;
        out[1] = rest_[slot.rest];
        if (slot.count > 2) [[unlikely]] {
          std::copy_n(rest_ + slot.rest + 1, slot.count - 2, out + 2);
        }
        return out + slot.count;
      }
    }

   private:
    friend class TokenMemo;
    const Slot* slots_ = nullptr;
    std::size_t mask_ = 0;
    const Token* rest_ = nullptr;
  };

  Reader Read() const {
    Reader r;
    r.slots_ = slots_.data();
    r.mask_ = slots_.size() - 1;
    r.rest_ = rest_.data();
    return r;
  }

  // Keeps `tokens` for `key`.
  void Add(const ShortKey& key, std::uint64_t h, const Token* tokens, std::size_t count) {
    if (count > kMostTokens || key.length == 0) return;
    // Full: start afresh rather than grow further, so that a stream of new tokens costs no
    // more memory. The slots keep their number, which the next fill reaches again.
    if (records_ >= kMostRecords) {
      std::fill(slots_.begin(), slots_.end(), Slot{});
      rest_.resize(1);
      records_ = 0;
    }
    if ((records_ + 1) * 2 > slots_.size()) Grow();
    Slot slot{.lo = key.lo,
              .hi = key.hi,
              .length = static_cast<std::uint8_t>(key.length),
              .count = static_cast<std::uint8_t>(count)};
    if (count > 0) slot.token = tokens[0];
    if (count > 1) {
      slot.rest = static_cast<std::uint32_t>(rest_.size());
      rest_.insert(rest_.end(), tokens + 1, tokens + count);
    }
    Place(slot, h);
    ++records_;
  }

 private:
  static constexpr std::size_t kMostRecords = std::size_t{1} << 15;
  static constexpr std::size_t kFewestSlots = 1024;

  void Place(const Slot& slot, std::uint64_t h) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = h & mask;
    while (slots_[i].length != 0) i = (i + 1) & mask;
    slots_[i] = slot;
  }

  void Grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.size() * 2, Slot{});
    for (const Slot& slot : old) {
      if (slot.length != 0) Place(slot, ShortKey{slot.lo, slot.hi, slot.length}.Hash());
    }
  }

  void Clear() {
    slots_.assign(kFewestSlots, Slot{});
    rest_.resize(1);
    records_ = 0;
  }

  std::uint64_t owner_ = 0;
  std::vector<Slot> slots_ = std::vector<Slot>(kFewestSlots);
  // The tokens after the first of keys that made more than one; the first is the spare one.
  std::vector<Token> rest_ = std::vector<Token>(1);
  std::size_t records_ = 0;
};

}  // namespace wf::senti
