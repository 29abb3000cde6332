// File > Open from collection files, and the full-text setting, in the window model.
#include <gtest/gtest.h>

#include <fstream>

#include "window_fixture.h"

namespace wf::test {
namespace {

std::string Data(const std::string& relative) {
  return std::string(WF_TESTDATA_DIR) + "/" + relative;
}

TEST(CollectionsWindow, TweetsFromACollectionAreUnsavedRowsNamedByTheFile) {
  WindowFixture f;
  const std::string path = Data("v2/twarc2/flat.jsonl");
  f.ui.open_files.push_back(path);
  f.window->Sessions().mOpenCollectionTweets_Click();
  ASSERT_EQ(f.ui.open_requests.size(), 1u);
  EXPECT_EQ(f.ui.open_requests[0].filter, "JSON (*.json *.jsonl)|*.json;*.jsonl");
  EXPECT_EQ(f.window->OutTable().RowCount(), 100);
  EXPECT_EQ(f.window->OutTable().Cell(0, 2), "Alexandravm12");
  EXPECT_TRUE(f.window->TweetsModified());
  EXPECT_NE(f.window->Caption().find(path + "*]"), std::string::npos) << f.window->Caption();
  EXPECT_TRUE(f.window->TweetsFN().empty());  // saving asks for a new name
  EXPECT_FALSE(f.window->RetrievalBusy());
  EXPECT_LT(f.window->ProgressFraction(), 0);

  // Users of a v2 page become a new Other table named after the file.
  const std::size_t tables = f.window->UserTables().Tables().size();
  f.ui.open_files.push_back(Data("v2/twarc2/users_a.jsonl"));
  f.window->Sessions().mOpenCollectionUsers_Click();
  ASSERT_EQ(f.window->UserTables().Tables().size(), tables + 1);
  EXPECT_EQ(f.window->UserTables().Tables().back().Name(), "users_a");
  EXPECT_EQ(f.window->UserTables().Tables().back().RowCount(), 48);
}

// Cancel pressed while a long file is read: what was read stays.
class CancellingUi : public ScriptedUi {
 public:
  MainWindow* window = nullptr;
  void YieldToEvents() override {
    ScriptedUi::YieldToEvents();
    if (window != nullptr && window->RetrievalBusy()) window->Search().QuitGet_Click();
  }
};

TEST(CollectionsWindow, CancelKeepsWhatWasRead) {
  TempDir dir;
  const std::string path = dir.File("long.jsonl");
  const std::string line = ReadTestdata("rtweet/search_1.json");
  ASSERT_EQ(line.find('\n'), std::string::npos);
  {
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < 40; ++i) out << line << "\n";  // about 13 MB
  }
  CancellingUi ui;
  FakeHttp http;
  MainWindowEnvironment env;
  env.ui = &ui;
  env.http = &http;
  env.program_folder = dir.path().string();
  env.sentiment_program = WF_SENTI_EXE;
  MainWindow window(env);
  window.Form_Load();
  ui.window = &window;
  window.Sessions().OpenCollectionTweets(path);
  ui.window = nullptr;
  const std::int32_t rows = window.OutTable().RowCount();
  EXPECT_GT(rows, 0);
  EXPECT_LT(rows, 4000);
  EXPECT_EQ(rows % 100, 0);
  EXPECT_FALSE(window.RetrievalBusy());
}

TEST(CollectionsWindow, FullTextIsASettingKeptInPrefsAndFiltersFindIt) {
  WindowFixture f;
  EXPECT_FALSE(f.window->Sessions().FullTextChecked());
  f.window->Sessions().mFullText_Click();
  EXPECT_TRUE(f.window->Sessions().FullTextChecked());
  ASSERT_TRUE(f.window->Sessions().SavePrefs());
  EXPECT_NE(ReadBytes(f.File("prefs")).find("FT-1\r\n"), std::string::npos);
  {
    WindowFixture again;
    WriteBytes(again.File("prefs"), ReadBytes(f.File("prefs")) + "ZZ-a record of later days\r\n");
    again.window->Sessions().LoadPrefs();
    EXPECT_TRUE(again.window->Sessions().FullTextChecked());
  }

  const std::string path = f.File("greek.jsonl");
  WriteBytes(path,
             R"({"id_str":"1","full_text":"\u03ba\u03b1\u03bb\u03ae \u03bc\u03ad\u03c1\u03b1",)"
             R"("user":{"screen_name":"a"}})"
             "\n"
             R"({"id_str":"2","full_text":"good day","user":{"screen_name":"b"}})"
             "\n");
  f.window->Sessions().OpenCollectionTweets(path);
  ASSERT_EQ(f.window->OutTable().RowCount(), 2);
  f.ui.answers.push_back(MsgAnswer::Ok);
  f.window->TweetEdit().FilterTweetsBy("\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1", false);
  ASSERT_EQ(f.window->OutTable().RowCount(), 1);
  EXPECT_EQ(f.window->OutTable().Cell(0, 3),
            "\xCE\xBA\xCE\xB1\xCE\xBB\xCE\xAE \xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1");
}

}  // namespace
}  // namespace wf::test
