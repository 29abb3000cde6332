#include "util/cp1252.h"

#include <gtest/gtest.h>

namespace wf {
namespace {

TEST(Cp1252, RoundTripOfEveryByte) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::string utf8 = Cp1252ToUtf8(all);
  EXPECT_TRUE(IsValidUtf8(utf8));
  EXPECT_EQ(Utf8ToCp1252(utf8), all);
  EXPECT_EQ(Cp1252ToUtf8("\x80\x93\xE9"), "\xE2\x82\xAC\xE2\x80\x9C\xC3\xA9");
}

TEST(Cp1252, UnrepresentableAndMalformedBecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToCp1252("a\xE6\x97\xA5"
                         "b"),
            "a?b");                                  // CJK
  EXPECT_EQ(Utf8ToCp1252("\xF0\x9F\x98\x80"), "?");  // emoji
  EXPECT_EQ(Utf8ToCp1252("x\xC3"), "x?");            // truncated sequence
  EXPECT_EQ(Utf8ToCp1252("\xED\xA0\x80"), "???");    // encoded surrogate
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));             // overlong
  EXPECT_EQ(Utf8Length("\xC3\xA9t\xE2\x82\xAC"), 3u);
  EXPECT_EQ(Utf8Prefix("\xC3\xA9t\xE2\x82\xAC", 2), "\xC3\xA9t");
}

}  // namespace
}  // namespace wf
