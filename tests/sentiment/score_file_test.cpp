// The tool's file contract: one output line per input line, in order, and the command line.

#include "score_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "support/test_paths.h"

namespace wf::senti {
namespace {

const std::string kData = std::string(WF_SOURCE_DIR) + "/apps/sentiment/data/SentiStrengthData";

std::vector<std::string> SplitLf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t lf; (lf = text.find('\n', start)) != std::string::npos; start = lf + 1) {
    lines.push_back(text.substr(start, lf - start));
  }
  lines.push_back(text.substr(start));
  return lines;
}

TEST(OutputPath, ReplacesTheExtensionOfTheName) {
  EXPECT_EQ(OutputPathFor("/a/b/tmp.txt"), "/a/b/tmp0_out.txt");
  EXPECT_EQ(OutputPathFor("/a/b.d/tweets"), "/a/b.d/tweets0_out.txt");
  EXPECT_EQ(OutputPathFor("/a/x.tar.txt"), "/a/x.tar0_out.txt");
  EXPECT_EQ(OutputPathFor("/a b/t.txt"), "/a b/t0_out.txt");
}

TEST(ScoreFile, OneLinePerInputLineInOrder) {
  std::string error;
  const auto c = Classifier::Load(kData, &error);
  ASSERT_TRUE(c) << error;
  test::TempDir dir;
  // CR LF and LF ends, empty lines, a last line without an end, Windows-1252 bytes and a
  // stray CR inside a text.
  test::WriteBytes(dir.File("in.txt"),
                   "I love it\r\n\r\nawful\n\ncaf\xE9 r\xE9sum\xE9\r\nhalf\rway\r\nlast line");
  ASSERT_TRUE(ScoreFile(*c, dir.File("in.txt"), &error)) << error;
  const std::string out = test::ReadBytes(dir.File("in0_out.txt"));

  EXPECT_EQ(out.find('\r'), std::string::npos);
  ASSERT_TRUE(out.ends_with('\n'));
  const std::vector<std::string> lines = SplitLf(out.substr(0, out.size() - 1));
  const std::vector<std::string> texts = {
      "I love it", "", "awful", "", "caf\xE9 r\xE9sum\xE9", "half way", "last line"};
  ASSERT_EQ(lines.size(), texts.size() + 1);
  EXPECT_EQ(lines[0], kOutputHeader);
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const std::string& line = lines[i + 1];
    const Scores s = c->Score(texts[i]);
    EXPECT_EQ(line,
              std::to_string(s.positive) + "\t" + std::to_string(s.negative) + "\t" + texts[i]);
  }
  EXPECT_EQ(lines[1].substr(0, 2), "4\t");  // "love" (3) is found
  EXPECT_EQ(lines[2], "1\t-1\t");
}

// Large files are read and written in pieces: lines (and CR LF pairs) cut by a piece's end
// and a line longer than a piece must come out as from a small file.
TEST(ScoreFile, LargeFilesKeepEveryLineWhole) {
  std::string error;
  const auto c = Classifier::Load(kData, &error);
  ASSERT_TRUE(c) << error;
  const std::vector<std::string> words = {"good", "awful", "not", "happy", ":)", "the", "LOVE"};
  std::vector<std::string> texts;
  std::string input;
  std::size_t state = 1;
  while (input.size() < (std::size_t{5} << 20)) {
    std::string text;
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    const std::size_t count = (state >> 33) % 40;
    for (std::size_t i = 0; i < count; ++i) text += words[(state >> (i % 50)) % words.size()] + " ";
    if (texts.size() == 3000) text = std::string(3 << 20, 'x') + " good";
    texts.push_back(text);
    input += text + (texts.size() % 3 == 0 ? "\n" : "\r\n");
  }
  input += "last good";
  texts.push_back("last good");
  test::TempDir dir;
  test::WriteBytes(dir.File("big.txt"), input);
  ASSERT_TRUE(ScoreFile(*c, dir.File("big.txt"), &error)) << error;
  const std::string out = test::ReadBytes(dir.File("big0_out.txt"));
  ASSERT_TRUE(out.ends_with('\n'));
  const std::vector<std::string> lines = SplitLf(out.substr(0, out.size() - 1));
  ASSERT_EQ(lines.size(), texts.size() + 1);
  int wrong = 0;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const Scores s = c->Score(texts[i]);
    if (lines[i + 1] !=
        std::to_string(s.positive) + "\t" + std::to_string(s.negative) + "\t" + texts[i]) {
      if (++wrong <= 3) ADD_FAILURE() << "line " << i + 1;
    }
  }
  EXPECT_EQ(wrong, 0);
}

TEST(ScoreFile, EmptyInputGivesOnlyTheHeader) {
  std::string error;
  const auto c = Classifier::Load(kData, &error);
  ASSERT_TRUE(c) << error;
  test::TempDir dir;
  test::WriteBytes(dir.File("tmp.txt"), "");
  ASSERT_TRUE(ScoreFile(*c, dir.File("tmp.txt"), &error)) << error;
  EXPECT_EQ(test::ReadBytes(dir.File("tmp0_out.txt")), std::string(kOutputHeader) + "\n");
}

TEST(CommandLine, ExitStatusAndMessages) {
  test::TempDir dir;
  test::WriteBytes(dir.File("tmp.txt"), "good\r\n");
  auto run = [](std::vector<std::string> args, const std::string& default_data) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunCommandLine(args, default_data, out, err);
    EXPECT_EQ(out.str(), "");
    return std::make_pair(status, err.str());
  };

  // Keywords in either order; the data folder from the argument or the default.
  EXPECT_EQ(run({"sentidata", kData + "/", "input", dir.File("tmp.txt")}, "/nowhere").first, 0);
  EXPECT_TRUE(std::filesystem::exists(dir.File("tmp0_out.txt")));
  std::filesystem::remove(dir.File("tmp0_out.txt"));
  EXPECT_EQ(run({"input", dir.File("tmp.txt"), "sentidata", kData}, "/nowhere").first, 0);
  EXPECT_EQ(run({"input", dir.File("tmp.txt")}, kData).first, 0);

  auto [status, err] = run({"input"}, kData);
  EXPECT_EQ(status, 2);
  EXPECT_NE(err.find("Usage:"), std::string::npos);
  EXPECT_EQ(run({"sentidata", kData}, kData).first, 2);
  EXPECT_EQ(run({"inptu", "x"}, kData).first, 2);

  std::tie(status, err) = run({"input", dir.File("missing.txt")}, kData);
  EXPECT_EQ(status, 1);
  EXPECT_NE(err.find("missing.txt"), std::string::npos);

  std::tie(status, err) = run({"input", dir.File("tmp.txt")}, dir.File("no-data"));
  EXPECT_EQ(status, 1);
  EXPECT_NE(err.find("AFINN-en-165.txt"), std::string::npos);

  // help2man builds the manual page from these, so they answer on standard output.
  for (const char* option : {"--help", "--version"}) {
    std::ostringstream out;
    std::ostringstream help_err;
    EXPECT_EQ(RunCommandLine({option}, kData, out, help_err), 0) << option;
    EXPECT_EQ(help_err.str(), "") << option;
    EXPECT_EQ(out.str().rfind(option == std::string("--help") ? "Usage: wrenfold-senti"
                                                              : "wrenfold-senti " WF_VERSION "\n",
                              0),
              0u)
        << out.str();
  }

  // The output cannot be written: a folder stands where it would go.
  test::WriteBytes(dir.File("x.txt"), "good\n");
  std::filesystem::create_directory(dir.File("x0_out.txt"));
  std::tie(status, err) = run({"input", dir.File("x.txt")}, kData);
  EXPECT_EQ(status, 1);
  EXPECT_NE(err.find("x0_out.txt"), std::string::npos);
}

}  // namespace
}  // namespace wf::senti
