#include <gtest/gtest.h>

#include <sstream>

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

}  // namespace
}  // namespace wf::cli
