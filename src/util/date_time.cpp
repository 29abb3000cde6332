#include "util/date_time.h"

#include <array>
#include <cstdio>
#include <ctime>
#include <vector>

#include "util/cp1252.h"

namespace wf {
namespace {

constexpr std::array<std::string_view, 7> kDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                       "Thursday", "Friday", "Saturday"};

constexpr std::array<std::string_view, 12> kMonthNames = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};

constexpr std::int64_t kSecondsPerDay = 86400;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string WithoutPlus(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    if (c != '+') out.push_back(c);
  }
  return out;
}

// The value of a field made only of digits, at most four of them (so it cannot overflow).
std::optional<int> DigitsValue(std::string_view s) {
  if (s.empty() || s.size() > 4) return std::nullopt;
  int v = 0;
  for (char c : s) {
    if (!IsDigit(c)) return std::nullopt;
    v = v * 10 + (c - '0');
  }
  return v;
}

// A small cursor over the numeric and SPSS texts; every read fails softly.
class Scanner {
 public:
  explicit Scanner(std::string_view s) : s_(s) {}

  bool AtEnd() const { return pos_ >= s_.size(); }

  // The run of digits at the cursor, however long; callers judge its length.
  std::string_view Digits() {
    const std::size_t start = pos_;
    while (pos_ < s_.size() && IsDigit(s_[pos_])) ++pos_;
    return s_.substr(start, pos_ - start);
  }

  // A run of min_len to max_len digits. A longer run fails rather than being split, so
  // "123/4/2008" is not read as day 12.
  std::optional<int> Number(std::size_t min_len, std::size_t max_len) {
    const std::string_view digits = Digits();
    if (digits.size() < min_len || digits.size() > max_len) return std::nullopt;
    return DigitsValue(digits);
  }

  std::string_view Letters() {
    const std::size_t start = pos_;
    while (pos_ < s_.size() &&
           ((s_[pos_] >= 'A' && s_[pos_] <= 'Z') || (s_[pos_] >= 'a' && s_[pos_] <= 'z'))) {
      ++pos_;
    }
    return s_.substr(start, pos_ - start);
  }

  bool Skip(char c) {
    if (AtEnd() || s_[pos_] != c) return false;
    ++pos_;
    return true;
  }

  bool SkipBlanks() {
    const std::size_t start = pos_;
    while (pos_ < s_.size() && IsBlank(s_[pos_])) ++pos_;
    return pos_ > start;
  }

 private:
  std::string_view s_;
  std::size_t pos_ = 0;
};

// A year of four digits, or of two as a user types it into a short date: 00-29 are this
// century, 30-99 the last. Three digits are neither, and no century is guessed for them.
std::optional<int> ReadYearField(Scanner& in) {
  const std::string_view digits = in.Digits();
  const auto value = DigitsValue(digits);
  if (!value) return std::nullopt;
  if (digits.size() == 4) return value;
  if (digits.size() == 2) return *value < 30 ? 2000 + *value : 1900 + *value;
  return std::nullopt;
}

// Optional time after the date: blanks, then h:m or h:m:s. Anything else left over fails.
bool ReadOptionalTime(Scanner& in, CivilDateTime& dt) {
  if (in.AtEnd()) return true;
  if (!in.SkipBlanks()) return false;
  if (in.AtEnd()) return true;
  const auto h = in.Number(1, 2);
  if (!h || !in.Skip(':')) return false;
  const auto m = in.Number(1, 2);
  if (!m) return false;
  int sec = 0;
  if (in.Skip(':')) {
    const auto s = in.Number(1, 2);
    if (!s) return false;
    sec = *s;
  }
  in.SkipBlanks();
  if (!in.AtEnd()) return false;
  dt.hour = *h;
  dt.minute = *m;
  dt.second = sec;
  return true;
}

std::optional<int> MonthFromName(std::string_view name) {
  for (std::size_t i = 0; i < kMonthNames.size(); ++i) {
    if (EqualsIgnoreCase(name, kMonthNames[i]) ||
        EqualsIgnoreCase(name, kMonthNames[i].substr(0, 3))) {
      return static_cast<int>(i) + 1;
    }
  }
  return std::nullopt;
}

// "dd-Mmm-yyyy hh:nn:ss". The month may also be a full English name or a number, and the
// time may be missing, as a general date parser would allow.
std::optional<CivilDateTime> ParseSpss(std::string_view s) {
  Scanner in(TrimBlanks(s));
  CivilDateTime dt;
  const auto day = in.Number(1, 2);
  if (!day || !in.Skip('-')) return std::nullopt;
  const std::string_view name = in.Letters();
  const auto month = name.empty() ? in.Number(1, 2) : MonthFromName(name);
  if (!month || !in.Skip('-')) return std::nullopt;
  const auto year = ReadYearField(in);
  if (!year) return std::nullopt;
  dt.year = *year;
  dt.month = *month;
  dt.day = *day;
  if (!ReadOptionalTime(in, dt) || !IsValidCivil(dt)) return std::nullopt;
  return dt;
}

// Byte offsets of the first code points of `t`, so the Twitter form's fixed positions count
// characters even when a stray non-ASCII character precedes them.
std::vector<std::size_t> CodePointOffsets(std::string_view t, std::size_t max_points) {
  std::vector<std::size_t> offsets;
  std::size_t pos = 0;
  while (pos < t.size() && offsets.size() <= max_points) {
    offsets.push_back(pos);
    NextCodePoint(t, pos);
  }
  offsets.push_back(pos);
  return offsets;
}

// Reads the Twitter form by its fixed 1-based character positions. The day name and the
// offset are not needed to know the instant and are not checked.
std::optional<CivilDateTime> ParseTwitter(std::string_view t) {
  constexpr std::size_t kLength = 29;
  const std::vector<std::size_t> at = CodePointOffsets(t, kLength);
  if (at.size() <= kLength) return std::nullopt;  // fewer than 29 characters
  auto field = [&](std::size_t first, std::size_t last) {
    return t.substr(at[first - 1], at[last] - at[first - 1]);
  };
  const std::string month_number = MonthNumberOf(field(5, 7));
  if (month_number.empty()) return std::nullopt;
  auto two = [&](std::size_t first) {
    const std::string_view f = field(first, first + 1);
    return f.size() == 2 ? DigitsValue(f) : std::nullopt;
  };
  const auto day = two(9);
  const auto hour = two(12);
  const auto minute = two(15);
  const auto second = two(18);
  const std::string_view year_text = field(26, 29);
  const auto year = year_text.size() == 4 ? DigitsValue(year_text) : std::nullopt;
  if (!day || !hour || !minute || !second || !year) return std::nullopt;
  CivilDateTime dt;
  dt.year = *year;
  dt.month = (month_number[0] - '0') * 10 + (month_number[1] - '0');
  dt.day = *day;
  dt.hour = *hour;
  dt.minute = *minute;
  dt.second = *second;
  if (!IsValidCivil(dt)) return std::nullopt;
  return dt;
}

char32_t NthCodePoint(std::string_view t, std::size_t n) {
  std::size_t pos = 0;
  char32_t cp = 0;
  for (std::size_t i = 0; i <= n; ++i) {
    if (pos >= t.size()) return 0;
    cp = NextCodePoint(t, pos);
  }
  return cp;
}

// Hinnant's days-from-civil: exact for the proleptic Gregorian calendar, 64-bit throughout so
// that any field values stay defined.
std::int64_t DaysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t mp = m > 2 ? m - 3 : m + 9;
  const std::int64_t doy = (153 * mp + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

bool IsLeapYear(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
  static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return (m == 2 && IsLeapYear(y)) ? 29 : kDays[static_cast<std::size_t>(m - 1)];
}

std::string TwoDigits(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", v);
  return buf;
}

std::string FormatTwitter(const CivilDateTime& dt) {
  char buf[128];
  std::snprintf(buf, sizeof buf, "%s %s %02d %02d:%02d:%02d 0000 %04d", DayNameOf(dt, true).c_str(),
                MonthNameOf(dt.month, true).c_str(), dt.day, dt.hour, dt.minute, dt.second,
                dt.year);
  return buf;
}

std::string FormatSpss(const CivilDateTime& dt) {
  char buf[128];
  std::snprintf(buf, sizeof buf, "%02d-%s-%04d %02d:%02d:%02d", dt.day,
                MonthNameOf(dt.month, true).c_str(), dt.year, dt.hour, dt.minute, dt.second);
  return buf;
}

// The date-time behind a text, when the text converts to a numeric form that carries a time.
std::optional<CivilDateTime> ParseWithTime(std::string_view s) {
  const std::string numeric = ToNumericDateTime(s);
  if (numeric.find(':') == std::string::npos) return std::nullopt;
  return ParseNumericDateTime(numeric);
}

}  // namespace

std::string ToNumericDateTime(std::string_view s) {
  if (s.empty()) return "";
  std::string t = WithoutPlus(s);
  if (t.empty()) return "";
  // Every English day abbreviation starts with a letter after "A"; that is all that tells the
  // Twitter form from the others.
  if (NthCodePoint(t, 0) > U'A') {
    const auto dt = ParseTwitter(t);
    return dt ? FormatNumericDateTime(*dt) : "";
  }
  if (NthCodePoint(t, 2) == U'-') {
    const auto dt = ParseSpss(t);
    return dt ? FormatNumericDateTime(*dt) : "";
  }
  return t;
}

std::string ToTwitterDateTime(std::string_view s) {
  const auto dt = ParseWithTime(s);
  return dt ? FormatTwitter(*dt) : "";
}

std::string ToSPSSDateTime(std::string_view s) {
  const auto dt = ParseWithTime(s);
  return dt ? FormatSpss(*dt) : "";
}

std::string DayNameOf(std::string_view date_text, bool short_name) {
  const auto dt = ParseStoredDateTime(date_text);
  return dt ? DayNameOf(*dt, short_name) : "";
}

std::string DayNameOf(const CivilDateTime& date, bool short_name) {
  if (!IsValidCivil(date)) return "";
  const std::int64_t days = DaysFromCivil(date.year, date.month, date.day);
  // 1970-01-01 was a Thursday (index 4 from Sunday).
  const std::int64_t weekday = ((days % 7) + 7 + 4) % 7;
  const std::string_view name = kDayNames[static_cast<std::size_t>(weekday)];
  return std::string(short_name ? name.substr(0, 3) : name);
}

std::string MonthNameOf(std::string& m, bool short_name) {
  if (m.empty() || m.size() > 2) return "";
  const auto value = DigitsValue(m);
  if (!value || *value < 1 || *value > 12) return "";
  m = TwoDigits(*value);
  return MonthNameOf(*value, short_name);
}

std::string MonthNameOf(int m, bool short_name) {
  if (m < 1 || m > 12) return "";
  const std::string_view name = kMonthNames[static_cast<std::size_t>(m - 1)];
  return std::string(short_name ? name.substr(0, 3) : name);
}

std::string MonthNumberOf(std::string_view abbr) {
  for (std::size_t i = 0; i < kMonthNames.size(); ++i) {
    if (abbr == kMonthNames[i].substr(0, 3)) return TwoDigits(static_cast<int>(i) + 1);
  }
  return "";
}

std::string PadNumeric(std::string_view s, std::size_t width) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  const bool looks_numeric = s == "0" || (!s.empty() && s.front() >= '1' && s.front() <= '9');
  const std::size_t length = Utf8Length(s);
  if (!looks_numeric || width <= length) return std::string(s);
  std::string out(width - length, ' ');
  out.append(s);
  return out;
}

std::optional<CivilDateTime> ParseNumericDateTime(std::string_view s) {
  Scanner in(TrimBlanks(s));
  CivilDateTime dt;
  const auto day = in.Number(1, 2);
  if (!day || !in.Skip('/')) return std::nullopt;
  const auto month = in.Number(1, 2);
  if (!month || !in.Skip('/')) return std::nullopt;
  const auto year = ReadYearField(in);
  if (!year) return std::nullopt;
  dt.year = *year;
  dt.month = *month;
  dt.day = *day;
  if (!ReadOptionalTime(in, dt) || !IsValidCivil(dt)) return std::nullopt;
  return dt;
}

std::optional<CivilDateTime> ParseStoredDateTime(std::string_view s) {
  return ParseNumericDateTime(ToNumericDateTime(s));
}

std::string FormatNumericDateTime(const CivilDateTime& dt) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "%02d/%02d/%04d %02d:%02d:%02d", dt.day, dt.month, dt.year,
                dt.hour, dt.minute, dt.second);
  return buf;
}

std::int64_t ToSerialSeconds(const CivilDateTime& dt) {
  return DaysFromCivil(dt.year, dt.month, dt.day) * kSecondsPerDay +
         static_cast<std::int64_t>(dt.hour) * 3600 + static_cast<std::int64_t>(dt.minute) * 60 +
         dt.second;
}

CivilDateTime FromSerialSeconds(std::int64_t seconds) {
  std::int64_t days = seconds / kSecondsPerDay;
  std::int64_t rest = seconds % kSecondsPerDay;
  if (rest < 0) {
    rest += kSecondsPerDay;
    --days;
  }
  // Hinnant's civil-from-days.
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
  CivilDateTime dt;
  dt.year = static_cast<int>(y);
  dt.month = static_cast<int>(m);
  dt.day = static_cast<int>(d);
  dt.hour = static_cast<int>(rest / 3600);
  dt.minute = static_cast<int>(rest / 60 % 60);
  dt.second = static_cast<int>(rest % 60);
  return dt;
}

bool IsValidCivil(const CivilDateTime& dt) {
  if (dt.year < 1 || dt.year > 9999) return false;
  if (dt.month < 1 || dt.month > 12) return false;
  if (dt.day < 1 || dt.day > DaysInMonth(dt.year, dt.month)) return false;
  return dt.hour >= 0 && dt.hour <= 23 && dt.minute >= 0 && dt.minute <= 59 && dt.second >= 0 &&
         dt.second <= 59;
}

CivilDateTime NowLocal() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) return CivilDateTime{};
  CivilDateTime dt;
  dt.year = local.tm_year + 1900;
  dt.month = local.tm_mon + 1;
  dt.day = local.tm_mday;
  dt.hour = local.tm_hour;
  dt.minute = local.tm_min;
  // A leap second reads as the last second of the minute.
  dt.second = local.tm_sec > 59 ? 59 : local.tm_sec;
  return dt;
}

}  // namespace wf
