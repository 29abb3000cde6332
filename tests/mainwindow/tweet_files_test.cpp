#include <gtest/gtest.h>

#include <algorithm>

#include "util/program_folder.h"
#include "window_fixture.h"

namespace wf {
namespace {

using test::WindowFixture;

TEST(TweetFiles, SaveProposesUntitledAndReopensTheSameCells) {
  WindowFixture f;
  MainWindow& w = *f.window;
  w.Sessions().mSaveTweets_Click();
  EXPECT_EQ(f.ui.messages.at(0).text, "Nothing to Save yet!");

  f.Retrieve();
  test::WriteBytes(f.File("UntitledTweets1.txt"), "taken");
  f.ui.save_files = {f.File("run1")};  // no extension: .txt is added
  w.Sessions().mHeaders_Click();
  w.Sessions().mSaveTweets_Click();
  ASSERT_EQ(f.ui.save_requests.size(), 1u);
  EXPECT_EQ(f.ui.save_requests[0].file_name, "UntitledTweets2.txt");
  EXPECT_EQ(w.TweetsFN(), f.File("run1.txt"));
  EXPECT_EQ(w.Caption(), "Skein Wrenfold Desktop Edition [" + f.File("run1.txt") + "]");
  EXPECT_FALSE(w.TweetsModified());
  const std::string saved = test::ReadBytes(f.File("run1.txt"));
  EXPECT_EQ(saved.rfind("DateTime\tUserScreenName\t", 0), 0u);

  std::vector<std::string> before;
  for (int r = 0; r < w.OutTable().RowCount(); ++r) {
    std::string row;
    for (int c = 1; c <= 16; ++c) row += std::string(w.OutTable().Cell(r, c)) + "|";
    before.push_back(row);
  }
  f.ui.open_files = {f.File("run1.txt")};
  w.Sessions().mOpenTweets_Click();
  ASSERT_EQ(w.OutTable().RowCount(), 100);  // the header line is skipped
  for (int r = 0; r < w.OutTable().RowCount(); ++r) {
    std::string row;
    for (int c = 1; c <= 16; ++c) row += std::string(w.OutTable().Cell(r, c)) + "|";
    EXPECT_EQ(row, before[static_cast<std::size_t>(r)]) << r;
    EXPECT_TRUE(w.OutTable().Ghosted(r));
  }
  EXPECT_EQ(w.InfoBar()[1], "Empty");
  EXPECT_TRUE(w.UpdateSearchEnabled());
  EXPECT_EQ(f.ui.open_requests.back().default_extension, "txt");
}

TEST(TweetFiles, OverwriteQuestionAndReplaceQuestion) {
  WindowFixture f;
  MainWindow& w = *f.window;
  f.Retrieve();
  f.ui.save_files = {f.File("a.txt")};
  w.Sessions().mSaveTweets_Click();
  // Saving again: Yes overwrites without a dialog.
  f.ui.answers = {MsgAnswer::Yes};
  w.Sessions().mSaveTweets_Click();
  EXPECT_EQ(f.ui.save_requests.size(), 1u);
  EXPECT_EQ(f.ui.messages.back().text, f.File("a.txt") + " already exists. Overwrite this file?");
  // No: the dialog comes with an untitled proposal; cancelling it saves nothing.
  f.ui.answers = {MsgAnswer::No};
  w.Sessions().mSaveTweets_Click();
  ASSERT_EQ(f.ui.save_requests.size(), 2u);
  EXPECT_EQ(f.ui.save_requests[1].file_name, "UntitledTweets1.txt");
  EXPECT_FALSE(std::filesystem::exists(f.File("UntitledTweets1.txt")));

  // Unsaved rows: opening asks first; Yes saves before the table is replaced.
  f.Retrieve("rtweet/search_2.json");
  f.ui.answers = {MsgAnswer::Yes, MsgAnswer::Yes};
  f.ui.open_files = {f.File("a.txt")};
  w.Sessions().mOpenTweets_Click();
  EXPECT_EQ(f.ui.messages[f.ui.messages.size() - 2].text,
            "The selected operation will replace the current contents of the Tweet table. Save "
            "contents now?");
  EXPECT_EQ(w.OutTable().RowCount(), 68);  // a.txt now holds the 68 tweets just saved
}

TEST(TweetFiles, BrokenFilesAndScoreCheck) {
  WindowFixture f;
  MainWindow& w = *f.window;
  f.ui.open_files = {f.File("missing.txt")};
  w.Sessions().mOpenTweets_Click();
  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_EQ(f.ui.messages[0].text,
            "Couldn't open: " + f.File("missing.txt") + " -- Contents may be corrupted.");
  EXPECT_EQ(f.ui.messages[0].caption, "File Open Error");

  // Zero scores: offered a new scoring run; a one-row file opens too.
  std::string row =
      "Wed Aug 27 13:08:45 0000 2008\tann\tWhat a great lovely "
      "day\t1\tAnn\t1\t2\tL\t0\tnull\t3\t0\t\t0\t0\tD\t\r\n";
  test::WriteBytes(f.File("one.txt"), row);
  f.ui.open_files = {f.File("one.txt")};
  f.ui.answers = {MsgAnswer::Yes};
  w.Sessions().mOpenTweets_Click();
  EXPECT_EQ(f.ui.messages.back().text,
            "Sentiment columns contain zeros - run sentiment analysis again?");
  ASSERT_EQ(w.OutTable().RowCount(), 1);
  EXPECT_NE(w.OutTable().Cell(0, 14), "      0");  // scored by the classifier now
  EXPECT_TRUE(w.TweetsModified());

  // Text in the score cells is no reason to refuse the file. The scores above are unsaved, so
  // the one question is whether to save them first.
  test::WriteBytes(f.File("text.txt"), row + "x\ty\tz\t2\t\t\t\t\t\t\t\t\t\tpos\tneg\t\t\r\n");
  const std::size_t asked = f.ui.messages.size();
  f.ui.open_files = {f.File("text.txt")};
  f.ui.answers = {MsgAnswer::No};
  w.Sessions().mOpenTweets_Click();
  ASSERT_EQ(f.ui.messages.size(), asked + 1);
  EXPECT_EQ(f.ui.messages.back().text.rfind("The selected operation will replace", 0), 0u);
  EXPECT_EQ(w.OutTable().RowCount(), 2);
}

TEST(TweetFiles, SaveAndSendStartsTheVisualiser) {
  WindowFixture f;
  std::vector<std::string> ran;
  MainWindowEnvironment env;
  env.ui = &f.ui;
  env.http = &f.http;
  env.program_folder = f.dir.path().string();
  env.sentiment_program = WF_SENTI_EXE;
  env.visualiser_program = f.File("wrenfold-view");  // not there yet
  env.shell = [&](std::string_view command, std::int32_t, int) {
    ran.emplace_back(command);
    return 0;
  };
  MainWindow w(env);
  w.Form_Load();
  EXPECT_EQ(w.Sessions().NVPATH(), f.File("wrenfold-view"));
  w.Twitter().Tweets().SetData(test::ReadTestdata("rtweet/search_1.json"), false, true);
  w.ShowTweets(false);

  // No program there: the user is asked for one; cancelling says nothing and starts nothing.
  f.ui.save_files = {f.File("t.txt")};
  f.ui.open_files = {std::nullopt};
  const std::size_t told = f.ui.messages.size();
  w.Sessions().mSaveSend_Click();
  EXPECT_EQ(f.ui.messages.size(), told);
  EXPECT_TRUE(ran.empty());
  EXPECT_EQ(w.TweetsFN(), f.File("t.txt"));

  // A pick that cannot run is named in the message, and nothing starts.
  test::WriteBytes(f.File("viewer"), "#!/bin/sh\n");
  f.ui.answers = {MsgAnswer::Yes};  // overwrite t.txt
  f.ui.open_files = {f.File("viewer")};
  w.Sessions().mSaveSend_Click();
  EXPECT_EQ(f.ui.messages.back().text,
            "The item you selected, " + f.File("viewer") + ", is not an executable file");
  EXPECT_TRUE(ran.empty());

  // A program that runs is taken, started with both paths quoted, and kept in prefs.
  std::filesystem::permissions(f.File("viewer"), std::filesystem::perms::owner_all);
  f.ui.answers = {MsgAnswer::Yes};
  f.ui.open_files = {f.File("viewer")};
  w.Sessions().mSaveSend_Click();
  EXPECT_EQ(w.Sessions().NVPATH(), f.File("viewer"));
  ASSERT_EQ(ran.size(), 1u);
  EXPECT_EQ(ran[0], "\"" + f.File("viewer") + "\" \"" + f.File("t.txt") + "\"");
  ASSERT_TRUE(w.Sessions().SavePrefs());
  EXPECT_NE(test::ReadBytes(f.File("prefs")).find("NV-" + f.File("viewer") + "\r\n"),
            std::string::npos);
  MainWindow again(env);
  again.Form_Load();
  again.Sessions().LoadPrefs();
  EXPECT_EQ(again.Sessions().NVPATH(), f.File("viewer"));

  // Declining the overwrite and cancelling the save dialog: nothing saved, nothing started.
  f.ui.answers = {MsgAnswer::No};
  f.ui.save_files = {std::nullopt};
  w.Sessions().mSaveSend_Click();
  EXPECT_EQ(ran.size(), 1u);
}

TEST(TweetFiles, VisualiserDefaultsToTheOneBesideTheProgram) {
  WindowFixture f;
  MainWindowEnvironment env;
  env.ui = &f.ui;
  env.http = &f.http;
  env.program_folder = f.dir.path().string();
  MainWindow w(env);
  w.Form_Load();
  EXPECT_EQ(w.Sessions().NVPATH(), ExecutableFolder() + "/wrenfold-view");
  // The default is not written to prefs, so it follows the program when it moves.
  ASSERT_TRUE(w.Sessions().SavePrefs());
  EXPECT_EQ(test::ReadBytes(f.File("prefs")).find("NV-"), std::string::npos);
}

}  // namespace
}  // namespace wf

namespace wf {
namespace {

TEST(TweetFiles, ArchivedResponsesLandBesideTheSavedTable) {
  test::WindowFixture f;
  MainWindow& w = *f.window;
  w.Sessions().mArchive_Click();
  f.http.answers.push_back(test::FakeHttp::Ok(R"({"token_type":"bearer","access_token":"t"})"));
  ASSERT_FALSE(w.Twitter().AuthAppAccess("A", "k", "s").empty());
  f.http.answers.push_back(test::FakeHttp::Ok(test::ReadTestdata("rtweet/search_1.json")));
  std::string count = "100";
  w.Twitter().GetSearch("a", "en", "", "", "", count, false, "Recent");
  w.ShowTweets(false);
  EXPECT_TRUE(std::filesystem::exists(f.File("responses-pending.jsonl")));
  f.ui.save_files = {f.File("kept.txt")};
  w.Sessions().mSaveTweets_Click();
  const std::string archive = test::ReadBytes(f.File("kept.jsonl"));
  EXPECT_EQ(std::count(archive.begin(), archive.end(), '\n'), 1);
  EXPECT_NE(archive.find("/1.1/search/tweets.json?q=a"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(f.File("responses-pending.jsonl")));
  ASSERT_TRUE(w.Sessions().SavePrefs());
  EXPECT_NE(test::ReadBytes(f.File("prefs")).find("\r\nAR-1\r\n"), std::string::npos);
}

}  // namespace
}  // namespace wf
