#pragma once

// Byte searches for the response readers, sixteen bytes at a time where the processor has
// SSE2. Inline: they run once per string or member of a response, mostly over a few bytes,
// where a library call costs more than the search.

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace wf::json_scan {

// Offset of the first byte equal to `a` in p[from, n), or `n`.
inline std::size_t FindByte(const char* p, std::size_t from, std::size_t n, char a) {
  std::size_t i = from;
#if defined(__SSE2__)
  const __m128i va = _mm_set1_epi8(a);
  for (; i + 16 <= n; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(v, va));
    if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
#endif
  for (; i < n; ++i) {
    if (p[i] == a) return i;
  }
  return n;
}

// Offset of the first byte equal to `a`, `b` or `c` in p[from, n), or `n`.
inline std::size_t FindByteOf(const char* p, std::size_t from, std::size_t n, char a, char b,
                              char c) {
  std::size_t i = from;
#if defined(__SSE2__)
  const __m128i va = _mm_set1_epi8(a);
  const __m128i vb = _mm_set1_epi8(b);
  const __m128i vc = _mm_set1_epi8(c);
  for (; i + 16 <= n; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)),
                                     _mm_cmpeq_epi8(v, vc));
    const int mask = _mm_movemask_epi8(hit);
    if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
#endif
  for (; i < n; ++i) {
    if (p[i] == a || p[i] == b || p[i] == c) return i;
  }
  return n;
}

// Offset of the first quote, brace or square bracket in p[from, n), or `n`.
inline std::size_t FindQuoteOrBracket(const char* p, std::size_t from, std::size_t n) {
  std::size_t i = from;
#if defined(__SSE2__)
  // '[' and ']' are '{' and '}' less 0x20, and no other byte is.
  const __m128i quote = _mm_set1_epi8('"');
  const __m128i open = _mm_set1_epi8('{');
  const __m128i close = _mm_set1_epi8('}');
  const __m128i case_bit = _mm_set1_epi8(0x20);
  for (; i + 16 <= n; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i folded = _mm_or_si128(v, case_bit);
    const __m128i hit =
        _mm_or_si128(_mm_cmpeq_epi8(v, quote),
                     _mm_or_si128(_mm_cmpeq_epi8(folded, open), _mm_cmpeq_epi8(folded, close)));
    const int mask = _mm_movemask_epi8(hit);
    if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
#endif
  for (; i < n; ++i) {
    const char c = p[i];
    if (c == '"' || c == '{' || c == '}' || c == '[' || c == ']') return i;
  }
  return n;
}

// Where the strings of a text lie, 64 bytes at a time. Bit i of each mask stands for byte i
// of the block; `in_string` is set from a string's opening quote up to (not including) its
// closing quote. A quote preceded by an odd number of backslashes is escaped: it neither
// opens nor closes a string here. Inside strings that is what every reader of these texts
// does; an escaped quote outside strings (only in broken texts) would open a string for a
// byte-by-byte reader, so `escaped_outside` reports one and the caller reads the text
// byte by byte instead.
struct StringBlocks {
  const char* text;
  std::size_t size;
  std::uint64_t carry = 0;  // all ones while a string runs on into the next block

  struct Block {
    std::uint64_t in_string;
    std::uint64_t quote;  // unescaped quotes
    std::uint64_t open;   // bytes equal to `a`
    std::uint64_t close;  // bytes equal to `b`
    std::uint64_t extra;  // bytes equal to `c`, in strings or not
    bool escaped_outside;
  };

  // Masks of the block at `at`; bytes past the end of the text read as zero. `a` and `b` are
  // two more bytes to find outside strings; with `kFold`, a byte matches them also with bit
  // 0x20 clear ('[' for '{', ']' for '}'). With `kExtra`, `c` is one to find anywhere.
  template <bool kFold, bool kExtra>
  Block Next(std::size_t at, char a, char b, char c = 0) {
    char buf[64];
    const char* p = text + at;
    if (size - at < 64) {
      std::memset(buf, 0, sizeof buf);
      std::memcpy(buf, p, size - at);
      p = buf;
    }
    std::uint64_t quote = 0;
    std::uint64_t backslash = 0;
    std::uint64_t open = 0;
    std::uint64_t close = 0;
    std::uint64_t extra = 0;
#if defined(__SSE2__)
    const __m128i vq = _mm_set1_epi8('"');
    const __m128i vs = _mm_set1_epi8('\\');
    const __m128i va = _mm_set1_epi8(a);
    const __m128i vb = _mm_set1_epi8(b);
    const __m128i vc = _mm_set1_epi8(c);
    const __m128i fold_bit = _mm_set1_epi8(0x20);
    for (int k = 0; k < 4; ++k) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
      const __m128i f = kFold ? _mm_or_si128(v, fold_bit) : v;
      const int shift = 16 * k;
      quote |= static_cast<std::uint64_t>(
                   static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, vq))))
               << shift;
      backslash |= static_cast<std::uint64_t>(
                       static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, vs))))
                   << shift;
      open |= static_cast<std::uint64_t>(
                  static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(f, va))))
              << shift;
      close |= static_cast<std::uint64_t>(
                   static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(f, vb))))
               << shift;
      if (kExtra) {
        extra |= static_cast<std::uint64_t>(
                     static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, vc))))
                 << shift;
      }
    }
#else
    const char fa = kFold ? static_cast<char>(a & ~0x20) : a;
    const char fb = kFold ? static_cast<char>(b & ~0x20) : b;
    for (int k = 0; k < 64; ++k) {
      const std::uint64_t bit = std::uint64_t{1} << k;
      if (p[k] == '"') quote |= bit;
      if (p[k] == '\\') backslash |= bit;
      if (p[k] == a || p[k] == fa) open |= bit;
      if (p[k] == b || p[k] == fb) close |= bit;
      if (kExtra && p[k] == c) extra |= bit;
    }
#endif
    // Quotes right after a backslash: count the run (rare; it may reach into earlier blocks).
    std::uint64_t escaped = 0;
    std::uint64_t candidates = quote & ((backslash << 1) | (at > 0 && text[at - 1] == '\\'));
    while (candidates != 0) {
      const int bit = __builtin_ctzll(candidates);
      std::size_t k = at + static_cast<std::size_t>(bit);
      std::size_t run = 0;
      while (k > 0 && text[k - 1] == '\\') {
        --k;
        ++run;
      }
      if ((run & 1) != 0) escaped |= std::uint64_t{1} << bit;
      candidates &= candidates - 1;
    }
    Block out;
    out.quote = quote & ~escaped;
    // Prefix XOR: bit i is the parity of the unescaped quotes at or before i.
    std::uint64_t x = out.quote;
    x ^= x << 1;
    x ^= x << 2;
    x ^= x << 4;
    x ^= x << 8;
    x ^= x << 16;
    x ^= x << 32;
    out.in_string = x ^ carry;
    carry = (out.in_string >> 63) != 0 ? ~std::uint64_t{0} : 0;
    out.escaped_outside = (escaped & ~out.in_string) != 0;
    out.open = open & ~out.in_string;
    out.close = close & ~out.in_string;
    out.extra = extra;
    return out;
  }
};

// Offset just past the quote that closes the string whose opening quote is at `open` (a
// quote preceded by an odd number of backslashes does not close it); `n` when it never
// closes.
inline std::size_t StringEnd(const char* p, std::size_t n, std::size_t open) {
  std::size_t from = open + 1;
  while (from < n) {
    const std::size_t q = FindByte(p, from, n, '"');
    if (q == n) return n;
    std::size_t k = q;
    while (k > open + 1 && p[k - 1] == '\\') --k;
    if (((q - k) & 1) == 0) return q + 1;
    from = q + 1;
  }
  return n;
}

}  // namespace wf::json_scan
