// The rules that read retweets, mentions, hashtags and link domains out of a tweet.
#include "tweet_text.h"

#include <gtest/gtest.h>

namespace wf::view {
namespace {

using Names = std::vector<std::string>;

TEST(TweetText, RetweetOnlyWhenTheTextStartsWithRtAt) {
  EXPECT_TRUE(IsRetweetText("RT @bob: hi"));
  EXPECT_TRUE(IsRetweetText("RT @bob"));
  EXPECT_FALSE(IsRetweetText(" RT @bob: hi"));
  EXPECT_FALSE(IsRetweetText("rt @bob: hi"));
  EXPECT_FALSE(IsRetweetText("great RT @bob: hi"));
  EXPECT_FALSE(IsRetweetText("RT bob"));

  EXPECT_EQ(RetweetedAccount("RT @Bob_1: hi"), "bob_1");
  EXPECT_EQ(RetweetedAccount("RT @bob hi"), "");  // no colon: no retweet edge
  EXPECT_EQ(RetweetedAccount("so RT @bob: hi"), "");
  EXPECT_EQ(RetweetedAccount("RT @abcdefghijklmnop: hi"), "");  // 16 characters
  EXPECT_EQ(RetweetedAccount("RT @abcdefghijklmno: hi"), "abcdefghijklmno");
}

TEST(TweetText, MentionsWithPunctuationAroundThemAndCaseIgnored) {
  EXPECT_EQ(MentionedAccounts("(@Alice), @bob! \"@carol\" @dave's @eve... @Alice"),
            (Names{"alice", "bob", "carol", "dave", "eve"}));
  // The "@" must not follow a letter, digit or underscore: mail addresses are no mentions.
  EXPECT_EQ(MentionedAccounts("mail a@b.com or x_@y, 1@z"), Names{});
  // Too long to be a screen name, an empty name, an "@" at the end.
  EXPECT_EQ(MentionedAccounts("@abcdefghijklmnop @ @"), Names{});
  EXPECT_EQ(MentionedAccounts("@abcdefghijklmno."), Names{"abcdefghijklmno"});
  // The account of a leading "RT @name:" is the retweet; later ones are mentions, even the same.
  EXPECT_EQ(MentionedAccounts("RT @Bob: thanks @carol and @BOB"), (Names{"carol", "bob"}));
  EXPECT_EQ(MentionedAccounts("RT @bob thanks"), Names{"bob"});
  // UTF-8 around a mention.
  EXPECT_EQ(MentionedAccounts("caf\xC3\xA9 \xE2\x80\x9C@zo\xC3\xABl"), Names{"zo"});
}

TEST(TweetText, HashtagsLowerCaseOncePerTweet) {
  EXPECT_EQ(Hashtags("#Climate and #climate, #COP_28! ##x #"), (Names{"climate", "cop_28", "x"}));
  EXPECT_EQ(Hashtags("end#tag #1 #caf\xC3\xA9\xE2\x80\xA6"), (Names{"tag", "1", "caf\xC3\xA9"}));
  EXPECT_EQ(Hashtags("no tags # here"), Names{});
}

TEST(TweetText, LinkDomainIsTheLowerCaseHostWithoutWww) {
  EXPECT_EQ(LinkDomain("https://www.Example.COM/path?q=1"), "example.com");
  EXPECT_EQ(LinkDomain("http://user:pw@news.org:8080/a"), "news.org");
  EXPECT_EQ(LinkDomain("HTTPS://WWW.bbc.co.uk"), "bbc.co.uk");
  EXPECT_EQ(LinkDomain("t.co/abc"), "t.co");
  EXPECT_EQ(LinkDomain("https://wwwfoo.com/"), "wwwfoo.com");
  EXPECT_EQ(LinkDomain(""), "");
  EXPECT_EQ(LinkDomain("https:///x"), "");
}

}  // namespace
}  // namespace wf::view
