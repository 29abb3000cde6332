#include "util/date_time.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

namespace wf {
namespace {

TEST(DateTimeTwitterForm, ReadsFourDigitYearsAndRoundTripsThroughNumeric) {
  EXPECT_EQ(ToNumericDateTime("Wed Aug 27 13:08:45 +0000 2008"), "27/08/2008 13:08:45");
  EXPECT_EQ(ToNumericDateTime("Tue Mar 04 00:00:01 0000 2031"), "04/03/2031 00:00:01");
  // The day names are the true weekdays, so the round trip also checks the weekday arithmetic.
  for (const char* stored : {"Wed Aug 27 13:08:45 0000 2008", "Thu Feb 29 07:05:09 0000 2024",
                             "Sun Dec 31 23:59:59 0000 2000", "Tue Mar 04 00:00:01 0000 2031"}) {
    const std::string numeric = ToNumericDateTime(stored);
    ASSERT_FALSE(numeric.empty()) << stored;
    EXPECT_EQ(ToTwitterDateTime(numeric), stored);
  }
  EXPECT_EQ(ToTwitterDateTime("Wed Aug 27 13:08:45 +0000 2008"), "Wed Aug 27 13:08:45 0000 2008");
  // A two-byte character in the day name must not shift the fields that follow it.
  EXPECT_EQ(ToNumericDateTime("Mié Aug 27 13:08:45 0000 2008"), "27/08/2008 13:08:45");
}

TEST(DateTimeTwitterForm, MalformedTextGivesEmptyResult) {
  for (const char* bad : {
           "Wed Aug 27 13:08:45 0000 200",   // too short
           "Wed",                            // far too short
           "Wed Agu 27 13:08:45 0000 2008",  // unknown month
           "Wed aug 27 13:08:45 0000 2008",  // month names are case-sensitive
           "Wed Aug 2x 13:08:45 0000 2008",  // non-digit day
           "Wed Feb 30 13:08:45 0000 2008",  // no such day
           "Wed Aug 27 24:08:45 0000 2008",  // no such hour
           "Wed Aug 27 13:08:45 0000 20o8",  // non-digit year
       }) {
    EXPECT_EQ(ToNumericDateTime(bad), "") << bad;
    EXPECT_EQ(ToTwitterDateTime(bad), "") << bad;
    EXPECT_EQ(ToSPSSDateTime(bad), "") << bad;
    EXPECT_FALSE(ParseStoredDateTime(bad).has_value()) << bad;
  }
}

TEST(DateTimeSpssForm, ConvertsBothWaysKeepingMinutes) {
  EXPECT_EQ(ToNumericDateTime("27-Aug-2008 13:08:45"), "27/08/2008 13:08:45");
  EXPECT_EQ(ToNumericDateTime("05-Jan-2031 09:59:00"), "05/01/2031 09:59:00");
  EXPECT_EQ(ToSPSSDateTime("27/08/2008 13:08:45"), "27-Aug-2008 13:08:45");
  EXPECT_EQ(ToSPSSDateTime("Wed Aug 27 13:08:45 +0000 2008"), "27-Aug-2008 13:08:45");
  EXPECT_EQ(ToTwitterDateTime("27-Aug-2008 13:08:45"), "Wed Aug 27 13:08:45 0000 2008");
}

TEST(DateTimeSpssForm, UnreadableTextGivesEmptyResult) {
  for (const char* bad : {"27-Xyz-2008 13:08:45", "31-Apr-2008 13:08:45", "27-Aug-2008 13:61:00",
                          "27-Aug-2008 junk", "12-"}) {
    EXPECT_EQ(ToNumericDateTime(bad), "") << bad;
  }
}

TEST(DateTimeNumericForm, IsReturnedUnchangedLessPlus) {
  EXPECT_EQ(ToNumericDateTime("27/08/2008 13:08:45"), "27/08/2008 13:08:45");
  EXPECT_EQ(ToNumericDateTime("1/2/08+"), "1/2/08");
  EXPECT_EQ(ToNumericDateTime(""), "");
  EXPECT_EQ(ToNumericDateTime("+"), "");
}

TEST(DateTimeNumericForm, ParsesShortFieldsAndTwoDigitYears) {
  const auto a = ParseNumericDateTime("1/2/2008");
  ASSERT_TRUE(a.has_value());
  EXPECT_EQ(*a, (CivilDateTime{2008, 2, 1, 0, 0, 0}));

  const auto b = ParseNumericDateTime(" 7/12/29 5:06 ");
  ASSERT_TRUE(b.has_value());
  EXPECT_EQ(*b, (CivilDateTime{2029, 12, 7, 5, 6, 0}));

  const auto c = ParseNumericDateTime("07/12/30 05:06:07");
  ASSERT_TRUE(c.has_value());
  EXPECT_EQ(*c, (CivilDateTime{1930, 12, 7, 5, 6, 7}));

  EXPECT_EQ(ToTwitterDateTime("01/01/00 00:00"), "Sat Jan 01 00:00:00 0000 2000");
  EXPECT_EQ(ToSPSSDateTime("9/3/99 1:2:3"), "09-Mar-1999 01:02:03");
}

TEST(DateTimeNumericForm, RejectsImpossibleOrMalformedText) {
  for (const char* bad :
       {"31/02/2008", "29/02/2023", "0/1/2008", "1/13/2008", "1/1/208", "1/1/20088", "123/1/2008",
        "1/1/2008 24:00", "1/1/2008 12", "1/1/2008 12:00:00 x", "1-1-2008", "", "  "}) {
    EXPECT_FALSE(ParseNumericDateTime(bad).has_value()) << bad;
  }
  EXPECT_TRUE(ParseNumericDateTime("29/02/2024").has_value());
  EXPECT_TRUE(ParseNumericDateTime("29/02/2000").has_value());
  EXPECT_FALSE(ParseNumericDateTime("29/02/1900").has_value());
}

TEST(DateTimeNumericForm, TextWithoutTimeHasNoTwitterOrSpssForm) {
  EXPECT_EQ(ToTwitterDateTime("27/08/2008"), "");
  EXPECT_EQ(ToSPSSDateTime("27/08/2008"), "");
  EXPECT_EQ(ToTwitterDateTime("12:30"), "");  // a time alone is no date
  EXPECT_TRUE(ParseStoredDateTime("27/08/2008").has_value());
}

TEST(DayNameOf, NamesTheWeekdayOfAnyForm) {
  EXPECT_EQ(DayNameOf("27/08/2008", false), "Wednesday");
  EXPECT_EQ(DayNameOf("27-Aug-2008 13:08:45", true), "Wed");
  EXPECT_EQ(DayNameOf("Mon Aug 27 13:08:45 0000 2008", false), "Wednesday");
  EXPECT_EQ(DayNameOf("31/12/9999", true), "Fri");
  EXPECT_EQ(DayNameOf("30/02/2008", false), "");
  EXPECT_EQ(DayNameOf("not a date", false), "");
  EXPECT_EQ(DayNameOf(CivilDateTime{2008, 13, 1, 0, 0, 0}, false), "");
}

TEST(MonthNames, NormaliseArgumentAndMatchExactly) {
  std::string m = "3";
  EXPECT_EQ(MonthNameOf(m, false), "March");
  EXPECT_EQ(m, "03");
  m = "12";
  EXPECT_EQ(MonthNameOf(m, true), "Dec");
  EXPECT_EQ(m, "12");
  for (const char* bad : {"0", "13", "", "abc", "003", "-1", " 3"}) {
    m = bad;
    EXPECT_EQ(MonthNameOf(m, false), "") << bad;
    EXPECT_EQ(m, bad);
  }
  EXPECT_EQ(MonthNameOf(9, true), "Sep");
  EXPECT_EQ(MonthNameOf(0, true), "");
  EXPECT_EQ(MonthNumberOf("Jan"), "01");
  EXPECT_EQ(MonthNumberOf("Dec"), "12");
  EXPECT_EQ(MonthNumberOf("dec"), "");
  EXPECT_EQ(MonthNumberOf("December"), "");
  EXPECT_EQ(MonthNumberOf(""), "");
}

TEST(PadNumeric, RightAlignsOnlyWhatLooksNumeric) {
  EXPECT_EQ(PadNumeric("12", 7), "     12");
  EXPECT_EQ(PadNumeric("  12 ", 7), "     12");
  EXPECT_EQ(PadNumeric("0", 7), "      0");
  EXPECT_EQ(PadNumeric("-3", 7), "-3");
  EXPECT_EQ(PadNumeric("0123", 7), "0123");
  EXPECT_EQ(PadNumeric(" abc ", 7), "abc");
  EXPECT_EQ(PadNumeric("", 7), "");
  EXPECT_EQ(PadNumeric("1234567890123", 7), "1234567890123");
  // Width counts characters, so a multi-byte character takes one place.
  EXPECT_EQ(PadNumeric("1€", 4), "  1€");
}

TEST(DateTimeSerialSeconds, MatchesTheUnixCalendar) {
  EXPECT_EQ(ToSerialSeconds(CivilDateTime{1970, 1, 1, 0, 0, 0}), 0);
  EXPECT_EQ(ToSerialSeconds(CivilDateTime{2008, 8, 27, 13, 8, 45}), 1219842525);
  EXPECT_EQ(ToSerialSeconds(CivilDateTime{1900, 3, 1, 0, 0, 0}), -2203891200);
  EXPECT_EQ(ToSerialSeconds(CivilDateTime{1, 1, 1, 0, 0, 0}), -62135596800);
  EXPECT_EQ(ToSerialSeconds(CivilDateTime{2024, 3, 1, 0, 0, 0}) -
                ToSerialSeconds(CivilDateTime{2024, 2, 28, 0, 0, 0}),
            2 * 86400);
}

TEST(DateTimeSerialSeconds, RoundTripsEveryDayAcrossCenturies) {
  // A day and a second per step visits every day of the month and drifts through the clock.
  const CivilDateTime first{1895, 1, 1, 0, 0, 0};
  const std::int64_t start = ToSerialSeconds(first);
  CivilDateTime previous = FromSerialSeconds(start - 1);
  ASSERT_EQ(previous, (CivilDateTime{1894, 12, 31, 23, 59, 59}));
  for (std::int64_t s = start; s < start + std::int64_t{86401} * 60000; s += 86401) {
    const CivilDateTime dt = FromSerialSeconds(s);
    ASSERT_TRUE(IsValidCivil(dt)) << s;
    ASSERT_EQ(ToSerialSeconds(dt), s);
    ASSERT_LT(previous, dt);
    previous = dt;
  }
  EXPECT_EQ(FromSerialSeconds(-1), (CivilDateTime{1969, 12, 31, 23, 59, 59}));
}

TEST(DateTimeNowLocal, IsAValidDateNearTheSystemClock) {
  const CivilDateTime now = NowLocal();
  ASSERT_TRUE(IsValidCivil(now));
  // Local time differs from UTC by at most 14 hours.
  const std::int64_t skew = ToSerialSeconds(now) - static_cast<std::int64_t>(std::time(nullptr));
  EXPECT_LE(skew, 15 * 3600);
  EXPECT_GE(skew, -15 * 3600);
}

}  // namespace
}  // namespace wf
