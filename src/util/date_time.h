#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Date-time texts of the tweet table come in three forms:
//   Twitter form  "Wed Aug 27 13:08:45 0000 2008" (the API's text less its "+")
//   numeric form  "27/08/2008 13:08:45"            (dd/mm/yyyy hh:mm:ss, this program's fixed
//                                                    short-date form)
//   SPSS form     "27-Aug-2008 13:08:45"           (dd-mmm-yyyy hh:nn:ss, English months)
// Nothing here throws: text that cannot be converted gives an empty result.
namespace wf {

// A calendar date and time of day, no time zone.
struct CivilDateTime {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;

  friend auto operator<=>(const CivilDateTime&, const CivilDateTime&) = default;
};

std::string ToNumericDateTime(std::string_view s);
std::string ToTwitterDateTime(std::string_view s);
std::string ToSPSSDateTime(std::string_view s);

// Weekday name of a date text in any of the forms the date parser reads; "" when it is no date.
std::string DayNameOf(std::string_view date_text, bool short_name);
std::string DayNameOf(const CivilDateTime& date, bool short_name);

// Month name of m ("1".."12", "01".."12"); "" otherwise. When m names a month it is replaced
// by its two-digit form.
std::string MonthNameOf(std::string& m, bool short_name);
std::string MonthNameOf(int m, bool short_name);

// "01".."12" for "Jan".."Dec" (exact, case-sensitive); "" otherwise.
std::string MonthNumberOf(std::string_view abbr);

// Trimmed text, right-aligned with spaces to `width` when it looks like a number.
std::string PadNumeric(std::string_view s, std::size_t width);

// Reads the numeric form: d/m/y with one- or two-digit day and month, a four-digit year or a
// two-digit one (00-29 as 20xx, 30-99 as 19xx), optionally followed by h:m or h:m:s.
std::optional<CivilDateTime> ParseNumericDateTime(std::string_view s);

// Reads any of the three forms (through ToNumericDateTime).
std::optional<CivilDateTime> ParseStoredDateTime(std::string_view s);

// "dd/mm/yyyy hh:mm:ss".
std::string FormatNumericDateTime(const CivilDateTime& dt);

// Seconds since 1970-01-01 00:00:00 of the same calendar (no zone), for comparing and
// computing with date-times.
std::int64_t ToSerialSeconds(const CivilDateTime& dt);
CivilDateTime FromSerialSeconds(std::int64_t seconds);

bool IsValidCivil(const CivilDateTime& dt);

// The local date and time now.
CivilDateTime NowLocal();

}  // namespace wf
