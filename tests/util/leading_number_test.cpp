#include "util/leading_number.h"

#include <gtest/gtest.h>

namespace wf {
namespace {

TEST(LeadingNumber, ReadsTheNumberAtTheStart) {
  EXPECT_EQ(LeadingNumber("123"), 123);
  EXPECT_EQ(LeadingNumber("-18000,"), -18000);
  EXPECT_EQ(LeadingNumber(" 42abc"), 42);
  EXPECT_EQ(LeadingNumber("1.5e3}"), 1500);
  EXPECT_EQ(LeadingNumber("null"), 0);
  EXPECT_EQ(LeadingNumber(""), 0);
  EXPECT_EQ(LeadingNumber("-"), 0);
  EXPECT_EQ(LeadingNumber("1e999"), 0);  // not finite: no number
}

TEST(LeadingNumber, RoundsHalfToEvenWithinRange) {
  EXPECT_EQ(RoundToInt32(5.5), 6);
  EXPECT_EQ(RoundToInt32(4.5), 4);
  EXPECT_EQ(RoundToInt32(-5.5), -6);
  EXPECT_EQ(RoundToInt32(2147483647.0), 2147483647);
  EXPECT_FALSE(RoundToInt32(2147483648.0).has_value());
  EXPECT_FALSE(RoundToInt32(-1e12).has_value());
}

}  // namespace
}  // namespace wf
