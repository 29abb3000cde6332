#include "util/url_encode.h"

#include <gtest/gtest.h>

namespace wf {
namespace {

TEST(URLEncode, PunctuationByCodeLettersAndNonAsciiUnchanged) {
  EXPECT_EQ(URLEncode("skein AND twitter"), "skein%20AND%20twitter");
  EXPECT_EQ(URLEncode("#rstats"), "%23rstats");
  EXPECT_EQ(URLEncode("a-b.c_d~e"), "a%2Db%2Ec%5Fd%7Ee");
  EXPECT_EQ(URLEncode("from:x \"y z\""), "from%3Ax%20%22y%20z%22");
  EXPECT_EQ(URLEncode("caf\xC3\xA9"), "caf\xC3\xA9");  // code-page letter kept
  EXPECT_EQ(URLEncode("\xE6\x97\xA5\xE6\x9C\xAC"), "\xE6\x97\xA5\xE6\x9C\xAC");  // not "%3F%3F"
  EXPECT_EQ(URLEncode("Az09"), "Az09");
}

}  // namespace
}  // namespace wf
