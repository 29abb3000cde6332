// The classifier remembers how it took apart the tokens it met (per thread); a score must not
// depend on that memory: not on what was scored before, nor on which classifier or thread.

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "classifier.h"
#include "support/test_paths.h"

namespace wf::senti {
namespace {

const std::string kData = std::string(WF_SOURCE_DIR) + "/apps/sentiment/data/SentiStrengthData";

// Texts mixing the tokens that take the tokenizer's different roads (entities, tags, links,
// emoticons alone and on words, stretches, compounds, capitals, Windows-1252 bytes) with a
// stream of new tokens, more than the memory keeps, and tokens too long to be kept.
std::vector<std::string> MixedTexts() {
  std::vector<std::string> pieces;
  std::istringstream words(
      "good GOOD goooood sooo not don\x92t very but happy sad BAD super-happy x-men coool :) "
      ":-( XD <333 today:) nice:( [<3] [:(] &lt;3 &amp; [...] it\x85s !! ? , @user RT #happy "
      "http://x.com/great-deals bit.ly/good caf\xE9 \xC9NORME does work fed up kind of "
      "goodgoodgoodgoodgoodgoodgoodgoodgood:)");
  for (std::string w; words >> w;) pieces.push_back(w);
  pieces.push_back(std::string(40, 'o'));
  std::mt19937 rng(42);
  std::vector<std::string> texts;
  for (int i = 0; i < 60000; ++i) {
    std::string text;
    for (int n = static_cast<int>(rng() % 12); n > 0; --n) {
      text += rng() % 5 == 0 ? "w" + std::to_string(rng() % 100000) : pieces[rng() % pieces.size()];
      text += rng() % 8 == 0 ? "\t" : " ";
    }
    texts.push_back(text);
  }
  return texts;
}

TEST(TokenMemory, ScoresDoNotDependOnWhatWasScoredBefore) {
  std::string error;
  const std::optional<Classifier> a = Classifier::Load(kData, &error);
  const std::optional<Classifier> b = Classifier::Load(kData, &error);
  ASSERT_TRUE(a && b) << error;
  const std::vector<std::string> texts = MixedTexts();

  // Switching classifiers empties the memory, so each of these scores starts from nothing.
  std::vector<Scores> alone;
  for (const std::string& t : texts) {
    b->Score("");
    alone.push_back(a->Score(t));
  }
  // The same texts in one stream, twice, and on another thread.
  int differ = 0;
  for (int pass = 0; pass < 2; ++pass) {
    for (std::size_t i = 0; i < texts.size(); ++i) {
      if (!(a->Score(texts[i]) == alone[i]) && ++differ <= 5) ADD_FAILURE() << texts[i];
    }
  }
  std::thread([&] {
    for (std::size_t i = 0; i < texts.size(); ++i) {
      if (!(b->Score(texts[i]) == alone[i]) && ++differ <= 5) ADD_FAILURE() << texts[i];
    }
  }).join();
  EXPECT_EQ(differ, 0);
}

TEST(TokenMemory, EachClassifierScoresWithItsOwnLists) {
  auto load = [](const test::TempDir& dir, const std::string& words) {
    test::WriteBytes(dir.File(std::string(kWordListFile)), words);
    for (std::string_view f : {kExtraWordsFile, kEmoticonListFile, kEmoticonTagsFile,
                               kBoosterWordsFile, kNegatingWordsFile, kContrastWordsFile}) {
      test::WriteBytes(dir.File(std::string(f)), "");
    }
    std::string error;
    std::optional<Classifier> c = Classifier::Load(dir.path().string(), &error);
    EXPECT_TRUE(c) << error;
    return c;
  };
  test::TempDir da;
  test::TempDir db;
  std::optional<Classifier> a = load(da, "good\t3\n");
  const std::optional<Classifier> b = load(db, "good\t-3\n");
  ASSERT_TRUE(a && b);
  const Scores pos{4, -1};
  const Scores neg{1, -4};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(a->Score("good"), pos);
    EXPECT_EQ(b->Score("good"), neg);
  }
  // A classifier given another's lists scores with those from then on.
  EXPECT_EQ(a->Score("good"), pos);
  *a = *b;
  EXPECT_EQ(a->Score("good"), neg);
  const Classifier copy = *a;
  a.reset();
  EXPECT_EQ(copy.Score("good"), neg);
}

// Texts are read in 64-byte blocks; where a token falls relative to them must not matter.
// The same words at every shift across three blocks, with runs of every kind of space
// between them, and tokens longer than a block, score alike.
TEST(TokenMemory, WhereTokensFallInTheTextDoesNotMatter) {
  std::string error;
  const std::optional<Classifier> c = Classifier::Load(kData, &error);
  ASSERT_TRUE(c) << error;
  const std::string long_word = std::string(70, 'x');
  const std::string long_happy =
      "haaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaappy";
  const std::vector<std::string> bodies = {
      "not good at all",
      "I am so happy :)",
      "very\t\tbad\x0B\x0C"
      "day!\xA0\xA0"
      "right?",
      long_word + " good " + long_word + " sad",
      long_happy + "!! " + long_happy,
      "it was ok, but terrible",
      "#love " + std::string(130, '!') + " #hate",
  };
  for (const std::string& body : bodies) {
    const Scores alone = c->Score(body);
    for (std::size_t shift = 0; shift <= 192; ++shift) {
      const std::string lead(shift, shift % 3 == 0 ? ' ' : '\t');
      const std::string trail(shift % 70, ' ');
      EXPECT_EQ(c->Score(lead + body + trail), alone) << "shift " << shift << ": " << body;
      // Scoring in place reads past the text: what lies there must not count.
      const std::string in_buffer = lead + body + std::string(Classifier::kSlack, 'x');
      EXPECT_EQ(c->ScoreWithSlack({in_buffer.data(), lead.size() + body.size()}), alone)
          << "shift " << shift << ": " << body;
    }
  }
}

}  // namespace
}  // namespace wf::senti
