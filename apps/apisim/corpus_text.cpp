#include <cstdio>

#include "apisim/corpus.h"

namespace wf::apisim {

namespace {

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(int64_t z, int& y, unsigned& m, unsigned& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

// Builds a tweet or profile text while keeping the character offsets of its entities.
class TextBuilder {
 public:
  void Add(std::string_view s) {
    text_.append(s);
    length_ += TwitterLength(s);
  }
  int Length() const { return length_; }
  std::string& Text() { return text_; }

 private:
  std::string text_;
  int length_ = 0;
};

}  // namespace

uint64_t SnowflakeId(int64_t created_ms, uint32_t low22) {
  return (static_cast<uint64_t>(created_ms - kTwitterEpochMs) << 22) | (low22 & 0x3fffff);
}

int64_t SnowflakeMs(uint64_t id) {
  return static_cast<int64_t>(id >> 22) + kTwitterEpochMs;
}

size_t PrefixBytes(std::string_view text, int chars) {
  size_t i = 0;
  int count = 0;
  while (i < text.size() && count < chars) {
    if (text[i] == '&') {
      for (std::string_view entity : {"&amp;", "&lt;", "&gt;"}) {
        if (text.substr(i, entity.size()) == entity) {
          i += entity.size() - 1;
          break;
        }
      }
    }
    ++i;
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xc0) == 0x80) ++i;
    ++count;
  }
  return i;
}

int TwitterLength(std::string_view text) {
  int length = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if ((b & 0xc0) != 0x80) ++length;
    if (b == '&') {
      if (text.substr(i, 5) == "&amp;") {
        length -= 4;
      } else if (text.substr(i, 4) == "&lt;" || text.substr(i, 4) == "&gt;") {
        length -= 3;
      }
    }
  }
  return length;
}

std::string TwitterDate(int64_t epoch_seconds) {
  static constexpr const char* kDays[] = {"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  int64_t days = epoch_seconds / 86400;
  int64_t secs = epoch_seconds % 86400;
  if (secs < 0) {
    secs += 86400;
    --days;
  }
  int y = 0;
  unsigned m = 0, d = 0;
  CivilFromDays(days, y, m, d);
  const int64_t weekday = ((days % 7) + 7) % 7;
  char buf[40];
  std::snprintf(buf, sizeof buf, "%s %s %02u %02d:%02d:%02d +0000 %04d", kDays[weekday],
                kMonths[m - 1], d, static_cast<int>(secs / 3600),
                static_cast<int>((secs / 60) % 60), static_cast<int>(secs % 60), y);
  return buf;
}

std::string IsoDate(int64_t epoch_seconds) {
  int64_t days = epoch_seconds / 86400;
  int64_t secs = epoch_seconds % 86400;
  if (secs < 0) {
    secs += 86400;
    --days;
  }
  int y = 0;
  unsigned m = 0, d = 0;
  CivilFromDays(days, y, m, d);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d-%02u-%02uT%02d:%02d:%02d.000Z", y, m, d,
                static_cast<int>(secs / 3600), static_cast<int>((secs / 60) % 60),
                static_cast<int>(secs % 60));
  return buf;
}

}  // namespace wf::apisim
