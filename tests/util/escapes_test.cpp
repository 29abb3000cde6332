#include "util/escapes.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace wf {
namespace {

TEST(UnicodeEscapeToText, TableRows) {
  EXPECT_EQ(UnicodeEscapeToText("\\u00e9"), "\xC3\xA9");      // é from the code page
  EXPECT_EQ(UnicodeEscapeToText("\\u0093"), "\xE2\x80\x9C");  // Windows-1252 0x93
  EXPECT_EQ(UnicodeEscapeToText("\\u2764"), "[<3]");
  EXPECT_EQ(UnicodeEscapeToText("\\u2708"), "[plane]");
  EXPECT_EQ(UnicodeEscapeToText("\\u201c"), "\"");
  EXPECT_EQ(UnicodeEscapeToText("\\u2014"), "[-]");
  EXPECT_EQ(UnicodeEscapeToText("\\u2026"), "[...]");
  EXPECT_EQ(UnicodeEscapeToText("\\u0416"), "[cyr]");
  EXPECT_EQ(UnicodeEscapeToText("\\u0e01"), "[th]");
  EXPECT_EQ(UnicodeEscapeToText("\\u2713"), "[/]");
  EXPECT_EQ(UnicodeEscapeToText("\\u2600"), "[?]");
  EXPECT_EQ(UnicodeEscapeToText("\\ud83d"), "");  // surrogate halves vanish
  EXPECT_EQ(UnicodeEscapeToText("\\u0000"), "");
  EXPECT_EQ(UnicodeEscapeToText("\\uzz12"), "");
  // Control characters that would split a table row become spaces.
  EXPECT_EQ(UnicodeEscapeToText("\\u0009"), " ");
  EXPECT_EQ(UnicodeEscapeToText("\\u000a"), " ");
  EXPECT_EQ(UnicodeEscapeToText("\\u000D"), " ");
}

TEST(CleanEscapes, TextRules) {
  EXPECT_EQ(CleanEscapes("caf\\u00e9 \\u2764 \\ud83d\\ude00!"), "caf\xC3\xA9 [<3] !");
  EXPECT_EQ(CleanEscapes("\\u201chi\\u201d"), "\"hi\"");
  EXPECT_EQ(CleanEscapes("a &amp; b &lt; c"), "a & b &lt; c");
  EXPECT_EQ(CleanEscapes("http:\\/\\/x.org \\\"q\\\" line\\nnext"), "http://x.org \"q\" linennext");
  EXPECT_EQ(CleanEscapes("bad \\uXYZW end"), "bad  end");  // removed whole
  EXPECT_EQ(CleanEscapes("tail \\u12"), "tail u12");       // too short: only the backslash goes
  // An escape that decodes to a backslash can form a new escape, which is decoded in turn.
  EXPECT_EQ(CleanEscapes("\\u005cu0041"), "A");
  std::string many;
  for (int i = 0; i < 5000; ++i) many += "\\ud83d\\ude00x";
  EXPECT_EQ(CleanEscapes(many), std::string(5000, 'x'));
}

}  // namespace
}  // namespace wf

namespace wf {
namespace {

TEST(CleanEscapes, LongTextOfDistinctEscapesFinishes) {
  std::string text;
  for (int c = 0x4E00; c < 0x4E00 + 40000; ++c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\u%04x", c);
    text += buf;
    text += 'a';
  }
  EXPECT_EQ(CleanEscapes(text), std::string(40000, 'a'));  // CJK is above the tag table
}

}  // namespace
}  // namespace wf
