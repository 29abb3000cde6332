#include "main_window_widget.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <filesystem>

#include "../api/fake_http.h"
#include "qt_text.h"
#include "support/scripted_ui.h"
#include "support/test_paths.h"
#include "table_models.h"
#include "twips.h"
#include "util/file_exists.h"

namespace wf::gui {
namespace {

constexpr char kTitle[] = "Skein Wrenfold Desktop Edition";

// The real window over a real model on a temporary program folder, with scripted prompts.
struct Gui {
  test::TempDir dir;
  test::ScriptedUi ui;
  test::FakeHttp http;
  MainWindow model;
  MainWindowWidget widget;

  Gui() : model(Env()), widget(model, ui) { model.Form_Load(); }

  MainWindowEnvironment Env() {
    MainWindowEnvironment env;
    env.ui = &ui;
    env.http = &http;
    env.program_folder = dir.path().string();
    env.api_base = "http://api.test";
    env.shell = [](std::string_view, std::int32_t, int) { return 0; };
    return env;
  }

  template <typename T>
  T* Find(const char* name) {
    T* found = widget.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
  }

  // Rows as a retrieval or an open leaves them; the model tells the view itself in those
  // commands, here the test does.
  void AddTweets(const std::vector<std::string>& names, bool ghosted = false) {
    for (std::size_t i = 0; i < names.size(); ++i) {
      std::array<std::string_view, TweetView::kColumns> cells{};
      cells.fill("0");
      const std::string id = std::to_string(1000 + i);
      cells[0] = "Tue Nov 08 21:02:11 0000 2022";
      cells[1] = names[i];
      cells[2] = "text";
      cells[3] = id;
      model.MutableOutTable().AddRow(cells, ghosted);
    }
    widget.OnModelChanged(kTweetsChanged);
  }

  void Authenticate() {
    http.answers.push_back(
        test::FakeHttp::Ok(R"({"token_type":"bearer","access_token":"AAAA%2Fxyz"})"));
    ASSERT_FALSE(model.Twitter().AuthAppAccess("app", "key", "secret").empty());
  }
};

QString Shown(const QAction* a) {
  return DisplayedText(a->text());
}

TEST(MainWindowWidget, MenuBarHoldsEveryCommandWithItsCaption) {
  Gui g;
  QStringList bar;
  for (QAction* a : g.widget.menuBar()->actions()) bar << Shown(a);
  EXPECT_EQ(bar, QStringList({"File", "Settings", "Tools", "User List", "About"}));

  struct Item {
    const char* name;
    const char* caption;
    bool enabled;
  };
  const std::vector<Item> items = {
      {"mOpenTweets", "Tweets Table", true},
      {"mOpenUsers0", "Key Fields Only", true},
      {"mOpenUsers1", "All Fields", true},
      {"mSaveTweets", "Tweets Table", true},
      {"mSaveUsers0", "Key Fields Only", true},
      {"mSaveUsers1", "Profilo Input Fields", true},
      {"mSaveUsers2", "All Fields", true},
      {"mSaveSend", "Save & Send to Visualiser", true},
      {"mImportProfilo", "Import Profilo Attributes", true},
      {"mSortDT", "Sort Tweets Table", true},
      {"mSetLang", "Set Search Language", true},
      {"mSetLoc", "Set Location", true},
      {"mSetProxy", "Set Proxy", true},
      {"mSetApiHost", "Set API Host", true},
      {"mHeaders", "Save Tweets With Headers", true},
      {"mVBDateTime", "to Numeric format", true},
      {"mSPSSDateTime", "to SPSS compatible format", true},
      {"mTwitterDateTime", "back to Twitter format", true},
      {"mRemRT", "Remove Retweets", true},
      {"mFilterTweets", "Filter Tweets", true},
      {"mCopyLog", "Copy Log", true},
      {"mCopyUL", "Copy", true},
      {"mCopyUT", "Copy Metadata", true},
      {"mPasteUL", "Paste", true},
      {"mSelAllUL", "Select All", true},
      {"mULClear", "Clear", true},
      {"mAddUser", "Add User", true},
      {"mDeleteUser", "Delete User", true},
      {"mGetUFT", "Get Users From Tweets", true},
      {"mGetUserFollowers", "Get User Followers", true},
      {"mGetUserFriends", "Get User Friends", true},
      {"mAbout", "About", true},
      {"mUTSelAll0", "Select All", true},
      {"mUTSelAll1", "Select Cases With No TL Sample", true},
      {"mUTSelAll2", "Select Cases Down To This Row", true},
      {"mUTUnselAll", "Unselect All", true},
      {"mNavLinkURL", "Go to cited URL", true},
      {"mNavUserTwitter", "Find User on Twitter", true},
      {"mAddU2UL", "Add User to User List", true},
      {"mDelUFUL", "Delete User from User List", true},
      {"mDelTweet", "Delete Tweet", true},
      {"mDelUsersTweets", "Delete All Tweets By User", true},
  };
  for (const Item& item : items) {
    const QAction* a = g.Find<QAction>(item.name);
    if (a == nullptr) continue;
    EXPECT_EQ(Shown(a), item.caption) << item.name;
    EXPECT_EQ(a->isEnabled(), item.enabled) << item.name;
  }
  for (const char* checkable : {"mSortDT", "mHeaders", "mVBDateTime"}) {
    EXPECT_TRUE(g.Find<QAction>(checkable)->isCheckable()) << checkable;
  }
  EXPECT_EQ(g.Find<QAction>("mOpenTweets")->shortcut(), QKeySequence(QKeySequence::Open));
  EXPECT_EQ(g.Find<QAction>("mSaveTweets")->shortcut(), QKeySequence(QKeySequence::Save));
  EXPECT_EQ(g.Find<QAction>("actQuit")->shortcut(), QKeySequence(QKeySequence::Quit));
  EXPECT_EQ(g.Find<QAction>("actFindInLog")->shortcut(), QKeySequence(QKeySequence::Find));
  // The context menus never appear on the bar.
  EXPECT_EQ(g.Find<QMenu>("mUT")->title(), "User Table");
  EXPECT_EQ(g.Find<QMenu>("mTweet")->title(), "Tweet");
  for (QAction* a : g.widget.menuBar()->actions()) {
    EXPECT_NE(Shown(a), "User Table");
    EXPECT_NE(Shown(a), "Tweet");
  }
}

TEST(MainWindowWidget, EveryFrameHasItsControls) {
  Gui g;
  const std::vector<std::pair<const char*, const char*>> buttons = {
      {"GetSrch", "Search"},
      {"UpdateSearch", "Update"},
      {"GetAllUTL", "Get All"},
      {"UpdateUTL", "Update"},
      {"GetFF0", "Get Followers"},
      {"GetFF1", "Get Friends"},
      {"AddRemUT1", "Remove"},
      {"MergeRemUT0", "Add"},
      {"BuildTweetsUT", "Build Table"},
      {"GetUTTL", "Get User Timelines"},
      {"QuitGet", "Cancel"}};
  for (const auto& [name, caption] : buttons) {
    if (auto* b = g.Find<QPushButton>(name)) {
      EXPECT_EQ(DisplayedText(b->text()), caption) << name;
    }
  }
  for (const char* name : {"SearchQuery", "GUF_Id"}) g.Find<QLineEdit>(name);
  // Controls with a command are live; those still without one are shown disabled. The id box
  // waits for an option that names an account, Update for rows to update.
  for (const char* name : {"GetAllUTL", "GetFF0", "GetFF1", "UserHandle0", "UserHandle1", "GUFOp0",
                           "GUFOp1", "GUFOp2", "UserList", "UserTable", "UTToggle0", "UTToggle1",
                           "UTList", "BuildTweetsUT", "GetUTTL", "FilterFrame"}) {
    EXPECT_TRUE(g.Find<QWidget>(name)->isEnabledTo(&g.widget)) << name;
  }
  // "Add" waits for an Other table on show, "Remove" for a table selected in the list.
  for (const char* name : {"UpdateUTL", "GUF_Id", "MergeRemUT0", "AddRemUT1"}) {
    EXPECT_FALSE(g.Find<QWidget>(name)->isEnabledTo(&g.widget)) << name;
  }
  for (const char* name :
       {"UTToggle0", "UTToggle1", "UserHandle0", "UserHandle1", "GUFOp0", "GUFOp1", "GUFOp2",
        "FilterMode0", "FilterMode1", "FilterEntity0", "FilterEntity1", "FilterEntity2"}) {
    g.Find<QWidget>(name);
  }
  EXPECT_EQ(g.Find<QCheckBox>("UseLoc")->toolTip(),
            "Go to Settings -> Set Location to specify a new area");
  EXPECT_EQ(g.Find<QComboBox>("QPHistory")->toolTip(),
            "Open query and data from a recently saved session");
  EXPECT_EQ(g.Find<QComboBox>("UTLHistory")->toolTip(),
            "Open data and user list from a recently saved session");
  for (const char* name : {"HistoryItemClear0", "HistoryItemClear1"}) {
    EXPECT_EQ(g.Find<QToolButton>(name)->toolTip(),
              "Remove current item from history (will not delete file)");
  }
  EXPECT_EQ(g.Find<QListWidget>("Progress")->toolTip(),
            "Displays a history of recent API requests");
  EXPECT_EQ(g.Find<QLabel>("ULCount")->text(), "0 users");
  for (const char* name : {"EarlyDate", "UserMeta", "LastGET", "UserList", "UTList", "UserTable"}) {
    g.Find<QWidget>(name);
  }
  for (const char* name : {"InfoBar1", "InfoBar2", "InfoBar3", "InfoBar4"}) g.Find<QLabel>(name);
  auto* timer = g.Find<QTimer>("Timer1");
  EXPECT_EQ(timer->interval(), 1000);
  EXPECT_TRUE(timer->isActive());
  EXPECT_EQ(g.widget.TweetTable()->model()->columnCount(), 16);
  EXPECT_EQ(g.widget.UserTable()->model()->columnCount(), 37);
  // A model on a proxy would sort on its own and show a different first row than the model's.
  EXPECT_EQ(g.widget.TweetTable()->model(), g.widget.TweetModel());
}

TEST(MainWindowWidget, FollowsTheModelsCaptionEnabledStateAndTimer) {
  Gui g;
  EXPECT_EQ(g.widget.windowTitle(), kTitle);
  // Loading leaves the window disabled until the credentials window has a token.
  EXPECT_FALSE(g.widget.isEnabled());
  g.model.ActivateAfterAuthentication();
  EXPECT_TRUE(g.widget.isEnabled());

  // Unsaved tweets without a file: Qt must not read the caption's "[*]" as its own marker.
  g.model.ShowTweets(false);
  EXPECT_EQ(g.model.Caption(), std::string(kTitle) + " [*]");
  g.widget.winId();
  EXPECT_EQ(g.widget.windowHandle()->title(), QString(kTitle) + " [*]");

  g.AddTweets({"a", "b", "c"});
  // The one-second tick brings the counts up to date.
  auto* panel1 = g.Find<QLabel>("InfoBar1");
  EXPECT_TRUE(QTest::qWaitFor([&] { return panel1->text() == "3 tweets displayed"; }, 3000));
  EXPECT_EQ(g.Find<QLabel>("InfoBar2")->text(), "0 users displayed (0 checked)");
}

TEST(MainWindowWidget, SettingsReachTheModelAndShowItsAnswer) {
  Gui g;
  g.model.ActivateAfterAuthentication();
  g.ui.inputs.push_back("fr");
  g.Find<QAction>("mSetLang")->trigger();
  EXPECT_EQ(g.model.SearchLang(), "fr");
  EXPECT_TRUE(g.Find<QLabel>("lblSearchSettings")->text().contains("Language: fr"));
  g.ui.inputs.push_back("");
  g.Find<QAction>("mSetLang")->trigger();
  EXPECT_TRUE(g.Find<QLabel>("lblSearchSettings")->text().contains("Language: all"));

  // Ticking Use Location without a location asks for one; cancelling leaves the box unticked.
  auto* use_loc = g.Find<QCheckBox>("UseLoc");
  QTest::mouseClick(use_loc, Qt::LeftButton, {}, QPoint(5, use_loc->height() / 2));
  EXPECT_FALSE(g.model.UseLoc());
  EXPECT_FALSE(use_loc->isChecked());
  ASSERT_FALSE(g.ui.messages.empty());
  EXPECT_EQ(g.ui.messages.back().text,
            "Subsequent searches will not be restricted to a particular location");

  g.ui.inputs.push_back("51,0,1mi");
  QTest::mouseClick(use_loc, Qt::LeftButton, {}, QPoint(5, use_loc->height() / 2));
  EXPECT_TRUE(use_loc->isChecked());
  EXPECT_TRUE(g.Find<QLabel>("lblSearchSettings")->text().contains("51,0,1mi"));

  // The threshold date travels both ways without swapping day and month.
  auto* early = g.Find<QDateTimeEdit>("EarlyDate");
  const CivilDateTime start = g.model.EarlyDate();
  EXPECT_EQ(early->date(), QDate(start.year, start.month, start.day));
  early->setDateTime(QDateTime(QDate(2022, 11, 3), QTime(8, 30, 15)));
  EXPECT_EQ(g.model.EarlyDate(), (CivilDateTime{2022, 11, 3, 8, 30, 15}));

  g.Find<QAction>("mHeaders")->trigger();
  EXPECT_TRUE(g.model.Sessions().HeadersChecked());
  EXPECT_TRUE(g.Find<QAction>("mHeaders")->isChecked());
}

TEST(MainWindowWidget, HeaderClickSortsInTheModelAndTheViewShowsItsFirstRow) {
  Gui g;
  g.model.ActivateAfterAuthentication();
  g.widget.show();
  g.AddTweets({"mike", "alice", "zoe", "bob"});
  g.Find<QAction>("mSortDT")->trigger();
  ASSERT_TRUE(g.model.TweetEdit().SortTweetsChecked());

  QHeaderView* header = g.widget.TweetTable()->horizontalHeader();
  const int x = header->sectionViewportPosition(1) + header->sectionSize(1) / 2;
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));

  EXPECT_EQ(g.model.OutTable().SortKey(), 1);
  const QAbstractItemModel* shown = g.widget.TweetTable()->model();
  for (int r = 0; r < 4; ++r) {
    EXPECT_EQ(shown->index(r, 1).data().toString().toStdString(), g.model.OutTable().Cell(r, 2));
  }
  EXPECT_EQ(shown->index(0, 1).data().toString(), "alice");
  EXPECT_TRUE(header->isSortIndicatorShown());
  EXPECT_EQ(header->sortIndicatorSection(), 1);
  EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
  EXPECT_TRUE(g.Find<QAction>("mSortDT")->isChecked());

  // The same header again: descending, and the header says so.
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
  EXPECT_TRUE(g.model.OutTable().Descending());
  EXPECT_EQ(shown->index(0, 1).data().toString(), "zoe");
  EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
}

TEST(MainWindowWidget, ColumnWidthsConvertBetweenTwipsAndPixels) {
  Gui g;
  const double dpi = g.widget.Dpi();
  QTableView* table = g.widget.TweetTable();
  EXPECT_EQ(table->columnWidth(0), TwipsToPixels(1000, dpi));

  // Widths restored from prefs reach the view...
  g.model.MutableOutTable().SetWidth(2, 4320);
  g.widget.OnModelChanged(kTweetsChanged);
  EXPECT_EQ(table->columnWidth(2), TwipsToPixels(4320, dpi));
  // ...without coming back rounded through the pixels.
  EXPECT_EQ(g.model.OutTable().Widths()[0], 1000);
  EXPECT_EQ(g.model.OutTable().Widths()[2], 4320);

  // A width the user drags goes into the model, so prefs keep it, and outlives a refill.
  table->horizontalHeader()->resizeSection(5, 150);
  EXPECT_EQ(g.model.OutTable().Widths()[5], PixelsToTwips(150, dpi));
  g.AddTweets({"a"});
  EXPECT_EQ(table->columnWidth(5), 150);
}

TEST(MainWindowWidget, ClosingGoesThroughTheModel) {
  const std::string prefs_name = "prefs";
  {
    Gui g;
    g.model.ActivateAfterAuthentication();
    g.widget.show();
    g.AddTweets({"a"});
    g.ui.answers.push_back(MsgAnswer::Cancel);
    QSignalSpy closed(&g.widget, &MainWindowWidget::Closed);
    EXPECT_FALSE(g.widget.close());
    EXPECT_TRUE(g.widget.isVisible());
    EXPECT_EQ(closed.count(), 0);
    ASSERT_EQ(g.ui.messages.size(), 1u);
    EXPECT_EQ(g.ui.messages[0].text, "Save Tweets before exiting?");
    EXPECT_FALSE(FileExists(g.dir.File(prefs_name)));
  }
  {
    Gui g;
    g.model.ActivateAfterAuthentication();
    g.widget.show();
    QSignalSpy closed(&g.widget, &MainWindowWidget::Closed);
    EXPECT_TRUE(g.widget.close());
    EXPECT_EQ(closed.count(), 1);
    EXPECT_TRUE(g.ui.messages.empty());
    EXPECT_TRUE(FileExists(g.dir.File(prefs_name)));
    EXPECT_FALSE(g.Find<QTimer>("Timer1")->isActive());
  }
}

TEST(MainWindowWidget, CopyTakesTheSelectedRowsWithoutPadding) {
  Gui g;
  g.AddTweets({"alice", "bob", "carol"});
  QTableView* table = g.widget.TweetTable();
  table->selectRow(2);
  table->selectionModel()->select(table->model()->index(0, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
  QAction* copy = nullptr;
  for (QAction* a : table->actions()) {
    if (a->shortcut() == QKeySequence(QKeySequence::Copy)) copy = a;
  }
  ASSERT_NE(copy, nullptr);
  copy->trigger();
  EXPECT_EQ(g.ui.clipboard, TweetRowsAsText(g.model.OutTable(), {0, 2}));
  EXPECT_NE(g.ui.clipboard.find("alice\ttext\t1000\t"), std::string::npos);
  EXPECT_NE(g.ui.clipboard.find("carol"), std::string::npos);
  EXPECT_EQ(g.ui.clipboard.find("bob"), std::string::npos);
}

TEST(MainWindowWidget, SearchFillsTheLogWhichCanBeReadCopiedAndSearched) {
  Gui g;
  g.model.ActivateAfterAuthentication();
  g.Authenticate();
  g.http.answers.push_back(test::FakeHttp::Ok(R"({"statuses":[],"search_metadata":{}})"));
  g.Find<QLineEdit>("SearchQuery")->setText("skein");
  emit g.Find<QLineEdit>("SearchQuery")->textEdited("skein");
  QTest::mouseClick(g.Find<QPushButton>("GetSrch"), Qt::LeftButton);

  const auto& lines = g.model.Progress().Lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_NE(lines[0].find("for [skein]"), std::string::npos);
  QListWidget* log = g.widget.LogList();
  ASSERT_EQ(log->count(), static_cast<int>(lines.size()));
  for (int i = 0; i < log->count(); ++i)
    EXPECT_EQ(FromQ(log->item(i)->text()), lines[static_cast<std::size_t>(i)]);
  EXPECT_EQ(g.Find<QPlainTextEdit>("LastGET")->toPlainText(),
            R"({"statuses":[],"search_metadata":{}})");
  EXPECT_EQ(FromQ(g.Find<QLabel>("InfoBar1")->text()), g.model.InfoBar()[0]);

  // A click shows the whole line as the log's tooltip.
  g.widget.show();
  const QRect first = log->visualItemRect(log->item(0));
  QTest::mouseClick(log->viewport(), Qt::LeftButton, {}, first.center());
  EXPECT_EQ(FromQ(log->toolTip()), lines[0]);

  // Find (Ctrl+F) selects the next line holding the text, in any letter case.
  g.ui.inputs.push_back("SEARCH ENDED");
  g.Find<QAction>("actFindInLog")->trigger();
  EXPECT_EQ(log->currentRow(), static_cast<int>(lines.size()) - 1);
  g.ui.inputs.push_back("no such words");
  g.Find<QAction>("actFindInLog")->trigger();
  EXPECT_EQ(g.ui.messages.back().text, "\"no such words\" was not found in the request log.");

  g.Find<QAction>("mCopyLog")->trigger();
  EXPECT_EQ(g.ui.clipboard, g.model.Progress().Text());
}

TEST(MainWindowWidget, HistoryListsShowAndOpenTheSavedSessions) {
  Gui g;
  g.model.ActivateAfterAuthentication();
  test::WriteBytes(g.dir.File("prefs"),
                   "QP-skein AND twitter,/nowhere/run2.txt\r\nQP-wrens,/nowhere/run1.txt\r\n"
                   "UP-/nowhere/tl.txt\r\nLA-en\r\n");
  // Both sessions are missing: keep them (No) when asked at start-up.
  g.model.Sessions().LoadPrefs();
  auto* qp = g.Find<QComboBox>("QPHistory");
  ASSERT_EQ(qp->count(), 2);
  EXPECT_EQ(qp->itemText(0), "skein AND twitter  /nowhere/run2.txt");
  EXPECT_EQ(g.Find<QComboBox>("UTLHistory")->count(), 1);

  // Choosing an entry opens its session; Yes to the missing file's question removes it.
  g.ui.messages.clear();
  g.ui.answers.push_back(MsgAnswer::Yes);
  emit qp->activated(1);
  ASSERT_FALSE(g.ui.messages.empty());
  EXPECT_EQ(g.ui.messages.back().caption, "Load Error");
  ASSERT_EQ(qp->count(), 1);
  EXPECT_EQ(qp->itemText(0), "skein AND twitter  /nowhere/run2.txt");
  EXPECT_EQ(g.Find<QLineEdit>("SearchQuery")->text(), "wrens");

  qp->setCurrentIndex(0);
  g.model.Sessions().QPHistory_Click(0);
  QTest::mouseClick(g.Find<QToolButton>("HistoryItemClear1"), Qt::LeftButton);
  EXPECT_EQ(qp->count(), 0);
}

TEST(MainWindowWidget, AboutDisablesTheWindowAndShowsTheCredentials) {
  Gui g;
  g.model.ActivateAfterAuthentication();
  int shown = 0;
  g.widget.SetShowCredentials([&] { ++shown; });
  g.Find<QAction>("mAbout")->trigger();
  EXPECT_EQ(shown, 1);
  EXPECT_FALSE(g.model.Enabled());
  EXPECT_FALSE(g.widget.isEnabled());
}

// ---- Tweet table editing ----

TEST(MainWindowWidget, TweetContextMenuNamesTheRowAndActsOnIt) {
  Gui g;
  g.AddTweets({"ann", "R&D", "ann"});
  QTableView* table = g.Find<QTableView>("OutTable");
  QMenu* menu = g.Find<QMenu>("mTweet");
  const QRect cell = table->visualRect(table->model()->index(1, 0));
  emit table->customContextMenuRequested(cell.center());
  EXPECT_EQ(Shown(g.Find<QAction>("mNavUserTwitter")), "Find R&D on Twitter");
  EXPECT_EQ(Shown(g.Find<QAction>("mDelUsersTweets")), "Delete all Tweets by R&D");
  // The link cell holds a padded "0": the "Go to" item hides.
  EXPECT_FALSE(g.Find<QAction>("mNavLinkURL")->isVisible());
  EXPECT_EQ(g.model.TweetEdit().SelectedTweetRow(), 1);
  menu->hide();

  g.Find<QAction>("mDelTweet")->trigger();
  ASSERT_EQ(g.model.OutTable().RowCount(), 2);
  EXPECT_EQ(table->model()->rowCount(), 2);
  EXPECT_EQ(g.model.OutTable().Cell(1, 2), "ann");

  // A cancelled conversion leaves "to Numeric format" unticked.
  g.ui.answers = {MsgAnswer::Cancel};
  g.Find<QAction>("mVBDateTime")->trigger();
  EXPECT_FALSE(g.Find<QAction>("mVBDateTime")->isChecked());
  g.ui.answers = {MsgAnswer::Ok};
  g.Find<QAction>("mVBDateTime")->trigger();
  EXPECT_TRUE(g.Find<QAction>("mVBDateTime")->isChecked());
  EXPECT_EQ(g.model.OutTable().Cell(0, 1), "08/11/2022 21:02:11");
}

// ---- User tables ----

TEST(MainWindowWidget, UserTableFrameDrivesTheModel) {
  Gui g;
  g.model.ActivateAfterAuthentication();
  for (const char* name : {"carol", "alice", "bob"}) {
    const std::string id = std::to_string(g.model.UTwitter().Users().Count() + 10);
    g.model.UTwitter().Users().SetData(
        "[{\"id_str\":\"" + id + "\",\"screen_name\":\"" + name + "\"}]", true, false);
  }
  g.model.UserTables().AddUserTable("three");
  g.model.UserTables().FillUserTable(g.model.UTwitter());
  QTableView* table = g.Find<QTableView>("UserTable");
  ASSERT_EQ(table->model()->rowCount(), 3);
  EXPECT_TRUE(g.Find<QRadioButton>("UTToggle1")->isChecked());
  EXPECT_EQ(g.Find<QListWidget>("UTList")->currentRow(), 0);
  EXPECT_TRUE(g.Find<QPushButton>("AddRemUT1")->isEnabled());

  // A header click sorts in the model; the view shows its order.
  emit table->horizontalHeader()->sectionClicked(1);
  EXPECT_EQ(table->model()->index(0, 1).data().toString(), "alice");
  // A tick in the view reaches the model.
  table->model()->setData(table->model()->index(2, 0), Qt::Checked, Qt::CheckStateRole);
  EXPECT_TRUE(g.model.UserTables().Tables()[1].Rows()[2].ticked);
  // The pop-up menu's commands: a right click highlights the row under the pointer.
  emit table->customContextMenuRequested(table->visualRect(table->model()->index(1, 0)).center());
  g.Find<QMenu>("mUT")->hide();
  g.Find<QAction>("mUTSelAll2")->trigger();
  EXPECT_EQ(table->model()->index(0, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
  EXPECT_EQ(table->model()->index(1, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
  EXPECT_EQ(table->model()->index(2, 0).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);

  // "Tweets" and back, then removal.
  g.Find<QRadioButton>("UTToggle0")->click();
  EXPECT_EQ(g.model.UserTables().CurrentUserTable(), 0);
  EXPECT_EQ(table->model()->rowCount(), 0);
  g.Find<QRadioButton>("UTToggle1")->click();
  EXPECT_EQ(g.model.UserTables().CurrentUserTable(), 1);
  g.Find<QPushButton>("AddRemUT1")->click();
  EXPECT_EQ(g.Find<QListWidget>("UTList")->count(), 0);
  EXPECT_TRUE(g.Find<QRadioButton>("UTToggle0")->isChecked());
}

// Each option button stands for one value of its group's enum, both ways: a click sets that
// value in the model, and the value the model holds shows on that button alone.
TEST(MainWindowWidget, OptionButtonsStandForTheirEnumValues) {
  Gui g;
  g.model.ActivateAfterAuthentication();
  const auto shows = [&g](const std::string& group, int count, int on) {
    g.widget.OnModelChanged(~0u);
    for (int i = 0; i < count; ++i) {
      const std::string name = group + std::to_string(i);
      EXPECT_EQ(g.Find<QRadioButton>(name.c_str())->isChecked(), i == on) << name;
    }
  };
  const auto click = [&g](const std::string& name) { g.Find<QRadioButton>(name.c_str())->click(); };

  click("FilterMode1");
  EXPECT_EQ(g.model.UserTables().FilterMode(), RowFilterMode::kRetain);
  g.model.UserTables().FilterMode_Click(0);
  shows("FilterMode", 2, 0);
  const std::array<RowFilterEntity, 3> entities = {
      RowFilterEntity::kTweetsAndUsers, RowFilterEntity::kUsersOnly, RowFilterEntity::kTweetsOnly};
  for (int i : {2, 1, 0}) {
    click("FilterEntity" + std::to_string(i));
    EXPECT_EQ(g.model.UserTables().FilterEntity(), entities[static_cast<std::size_t>(i)]);
    shows("FilterEntity", 3, i);
  }

  const std::array<FollowersPart::GufOp, 3> ops = {FollowersPart::GufOp::kSelectedUsers,
                                                   FollowersPart::GufOp::kScreenName,
                                                   FollowersPart::GufOp::kUserId};
  for (int i : {2, 1, 0}) {
    click("GUFOp" + std::to_string(i));
    EXPECT_EQ(g.model.Followers().GUFOp(), ops[static_cast<std::size_t>(i)]);
    shows("GUFOp", 3, i);
  }

  click("UserHandle1");
  EXPECT_EQ(g.model.UserListPanel().UserHandle(), UserEntryKind::kUserId);
  g.model.UserListPanel().UserHandle_Click(0);
  shows("UserHandle", 2, 0);
}

}  // namespace
}  // namespace wf::gui
