// The scoring rules, on a small word list of the test's own so that each expected score
// follows from values written here. Scale: strength s gives positive 1+s / negative -(1+s),
// capped at 5.

#include "classifier.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/test_paths.h"

namespace wf::senti {
namespace {

class ClassifierRules : public ::testing::Test {
 protected:
  void SetUp() override {
    Write(kWordListFile,
          "good\t3\nhappy\t3\nnice\t2\nkind\t2\nbad\t-3\nawful\t-4\nsad\t-2\n"
          "caf\xC3\xA9\t2\n"          // UTF-8, as the shipped list is
          "snowman\xE2\x98\x83\t2\n"  // no Windows-1252 form: cannot occur, skipped
          "fed up\t-3\nkind of\t0\nnot working\t-3\n");
    Write(kExtraWordsFile, "# ours\nyay\t2\nsad\t-3\n");
    Write(kEmoticonListFile, ":)\t2\n:(\t-2\n<3\t3\nXD\t3\n");
    Write(kEmoticonTagsFile, "[<3]\t3\n[:(]\t-2\n");
    Write(kBoosterWordsFile, "very\t+1\nso\t+1\nslightly\t-1\n");
    Write(kNegatingWordsFile, "not\nnever\ndon't\n");
    Write(kContrastWordsFile, "but\n");
    std::string error;
    auto loaded = Classifier::Load(dir_.path().string(), &error);
    ASSERT_TRUE(loaded) << error;
    classifier_ = std::move(loaded);
  }

  void Write(std::string_view name, const std::string& text) {
    test::WriteBytes(dir_.File(std::string(name)), text);
  }

  using Cases = std::vector<std::pair<std::string, Scores>>;

  void ExpectScores(const Cases& cases) const {
    for (const auto& [text, want] : cases) {
      const Scores got = classifier_->Score(text);
      EXPECT_EQ(got, want) << "\"" << text << "\" gave " << got.positive << " " << got.negative
                           << ", expected " << want.positive << " " << want.negative;
    }
  }

  test::TempDir dir_;
  std::optional<Classifier> classifier_;
};

TEST_F(ClassifierRules, WordValuesAndCombination) {
  ExpectScores({{"", {1, -1}},
                {"a plain remark", {1, -1}},
                {"a good day", {4, -1}},
                {"Good", {4, -1}},            // case does not matter
                {"good and awful", {4, -5}},  // both signs at once
                // The second-strongest adds a quarter: 2 + 0.5 rounds up, 3 + 0.75 too.
                {"nice", {3, -1}},
                {"nice nice", {4, -1}},
                {"good happy", {5, -1}},
                {"yay", {3, -1}},                     // our own words
                {"sad", {1, -4}},                     // and they replace the list's value
                {"a caf\xE9, a Caf\xC9", {4, -1}}});  // Windows-1252 letters, either case
}

TEST_F(ClassifierRules, PhrasesBeforeWords) {
  ExpectScores({{"i am fed up", {1, -4}},
                // A phrase worth nothing takes its words out: "kind" alone is worth 2.
                {"kind of nice", {3, -1}},
                {"kind and nice", {4, -1}},
                // A phrase that holds its own negation is not negated again.
                {"it is not working", {1, -4}},
                // Words split by punctuation are no phrase.
                {"fed. up", {1, -1}}});
}

TEST_F(ClassifierRules, Negation) {
  ExpectScores({{"not good", {1, -3}},         // half of 3, as a negative
                {"not bad", {1, -1}},          // a negated negative is nothing
                {"never very good", {1, -3}},  // boosted to 4, halved to 2
                {"not a very good", {1, -3}},  // three words back still reach
                {"not a b c good", {4, -1}},   // four do not
                {"not. good", {4, -1}},        // punctuation ends the reach
                {"not :) good", {3, -3}},      // emoticons are not words in between
                {"don't like good", {1, -3}},
                {"don\x92t be good", {1, -3}},   // typographic apostrophe
                {"don[']t be good", {1, -3}}});  // the cleaner's tag for it
}

TEST_F(ClassifierRules, Boosters) {
  ExpectScores({{"very good", {5, -1}},
                {"very bad", {1, -5}},
                {"slightly good", {3, -1}},
                {"very much nice", {4, -1}},       // one word between
                {"very much more nice", {3, -1}},  // two are too many
                {"very, nice", {3, -1}}});
}

TEST_F(ClassifierRules, Emphasis) {
  ExpectScores({{"this is GOOD", {5, -1}},
                {"this is NICE", {4, -1}},
                {"THIS IS NICE", {3, -1}},  // a text all in capitals stresses nothing
                {"goood", {5, -1}},         // found as "good", stressed
                {"niiiiice", {4, -1}},
                {"soooo nice", {5, -1}},  // "so" boosts, its stretch stresses
                {"so nice", {4, -1}},
                {"baaad", {1, -5}}});
}

TEST_F(ClassifierRules, ExclamationAndQuestion) {
  ExpectScores({{"nice!", {4, -1}},
                {"nice!!! really", {4, -1}},
                {"bad!", {1, -4}},  // only positive strength grows
                {"wow!", {1, -1}},  // nothing to strengthen
                {"nice?", {2, -1}},
                {"nice? #tag @you", {2, -1}},  // tags after the question still end it
                {"nice? yes.", {3, -1}},       // a later sentence does not
                {"nice!?", {3, -1}}});
}

TEST_F(ClassifierRules, EmoticonsAndTags) {
  ExpectScores({{":)", {3, -1}},
                {":(", {1, -3}},
                {"XD", {4, -1}},
                {"xd", {1, -1}},       // emoticons are matched exactly
                {"&lt;3", {4, -1}},    // as the API sends "<3"
                {"today:)", {3, -1}},  // written onto a word
                {"[<3]", {4, -1}},
                {"you[<3][<3]", {5, -1}},  // tags sit right against words
                {"[:(]", {1, -3}},
                {"[plane]", {1, -1}}});
}

TEST_F(ClassifierRules, CarriersThatAreNotSentiment) {
  ExpectScores({{"RT @good: nice", {3, -1}},
                {"@happy", {1, -1}},
                {"#happy", {4, -1}},  // the mark goes, the word stays
                {"see http://good.example/happy-sad", {1, -1}},
                {"www.good.com", {1, -1}},
                {"bit.ly/good", {1, -1}},
                {"and/or good", {4, -1}}});
}

TEST_F(ClassifierRules, ContrastAndCompounds) {
  ExpectScores({{"good but sad", {3, -4}},    // 1.5 before "but", 3 after
                {"sad but good", {4, -3}},    // 1.5 before, 3 after
                {"happy-go-lucky", {4, -1}},  // unlisted compound: its parts
                {"awful-looking", {1, -5}}});
}

TEST(ClassifierLoad, ReportsTheFileAndLine) {
  test::TempDir dir;
  std::string error;
  EXPECT_FALSE(Classifier::Load(dir.path().string(), &error));
  EXPECT_NE(error.find(std::string(kWordListFile)), std::string::npos) << error;

  test::WriteBytes(dir.File(std::string(kWordListFile)), "good\t3\r\nbad\tminus three\r\n");
  EXPECT_FALSE(Classifier::Load(dir.path().string(), &error));
  EXPECT_NE(error.find("line 2"), std::string::npos) << error;

  test::WriteBytes(dir.File(std::string(kWordListFile)), "good\t6\n");
  EXPECT_FALSE(Classifier::Load(dir.path().string(), &error));
  EXPECT_NE(error.find("line 1"), std::string::npos) << error;
}

// The shipped folder loads and reads ordinary texts the way a person would.
TEST(ShippedData, OrdersOrdinaryTexts) {
  std::string error;
  const auto c = Classifier::Load(
      std::string(WF_SOURCE_DIR) + "/apps/sentiment/data/SentiStrengthData", &error);
  ASSERT_TRUE(c) << error;
  auto sum = [&](std::string_view text) {
    const Scores s = c->Score(text);
    EXPECT_GE(s.positive, 1);
    EXPECT_LE(s.positive, 5);
    EXPECT_LE(s.negative, -1);
    EXPECT_GE(s.negative, -5);
    return s.positive + s.negative;
  };
  EXPECT_EQ(sum("The meeting is at noon in room 4"), 0);
  EXPECT_GT(sum("I love this, it is wonderful!"), sum("this is fine"));
  EXPECT_GT(sum("this is fine"), sum("I hate this, it is awful"));
  EXPECT_GT(sum("yay :)"), 0);
  EXPECT_LT(sum("ugh [:(]"), 0);
  EXPECT_LT(sum("not happy"), sum("happy"));
}

}  // namespace
}  // namespace wf::senti
