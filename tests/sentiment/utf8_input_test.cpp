#include "utf8_input.h"

#include <gtest/gtest.h>

#include "score_file.h"
#include "support/test_paths.h"

namespace wf::senti {
namespace {

TEST(Utf8Input, CharactersBecomeWhatTheDefaultCleaningMakesOfThem) {
  EXPECT_EQ(ClassifierText("I \xE2\x9D\xA4 caf\xC3\xA9"), "I [<3] caf\xE9");
  EXPECT_EQ(ClassifierText("\xE2\x98\xBA \xE2\x98\xB9 \xE2\x9C\x88"), "[:)] [:(] [plane]");
  EXPECT_EQ(ClassifierText("ok \xF0\x9F\x98\x80!"), "ok !");  // beyond the basic plane
  EXPECT_EQ(ClassifierText("\xCE\xBA\xCE\xB1\xCE\xBB\xCF\x8C"), "[el][el][el][el]");
  EXPECT_EQ(ClassifierText("\xD0\xB4\xD0\xB0 \xD7\xA9"), "[cyr][cyr] [he]");
  EXPECT_EQ(ClassifierText("plain text"), "plain text");
}

TEST(Utf8Input, MarkedUtf8FilesScoreAsTheirTaggedText) {
  std::string error;
  const auto classifier = Classifier::Load(
      std::string(WF_SOURCE_DIR) + "/apps/sentiment/data/SentiStrengthData", &error);
  ASSERT_TRUE(classifier) << error;
  // A heart and a smiling face score as the tags they have in the default text.
  const std::vector<std::pair<std::string, std::string>> pairs = {
      {"I miss you \xE2\x9D\xA4", "I miss you [<3]"},
      {"what a day \xE2\x98\xBA", "what a day [:)]"},
      {"so sad \xE2\x98\xB9 \xCE\xBA\xCE\xB1\xCE\xBB\xCF\x8C", "so sad [:(] [el][el][el][el]"},
      {"", ""}};
  test::TempDir dir;
  std::string utf8 = "\xEF\xBB\xBF";
  std::string ansi;
  for (const auto& [with_emoji, with_tag] : pairs) {
    utf8 += with_emoji + "\r\n";
    ansi += with_tag + "\r\n";
  }
  EXPECT_NE(classifier->Score("I miss you [<3]"), classifier->Score("I miss you"));
  test::WriteBytes(dir.File("u.txt"), utf8);
  test::WriteBytes(dir.File("a.txt"), ansi);
  ASSERT_TRUE(ScoreFile(*classifier, dir.File("u.txt"), &error)) << error;
  ASSERT_TRUE(ScoreFile(*classifier, dir.File("a.txt"), &error)) << error;
  EXPECT_EQ(test::ReadBytes(dir.File("u0_out.txt")), test::ReadBytes(dir.File("a0_out.txt")));
}

}  // namespace
}  // namespace wf::senti
