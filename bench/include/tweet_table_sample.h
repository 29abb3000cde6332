#pragma once

// Writes large, realistic tweet table files for the load benchmarks: rows of 250-350 bytes
// with English text, some Windows-1252 accented letters and quotes, ids of nineteen digits.

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <string_view>

#include "util/cp1252.h"

namespace wf::bench {

namespace detail {

inline constexpr std::string_view kWords[] = {
    "the",     "plastic", "recycling", "water",  "climate", "news",   "today", "policy",
    "city",    "report",  "advanced",  "local",  "energy",  "people", "green", "waste",
    "council", "plan",    "support",   "health", "market",  "school", "great", "new",
    "and",     "for",     "with",      "from",   "about",   "this",   "week",  "#env"};

// Windows-1252 bytes: é ü ñ ç à “ ” – — ’ €
inline constexpr std::string_view kAccents[] = {"caf\xE9",
                                                "\xFC"
                                                "ber",
                                                "ma\xF1"
                                                "ana",
                                                "gar\xE7on",
                                                "\xE0 la",
                                                "\x93quote\x94",
                                                "\x96",
                                                "\x97",
                                                "it\x92s",
                                                "5\x80"};

class RowMaker {
 public:
  explicit RowMaker(std::uint64_t data_seed) : rng_(data_seed) {}

  void Append(std::string& out) {
    out += "Tue Nov ";
    AppendNumber(out, Range(10, 28));
    out += ' ';
    AppendNumber(out, Range(10, 23));
    out += ':';
    AppendNumber(out, Range(10, 59));
    out += ':';
    AppendNumber(out, Range(10, 59));
    out += " 0000 2022\t";
    AppendName(out, Range(6, 14));  // screen name
    out += '\t';
    AppendText(out, Range(90, 170));  // tweet
    out += '\t';
    AppendNumber(out, Range(1000000000, 9999999999));  // tweet id: 19 digits
    AppendNumber(out, Range(100000000, 999999999));
    out += '\t';
    AppendText(out, Range(8, 20));  // real name
    out += '\t';
    AppendNumber(out, Range(0, 200000));  // followers
    out += '\t';
    AppendNumber(out, Range(0, 5000));  // friends
    out += '\t';
    AppendText(out, Range(0, 18));  // location
    out += "\t\t";                  // UTC offset, then coordinates
    if (Range(0, 9) == 0) out += "51.5072,-0.1276";
    out += '\t';
    AppendNumber(out, Range(1, 90000));  // user tweets
    out += '\t';
    AppendNumber(out, Range(0, 50));  // retweets
    out += "\thttps://t.co/";
    AppendName(out, 10);
    out += '\t';
    AppendNumber(out, Range(1, 5));  // Sent+
    out += "\t-";
    AppendNumber(out, Range(1, 5));  // Sent-
    out += '\t';
    AppendText(out, Range(20, 60));  // description
    out += "\t\r\n";
  }

 private:
  std::uint64_t Range(std::uint64_t lo, std::uint64_t hi) {
    return std::uniform_int_distribution<std::uint64_t>(lo, hi)(rng_);
  }
  static void AppendNumber(std::string& out, std::uint64_t n) { out += std::to_string(n); }
  void AppendName(std::string& out, std::uint64_t length) {
    static constexpr std::string_view kChars = "abcdefghijklmnopqrstuvwxyzABCDEFGH0123456789_";
    for (std::uint64_t i = 0; i < length; ++i) out += kChars[Range(0, kChars.size() - 1)];
  }
  void AppendText(std::string& out, std::uint64_t length) {
    const std::size_t start = out.size();
    while (out.size() - start < length) {
      if (out.size() > start) out += ' ';
      if (Range(0, 24) == 0) {
        out += kAccents[Range(0, std::size(kAccents) - 1)];
      } else {
        out += kWords[Range(0, std::size(kWords) - 1)];
      }
    }
  }

  std::mt19937_64 rng_;
};

}  // namespace detail

// Writes `rows` rows to `path` in Windows-1252 (or, with `utf8`, the same text in UTF-8)
// without holding the file in memory. Returns the file size, or 0 on failure.
inline std::uint64_t WriteSampleTweetTable(const std::string& path, std::size_t rows,
                                           bool utf8 = false) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return 0;
  detail::RowMaker maker(20221108);
  std::string chunk;
  std::uint64_t size = 0;
  for (std::size_t r = 0; r < rows; ++r) {
    maker.Append(chunk);
    if (chunk.size() < (1u << 20) && r + 1 < rows) continue;
    if (utf8) chunk = Cp1252ToUtf8(chunk);
    if (std::fwrite(chunk.data(), 1, chunk.size(), f) != chunk.size()) {
      std::fclose(f);
      return 0;
    }
    size += chunk.size();
    chunk.clear();
  }
  if (std::fclose(f) != 0) return 0;
  return size;
}

}  // namespace wf::bench
