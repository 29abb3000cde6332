#include "records/tweet_id_file.h"

#include <gtest/gtest.h>

namespace wf {
namespace {

using Ids = std::vector<std::string>;

TEST(TweetIdFile, PlainListsAndCsvFirstColumns) {
  EXPECT_EQ(ParseTweetIds("1001\n1002\n1003").ids, (Ids{"1001", "1002", "1003"}));
  // CR LF, blank lines, surrounding spaces and quotes, a byte-order mark.
  EXPECT_EQ(ParseTweetIds("\xEF\xBB\xBF 1001 \r\n\r\n\"1002\"\r\n  '1003'\r\n\r\n").ids,
            (Ids{"1001", "1002", "1003"}));
  // A CSV with a header: the first column, quoted or not, whatever the other columns hold.
  const TweetIdList csv =
      ParseTweetIds("tweet_id,text,date\r\n1001,\"a, b\",2020\r\n\"1002\",x,y\r\n1003\r\n");
  EXPECT_TRUE(csv.error.empty()) << csv.error;
  EXPECT_EQ(csv.ids, (Ids{"1001", "1002", "1003"}));
  EXPECT_TRUE(ParseTweetIds("").ids.empty());
  EXPECT_TRUE(ParseTweetIds("id\n").ids.empty());
}

TEST(TweetIdFile, LostDigitsAndOtherEntriesAreRefusedWithTheirLine) {
  TweetIdList list = ParseTweetIds("id\n1001\n\n1.23E+18\n1004\n");
  EXPECT_EQ(list.line, 4u);
  EXPECT_NE(list.error.find("scientific notation"), std::string::npos) << list.error;
  EXPECT_TRUE(list.ids.empty());
  // Even on the first line, where a header would be: it is no header.
  list = ParseTweetIds("\"1,23E+18\"\r\n");
  EXPECT_EQ(list.line, 1u);
  EXPECT_NE(list.error.find("scientific notation"), std::string::npos) << list.error;
  list = ParseTweetIds("\"1.5e18\",x\n");
  EXPECT_EQ(list.line, 1u);
  // Only the first non-number entry may be a header.
  list = ParseTweetIds("id\n1001\nabc\n");
  EXPECT_EQ(list.line, 3u);
  EXPECT_NE(list.error.find("\"abc\" is not a tweet id"), std::string::npos) << list.error;
  list = ParseTweetIds("1001\n-1002\n");
  EXPECT_EQ(list.line, 2u);
  list = ParseTweetIds("1001\n10 02\n");
  EXPECT_EQ(list.line, 2u);
}

}  // namespace
}  // namespace wf
