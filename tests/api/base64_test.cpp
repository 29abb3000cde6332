#include "api/base64.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace wf {
namespace {

TEST(Base64, Rfc4648Vectors) {
  const std::pair<const char*, const char*> vectors[] = {{"", ""},
                                                         {"f", "Zg=="},
                                                         {"fo", "Zm8="},
                                                         {"foo", "Zm9v"},
                                                         {"foob", "Zm9vYg=="},
                                                         {"fooba", "Zm9vYmE="},
                                                         {"foobar", "Zm9vYmFy"},
                                                         {"abc", "YWJj"},
                                                         {"ab", "YWI="},
                                                         {"a", "YQ=="}};
  for (const auto& [plain, encoded] : vectors) {
    EXPECT_EQ(Base64Encode(plain), encoded) << plain;
    EXPECT_EQ(Base64Decode(encoded), plain) << encoded;
  }
}

TEST(Base64, LinesBreakAfterSeventyTwoCharacters) {
  const std::string full = Base64Encode(std::string(54, 'x'));
  ASSERT_EQ(full.size(), 74u);
  EXPECT_EQ(full.substr(72), "\r\n");
  const std::string more = Base64Encode(std::string(57, 'x'));
  ASSERT_EQ(more.size(), 78u);
  EXPECT_EQ(more.substr(72), "\r\neHh4");
}

TEST(Base64, PaddingGoesBeforeTheClosingLineBreak) {
  // 53 and 52 bytes pad up to 54: a full line whose last data characters are the padding.
  const std::string one = Base64Encode(std::string(53, 'x'));
  ASSERT_EQ(one.size(), 74u);
  EXPECT_EQ(one.substr(68), "eHg=\r\n");
  const std::string two = Base64Encode(std::string(52, 'x'));
  ASSERT_EQ(two.size(), 74u);
  EXPECT_EQ(two.substr(68), "eA==\r\n");
  EXPECT_EQ(Base64Decode(one), std::string(53, 'x'));
  EXPECT_EQ(Base64Decode(two), std::string(52, 'x'));
}

TEST(Base64, DecodeIgnoresLineBreaksAnywhere) {
  std::string text;
  for (int i = 0; i < 300; ++i) text.push_back(static_cast<char>('!' + i % 90));
  std::string wrapped = Base64Encode(text);
  ASSERT_NE(wrapped.find("\r\n"), std::string::npos);
  EXPECT_EQ(Base64Decode(wrapped), text);
  std::erase_if(wrapped, [](char c) { return c == '\r' || c == '\n'; });
  EXPECT_EQ(Base64Decode(wrapped), text);
  EXPECT_EQ(Base64Decode("Zm\n9v\rYmFy\r\n"), "foobar");
}

TEST(Base64, WrongLengthRaisesTheDecodeError) {
  for (const char* bad : {"YWJ", "YWJ\r\n", "Y", "YWJjZ", "Zm9v=\r\n"}) {
    try {
      Base64Decode(bad);
      ADD_FAILURE() << "no error for " << bad;
    } catch (const Base64Error& e) {
      EXPECT_EQ(e.number(), -2147221504L);
      EXPECT_EQ(e.source(), "MyDecode");
      EXPECT_STREQ(e.what(), "Input string is not valid Base64.");
    }
  }
  EXPECT_EQ(Base64Decode("\r\n\r\n"), "");
}

TEST(Base64, ForeignCharactersDecodeAsZero) {
  // "*" and "A" both stand for 0, so they decode alike.
  EXPECT_EQ(Base64Decode("Zm*v"), Base64Decode("ZmAv"));
  EXPECT_EQ(Base64Decode("Zm\xC3\xA9v"), Base64Decode("ZmAv"));  // "é" is one character
}

TEST(Base64, PaddingIsCountedFromEqualsSignsAnywhere) {
  // Y W = j decodes to "a`#"; the "=" inside still removes one character from the end.
  EXPECT_EQ(Base64Decode("YW=j"), "a`");
  EXPECT_EQ(Base64Decode("==Zm"), std::string(1, '\0'));
  EXPECT_EQ(Base64Decode("Zm9v==Zm"), std::string("foo\0", 4));
}

TEST(Base64, TextTravelsAsWindows1252) {
  EXPECT_EQ(Base64Encode("\xC3\xA9\xE2\x82\xAC"), "6YA=");  // "é€" is E9 80
  EXPECT_EQ(Base64Decode("6YA="), "\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(Base64Encode("\xE6\x97\xA5"), "Pw==");  // outside the code page: "?"
  const std::string text("ab\0\0", 4);              // the text's own NULs are no padding
  EXPECT_EQ(Base64Decode(Base64Encode(text)), text);
}

}  // namespace
}  // namespace wf
