// Agreement of the shipped classifier with human ratings on the development set: 1,000
// tweets, each with the mean of 20 ratings on -4..+4, compared with positive + negative.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "score_file.h"
#include "support/test_paths.h"
#include "util/cp1252.h"
#include "util/escapes.h"

namespace wf::senti {
namespace {

struct Rated {
  long id;
  double mean;
  std::string text;  // as the window hands it to the classifier: cleaned, Windows-1252
  std::string raw;   // the UTF-8 text of the set
};

// The set's texts are raw UTF-8. The window gets tweets as JSON and cleans them, so each
// text goes through the same road: JSON escapes for what JSON escapes, then the cleaner.
std::string AsRetrieved(std::string_view utf8) {
  std::string json;
  for (std::size_t pos = 0; pos < utf8.size();) {
    const char32_t cp = NextCodePoint(utf8, pos);
    char buf[16];
    auto escape = [&](unsigned unit) {
      std::snprintf(buf, sizeof buf, "\\u%04x", unit);
      json.append(buf);
    };
    if (cp == '\\' || cp == '"') {
      json.push_back('\\');
      json.push_back(static_cast<char>(cp));
    } else if (cp < 0x80) {
      json.push_back(static_cast<char>(cp));
    } else if (cp > 0xFFFF) {
      const char32_t v = cp - 0x10000;
      escape(0xD800 + static_cast<unsigned>(v >> 10));
      escape(0xDC00 + static_cast<unsigned>(v & 0x3FF));
    } else {
      escape(static_cast<unsigned>(cp));
    }
  }
  return Utf8ToCp1252(CleanEscapes(json), '?');
}

std::vector<Rated> ReadDevSet() {
  const std::string raw = test::ReadFixture(std::string(WF_TESTDATA_DIR) + "/sentiment/dev.tsv");
  std::vector<Rated> rows;
  std::size_t pos = raw.find('\n');  // header
  while (pos != std::string::npos && pos + 1 < raw.size()) {
    const std::size_t start = pos + 1;
    pos = raw.find('\n', start);
    const std::string line = raw.substr(start, pos == std::string::npos ? pos : pos - start);
    const std::size_t t1 = line.find('\t');
    const std::size_t t2 = line.find('\t', t1 + 1);
    if (t1 == std::string::npos || t2 == std::string::npos) continue;
    rows.push_back({std::stol(line.substr(0, t1)), std::stod(line.substr(t1 + 1, t2 - t1 - 1)),
                    AsRetrieved(std::string_view(line).substr(t2 + 1)), line.substr(t2 + 1)});
  }
  return rows;
}

double Pearson(const std::vector<double>& x, const std::vector<double>& y) {
  const double n = static_cast<double>(x.size());
  double mx = 0, my = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    mx += x[i];
    my += y[i];
  }
  mx /= n;
  my /= n;
  double sxy = 0, sxx = 0, syy = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    sxy += (x[i] - mx) * (y[i] - my);
    sxx += (x[i] - mx) * (x[i] - mx);
    syy += (y[i] - my) * (y[i] - my);
  }
  return sxy / std::sqrt(sxx * syy);
}

// Scores through the tool's own file road, as the window does, then reads the sums back.
TEST(DevSet, SumOfScoresFollowsHumanRatings) {
  const std::vector<Rated> rows = ReadDevSet();
  ASSERT_EQ(rows.size(), 1000u);

  std::string error;
  const auto classifier = Classifier::Load(
      std::string(WF_SOURCE_DIR) + "/apps/sentiment/data/SentiStrengthData", &error);
  ASSERT_TRUE(classifier) << error;
  test::TempDir dir;
  std::string input;
  for (const Rated& r : rows) input += r.text + "\r\n";
  test::WriteBytes(dir.File("tmp.txt"), input);
  ASSERT_TRUE(ScoreFile(*classifier, dir.File("tmp.txt"), &error)) << error;
  const std::string output = test::ReadBytes(dir.File("tmp0_out.txt"));

  // Halves by a fixed rule (even and odd ids), so that a rule fitted to one half can be
  // checked on the other.
  std::vector<double> all_score, all_human, half_score[2], half_human[2];
  std::size_t pos = output.find('\n');
  for (const Rated& r : rows) {
    ASSERT_NE(pos, std::string::npos);
    const std::size_t start = pos + 1;
    pos = output.find('\n', start);
    const std::string line = output.substr(start, pos - start);
    const std::size_t tab = line.find('\t');
    const double sum = std::stod(line.substr(0, tab)) + std::stod(line.substr(tab + 1));
    all_score.push_back(sum);
    all_human.push_back(r.mean);
    half_score[r.id % 2].push_back(sum);
    half_human[r.id % 2].push_back(r.mean);
  }

  const double r_all = Pearson(all_score, all_human);
  const double r_even = Pearson(half_score[0], half_human[0]);
  const double r_odd = Pearson(half_score[1], half_human[1]);
  std::printf(
      "dev.tsv Pearson r (positive+negative vs human mean): all %.4f (n=%zu), "
      "even ids %.4f (n=%zu), odd ids %.4f (n=%zu)\n",
      r_all, all_score.size(), r_even, half_score[0].size(), r_odd, half_score[1].size());
  RecordProperty("pearson_all", std::to_string(r_all));
  EXPECT_GE(r_all, 0.80);
}

// The same texts as the full-text mode hands them over: the decoded UTF-8 text with the
// separators as spaces, in a file marked as UTF-8.
double Correlation(const std::vector<Rated>& rows, const std::string& input) {
  std::string error;
  const auto classifier = Classifier::Load(
      std::string(WF_SOURCE_DIR) + "/apps/sentiment/data/SentiStrengthData", &error);
  EXPECT_TRUE(classifier) << error;
  if (!classifier) return 0;
  test::TempDir dir;
  test::WriteBytes(dir.File("tmp.txt"), input);
  EXPECT_TRUE(ScoreFile(*classifier, dir.File("tmp.txt"), &error)) << error;
  const std::string output = test::ReadBytes(dir.File("tmp0_out.txt"));
  std::vector<double> score, human;
  std::size_t pos = output.find('\n');
  for (const Rated& r : rows) {
    if (pos == std::string::npos) break;
    const std::size_t start = pos + 1;
    pos = output.find('\n', start);
    const std::string line = output.substr(start, pos - start);
    const std::size_t tab = line.find('\t');
    score.push_back(std::stod(line.substr(0, tab)) + std::stod(line.substr(tab + 1)));
    human.push_back(r.mean);
  }
  EXPECT_EQ(score.size(), rows.size());
  return Pearson(score, human);
}

TEST(DevSet, FullTextScoresFollowHumanRatingsAsTheDefaultTextDoes) {
  const std::vector<Rated> rows = ReadDevSet();
  ASSERT_EQ(rows.size(), 1000u);
  std::string cleaned;
  std::string full = "\xEF\xBB\xBF";
  for (const Rated& r : rows) {
    cleaned += r.text + "\r\n";
    std::string text = r.raw;
    for (char& c : text) {
      if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    }
    full += text + "\r\n";
  }
  const double r_default = Correlation(rows, cleaned);
  const double r_full = Correlation(rows, full);
  std::printf("dev.tsv Pearson r: default text %.4f, full text %.4f\n", r_default, r_full);
  EXPECT_NEAR(r_full, r_default, 0.005);
}

}  // namespace
}  // namespace wf::senti
