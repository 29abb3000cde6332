#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "main_window_widget.h"
#include "qt_text.h"
#include "table_models.h"
#include "twips.h"
#include "widget_helpers.h"

namespace wf::gui {

void MainWindowWidget::BuildMenus() {
  auto add = [this](QMenu* menu, const QString& caption, const char* name,
                    std::function<void()> handler) {
    auto* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    if (handler) {
      connect(action, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
    } else {
      action->setEnabled(false);
    }
    return action;
  };

  // File
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  file->setObjectName(QStringLiteral("mFile"));
  QMenu* open = file->addMenu(QStringLiteral("Open"));
  open->setObjectName(QStringLiteral("mOpen"));
  QAction* open_tweets = add(open, QStringLiteral("Tweets Table"), "mOpenTweets",
                             [this] { model_.Sessions().mOpenTweets_Click(); });
  open_tweets->setShortcut(QKeySequence::Open);
  add(open, QStringLiteral("Tweets From Collection File..."), "mOpenCollectionTweets",
      [this] { model_.Sessions().mOpenCollectionTweets_Click(); });
  add(open, QStringLiteral("Tweet IDs to Hydrate..."), "mHydrateIds",
      [this] { model_.Search().mHydrateIds_Click(); });
  QMenu* open_users = open->addMenu(QStringLiteral("User Table"));
  open_users->setObjectName(QStringLiteral("mOpenUT"));
  add(open_users, QStringLiteral("Key Fields Only"), "mOpenUsers0",
      [this] { model_.UserTables().mOpenUsers_Click(wf::UserTableOpen::kKeyFields); });
  add(open_users, QStringLiteral("All Fields"), "mOpenUsers1",
      [this] { model_.UserTables().mOpenUsers_Click(wf::UserTableOpen::kAllFields); });
  add(open_users, QStringLiteral("From Collection File..."), "mOpenCollectionUsers",
      [this] { model_.Sessions().mOpenCollectionUsers_Click(); });
  QMenu* save = file->addMenu(QStringLiteral("Save"));
  save->setObjectName(QStringLiteral("mSave"));
  QAction* save_tweets = add(save, QStringLiteral("Tweets Table"), "mSaveTweets",
                             [this] { model_.Sessions().mSaveTweets_Click(); });
  save_tweets->setShortcut(QKeySequence::Save);
  QMenu* save_users = save->addMenu(QStringLiteral("User Table"));
  save_users->setObjectName(QStringLiteral("mSaveUT"));
  add(save_users, QStringLiteral("Key Fields Only"), "mSaveUsers0",
      [this] { model_.UserTables().mSaveUsers_Click(wf::UserFileLayout::kKeys); });
  add(save_users, QStringLiteral("Profilo Input Fields"), "mSaveUsers1",
      [this] { model_.UserTables().mSaveUsers_Click(wf::UserFileLayout::kProfilo); });
  add(save_users, QStringLiteral("All Fields"), "mSaveUsers2",
      [this] { model_.UserTables().mSaveUsers_Click(wf::UserFileLayout::kAll); });
  add(file, QStringLiteral("Save && Send to Visualiser"), "mSaveSend",
      [this] { model_.Sessions().mSaveSend_Click(); });
  add(file, QStringLiteral("Import Profilo Attributes"), "mImportProfilo",
      [this] { model_.UserTables().mImportProfilo_Click(); });

  // Settings
  QMenu* settings = menuBar()->addMenu(QStringLiteral("&Settings"));
  settings->setObjectName(QStringLiteral("mSettings"));
  sort_action_ = add(settings, QStringLiteral("Sort Tweets Table"), "mSortDT",
                     [this] { model_.TweetEdit().mSortDT_Click(); });
  sort_action_->setCheckable(true);
  settings->addSeparator();
  add(settings, QStringLiteral("Set Search Language"), "mSetLang",
      [this] { model_.Sessions().mSetLang_Click(); });
  add(settings, QStringLiteral("Set Location"), "mSetLoc",
      [this] { model_.Sessions().mSetLoc_Click(); });
  add(settings, QStringLiteral("Set Proxy"), "mSetProxy",
      [this] { model_.Sessions().mSetProxy_Click(); });
  add(settings, QStringLiteral("Set API Host"), "mSetApiHost",
      [this] { model_.Sessions().mSetApiHost_Click(); });
  settings->addSeparator();
  headers_action_ = add(settings, QStringLiteral("Save Tweets With Headers"), "mHeaders",
                        [this] { model_.Sessions().mHeaders_Click(); });
  headers_action_->setCheckable(true);
  archive_action_ = add(settings, QStringLiteral("Archive Raw Responses"), "mArchive",
                        [this] { model_.Sessions().mArchive_Click(); });
  archive_action_->setCheckable(true);
  archive_action_->setToolTip(
      QStringLiteral("Keep every raw API response beside the saved tweet table (FILE.jsonl)"));
  full_text_action_ = add(settings, QStringLiteral("Keep Full Text (Unicode)"), "mFullText",
                          [this] { model_.Sessions().mFullText_Click(); });
  full_text_action_->setCheckable(true);
  full_text_action_->setToolTip(
      QStringLiteral("Keep tweets and profiles as written (any script, emoji) instead of "
                     "the Windows-1252 text with tags"));
  settings->addSeparator();
  api_v2_action_ = add(settings, QStringLiteral("Use API v2"), "mApiV2",
                       [this] { model_.Sessions().mApiV2_Click(); });
  api_v2_action_->setCheckable(true);
  full_archive_action_ = add(settings, QStringLiteral("Full-Archive Search (v2)"), "mFullArchive",
                             [this] { model_.Sessions().mFullArchive_Click(); });
  full_archive_action_->setCheckable(true);

  // Tools
  tools_menu_ = menuBar()->addMenu(QStringLiteral("&Tools"));
  tools_menu_->setObjectName(QStringLiteral("mTools"));
  QMenu* date_time = tools_menu_->addMenu(QStringLiteral("Convert DateTime"));
  date_time->setObjectName(QStringLiteral("mDateTime"));
  vb_date_time_action_ = add(date_time, QStringLiteral("to Numeric format"), "mVBDateTime", [this] {
    model_.TweetEdit().mVBDateTime_Click();
    // Qt ticks the item on the click itself; a cancelled conversion must not keep it.
    vb_date_time_action_->setChecked(model_.TweetEdit().VBDateTimeChecked());
  });
  vb_date_time_action_->setCheckable(true);
  add(date_time, QStringLiteral("to SPSS compatible format"), "mSPSSDateTime",
      [this] { model_.TweetEdit().mSPSSDateTime_Click(); });
  add(date_time, QStringLiteral("back to Twitter format"), "mTwitterDateTime",
      [this] { model_.TweetEdit().mTwitterDateTime_Click(); });
  tools_menu_->addSeparator();
  add(tools_menu_, QStringLiteral("Remove Retweets"), "mRemRT",
      [this] { model_.TweetEdit().mRemRT_Click(); });
  add(tools_menu_, QStringLiteral("Filter Tweets"), "mFilterTweets",
      [this] { model_.TweetEdit().mFilterTweets_Click(); });
  tools_menu_->addSeparator();
  QAction* copy_log =
      add(tools_menu_, QStringLiteral("Copy Log"), "mCopyLog", [this] { model_.mCopyLog_Click(); });

  // The request log's own menu offers Copy Log alone.
  log_menu_ = new QMenu(this);
  log_menu_->setObjectName(QStringLiteral("mToolsLog"));
  log_menu_->addAction(copy_log);

  // User List
  users_menu_ = menuBar()->addMenu(QStringLiteral("&User List"));
  users_menu_->setObjectName(QStringLiteral("mUsers"));
  add(users_menu_, QStringLiteral("Copy"), "mCopyUL",
      [this] { model_.UserListPanel().mCopyUL_Click(); });
  add(users_menu_, QStringLiteral("Copy Metadata"), "mCopyUT",
      [this] { model_.UserListPanel().mCopyUT_Click(); });
  add(users_menu_, QStringLiteral("Paste"), "mPasteUL",
      [this] { model_.UserListPanel().mPasteUL_Click(); });
  sel_all_ul_action_ = add(users_menu_, ToQ(model_.UserListPanel().SelAllULCaption()), "mSelAllUL",
                           [this] { model_.UserListPanel().mSelAllUL_Click(); });
  add(users_menu_, QStringLiteral("Clear"), "mULClear",
      [this] { model_.UserListPanel().mULClear_Click(); });
  users_menu_->addSeparator();
  add(users_menu_, QStringLiteral("Add User"), "mAddUser",
      [this] { model_.UserListPanel().mAddUser_Click(); });
  add(users_menu_, QStringLiteral("Delete User"), "mDeleteUser",
      [this] { model_.UserListPanel().mDeleteUser_Click(); });
  users_menu_->addSeparator();
  add(users_menu_, QStringLiteral("Get Users From Tweets"), "mGetUFT",
      [this] { model_.UserTables().mGetUFT_Click(); });
  users_menu_->addSeparator();
  add(users_menu_, QStringLiteral("Get User Followers"), "mGetUserFollowers",
      [this] { model_.Followers().mGetUserFollowers_Click(); });
  add(users_menu_, QStringLiteral("Get User Friends"), "mGetUserFriends",
      [this] { model_.Followers().mGetUserFriends_Click(); });

  // About: a command on the menu bar itself.
  QAction* about = menuBar()->addAction(QStringLiteral("&About"));
  about->setObjectName(QStringLiteral("mAbout"));
  connect(about, &QAction::triggered, this, [this] {
    model_.mAbout_Click();
    if (show_credentials_) show_credentials_();
  });

  // Context menus that never appear on the bar.
  user_table_menu_ = new QMenu(QStringLiteral("User Table"), this);
  user_table_menu_->setObjectName(QStringLiteral("mUT"));
  add(user_table_menu_, QStringLiteral("Select All"), "mUTSelAll0",
      [this] { model_.UserTables().mUTSelAll_Click(wf::UserTableSelection::kAll); });
  add(user_table_menu_, QStringLiteral("Select Cases With No TL Sample"), "mUTSelAll1",
      [this] { model_.UserTables().mUTSelAll_Click(wf::UserTableSelection::kNoTimelineSample); });
  add(user_table_menu_, QStringLiteral("Select Cases Down To This Row"), "mUTSelAll2",
      [this] { model_.UserTables().mUTSelAll_Click(wf::UserTableSelection::kDownToSelectedRow); });
  add(user_table_menu_, QStringLiteral("Unselect All"), "mUTUnselAll",
      [this] { model_.UserTables().mUTUnselAll_Click(); });

  tweet_menu_ = new QMenu(QStringLiteral("Tweet"), this);
  tweet_menu_->setObjectName(QStringLiteral("mTweet"));
  add(tweet_menu_, QStringLiteral("Go to cited URL"), "mNavLinkURL",
      [this] { model_.TweetEdit().mNavLinkURL_Click(); });
  add(tweet_menu_, QStringLiteral("Find User on Twitter"), "mNavUserTwitter",
      [this] { model_.TweetEdit().mNavUserTwitter_Click(); });
  tweet_menu_->addSeparator();
  add(tweet_menu_, QStringLiteral("Add User to User List"), "mAddU2UL",
      [this] { model_.TweetEdit().mAddU2UL_Click(); });
  add(tweet_menu_, QStringLiteral("Delete User from User List"), "mDelUFUL",
      [this] { model_.TweetEdit().mDelUFUL_Click(); });
  tweet_menu_->addSeparator();
  add(tweet_menu_, QStringLiteral("Delete Tweet"), "mDelTweet",
      [this] { model_.TweetEdit().mDelTweet_Click(); });
  add(tweet_menu_, QStringLiteral("Delete All Tweets By User"), "mDelUsersTweets",
      [this] { model_.TweetEdit().mDelUsersTweets_Click(); });

  // Window-wide keys that have no menu item of their own.
  auto* quit = new QAction(QStringLiteral("Quit"), this);
  quit->setObjectName(QStringLiteral("actQuit"));
  quit->setShortcut(QKeySequence::Quit);
  connect(quit, &QAction::triggered, this, &QWidget::close);
  addAction(quit);
  auto* find = new QAction(QStringLiteral("Find in Request Log"), this);
  find->setObjectName(QStringLiteral("actFindInLog"));
  find->setShortcut(QKeySequence::Find);
  connect(find, &QAction::triggered, this, [this] { FindInLog(false); });
  addAction(find);
  auto* find_next = new QAction(QStringLiteral("Find Next in Request Log"), this);
  find_next->setObjectName(QStringLiteral("actFindNextInLog"));
  find_next->setShortcut(QKeySequence::FindNext);
  connect(find_next, &QAction::triggered, this, [this] { FindInLog(true); });
  addAction(find_next);
}

}  // namespace wf::gui
