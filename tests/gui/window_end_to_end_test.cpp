// The real window and credentials dialog, offscreen, against the API simulator: authenticate,
// search, save, open a file, sort, reopen from the history, close.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <filesystem>

#include "api/curl_http.h"
#include "credentials_dialog.h"
#include "main_window_widget.h"
#include "support-apisim/test_server.h"
#include "support/scripted_ui.h"
#include "support/test_paths.h"

namespace wf::gui {
namespace {

TEST(WindowEndToEnd, AuthenticateSearchSaveReopenAndClose) {
  apisim::ServerConfig config;
  config.corpus.users = 2000;
  config.corpus.search_tweets = 2500;
  apisim::TestServer server(config);
  test::TempDir dir;
  test::ScriptedUi ui;
  CurlHttpClient http;
  MainWindowEnvironment env;
  env.ui = &ui;
  env.http = &http;
  env.program_folder = dir.path().string();
  env.api_base = server.BaseUrl();
  env.api_base_given = true;
  env.shell = [](std::string_view, std::int32_t, int) { return 0; };
  MainWindow model(env);
  MainWindowWidget window(model, ui);
  CredentialsWindow::Environment cred_env;
  cred_env.ui = &ui;
  cred_env.program_folder = dir.path().string();
  cred_env.wait_until = [](std::chrono::steady_clock::time_point) {};
  CredentialsDialog dialog(model, cred_env, &window);
  model.Form_Load();
  window.show();
  model.SetEnabled(false);
  dialog.Open();

  // Authenticate through the dialog.
  QTest::keyClicks(dialog.findChild<QLineEdit*>("tbCred0"), "Demo");
  QTest::keyClicks(dialog.findChild<QLineEdit*>("tbCred1"), "demo-key");
  QTest::keyClicks(dialog.findChild<QLineEdit*>("tbCred2"), "demo-secret");
  QTest::mouseClick(dialog.findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
  ASSERT_TRUE(window.isEnabled());
  EXPECT_TRUE(std::filesystem::exists(dir.File("appcred")));
  EXPECT_EQ(window.findChild<QLineEdit*>("SearchQuery")->text(), "skein AND twitter");

  // Search with the button, save with the menu.
  QTest::mouseClick(window.findChild<QPushButton*>("GetSrch"), Qt::LeftButton);
  QTableView* table = window.findChild<QTableView*>("OutTable");
  const int rows = table->model()->rowCount();
  ASSERT_GT(rows, 1000);
  EXPECT_TRUE(window.windowTitle().endsWith("*]"));
  ui.save_files = {dir.File("run.txt")};
  window.findChild<QAction*>("mSaveTweets")->trigger();
  ASSERT_TRUE(std::filesystem::exists(dir.File("run.txt")));
  auto* history = window.findChild<QComboBox*>("QPHistory");
  ASSERT_EQ(history->count(), 1);
  EXPECT_EQ(history->itemText(0).toStdString(), "skein AND twitter  " + dir.File("run.txt"));

  // Open another file, sort it, then reopen the saved session from the history.
  test::WriteBytes(
      dir.File("small.txt"),
      "Wed Aug 27 13:08:45 0000 2008\tb\tt\t2\tr\t1\t2\tl\t0\tnull\t3\t0\t\t1\t-1\td\t\r\n"
      "Wed Aug 27 13:08:46 0000 2008\ta\tt\t1\tr\t1\t2\tl\t0\tnull\t3\t0\t\t1\t-1\td\t\r\n");
  ui.open_files = {dir.File("small.txt")};
  window.findChild<QAction*>("mOpenTweets")->trigger();
  ASSERT_EQ(table->model()->rowCount(), 2);
  window.findChild<QAction*>("mSortDT")->trigger();
  QTest::mouseClick(table->horizontalHeader()->viewport(), Qt::LeftButton, {},
                    QPoint(table->horizontalHeader()->sectionViewportPosition(1) + 5, 5));
  EXPECT_EQ(table->model()->index(0, 1).data().toString(), "a");
  emit history->activated(0);  // the user picks the entry
  EXPECT_EQ(table->model()->rowCount(), rows);
  EXPECT_EQ(model.TweetsFN(), dir.File("run.txt"));

  // Closing asks about the rows (No) and writes prefs.
  ui.answers = {MsgAnswer::No};
  window.close();
  EXPECT_TRUE(model.Closed());
  const std::string prefs = test::ReadBytes(dir.File("prefs"));
  EXPECT_NE(prefs.find("QP-skein AND twitter," + dir.File("run.txt") + "\r\n"), std::string::npos);
}

}  // namespace
}  // namespace wf::gui
