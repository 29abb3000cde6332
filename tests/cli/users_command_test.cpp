#include <gtest/gtest.h>

#include <sstream>

#include "api/response_archive.h"
#include "command.h"
#include "support/test_paths.h"

namespace wf::cli {
namespace {

int Cli(const std::vector<std::string>& args, std::string* err = nullptr) {
  std::ostringstream out;
  std::ostringstream e;
  const int code = RunCli(args, out, e);
  if (err != nullptr) *err = e.str();
  return code;
}

int CountLines(const std::string& text) {
  int n = 0;
  for (auto at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++n;
  return n;
}

TEST(UsersCommand, LookupAndListPages) {
  test::TempDir dir;
  std::string err;
  ASSERT_EQ(Cli({"users", test::TestdataPath("rtweet/users_lookup_1.json"),
                 test::TestdataPath("rtweet/users_lookup_2.json"), "-o", dir.File("u.txt")},
                &err),
            0)
      << err;
  const std::string text = test::ReadBytes(dir.File("u.txt"));
  EXPECT_EQ(text.rfind("UserId\tScreenName\tRealName\t", 0), 0u);
  EXPECT_NE(text.find("\r\n759251\tCNN\tCNN\t"), std::string::npos);
  EXPECT_GT(CountLines(text), 5);

  ASSERT_EQ(Cli({"users", "--list", test::TestdataPath("python-twitter/friends_list_1.json"), "-o",
                 dir.File("f.txt")},
                &err),
            0)
      << err;
  EXPECT_NE(test::ReadBytes(dir.File("f.txt")).find("\r\n372018022\t__jcbl__\t"),
            std::string::npos);

  EXPECT_EQ(Cli({"users", test::TestdataPath("python-twitter/friends_list_1.json"), "-o",
                 dir.File("x.txt")},
                &err),
            1);
  EXPECT_NE(err.find("use --list"), std::string::npos);
}

// Profiles that Windows-1252 cannot hold make a UTF-8 file with a byte-order mark; the others
// stay Windows-1252.
TEST(UsersCommand, TextWindows1252CannotHoldIsSavedAsMarkedUtf8) {
  test::TempDir dir;
  std::string err;
  ASSERT_EQ(
      Cli({"users", test::TestdataPath("rtweet/users_lookup_1.json"), "-o", dir.File("plain.txt")},
          &err),
      0)
      << err;
  EXPECT_NE(test::ReadBytes(dir.File("plain.txt")).rfind("\xEF\xBB\xBF", 0), 0u);

  std::string response = test::ReadBytes(test::TestdataPath("rtweet/users_lookup_1.json"));
  const std::string key = "\"description\":\"";
  const std::size_t at = response.find(key);
  ASSERT_NE(at, std::string::npos);
  response.insert(at + key.size(), "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 ");
  test::WriteBytes(dir.File("wide.json"), response);
  ASSERT_EQ(Cli({"users", dir.File("wide.json"), "-o", dir.File("wide.txt")}, &err), 0) << err;
  const std::string bytes = test::ReadBytes(dir.File("wide.txt"));
  EXPECT_EQ(bytes.rfind("\xEF\xBB\xBFUserId\tScreenName\t", 0), 0u);
  EXPECT_NE(bytes.find("\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 "), std::string::npos);
}

TEST(UsersCommand, ApiV2AnswersInAnArchive) {
  test::TempDir dir;
  const std::string v2 = std::string(WF_TESTDATA_DIR) + "/v2/tweepy/";
  const std::string fields = "user.fields=created_at,description";
  {
    ResponseArchive archive;
    ASSERT_TRUE(archive.Open(dir.File("raw.jsonl")));
    // A name resolved for a timeline asks for ids only: no rows of the user table.
    archive.Append("http://h/2/users/by?usernames=Twitter,TwitterDev", 200,
                   test::ReadBytes(v2 + "users_by.json"));
    archive.Append("http://h/2/users/783214/followers?max_results=1000&" + fields, 200,
                   test::ReadBytes(v2 + "users_followers.json"));
    archive.Append("http://h/2/users/783214/followers?max_results=1000&" + fields +
                       "&pagination_token=5CS0O0C6II61EZZZ",
                   200, R"({"meta":{"result_count":0}})");
    archive.Append("http://h/2/users?ids=783214,2244994945&" + fields, 200,
                   test::ReadBytes(v2 + "users_by.json"));
    archive.Append("http://h/2/users/2244994945/following?max_results=1000&" + fields, 429,
                   R"({"title":"Too Many Requests"})");
  }
  std::string err;
  ASSERT_EQ(Cli({"users", dir.File("raw.jsonl"), "-o", dir.File("u.txt")}, &err), 0) << err;
  const std::string text = test::ReadBytes(dir.File("u.txt"));
  EXPECT_EQ(CountLines(text), 1 + 100 + 2);
  EXPECT_NE(text.find("\r\n1376998163739987969\tZamari97491661\tZa[']mari\t"), std::string::npos);
  EXPECT_NE(text.find("\r\n2244994945\tTwitterDev\tTwitter Dev\t"), std::string::npos);

  test::WriteBytes(
      dir.File("bad.jsonl"),
      "{\"time\":\"t\",\"url\":\"http://h/2/users?ids=1&user.fields=url\",\"status\":200,"
      "\"body\":\"<html>\"}\n");
  EXPECT_EQ(Cli({"users", dir.File("bad.jsonl"), "-o", dir.File("b.txt")}, &err), 1);
  EXPECT_NE(err.find("no users found in"), std::string::npos) << err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("b.txt")));
}

}  // namespace
}  // namespace wf::cli
