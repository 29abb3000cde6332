#include "records/user_set.h"

#include <gtest/gtest.h>

#include "support/scripted_ui.h"
#include "support/test_paths.h"

namespace wf {
namespace {

std::string UserObject(const std::string& extra) {
  return R"({"id":7,"id_str":"7","name":"Ann \u00e9","screen_name":"ann","location":"Leeds","description":"a\nb \u2764 &amp; c","url":"http:\/\/t.co\/x",)" +
         extra +
         R"("protected":false,"followers_count":12,"friends_count":3,"created_at":"Wed Aug 27 13:08:45 +0000 2008","favourites_count":null,"geo_enabled":true,"verified":null,"statuses_count":99,"lang":"en","profile_image_url":"http:\/\/pbs.twimg.com\/p\/a_normal.jpg","profile_background_image_url":"http:\/\/b.png","profile_banner_url":"https:\/\/pbs.twimg.com\/b\/7"})";
}

TEST(UserSet, LookupResponseFieldsAndConversions) {
  test::ScriptedUi ui;
  UserSet users(&ui);
  const std::string json = "[" + UserObject(R"("utc_offset":19800,)") + "," +
                           UserObject(R"("utc_offset":-18000,)") + "," +
                           UserObject(R"("utc_offset":null,)") + "]";
  users.SetData(json, false, false);
  ASSERT_EQ(users.Count(), 3);
  EXPECT_EQ(users.LastSetDataSize(), 3);
  EXPECT_EQ(users.Id(1), "7");
  EXPECT_EQ(users.RealName(1), "Ann \xC3\xA9");
  EXPECT_EQ(users.Description(1), "anb [<3] & c");
  EXPECT_EQ(users.URL(1), "http://t.co/x");
  EXPECT_EQ(users.Followers(1), 12);
  EXPECT_EQ(users.Favourites(1), 0);  // null
  EXPECT_TRUE(users.GeoEnabled(1));
  EXPECT_FALSE(users.Verified(1));    // null leaves the default
  EXPECT_EQ(users.UTC_Offset(1), 6);  // 5.5 hours to the even hour
  EXPECT_EQ(users.UTC_Offset(2), -5);
  EXPECT_EQ(users.UTC_Offset(3), 0);
  EXPECT_EQ(users.ProfileImage(1), "http://pbs.twimg.com/p/a.jpg");
  EXPECT_EQ(users.ProfileBanner(1), "https://pbs.twimg.com/b/7/web");
  EXPECT_EQ(users.NextCursor(), "-1");  // arrays carry no cursor
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(users.Id(0), "");
  EXPECT_EQ(users.Id(4), "");
}

TEST(UserSet, ProfileUrlEntityWinsOverTheShortLink) {
  UserSet users;
  users.SetData(
      "[" +
          UserObject(
              R"("entities":{"url":{"urls":[{"url":"http:\/\/t.co\/x","expanded_url":"http:\/\/example.org\/me"}]},"description":{"urls":[]}},)") +
          "]",
      false, false);
  ASSERT_EQ(users.Count(), 1);
  EXPECT_EQ(users.URL(1), "http://example.org/me");
}

TEST(UserSet, FollowersPagesCarryTheCursor) {
  UserSet users;
  users.SetData(
      R"({"users":[)" + UserObject("") + "," + UserObject("") +
          R"(],"next_cursor":1489,"next_cursor_str":"1489","previous_cursor":0,"previous_cursor_str":"0"})",
      false, true);
  EXPECT_EQ(users.Count(), 2);
  EXPECT_EQ(users.NextCursor(), "1489");
  users.SetData(
      R"({"users":[)" + UserObject("") +
          R"(],"next_cursor":0,"next_cursor_str":"0","previous_cursor":-1489,"previous_cursor_str":"-1489"})",
      true, true);
  EXPECT_EQ(users.Count(), 3);
  EXPECT_EQ(users.LastSetDataSize(), 1);
  EXPECT_EQ(users.NextCursor(), "0");
  users.ResetCursor();
  EXPECT_EQ(users.NextCursor(), "");
  users.Clear();
  EXPECT_EQ(users.NextCursor(), "-1");
}

TEST(UserSet, EmptyAndRejectedResponses) {
  test::ScriptedUi ui;
  UserSet users(&ui);
  users.SetData("[" + UserObject("") + "]", false, false);
  users.SetData("[]", true, false);  // too short for the reader: nothing changes, no message
  EXPECT_EQ(users.Count(), 1);
  EXPECT_EQ(users.LastSetDataSize(), 0);
  EXPECT_TRUE(ui.messages.empty());
  users.SetData(R"({"users":[],"next_cursor":0})", false, true);
  EXPECT_EQ(users.Count(), 0);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "JSON response contained no records");
  EXPECT_EQ(ui.messages[0].icon, MsgIcon::Information);
  EXPECT_EQ(ui.messages[0].caption, "Skein Wrenfold Desktop Edition");
}

TEST(UserSet, FindAndClipboard) {
  test::ScriptedUi ui;
  UserSet users(&ui);
  users.ToClipboard();
  EXPECT_EQ(ui.clipboard,
            "UserId\tScreenName\tRealName\tDescription\tCreatedAt\tFollowers\tFriends\tFavourites\t"
            "StatusCount\tLocation\tUTC_Offset\tGeoEnabled\tLanguage\tProfileImage\tVerified\r\n");
  users.SetData("[" + UserObject(R"("utc_offset":3600,)") + "]", false, false);
  EXPECT_EQ(users.FindUserIndex("ann", ""), 1);
  EXPECT_EQ(users.FindUserIndex("ANN", ""), 0);
  EXPECT_EQ(users.FindUserIndex("ANN", "7"), 1);
  users.ToClipboard();
  EXPECT_NE(ui.clipboard.find("\r\n7\tann\tAnn \xC3\xA9\tanb [<3] & c\tWed Aug 27 13:08:45 +0000 "
                              "2008\t12\t3\t0\t99\tLeeds\t1\tTrue\ten\thttp://pbs.twimg.com/p/"
                              "a.jpg\tFalse\r\n"),
            std::string::npos)
      << ui.clipboard;
}

TEST(UserSet, TrimToDateRangeByCreationDate) {
  UserSet users;
  users.SetData("[" + UserObject("") + "]", false, false);
  EXPECT_FALSE(users.TrimToDateRange("01/01/2000 00:00:00", ""));
  EXPECT_EQ(users.Count(), 1);
  EXPECT_TRUE(users.TrimToDateRange("28/08/2008 00:00:00", ""));
  EXPECT_EQ(users.Count(), 0);
  EXPECT_FALSE(users.TrimToDateRange("28/08/2008 00:00:00", ""));
}

TEST(UserSetRealData, LookupAndFriendsPages) {
  UserSet users;
  users.SetData(test::ReadTestdata("rtweet/users_lookup_1.json"), false, false);
  ASSERT_EQ(users.Count(), 4);
  EXPECT_EQ(users.ScreenName(1), "CNN");
  EXPECT_EQ(users.Id(1), "759251");
  EXPECT_EQ(users.Followers(1), 60499587);
  EXPECT_EQ(users.StatusCount(1), 389563);
  EXPECT_TRUE(users.Verified(1));
  EXPECT_EQ(users.Description(1).substr(0, 18), "It[']s our job to ");
  EXPECT_EQ(users.ProfileImage(1),
            "http://pbs.twimg.com/profile_images/1278259160644227073/MfCyF7CG.jpg");
  // The last URL entity of the user decides: here that of the embedded latest tweet.
  EXPECT_EQ(users.URL(1), "https://twitter.com/i/web/status/1591721298736005120");
  EXPECT_EQ(users.NextCursor(), "-1");

  UserSet friends;
  friends.SetData(test::ReadTestdata("python-twitter/friends_list_1.json"), false, true);
  ASSERT_GE(friends.Count(), 1);
  EXPECT_EQ(friends.ScreenName(1), "__jcbl__");
  // Every level-4 entity counts, so the user's latest tweet's last mention (which has no
  // expanded_url) empties it.
  EXPECT_EQ(friends.URL(1), "");
  EXPECT_EQ(friends.NextCursor(), "0");
}

}  // namespace
}  // namespace wf
