// The user list panel and the followers frame of the real window, against the API simulator:
// names pasted from the system clipboard, ticked in the view, their timelines fetched; a
// follower list into a new user table and the rows picked there taken further.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <functional>

#include "api/curl_http.h"
#include "credentials_dialog.h"
#include "main_window_widget.h"
#include "qt_ui_port.h"
#include "support-apisim/test_server.h"
#include "support/scripted_ui.h"
#include "support/test_paths.h"

namespace wf::gui {
namespace {

// Scripted prompts, but the system clipboard, as a spreadsheet's copy reaches the program;
// and a look at the window on every yield of a running retrieval.
class ClipboardUi : public test::ScriptedUi {
 public:
  std::function<void()> on_yield;
  void SetClipboardText(std::string_view text) override { qt_.SetClipboardText(text); }
  std::string ClipboardText() override { return qt_.ClipboardText(); }
  void YieldToEvents() override {
    ScriptedUi::YieldToEvents();
    if (on_yield) on_yield();
  }

 private:
  QtUiPort qt_;
};

// The window and credentials dialog as the program starts them, authenticated through the
// dialog so that the second API client gets its credentials the way it does in use.
struct SimGui {
  apisim::TestServer server;
  test::TempDir dir;
  ClipboardUi ui;
  CurlHttpClient http;
  MainWindow model;
  MainWindowWidget window;
  CredentialsDialog dialog;

  SimGui() : server(Config()), model(Env()), window(model, ui), dialog(model, CredEnv(), &window) {
    model.Form_Load();
    window.show();
    model.SetEnabled(false);
    dialog.Open();
    QTest::keyClicks(dialog.findChild<QLineEdit*>("tbCred0"), "Demo");
    QTest::keyClicks(dialog.findChild<QLineEdit*>("tbCred1"), "demo-key");
    QTest::keyClicks(dialog.findChild<QLineEdit*>("tbCred2"), "demo-secret");
    QTest::mouseClick(dialog.findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
    EXPECT_TRUE(window.isEnabled());
    // Keys reach the list's shortcuts only in the active window.
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
  }
  ~SimGui() { ui.on_yield = nullptr; }

  static apisim::ServerConfig Config() {
    apisim::ServerConfig config;
    config.corpus.users = 6000;
    config.corpus.search_tweets = 200;
    return config;
  }
  MainWindowEnvironment Env() {
    MainWindowEnvironment env;
    env.ui = &ui;
    env.http = &http;
    env.program_folder = dir.path().string();
    env.api_base = server.BaseUrl();
    env.api_base_given = true;
    env.shell = [](std::string_view, std::int32_t, int) { return 0; };
    return env;
  }
  CredentialsWindow::Environment CredEnv() {
    CredentialsWindow::Environment env;
    env.ui = &ui;
    env.program_folder = dir.path().string();
    env.wait_until = [](std::chrono::steady_clock::time_point) {};
    return env;
  }

  template <typename T>
  T* Find(const char* name) {
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  QListView* List() { return Find<QListView>("UserList"); }
  QStringList Shown() {
    QStringList out;
    const QAbstractItemModel* m = List()->model();
    for (int r = 0; r < m->rowCount(); ++r) out << m->index(r, 0).data().toString();
    return out;
  }
  Qt::CheckState ShownTick(int row) {
    return static_cast<Qt::CheckState>(
        List()->model()->index(row, 0).data(Qt::CheckStateRole).toInt());
  }
  // A click on an entry's tick box, where the view's delegate draws it.
  void ClickTick(int row) {
    QListView* list = List();
    const QRect item = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      QPoint(item.left() + item.height() / 2, item.center().y()));
  }
  void ClickEntry(int row) {
    QListView* list = List();
    const QRect item = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      QPoint(item.right() - 4, item.center().y()));
  }
  void Paste(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
    List()->setFocus();
    QTest::keySequence(List(), QKeySequence::Paste);
  }
};

TEST(UserListWindow, PastedNamesTickedInTheViewGetTheirTimelines) {
  SimGui g;
  // Lines as a spreadsheet copies them: CR LF, an @, a second column.
  g.Paste("@skein_small\r\nskein_quiet\t7\r\nskein_team\r\n");
  ASSERT_EQ(g.Shown(), QStringList({"skein_small", "skein_quiet", "skein_team"}));
  EXPECT_EQ(g.model.UserListPanel().Users().Count(), 3);
  EXPECT_EQ(g.Find<QLabel>("ULCount")->text(), "3 users displayed");
  EXPECT_TRUE(g.Find<QWidget>("UTFrame")->isEnabled());
  auto* sel_all = g.Find<QAction>("mSelAllUL");
  EXPECT_EQ(sel_all->text(), "Select All");

  // A tick given in the view lands in the model, and the menu offers to take ticks away.
  g.ClickTick(0);
  EXPECT_TRUE(g.model.UserListPanel().Users().Entries()[0].ticked);
  EXPECT_FALSE(g.model.UserListPanel().Users().Entries()[1].ticked);
  EXPECT_EQ(g.ShownTick(0), Qt::Checked);
  EXPECT_EQ(sel_all->text(), "Deselect All");
  sel_all->trigger();
  EXPECT_EQ(g.model.UserListPanel().Users().TickedCount(), 0);
  EXPECT_EQ(g.ShownTick(0), Qt::Unchecked);
  EXPECT_EQ(sel_all->text(), "Select All");
  g.ClickTick(0);
  g.ClickTick(2);
  g.ClickTick(2);  // and off again
  EXPECT_EQ(g.model.UserListPanel().Users().TickedCount(), 1);

  // Picking an entry shows its profile in the summary box.
  g.ClickEntry(1);
  EXPECT_EQ(g.model.UserListPanel().Users().Current(), 1);
  const QString meta = g.Find<QPlainTextEdit>("UserMeta")->toPlainText();
  EXPECT_TRUE(meta.contains("Followers")) << meta.toStdString();
  EXPECT_EQ(meta.toStdString(), g.model.UserListPanel().UserMeta());

  // The id option turns every entry into its id and back, in the model and on screen.
  QTest::mouseClick(g.Find<QRadioButton>("UserHandle1"), Qt::LeftButton);
  EXPECT_EQ(g.model.UserListPanel().UserHandle(), wf::UserEntryKind::kUserId);
  EXPECT_TRUE(g.Find<QRadioButton>("UserHandle1")->isChecked());
  for (const QString& entry : g.Shown())
    EXPECT_FALSE(entry.startsWith("skein")) << entry.toStdString();
  QTest::mouseClick(g.Find<QRadioButton>("UserHandle0"), Qt::LeftButton);
  EXPECT_EQ(g.Shown(), QStringList({"skein_small", "skein_quiet", "skein_team"}));

  // Get All fetches the ticked user only; Update becomes available.
  g.model.SetEarlyDate(CivilDateTime{2000, 1, 1, 0, 0, 0});
  EXPECT_FALSE(g.Find<QPushButton>("UpdateUTL")->isEnabled());
  QTest::mouseClick(g.Find<QPushButton>("GetAllUTL"), Qt::LeftButton);
  QTableView* tweets = g.window.TweetTable();
  ASSERT_EQ(tweets->model()->rowCount(), 57);
  for (int r = 0; r < tweets->model()->rowCount(); ++r) {
    EXPECT_EQ(tweets->model()->index(r, 1).data().toString().trimmed(), "skein_small");
  }
  EXPECT_TRUE(g.Find<QPushButton>("UpdateUTL")->isEnabled());

  // Copy puts the entries back on the clipboard; Clear empties list and summary.
  g.Find<QAction>("mCopyUL")->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
            "skein_small\r\nskein_quiet\r\nskein_team\r\n");
  g.Find<QAction>("mULClear")->trigger();
  EXPECT_TRUE(g.Shown().isEmpty());
  EXPECT_TRUE(g.Find<QPlainTextEdit>("UserMeta")->toPlainText().isEmpty());
}

TEST(UserListWindow, AddDeleteAndDoubleClickWorkOnTheEntryOnShow) {
  SimGui g;
  g.ui.inputs = {std::string("skein_quiet"), std::string("skein_small")};
  g.Find<QAction>("mAddUser")->trigger();
  g.Find<QAction>("mAddUser")->trigger();
  ASSERT_EQ(g.Shown(), QStringList({"skein_quiet", "skein_small"}));
  // The entry just added is the current one, in the view as in the model.
  EXPECT_EQ(g.List()->currentIndex().row(), 1);

  g.ClickEntry(0);
  EXPECT_EQ(g.model.UserListPanel().Users().Current(), 0);
  QTest::keySequence(g.List(), QKeySequence::Delete);
  EXPECT_EQ(g.Shown(), QStringList({"skein_small"}));

  // A double-click fetches that one timeline, ticked or not.
  g.model.SetEarlyDate(CivilDateTime{2000, 1, 1, 0, 0, 0});
  const QRect item = g.List()->visualRect(g.List()->model()->index(0, 0));
  const QPoint at(item.right() - 4, item.center().y());
  QTest::mouseClick(g.List()->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(g.List()->viewport(), Qt::LeftButton, {}, at);
  EXPECT_EQ(g.window.TweetTable()->model()->rowCount(), 57);
  EXPECT_NE(g.model.Progress().Text().find("[skein_small]"), std::string::npos);
}

TEST(UserListWindow, FollowersFrameMakesUserTablesFromTheRowsPickedThere) {
  SimGui g;
  auto* id_box = g.Find<QLineEdit>("GUF_Id");
  EXPECT_FALSE(id_box->isEnabled());
  QTest::mouseClick(g.Find<QRadioButton>("GUFOp1"), Qt::LeftButton);
  EXPECT_EQ(g.model.Followers().GUFOp(), wf::FollowersPart::GufOp::kScreenName);
  ASSERT_TRUE(id_box->isEnabled());
  QTest::keyClicks(id_box, "skein_small");
  EXPECT_EQ(g.model.Followers().GUF_Id(), "skein_small");

  // The status-bar tick stays off while a follower list writes its own counts there.
  auto* timer = g.Find<QTimer>("Timer1");
  bool stopped_while_running = false;
  g.ui.on_yield = [&] {
    stopped_while_running =
        stopped_while_running || (g.model.RetrievalBusy() && !timer->isActive());
  };
  QTest::mouseClick(g.Find<QPushButton>("GetFF0"), Qt::LeftButton);
  g.ui.on_yield = nullptr;
  EXPECT_TRUE(stopped_while_running);
  EXPECT_TRUE(timer->isActive());

  QTableView* users = g.window.UserTable();
  ASSERT_EQ(g.model.UserTables().Tables().size(), 2u);
  ASSERT_EQ(users->model()->rowCount(), 12);
  auto* tables = g.Find<QListWidget>("UTList");
  ASSERT_EQ(tables->count(), 1);
  EXPECT_EQ(tables->item(0)->text(), "Followers of skein_small");
  EXPECT_TRUE(g.Find<QRadioButton>("UTToggle1")->isChecked());

  // Rows the user highlights are the model's "selected" rows, and stay highlighted when the
  // model redraws the table.
  users->selectRow(0);
  users->selectionModel()->select(users->model()->index(2, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
  const auto selected_rows = [&] {
    std::vector<int> rows;
    const auto& shown =
        g.model.UserTables()
            .Tables()[static_cast<std::size_t>(g.model.UserTables().CurrentUserTable())];
    for (int r = 0; r < shown.RowCount(); ++r) {
      if (shown.Rows()[static_cast<std::size_t>(r)].selected) rows.push_back(r);
    }
    return rows;
  };
  EXPECT_EQ(selected_rows(), (std::vector<int>{0, 2}));
  // A shift-click's range arrives as one change of several rows.
  const QItemSelection range(users->model()->index(4, 0), users->model()->index(6, 3));
  users->selectionModel()->select(range, QItemSelectionModel::Select | QItemSelectionModel::Rows);
  EXPECT_EQ(selected_rows(), (std::vector<int>{0, 2, 4, 5, 6}));
  EXPECT_EQ(users->selectionModel()->selectedRows().size(), 5);
  users->selectionModel()->select(range, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
  EXPECT_EQ(selected_rows(), (std::vector<int>{0, 2}));
  EXPECT_EQ(users->selectionModel()->selectedRows().size(), 2);

  const std::string first = users->model()->index(0, 1).data().toString().toStdString();
  const std::string third = users->model()->index(2, 1).data().toString().toStdString();
  QTest::mouseClick(g.Find<QRadioButton>("GUFOp0"), Qt::LeftButton);
  EXPECT_FALSE(id_box->isEnabled());
  QTest::mouseClick(g.Find<QPushButton>("GetFF1"), Qt::LeftButton);
  ASSERT_EQ(tables->count(), 3);
  EXPECT_EQ(tables->item(1)->text().toStdString(), "Friends of " + first);
  EXPECT_EQ(tables->item(2)->text().toStdString(), "Friends of " + third);
  EXPECT_EQ(tables->currentRow(), 2);
  // The table on show is the last new one, with no rows picked yet.
  EXPECT_EQ(users->model()->rowCount(), g.model.UserTables().Tables()[3].RowCount());
  EXPECT_TRUE(users->selectionModel()->selectedRows().isEmpty());
  for (const auto& m : g.ui.messages) ADD_FAILURE() << "told: " << m.text;
}

}  // namespace
}  // namespace wf::gui
