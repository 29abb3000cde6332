#pragma once

// Tweet tables shaped like a collection for the visualiser benchmarks: times rising over a
// month, a few accounts writing most tweets, retweets, mentions, hashtags and links drawn
// from pools, sentiment scores. The same `data_seed` gives the same file.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

namespace wf::bench {

class InteractionTableMaker {
 public:
  InteractionTableMaker(std::uint64_t data_seed, std::size_t accounts)
      : rng_(data_seed), accounts_(accounts) {}

  // `rows` rows spread evenly over 30 days from 1 November 2022, CR LF ends, no header.
  std::string Make(std::size_t rows) {
    std::string out;
    out.reserve(rows * 200);
    const double step = 30.0 * 86400.0 / static_cast<double>(rows);
    for (std::size_t r = 0; r < rows; ++r) {
      const auto t = static_cast<long>(static_cast<double>(r) * step);
      AppendRow(out, t);
    }
    return out;
  }

 private:
  // A skewed pick: low numbers (busy accounts, common tags) come up far more often.
  std::size_t Skewed(std::size_t n) {
    const double u = std::uniform_real_distribution<double>(0, 1)(rng_);
    return std::min(n - 1, static_cast<std::size_t>(static_cast<double>(n) * u * u * u));
  }
  int Range(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

  void Account(std::string& out, std::size_t id) {
    out += "user";
    out += std::to_string(id);
  }

  void AppendRow(std::string& out, long t) {
    const long day = t / 86400;
    const long rest = t % 86400;
    char date[64];
    static const char* const kDays[] = {"Tue", "Wed", "Thu", "Fri", "Sat", "Sun", "Mon"};
    std::snprintf(date, sizeof date, "%s Nov %02ld %02ld:%02ld:%02ld 0000 2022", kDays[day % 7],
                  day + 1, rest / 3600, rest / 60 % 60, rest % 60);
    out += date;
    out += '\t';
    Account(out, Skewed(accounts_));
    out += '\t';
    if (Range(0, 99) < 35) {
      out += "RT @";
      Account(out, Skewed(accounts_));
      out += ": ";
    }
    out += "news about the plastic recycling plan for the city council";
    const int mentions = Range(0, 9) < 4 ? Range(1, 2) : 0;
    for (int m = 0; m < mentions; ++m) {
      out += " @";
      Account(out, Skewed(accounts_));
    }
    if (Range(0, 9) < 3) {
      out += " #tag";
      out += std::to_string(Skewed(2000));
    }
    out += "\t1234567890123456789\tReal Name\t100\t200\tSomewhere\t\t\t5000\t3\t";
    if (Range(0, 9) < 4) {
      out += "https://www.site";
      out += std::to_string(Skewed(300));
      out += ".com/page";
    }
    out += '\t';
    out += std::to_string(Range(1, 5));
    out += "\t-";
    out += std::to_string(Range(1, 5));
    out += "\tabout me\t\r\n";
  }

  std::mt19937_64 rng_;
  std::size_t accounts_;
};

}  // namespace wf::bench
