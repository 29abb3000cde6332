// Scoring the tweet table with an external classifier: our own wrenfold-senti end to end,
// the choice of the Java tool, and what the user sees when the run breaks down.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "classifier.h"
#include "support/scripted_ui.h"
#include "support/test_paths.h"
#include "tweettable/skein_data.h"
#include "util/cp1252.h"

namespace wf {
namespace {

namespace fs = std::filesystem;

// A program folder whose path holds a space, with the classifier's data folder inside.
class SentimentRun : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = (tmp_.path() / "Wren Fold").string();
    fs::create_directory(folder_);
    fs::copy(WF_SENTI_DATA_DIR, folder_ + "/SentiStrengthData", fs::copy_options::recursive);
  }

  // A loaded table whose Tweet column holds `texts` (UTF-8, as the grid keeps them).
  SkeinData TableOf(const std::vector<std::string>& texts) {
    std::string file;
    for (std::size_t i = 0; i < texts.size(); ++i) {
      for (int f = 1; f <= kTweetColumnCount; ++f) {
        file += f == 3               ? texts[i]
                : f == 4             ? std::to_string(1000 + i)
                : f >= 14 && f <= 15 ? std::string("0")
                                     : "c" + std::to_string(f);
        file += '\t';
      }
      file += "\r\n";
    }
    test::WriteBytes(tmp_.File("table.txt"), file);
    SkeinData table(&ui_);
    EXPECT_TRUE(table.Load(tmp_.File("table.txt")));
    return table;
  }

  // A stand-in classifier: a shell script run with the real tool's arguments
  // (sentidata DIR input FILE) whose body writes what a test needs.
  std::string FakeTool(const std::string& body) {
    const std::string path = tmp_.File("fake tool.sh");
    test::WriteBytes(path, "#!/bin/sh\nout=\"$(dirname \"$4\")/tmp0_out.txt\"\n" + body);
    ::chmod(path.c_str(), 0755);
    return path;
  }

  std::vector<std::string> Scores(const SkeinData& table) const {
    std::vector<std::string> out;
    for (std::int32_t r = 1; r <= table.RecordCount(); ++r) {
      out.push_back(table.Value(r, 14) + " " + table.Value(r, 15));
    }
    return out;
  }

  void ExpectFailureMessage() const {
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, "Couldn't complete Sentistrength analysis");
    EXPECT_EQ(ui_.messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(ui_.messages[0].caption, "Error");
  }

  test::TempDir tmp_;
  std::string folder_;
  test::ScriptedUi ui_;
};

TEST_F(SentimentRun, OwnClassifierScoresEveryRowInPlace) {
  const std::vector<std::string> texts = {
      "I love this, wonderful!", "", "what an awful, awful day",
      "caf\xC3\xA9 is good?",    "", "The train leaves at nine"};
  SkeinData table = TableOf(texts);
  table.SetSentimentProgram(WF_SENTI_EXE);
  ASSERT_TRUE(table.RunSentiStrength(folder_, folder_, true));
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_GT(ui_.yields, 0);

  // The same scores as the classifier gives each text on its own, on the right rows.
  std::string error;
  const auto classifier = senti::Classifier::Load(folder_ + "/SentiStrengthData", &error);
  ASSERT_TRUE(classifier) << error;
  std::vector<std::string> want;
  for (const std::string& t : texts) {
    const senti::Scores s = classifier->Score(Utf8ToCp1252(t));
    want.push_back(std::to_string(s.positive) + " " + std::to_string(s.negative));
  }
  EXPECT_EQ(Scores(table), want);
  EXPECT_NE(want[0], "1 -1");
  EXPECT_NE(want[2], "1 -1");
  EXPECT_EQ(want[1], "1 -1");

  // The rest of each row stays as it was; the temporary files are gone.
  EXPECT_EQ(table.Value(4, 3), "caf\xC3\xA9 is good?");
  EXPECT_EQ(table.Value(6, 4), "1005");
  EXPECT_EQ(table.Value(6, 16), "c16");
  EXPECT_FALSE(fs::exists(folder_ + "/tmp.txt"));
  EXPECT_FALSE(fs::exists(folder_ + "/tmp0_out.txt"));
}

TEST_F(SentimentRun, WithoutRecalcTheLinkedRecordSetIsScored) {
  TweetSet tweets;
  tweets.SetData(test::ReadTestdata("rtweet/search_1.json"), false, true);
  ASSERT_GT(tweets.Count(), 1);
  SkeinData table(&ui_);
  table.SetData(tweets);
  // The grid's copy of the texts is edited; the record set's texts are what counts.
  for (std::int32_t r = 1; r <= table.RecordCount(); ++r) table.SetValue(r, 3, "");
  table.SetSentimentProgram(WF_SENTI_EXE);
  ASSERT_TRUE(table.RunSentiStrength(folder_, folder_, false));

  std::string error;
  const auto classifier = senti::Classifier::Load(folder_ + "/SentiStrengthData", &error);
  ASSERT_TRUE(classifier) << error;
  std::vector<std::string> want;
  for (std::int32_t r = 1; r <= tweets.Count(); ++r) {
    const senti::Scores s = classifier->Score(Utf8ToCp1252(tweets.Text(r)));
    want.push_back(std::to_string(s.positive) + " " + std::to_string(s.negative));
  }
  EXPECT_EQ(Scores(table), want);
}

// The owner of the original jar gets the Java command, with the same arguments.
TEST_F(SentimentRun, JarAndJavaPresentRunTheJavaCommand) {
  const std::string jar_dir = (tmp_.path() / "Jar Folder").string();
  fs::create_directories(jar_dir + "/bin");
  test::WriteBytes(jar_dir + "/bin/support.dll", "not really a jar");
  const std::string bin = tmp_.File("bin");
  fs::create_directory(bin);
  const std::string args_file = tmp_.File("java-args");
  test::WriteBytes(bin + "/java",
                   "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + args_file +
                       "'\nprintf 'head\\n5\\t-2\\t\\n' > \"$(dirname \"$6\")/tmp0_out.txt\"\n");
  ::chmod((bin + "/java").c_str(), 0755);
  const std::string old_path = ::getenv("PATH");
  ::setenv("PATH", (bin + ":" + old_path).c_str(), 1);

  SkeinData table = TableOf({"anything"});
  const bool ok = table.RunSentiStrength(jar_dir, folder_, true);
  ::setenv("PATH", old_path.c_str(), 1);
  ASSERT_TRUE(ok);
  EXPECT_EQ(test::ReadBytes(args_file), "-jar\n" + jar_dir + "/bin/support.dll\nsentidata\n" +
                                            folder_ + "/SentiStrengthData/\ninput\n" + folder_ +
                                            "/tmp.txt\n");
  EXPECT_EQ(Scores(table), std::vector<std::string>{"5 -2"});
}

TEST_F(SentimentRun, InputFileIsWindows1252WithCrLf) {
  SkeinData table = TableOf({"na\xC3\xAFve \xE2\x82\xAC", "", "second"});
  const std::string copy = tmp_.File("seen.txt");
  table.SetSentimentProgram(
      FakeTool("cp \"$4\" '" + copy + "'\nprintf 'h\\n1\\t-1\\n1\\t-1\\n1\\t-1\\n' > \"$out\"\n"));
  ASSERT_TRUE(table.RunSentiStrength(folder_, folder_, true));
  EXPECT_EQ(test::ReadBytes(copy), "na\xEFve \x80\r\n\r\nsecond\r\n");
}

// Output that does not cover every row: a message, and the rows before the gap keep the
// scores they got.
TEST_F(SentimentRun, IncompleteOutputShowsTheFailureMessage) {
  struct Case {
    const char* name;
    const char* script;
    std::vector<std::string> scores_after;
  };
  const std::vector<Case> cases = {
      {"no output at all", "exit 0\n", {"0 0", "0 0", "0 0"}},
      {"fewer lines than rows", "printf 'h\\n3\\t-2\\n' > \"$out\"\n", {"3 -2", "0 0", "0 0"}},
      {"a line without a TAB",
       "printf 'h\\n3\\t-2\\n4 -1\\n2\\t-2\\n' > \"$out\"\n",
       {"3 -2", "0 0", "0 0"}},
      {"CR LF line ends", "printf 'h\\r\\n3\\t-2\\r\\n' > \"$out\"\n", {"0 0", "0 0", "0 0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ui_.messages.clear();
    SkeinData table = TableOf({"one", "two", "three"});
    table.SetSentimentProgram(FakeTool(c.script));
    EXPECT_FALSE(table.RunSentiStrength(folder_, folder_, true));
    ExpectFailureMessage();
    EXPECT_EQ(Scores(table), c.scores_after);
    fs::remove(folder_ + "/tmp0_out.txt");
  }
}

// A full output line carries more than the two scores; only the first two fields count.
TEST_F(SentimentRun, FieldsAfterTheSecondTabAreIgnored) {
  SkeinData table = TableOf({"a", "b"});
  table.SetSentimentProgram(
      FakeTool("printf '5\\t-5\\tignored header\\n2\\t-3\\ta\\textra\\n4\\t-1\\n' > \"$out\"\n"));
  ASSERT_TRUE(table.RunSentiStrength(folder_, folder_, true));
  EXPECT_EQ(Scores(table), (std::vector<std::string>{"2 -3", "4 -1"}));
}

// A classifier that cannot be started: false without a message, scores and input file stay.
TEST_F(SentimentRun, ToolThatCannotStartFailsSilently) {
  SkeinData table = TableOf({"good", "bad"});
  table.SetSentimentProgram(tmp_.File("no such tool"));
  EXPECT_FALSE(table.RunSentiStrength(folder_, folder_, true));
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(Scores(table), (std::vector<std::string>{"0 0", "0 0"}));
  EXPECT_TRUE(fs::exists(folder_ + "/tmp.txt"));

  // Without an override the tool is looked for beside this test program, where there is none.
  SkeinData again = TableOf({"good"});
  EXPECT_FALSE(again.RunSentiStrength(folder_, folder_, true));
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(SentimentRun, UnwritableProgramFolderShowsTheFailureMessage) {
  SkeinData table = TableOf({"good"});
  table.SetSentimentProgram(WF_SENTI_EXE);
  const std::string missing = tmp_.File("not there");
  EXPECT_FALSE(table.RunSentiStrength(missing, missing, true));
  ExpectFailureMessage();
}

}  // namespace
}  // namespace wf
