#include "records/full_text.h"

#include <gtest/gtest.h>

#include "records/tweet_set.h"
#include "records/user_set.h"
#include "support/test_paths.h"

namespace wf {
namespace {

TEST(FullTextCell, SeparatorsBecomeSpacesAndEntitiesOnlyInTweets) {
  EXPECT_EQ(FullTextCell("  a\r\nb\tc\n  ", true), "a  b c");
  EXPECT_EQ(FullTextCell("x &amp; y &lt;z&gt; &amp;lt;", true), "x & y <z> &lt;");
  EXPECT_EQ(FullTextCell("x &amp; y", false), "x &amp; y");
  EXPECT_EQ(FullTextCell(" \t\n", true), "");
}

// Escapes of every kind, right-to-left scripts and CJK in the text and the author.
constexpr std::string_view kPage =
    R"({"statuses":[{"created_at":"Wed Aug 27 13:08:45 +0000 2008","id_str":"42",)"
    R"("full_text":"smile \ud83d\ude00\n\"quoted\"\t\\back\/slash &amp; &lt;b&gt; )"
    R"(\u05e9\u05dc\u05d5\u05dd \u0645\u0631\u062d\u0628\u0627 \u4e2d\u6587 ",)"
    R"("entities":{"urls":[{"expanded_url":"https:\/\/example.org\/\u00e9"}]},)"
    R"("user":{"screen_name":"ann","name":"\u0391\u03bd\u03bd\u03b1","location":" K\u00f6ln ",)"
    R"("description":"line one\r\nline two","followers_count":5,"friends_count":6,)"
    R"("utc_offset":3600,"statuses_count":7},"coordinates":null,"retweet_count":3}],)"
    R"("search_metadata":{}})";

TEST(FullText, TweetCellsHoldTheDecodedText) {
  TweetSet tweets;
  tweets.SetFullText(true);
  tweets.SetData(kPage, false, true);
  ASSERT_EQ(tweets.Count(), 1);
  EXPECT_EQ(tweets.Text(1),
            "smile \xF0\x9F\x98\x80 \"quoted\" \\back/slash & <b> "
            "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7 "
            "\xE4\xB8\xAD\xE6\x96\x87");
  EXPECT_EQ(tweets.RealName(1), "\xCE\x91\xCE\xBD\xCE\xBD\xCE\xB1");
  EXPECT_EQ(tweets.Location(1), "K\xC3\xB6ln");
  EXPECT_EQ(tweets.Description(1), "line one  line two");
  EXPECT_EQ(tweets.LinkURL(1), "https://example.org/\xC3\xA9");

  // Every other cell is what the default mode gives.
  TweetSet plain;
  plain.SetData(kPage, false, true);
  TweetRecord expected = plain.At(1);
  EXPECT_NE(expected.Text, tweets.Text(1));
  expected.Text = tweets.Text(1);
  expected.RealName = tweets.RealName(1);
  expected.Location = tweets.Location(1);
  expected.Description = tweets.Description(1);
  expected.LinkURL = tweets.LinkURL(1);
  EXPECT_EQ(tweets.At(1), expected);
}

TEST(FullText, OnlyTextCellsDifferOnRecordedAnswers) {
  for (const char* file : {"rtweet/search_1.json", "rtweet/timeline_3.json"}) {
    const bool wrapped = std::string_view(file).find("search") != std::string_view::npos;
    const std::string json = test::ReadTestdata(file);
    TweetSet full;
    full.SetFullText(true);
    full.SetData(json, false, wrapped);
    TweetSet plain;
    plain.SetData(json, false, wrapped);
    ASSERT_EQ(full.Count(), plain.Count()) << file;
    ASSERT_GT(full.Count(), 0) << file;
    int differing = 0;
    for (std::int32_t i = 1; i <= full.Count(); ++i) {
      TweetRecord a = full.At(i);
      TweetRecord b = plain.At(i);
      if (a.Text != b.Text) ++differing;
      for (TweetRecord* r : {&a, &b}) {
        r->Text.clear();
        r->RealName.clear();
        r->Location.clear();
        r->Description.clear();
        r->LinkURL.clear();
      }
      EXPECT_EQ(a, b) << file << " record " << i;
    }
    // Newlines and entities are common in real texts.
    EXPECT_GT(differing, 0) << file;
  }
}

TEST(FullText, UserCellsHoldTheDecodedText) {
  const std::string page =
      R"({"users":[{"id_str":"9","screen_name":"bo","name":"\u0411\u043e \"B\"",)"
      R"("location":"\u6771\u4eac","description":"a\tb &amp; c","geo_enabled":true}],)"
      R"("next_cursor_str":"0"})";
  UserSet users;
  users.SetFullText(true);
  users.SetData(page, false, true);
  ASSERT_EQ(users.Count(), 1);
  EXPECT_EQ(users.RealName(1), "\xD0\x91\xD0\xBE \"B\"");
  EXPECT_EQ(users.Location(1), "\xE6\x9D\xB1\xE4\xBA\xAC");
  EXPECT_EQ(users.Description(1), "a b &amp; c");
  EXPECT_EQ(users.NextCursor(), "0");
}

TEST(FullText, AnswerTheDecoderRejectsKeepsTheDefaultCells) {
  // Cut off: the default reader still finds the tweet, the decoder nothing.
  const std::string cut = std::string(kPage.substr(0, kPage.size() - 40));
  TweetSet full;
  full.SetFullText(true);
  full.SetData(cut, false, true);
  TweetSet plain;
  plain.SetData(cut, false, true);
  ASSERT_EQ(full.Count(), 1);
  EXPECT_EQ(full.Records(), plain.Records());
}

}  // namespace
}  // namespace wf
