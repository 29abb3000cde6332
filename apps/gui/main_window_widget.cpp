#include "main_window_widget.h"

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

#include "qt_text.h"
#include "table_models.h"
#include "twips.h"

namespace wf::gui {
namespace {

constexpr int kTimerIntervalMs = 1000;
constexpr double kDefaultUserColumnTwips = 1000;

QString PanelText(std::string_view s) {
  // Quota panels end in CR LF; a status panel shows one line.
  QString q = ToQ(s);
  q.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
  q.replace(QChar('\r'), QChar(' '));
  q.replace(QChar('\n'), QChar(' '));
  return q.trimmed();
}

QDateTime ToQDateTime(const CivilDateTime& dt) {
  return QDateTime(QDate(dt.year, dt.month, dt.day), QTime(dt.hour, dt.minute, dt.second));
}

CivilDateTime ToCivil(const QDateTime& dt) {
  CivilDateTime c;
  c.year = dt.date().year();
  c.month = dt.date().month();
  c.day = dt.date().day();
  c.hour = dt.time().hour();
  c.minute = dt.time().minute();
  c.second = dt.time().second();
  return c;
}

QPushButton* Button(const QString& caption, const char* name, QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(QString::fromLatin1(name));
  return b;
}

QRadioButton* Radio(const QString& caption, const char* name, QWidget* parent) {
  auto* r = new QRadioButton(caption, parent);
  r->setObjectName(QString::fromLatin1(name));
  return r;
}

QToolButton* ClearHistoryButton(const char* name, QWidget* parent) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setText(QStringLiteral("\u00d7"));
  b->setToolTip(QStringLiteral("Remove current item from history (will not delete file)"));
  b->setAutoRaise(false);
  return b;
}

QComboBox* HistoryCombo(const char* name, const QString& tip, QWidget* parent) {
  auto* c = new QComboBox(parent);
  c->setObjectName(QString::fromLatin1(name));
  c->setToolTip(tip);
  // Entries are whole paths (and queries): the box keeps its size and the list opens wider.
  c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  c->setMinimumContentsLength(16);
  c->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  return c;
}

std::vector<int> SelectedRows(const QTableView* view) {
  std::vector<int> rows;
  if (view->selectionModel() == nullptr) return rows;
  for (const QModelIndex& index : view->selectionModel()->selectedRows()) {
    rows.push_back(index.row());
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

void SetHistoryEntries(QComboBox* combo, const HistoryList& history) {
  const QSignalBlocker block(combo);
  combo->clear();
  for (const std::string& entry : history.Entries()) {
    const QString text = ToQ(entry);
    combo->addItem(text);
    combo->setItemData(combo->count() - 1, text, Qt::ToolTipRole);
  }
  combo->setCurrentIndex(history.Selected());
}

}  // namespace

QString EscapeWindowTitle(const QString& caption) {
  QString escaped = caption;
  escaped.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
  return escaped;
}

MainWindowWidget::MainWindowWidget(MainWindow& model, UiPort& ui, QWidget* parent)
    : QMainWindow(parent), model_(model), ui_(ui) {
  setObjectName(QStringLiteral("frmMain"));
  tweet_model_ = new TweetTableModel(model_.OutTable(), this);
  user_list_model_ = new UserListModel(model_.Users(), this);
  user_table_model_ = new UserTableModel(model_.UserTables(), this);

  BuildMenus();

  auto* left = new QWidget(this);
  auto* left_layout = new QVBoxLayout(left);
  left_layout->setContentsMargins(0, 0, 0, 0);
  left_layout->addWidget(BuildSearchFrame());
  left_layout->addWidget(BuildUserTimelinesFrame(), 1);
  left_layout->addWidget(BuildFollowersFrame());

  BuildTweetTable();
  auto* bottom = new QSplitter(Qt::Horizontal, this);
  bottom->setChildrenCollapsible(false);
  bottom->addWidget(BuildUserTablesFrame());
  bottom->addWidget(BuildRequestLogFrame());
  bottom->setStretchFactor(0, 3);
  bottom->setStretchFactor(1, 2);

  auto* right = new QSplitter(Qt::Vertical, this);
  right->setChildrenCollapsible(false);
  right->addWidget(out_table_);
  right->addWidget(bottom);
  right->setStretchFactor(0, 3);
  right->setStretchFactor(1, 2);

  auto* main_split = new QSplitter(Qt::Horizontal, this);
  main_split->setChildrenCollapsible(false);
  main_split->addWidget(left);
  main_split->addWidget(right);
  main_split->setStretchFactor(0, 0);
  main_split->setStretchFactor(1, 1);

  auto* central = new QWidget(this);
  auto* central_layout = new QVBoxLayout(central);
  central_layout->setContentsMargins(6, 6, 6, 2);
  central_layout->addWidget(main_split);
  setCentralWidget(central);

  BuildStatusBar();
  SetTabOrder();

  timer1_ = new QTimer(this);
  timer1_->setObjectName(QStringLiteral("Timer1"));
  timer1_->setInterval(kTimerIntervalMs);
  connect(timer1_, &QTimer::timeout, this, [this] { model_.Timer1_Timer(); });
  if (model_.Timer1Enabled()) timer1_->start();

  if (QScreen* s = screen()) {
    const QRect avail = s->availableGeometry();
    resize(std::min(1400, avail.width() * 95 / 100), std::min(880, avail.height() * 95 / 100));
  } else {
    resize(1400, 880);
  }
  main_split->setSizes({360, width() - 360});
  right->setSizes({height() * 55 / 100, height() * 45 / 100});
  bottom->setSizes({width() * 33 / 100, width() * 30 / 100});

  model_.SetObserver(this);
  OnModelChanged(~0u);
}

MainWindowWidget::~MainWindowWidget() {
  model_.SetObserver(nullptr);
}

double MainWindowWidget::Dpi() const {
  const int dpi = out_table_ != nullptr ? out_table_->logicalDpiX() : logicalDpiX();
  return dpi > 0 ? dpi : 96.0;
}

// ---- Construction ------------------------------------------------------------------------

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
                             [this] { model_.mOpenTweets_Click(); });
  open_tweets->setShortcut(QKeySequence::Open);
  add(open, QStringLiteral("Tweets From Collection File..."), "mOpenCollectionTweets",
      [this] { model_.mOpenCollectionTweets_Click(); });
  add(open, QStringLiteral("Tweet IDs to Hydrate..."), "mHydrateIds",
      [this] { model_.mHydrateIds_Click(); });
  QMenu* open_users = open->addMenu(QStringLiteral("User Table"));
  open_users->setObjectName(QStringLiteral("mOpenUT"));
  add(open_users, QStringLiteral("Key Fields Only"), "mOpenUsers0",
      [this] { model_.mOpenUsers_Click(0); });
  add(open_users, QStringLiteral("All Fields"), "mOpenUsers1",
      [this] { model_.mOpenUsers_Click(1); });
  add(open_users, QStringLiteral("From Collection File..."), "mOpenCollectionUsers",
      [this] { model_.mOpenCollectionUsers_Click(); });
  QMenu* save = file->addMenu(QStringLiteral("Save"));
  save->setObjectName(QStringLiteral("mSave"));
  QAction* save_tweets = add(save, QStringLiteral("Tweets Table"), "mSaveTweets",
                             [this] { model_.mSaveTweets_Click(); });
  save_tweets->setShortcut(QKeySequence::Save);
  QMenu* save_users = save->addMenu(QStringLiteral("User Table"));
  save_users->setObjectName(QStringLiteral("mSaveUT"));
  add(save_users, QStringLiteral("Key Fields Only"), "mSaveUsers0",
      [this] { model_.mSaveUsers_Click(0); });
  add(save_users, QStringLiteral("Profilo Input Fields"), "mSaveUsers1",
      [this] { model_.mSaveUsers_Click(1); });
  add(save_users, QStringLiteral("All Fields"), "mSaveUsers2",
      [this] { model_.mSaveUsers_Click(2); });
  add(file, QStringLiteral("Save && Send to Visualiser"), "mSaveSend",
      [this] { model_.mSaveSend_Click(); });
  add(file, QStringLiteral("Import Profilo Attributes"), "mImportProfilo",
      [this] { model_.mImportProfilo_Click(); });

  // Settings
  QMenu* settings = menuBar()->addMenu(QStringLiteral("&Settings"));
  settings->setObjectName(QStringLiteral("mSettings"));
  sort_action_ = add(settings, QStringLiteral("Sort Tweets Table"), "mSortDT",
                     [this] { model_.mSortDT_Click(); });
  sort_action_->setCheckable(true);
  settings->addSeparator();
  add(settings, QStringLiteral("Set Search Language"), "mSetLang",
      [this] { model_.mSetLang_Click(); });
  add(settings, QStringLiteral("Set Location"), "mSetLoc", [this] { model_.mSetLoc_Click(); });
  add(settings, QStringLiteral("Set Proxy"), "mSetProxy", [this] { model_.mSetProxy_Click(); });
  add(settings, QStringLiteral("Set API Host"), "mSetApiHost",
      [this] { model_.mSetApiHost_Click(); });
  settings->addSeparator();
  headers_action_ = add(settings, QStringLiteral("Save Tweets With Headers"), "mHeaders",
                        [this] { model_.mHeaders_Click(); });
  headers_action_->setCheckable(true);
  archive_action_ = add(settings, QStringLiteral("Archive Raw Responses"), "mArchive",
                        [this] { model_.mArchive_Click(); });
  archive_action_->setCheckable(true);
  archive_action_->setToolTip(
      QStringLiteral("Keep every raw API response beside the saved tweet table (FILE.jsonl)"));
  full_text_action_ = add(settings, QStringLiteral("Keep Full Text (Unicode)"), "mFullText",
                          [this] { model_.mFullText_Click(); });
  full_text_action_->setCheckable(true);
  full_text_action_->setToolTip(
      QStringLiteral("Keep tweets and profiles as written (any script, emoji) instead of "
                     "the Windows-1252 text with tags"));
  settings->addSeparator();
  api_v2_action_ =
      add(settings, QStringLiteral("Use API v2"), "mApiV2", [this] { model_.mApiV2_Click(); });
  api_v2_action_->setCheckable(true);
  full_archive_action_ = add(settings, QStringLiteral("Full-Archive Search (v2)"), "mFullArchive",
                             [this] { model_.mFullArchive_Click(); });
  full_archive_action_->setCheckable(true);

  // Tools
  tools_menu_ = menuBar()->addMenu(QStringLiteral("&Tools"));
  tools_menu_->setObjectName(QStringLiteral("mTools"));
  QMenu* date_time = tools_menu_->addMenu(QStringLiteral("Convert DateTime"));
  date_time->setObjectName(QStringLiteral("mDateTime"));
  vb_date_time_action_ = add(date_time, QStringLiteral("to Numeric format"), "mVBDateTime", [this] {
    model_.mVBDateTime_Click();
    // Qt ticks the item on the click itself; a cancelled conversion must not keep it.
    vb_date_time_action_->setChecked(model_.VBDateTimeChecked());
  });
  vb_date_time_action_->setCheckable(true);
  add(date_time, QStringLiteral("to SPSS compatible format"), "mSPSSDateTime",
      [this] { model_.mSPSSDateTime_Click(); });
  add(date_time, QStringLiteral("back to Twitter format"), "mTwitterDateTime",
      [this] { model_.mTwitterDateTime_Click(); });
  tools_menu_->addSeparator();
  add(tools_menu_, QStringLiteral("Remove Retweets"), "mRemRT", [this] { model_.mRemRT_Click(); });
  add(tools_menu_, QStringLiteral("Filter Tweets"), "mFilterTweets",
      [this] { model_.mFilterTweets_Click(); });
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
  add(users_menu_, QStringLiteral("Copy"), "mCopyUL", [this] { model_.mCopyUL_Click(); });
  add(users_menu_, QStringLiteral("Copy Metadata"), "mCopyUT", [this] { model_.mCopyUT_Click(); });
  add(users_menu_, QStringLiteral("Paste"), "mPasteUL", [this] { model_.mPasteUL_Click(); });
  sel_all_ul_action_ = add(users_menu_, ToQ(model_.SelAllULCaption()), "mSelAllUL",
                           [this] { model_.mSelAllUL_Click(); });
  add(users_menu_, QStringLiteral("Clear"), "mULClear", [this] { model_.mULClear_Click(); });
  users_menu_->addSeparator();
  add(users_menu_, QStringLiteral("Add User"), "mAddUser", [this] { model_.mAddUser_Click(); });
  add(users_menu_, QStringLiteral("Delete User"), "mDeleteUser",
      [this] { model_.mDeleteUser_Click(); });
  users_menu_->addSeparator();
  add(users_menu_, QStringLiteral("Get Users From Tweets"), "mGetUFT",
      [this] { model_.mGetUFT_Click(); });
  users_menu_->addSeparator();
  add(users_menu_, QStringLiteral("Get User Followers"), "mGetUserFollowers",
      [this] { model_.mGetUserFollowers_Click(); });
  add(users_menu_, QStringLiteral("Get User Friends"), "mGetUserFriends",
      [this] { model_.mGetUserFriends_Click(); });

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
      [this] { model_.mUTSelAll_Click(0); });
  add(user_table_menu_, QStringLiteral("Select Cases With No TL Sample"), "mUTSelAll1",
      [this] { model_.mUTSelAll_Click(1); });
  add(user_table_menu_, QStringLiteral("Select Cases Down To This Row"), "mUTSelAll2",
      [this] { model_.mUTSelAll_Click(2); });
  add(user_table_menu_, QStringLiteral("Unselect All"), "mUTUnselAll",
      [this] { model_.mUTUnselAll_Click(); });

  tweet_menu_ = new QMenu(QStringLiteral("Tweet"), this);
  tweet_menu_->setObjectName(QStringLiteral("mTweet"));
  add(tweet_menu_, QStringLiteral("Go to cited URL"), "mNavLinkURL",
      [this] { model_.mNavLinkURL_Click(); });
  add(tweet_menu_, QStringLiteral("Find User on Twitter"), "mNavUserTwitter",
      [this] { model_.mNavUserTwitter_Click(); });
  tweet_menu_->addSeparator();
  add(tweet_menu_, QStringLiteral("Add User to User List"), "mAddU2UL",
      [this] { model_.mAddU2UL_Click(); });
  add(tweet_menu_, QStringLiteral("Delete User from User List"), "mDelUFUL",
      [this] { model_.mDelUFUL_Click(); });
  tweet_menu_->addSeparator();
  add(tweet_menu_, QStringLiteral("Delete Tweet"), "mDelTweet",
      [this] { model_.mDelTweet_Click(); });
  add(tweet_menu_, QStringLiteral("Delete All Tweets By User"), "mDelUsersTweets",
      [this] { model_.mDelUsersTweets_Click(); });

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

QWidget* MainWindowWidget::BuildSearchFrame() {
  auto* frame = new QGroupBox(QStringLiteral("Search"), this);
  frame->setObjectName(QStringLiteral("SearchFrame"));

  search_query_ = new QLineEdit(frame);
  search_query_->setObjectName(QStringLiteral("SearchQuery"));
  search_query_->setPlaceholderText(QStringLiteral("Search query, e.g. skein AND twitter"));
  search_query_->setClearButtonEnabled(true);
  connect(search_query_, &QLineEdit::textEdited, this,
          [this](const QString& text) { model_.SetSearchQuery(FromQ(text)); });
  connect(search_query_, &QLineEdit::editingFinished, this,
          [this] { model_.SearchQuery_LostFocus(); });
  search_help_ = new QToolButton(frame);
  search_help_->setObjectName(QStringLiteral("SearchHelp"));
  search_help_->setText(QStringLiteral("?"));
  search_help_->setToolTip(QStringLiteral("Search operators (opens the web documentation)"));
  connect(search_help_, &QToolButton::clicked, this, [this] { model_.SearchHelp_Click(); });

  get_search_ = Button(QStringLiteral("Search"), "GetSrch", frame);
  get_search_->setToolTip(QStringLiteral("Retrieve the tweets matching the query"));
  connect(get_search_, &QPushButton::clicked, this, [this] { model_.GetSrch_Click(); });
  update_search_ = Button(QStringLiteral("Update"), "UpdateSearch", frame);
  update_search_->setToolTip(QStringLiteral("Retrieve only tweets newer than those in the table"));
  connect(update_search_, &QPushButton::clicked, this, [this] { model_.UpdateSearch_Click(); });

  early_date_ = new QDateTimeEdit(frame);
  early_date_->setObjectName(QStringLiteral("EarlyDate"));
  early_date_->setCalendarPopup(true);
  early_date_->setDisplayFormat(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
  early_date_->setToolTip(QStringLiteral("Oldest tweet date to retrieve"));
  connect(early_date_, &QDateTimeEdit::dateTimeChanged, this,
          [this](const QDateTime& dt) { model_.SetEarlyDate(ToCivil(dt)); });

  use_loc_ = new QCheckBox(QStringLiteral("Use Location"), frame);
  use_loc_->setObjectName(QStringLiteral("UseLoc"));
  use_loc_->setToolTip(QStringLiteral("Go to Settings -> Set Location to specify a new area"));
  connect(use_loc_, &QCheckBox::clicked, this, [this](bool ticked) {
    model_.UseLoc_Click(ticked);
    // The model may untick it again (no location given); show its word.
    RefreshControls();
  });
  search_settings_ = new QLabel(frame);
  search_settings_->setObjectName(QStringLiteral("lblSearchSettings"));
  search_settings_->setToolTip(
      QStringLiteral("Settings -> Set Search Language and Set Location change these"));

  qp_history_ = HistoryCombo(
      "QPHistory", QStringLiteral("Open query and data from a recently saved session"), frame);
  connect(qp_history_, qOverload<int>(&QComboBox::activated), this,
          [this](int index) { model_.QPHistory_Click(index); });
  qp_history_clear_ = ClearHistoryButton("HistoryItemClear1", frame);
  connect(qp_history_clear_, &QToolButton::clicked, this,
          [this] { model_.HistoryItemClear_Click(1); });

  auto* grid = new QGridLayout(frame);
  auto* query_row = new QHBoxLayout;
  query_row->addWidget(search_query_, 1);
  query_row->addWidget(search_help_);
  grid->addLayout(query_row, 0, 0, 1, 3);
  grid->addWidget(get_search_, 1, 0);
  grid->addWidget(update_search_, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("Back to:"), frame), 2, 0);
  grid->addWidget(early_date_, 2, 1, 1, 2);
  grid->addWidget(use_loc_, 3, 0);
  grid->addWidget(search_settings_, 3, 1, 1, 2);
  auto* history_row = new QHBoxLayout;
  history_row->addWidget(qp_history_, 1);
  history_row->addWidget(qp_history_clear_);
  grid->addWidget(new QLabel(QStringLiteral("Sessions:"), frame), 4, 0);
  grid->addLayout(history_row, 4, 1, 1, 2);
  grid->setColumnStretch(2, 1);
  return frame;
}

QWidget* MainWindowWidget::BuildUserTimelinesFrame() {
  ut_frame_ = new QGroupBox(QStringLiteral("User Timelines"), this);
  ut_frame_->setObjectName(QStringLiteral("UTFrame"));

  user_list_ = new QListView(ut_frame_);
  user_list_->setObjectName(QStringLiteral("UserList"));
  user_list_->setModel(user_list_model_);
  user_list_->setSelectionMode(QAbstractItemView::SingleSelection);
  user_list_->setContextMenuPolicy(Qt::CustomContextMenu);
  user_list_->setUniformItemSizes(true);
  connect(user_list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    users_menu_->popup(user_list_->viewport()->mapToGlobal(pos));
  });
  user_list_model_->SetTickHandler(
      [this](int row, bool ticked) { model_.UserList_ItemCheck(row, ticked); });
  // The current entry moves by mouse and by keys alike; moves the model makes itself come
  // back through RefreshUserList and must not be sent to it again.
  connect(user_list_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            if (!syncing_user_list_ && current.isValid()) model_.UserList_Click(current.row());
          });
  connect(user_list_, &QListView::doubleClicked, this,
          [this](const QModelIndex& index) { model_.UserList_DblClick(index.row()); });
  // The usual keys on the list itself, so they do not take Copy away from the tables.
  const auto list_key = [this](QKeySequence key, std::function<void()> handler) {
    auto* action = new QAction(user_list_);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(action, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
    user_list_->addAction(action);
  };
  list_key(QKeySequence::Copy, [this] { model_.mCopyUL_Click(); });
  list_key(QKeySequence::Paste, [this] { model_.mPasteUL_Click(); });
  list_key(QKeySequence::Delete, [this] { model_.mDeleteUser_Click(); });

  ul_count_ = new QLabel(ut_frame_);
  ul_count_->setObjectName(QStringLiteral("ULCount"));
  handle_screen_name_ = Radio(QStringLiteral("Screen Name"), "UserHandle0", ut_frame_);
  handle_user_id_ = Radio(QStringLiteral("User Id"), "UserHandle1", ut_frame_);
  handle_screen_name_->setChecked(true);
  auto* handles = new QButtonGroup(ut_frame_);
  handles->addButton(handle_screen_name_, 0);
  handles->addButton(handle_user_id_, 1);
  connect(handles, &QButtonGroup::idClicked, this, [this](int id) { model_.UserHandle_Click(id); });

  get_all_utl_ = Button(QStringLiteral("Get All"), "GetAllUTL", ut_frame_);
  get_all_utl_->setToolTip(QStringLiteral("Retrieve the timelines of the checked users"));
  connect(get_all_utl_, &QPushButton::clicked, this, [this] { model_.GetAllUTL_Click(); });
  update_utl_ = Button(QStringLiteral("Update"), "UpdateUTL", ut_frame_);
  update_utl_->setToolTip(QStringLiteral("Retrieve only tweets newer than those in the table"));
  connect(update_utl_, &QPushButton::clicked, this, [this] { model_.UpdateUTL_Click(); });

  utl_history_ = HistoryCombo(
      "UTLHistory", QStringLiteral("Open data and user list from a recently saved session"),
      ut_frame_);
  connect(utl_history_, qOverload<int>(&QComboBox::activated), this,
          [this](int index) { model_.UTLHistory_Click(index); });
  utl_history_clear_ = ClearHistoryButton("HistoryItemClear0", ut_frame_);
  connect(utl_history_clear_, &QToolButton::clicked, this,
          [this] { model_.HistoryItemClear_Click(0); });

  user_meta_ = new QPlainTextEdit(ut_frame_);
  user_meta_->setObjectName(QStringLiteral("UserMeta"));
  user_meta_->setReadOnly(true);
  user_meta_->setPlaceholderText(QStringLiteral("Profile of the selected user"));
  user_meta_->setFixedHeight(user_meta_->fontMetrics().lineSpacing() * 4 + 12);

  auto* layout = new QVBoxLayout(ut_frame_);
  layout->addWidget(user_list_, 1);
  auto* count_row = new QHBoxLayout;
  count_row->addWidget(ul_count_, 1);
  count_row->addWidget(handle_screen_name_);
  count_row->addWidget(handle_user_id_);
  layout->addLayout(count_row);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(get_all_utl_);
  buttons->addWidget(update_utl_);
  buttons->addStretch(1);
  layout->addLayout(buttons);
  auto* history_row = new QHBoxLayout;
  history_row->addWidget(new QLabel(QStringLiteral("Sessions:"), ut_frame_));
  history_row->addWidget(utl_history_, 1);
  history_row->addWidget(utl_history_clear_);
  layout->addLayout(history_row);
  layout->addWidget(user_meta_);
  return ut_frame_;
}

QWidget* MainWindowWidget::BuildFollowersFrame() {
  auto* frame = new QGroupBox(QStringLiteral("Get Followers/Friends of"), this);
  frame->setObjectName(QStringLiteral("GUFFrame"));
  guf_op_[0] = Radio(QStringLiteral("Selected Users"), "GUFOp0", frame);
  guf_op_[1] = Radio(QStringLiteral("This ScreenName"), "GUFOp1", frame);
  guf_op_[2] = Radio(QStringLiteral("This User Id"), "GUFOp2", frame);
  guf_op_[0]->setChecked(true);
  auto* ops = new QButtonGroup(frame);
  guf_id_ = new QLineEdit(frame);
  guf_id_->setObjectName(QStringLiteral("GUF_Id"));
  guf_id_->setPlaceholderText(QStringLiteral("Screen name or user id"));
  connect(guf_id_, &QLineEdit::textEdited, this,
          [this](const QString& text) { model_.SetGUF_Id(FromQ(text)); });
  get_ff_[0] = Button(QStringLiteral("Get Followers"), "GetFF0", frame);
  get_ff_[1] = Button(QStringLiteral("Get Friends"), "GetFF1", frame);
  get_ff_[0]->setToolTip(QStringLiteral("Each account's followers into a new user table"));
  get_ff_[1]->setToolTip(QStringLiteral("Each account's friends into a new user table"));
  for (int i = 0; i < 2; ++i) {
    connect(get_ff_[static_cast<std::size_t>(i)], &QPushButton::clicked, this,
            [this, i] { model_.GetFF_Click(i); });
  }

  auto* layout = new QGridLayout(frame);
  for (int i = 0; i < 3; ++i) {
    ops->addButton(guf_op_[static_cast<std::size_t>(i)], i);
    layout->addWidget(guf_op_[static_cast<std::size_t>(i)], 0, i);
  }
  connect(ops, &QButtonGroup::idClicked, this, [this](int id) { model_.GUFOp_Click(id); });
  layout->addWidget(guf_id_, 1, 0, 1, 3);
  layout->addWidget(get_ff_[0], 2, 0);
  layout->addWidget(get_ff_[1], 2, 1);
  return frame;
}

void MainWindowWidget::BuildTweetTable() {
  out_table_ = new QTableView(this);
  out_table_->setObjectName(QStringLiteral("OutTable"));
  out_table_->setModel(tweet_model_);
  out_table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  out_table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  out_table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  out_table_->setWordWrap(false);
  out_table_->setAlternatingRowColors(true);
  out_table_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  // Row heights are fixed and there are no row headers, so hundreds of thousands of rows cost
  // nothing until they scroll into view.
  QHeaderView* rows = out_table_->verticalHeader();
  rows->setVisible(false);
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setDefaultSectionSize(out_table_->fontMetrics().height() + 6);
  QHeaderView* columns = out_table_->horizontalHeader();
  columns->setSectionsClickable(true);
  columns->setHighlightSections(false);
  columns->setSectionResizeMode(QHeaderView::Interactive);
  columns->setStretchLastSection(false);
  connect(columns, &QHeaderView::sectionClicked, this,
          [this](int section) { model_.OutTable_ColumnClick(section + 1); });
  connect(columns, &QHeaderView::sectionResized, this, &MainWindowWidget::TweetColumnResized);

  out_table_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(out_table_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    const QModelIndex index = out_table_->indexAt(pos);
    if (!index.isValid()) return;
    out_table_->selectRow(index.row());
    model_.OutTable_MouseUp(MainWindow::MouseButton::Right, index.row());
    // Captions name the row's link and author; the "Go to" item hides for a blank link.
    const MainWindow::TweetMenu& m = model_.mTweet();
    const auto set = [this](const char* name, const std::string& caption) {
      if (auto* a = tweet_menu_->findChild<QAction*>(QString::fromLatin1(name))) {
        // A single "&" would underline the next letter: show it as written.
        a->setText(ToQ(caption).replace(QChar('&'), QStringLiteral("&&")));
      }
    };
    set("mNavLinkURL", m.nav_link_caption);
    set("mNavUserTwitter", m.nav_user_caption);
    set("mAddU2UL", m.add_user_caption);
    set("mDelUFUL", m.delete_user_caption);
    set("mDelUsersTweets", m.delete_users_tweets_caption);
    if (auto* a = tweet_menu_->findChild<QAction*>(QStringLiteral("mNavLinkURL"))) {
      a->setVisible(m.nav_link_visible);
    }
    tweet_menu_->popup(out_table_->viewport()->mapToGlobal(pos));
  });
  auto* copy = new QAction(QStringLiteral("Copy"), out_table_);
  copy->setShortcut(QKeySequence::Copy);
  copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  connect(copy, &QAction::triggered, this, &MainWindowWidget::CopyTweetRows);
  out_table_->addAction(copy);
}

QWidget* MainWindowWidget::BuildUserTablesFrame() {
  auto* frame = new QGroupBox(QStringLiteral("User Tables"), this);
  frame->setObjectName(QStringLiteral("UTTablesFrame"));

  ut_toggle_tweets_ = Radio(QStringLiteral("Tweets"), "UTToggle0", frame);
  ut_toggle_other_ = Radio(QStringLiteral("Other:"), "UTToggle1", frame);
  auto* toggle = new QButtonGroup(frame);
  toggle->addButton(ut_toggle_tweets_, 0);
  toggle->addButton(ut_toggle_other_, 1);
  ut_toggle_tweets_->setChecked(true);
  // The model may refuse the switch ("Other:" with no table): the buttons show its word.
  connect(toggle, &QButtonGroup::idClicked, this, [this](int id) {
    model_.UTToggle_Click(id);
    RefreshUserTables();
  });
  ut_list_ = new QListWidget(frame);
  ut_list_->setObjectName(QStringLiteral("UTList"));
  ut_list_->setToolTip(QStringLiteral("User tables opened from files; double-click to rename"));
  // Clicks only: the list is rebuilt from the model, which must not echo back as clicks.
  connect(ut_list_, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { model_.UTList_Click(ut_list_->row(item)); });
  connect(ut_list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    model_.UTList_Click(ut_list_->row(item));
    model_.UTList_DblClick();
  });
  add_ut_ = Button(QStringLiteral("Add"), "MergeRemUT0", frame);
  add_ut_->setToolTip(
      QStringLiteral("Add the users of the table on show to the Tweets table (users it already "
                     "holds are skipped)"));
  connect(add_ut_, &QPushButton::clicked, this, [this] { model_.MergeRemUT_Click(0); });
  remove_ut_ = Button(QStringLiteral("Remove"), "AddRemUT1", frame);
  remove_ut_->setToolTip(QStringLiteral("Remove the selected table"));
  connect(remove_ut_, &QPushButton::clicked, this, [this] { model_.AddRemUT_Click(1); });
  build_tweets_ut_ = Button(QStringLiteral("Build Table"), "BuildTweetsUT", frame);
  build_tweets_ut_->setToolTip(QStringLiteral("Look up the authors of the tweets in the table"));
  connect(build_tweets_ut_, &QPushButton::clicked, this, [this] { model_.BuildTweetsUT_Click(); });
  get_uttl_ = Button(QStringLiteral("Get User Timelines"), "GetUTTL", frame);
  get_uttl_->setToolTip(
      QStringLiteral("Retrieves recent tweets and derives behavioural statistics for selected "
                     "users. Required by Profilo"));
  connect(get_uttl_, &QPushButton::clicked, this, [this] { model_.GetUTTL_Click(); });

  auto* filter = new QGroupBox(QStringLiteral("Filter Checked Rows"), frame);
  filter->setObjectName(QStringLiteral("FilterFrame"));
  auto* filter_layout = new QGridLayout(filter);
  filter_layout->setContentsMargins(6, 4, 6, 4);
  filter_layout->setVerticalSpacing(2);
  filter_mode_[0] = Radio(QStringLiteral("Remove"), "FilterMode0", filter);
  filter_mode_[1] = Radio(QStringLiteral("Retain"), "FilterMode1", filter);
  filter_mode_[0]->setChecked(true);
  auto* modes = new QButtonGroup(filter);
  modes->addButton(filter_mode_[0], 0);
  modes->addButton(filter_mode_[1], 1);
  connect(modes, &QButtonGroup::idClicked, this, [this](int id) { model_.FilterMode_Click(id); });
  filter_layout->addWidget(filter_mode_[0], 0, 0);
  filter_layout->addWidget(filter_mode_[1], 0, 1);
  auto* entities = new QButtonGroup(filter);
  static constexpr std::array<const char*, 3> kEntities = {"Tweets and Users", "Users only",
                                                           "Tweets only"};
  static constexpr std::array<const char*, 3> kEntityNames = {"FilterEntity0", "FilterEntity1",
                                                              "FilterEntity2"};
  for (std::size_t i = 0; i < 3; ++i) {
    filter_entity_[i] = Radio(QString::fromLatin1(kEntities[i]), kEntityNames[i], filter);
    if (i == 0) filter_entity_[i]->setChecked(true);
    entities->addButton(filter_entity_[i], static_cast<int>(i));
    filter_layout->addWidget(filter_entity_[i], 1 + static_cast<int>(i), 0, 1, 2);
  }
  connect(entities, &QButtonGroup::idClicked, this,
          [this](int id) { model_.FilterEntity_Click(id); });
  filter_apply_ = Button(QStringLiteral("Apply"), "MergeRemUT1", filter);
  filter_apply_->setToolTip(
      QStringLiteral("Remove or retain the checked users of the table on show and their tweets"));
  connect(filter_apply_, &QPushButton::clicked, this, [this] { model_.MergeRemUT_Click(1); });
  filter_layout->addWidget(filter_apply_, 4, 0, 1, 2);

  user_table_ = new QTableView(frame);
  user_table_->setObjectName(QStringLiteral("UserTable"));
  user_table_->setModel(user_table_model_);
  user_table_model_->SetTickHandler(
      [this](int row, bool ticked) { model_.UserTable_ItemCheck(row, ticked); });
  user_table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  user_table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  user_table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  user_table_->setWordWrap(false);
  user_table_->setAlternatingRowColors(true);
  user_table_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  user_table_->verticalHeader()->setVisible(false);
  user_table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  user_table_->verticalHeader()->setDefaultSectionSize(user_table_->fontMetrics().height() + 6);
  QHeaderView* header = user_table_->horizontalHeader();
  header->setSectionsClickable(true);
  header->setHighlightSections(false);
  // The model sorts (and keeps) the rows; the header only reports the click.
  connect(header, &QHeaderView::sectionClicked, this,
          [this](int section) { model_.UserTable_ColumnClick(section); });
  connect(user_table_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
    if (index.isValid()) model_.UserTable_DblClick(index.row());
  });
  user_table_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(user_table_, &QWidget::customContextMenuRequested, this,
          &MainWindowWidget::ShowUserTableMenu);
  // The highlighted rows are what "Selected Users" of the followers frame takes.
  connect(user_table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &MainWindowWidget::UserTableSelectionChanged);
  auto* copy = new QAction(QStringLiteral("Copy"), user_table_);
  copy->setShortcut(QKeySequence::Copy);
  copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  connect(copy, &QAction::triggered, this, &MainWindowWidget::CopyUserRows);
  user_table_->addAction(copy);
  // The user tables keep no widths of their own in prefs: every column starts at 1000 twips.
  const int width = TwipsToPixels(kDefaultUserColumnTwips, Dpi());
  for (int c = 0; c < kUserTableColumnCount; ++c) user_table_->setColumnWidth(c, width);
  // Reopening a user timeline session rebuilds the user list from its tweets.
  model_.SetGetUsersFromTweets([this] { model_.mGetUFT_Click(); });

  auto* side = new QVBoxLayout;
  side->setSpacing(4);
  side->addWidget(ut_toggle_tweets_);
  side->addWidget(ut_toggle_other_);
  side->addWidget(ut_list_, 1);
  auto* add_remove = new QHBoxLayout;
  add_remove->addWidget(add_ut_);
  add_remove->addWidget(remove_ut_);
  side->addLayout(add_remove);
  side->addWidget(build_tweets_ut_);
  side->addWidget(get_uttl_);
  side->addWidget(filter);
  ut_list_->setMaximumWidth(200);

  auto* layout = new QHBoxLayout(frame);
  layout->addLayout(side);
  layout->addWidget(user_table_, 1);
  return frame;
}

void MainWindowWidget::ShowUserTableMenu(const QPoint& pos) {
  // "Select Cases Down To This Row" needs a highlighted row: the one clicked on becomes it,
  // unless it is highlighted already (a highlighted block stays).
  const QModelIndex index = user_table_->indexAt(pos);
  if (index.isValid() &&
      !user_table_->selectionModel()->isRowSelected(index.row(), QModelIndex())) {
    user_table_->selectRow(index.row());
  }
  user_table_menu_->popup(user_table_->viewport()->mapToGlobal(pos));
}

QWidget* MainWindowWidget::BuildRequestLogFrame() {
  auto* frame = new QGroupBox(QStringLiteral("Request Log"), this);
  frame->setObjectName(QStringLiteral("LogFrame"));

  progress_ = new QListWidget(frame);
  progress_->setObjectName(QStringLiteral("Progress"));
  progress_->setSelectionMode(QAbstractItemView::SingleSelection);
  progress_->setUniformItemSizes(true);
  progress_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(progress_, &QListWidget::clicked, this,
          [this](const QModelIndex& index) { model_.Progress_Click(index.row()); });
  connect(progress_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { log_menu_->popup(progress_->viewport()->mapToGlobal(pos)); });
  auto* copy = new QAction(QStringLiteral("Copy"), progress_);
  copy->setShortcut(QKeySequence::Copy);
  copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  connect(copy, &QAction::triggered, this, &MainWindowWidget::CopyLogLines);
  progress_->addAction(copy);

  last_get_ = new QPlainTextEdit(frame);
  last_get_->setObjectName(QStringLiteral("LastGET"));
  last_get_->setReadOnly(true);
  last_get_->setToolTip(QStringLiteral("Text of the last API response"));
  last_get_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  last_get_->setLineWrapMode(QPlainTextEdit::WidgetWidth);

  quit_get_ = Button(QStringLiteral("Cancel"), "QuitGet", frame);
  quit_get_->setToolTip(QStringLiteral("Stop the running retrieval"));
  connect(quit_get_, &QPushButton::clicked, this, [this] { model_.QuitGet_Click(); });

  auto* layout = new QVBoxLayout(frame);
  layout->addWidget(progress_, 3);
  layout->addWidget(new QLabel(QStringLiteral("Last response:"), frame));
  layout->addWidget(last_get_, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(quit_get_);
  layout->addLayout(buttons);
  return frame;
}

void MainWindowWidget::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("InfoBar"));
  bar->setSizeGripEnabled(true);
  // Panels 1 and 2 (counts) take a sixth of the width each, 3 and 4 (quota) a third.
  static constexpr std::array<int, 4> kStretch = {1, 1, 2, 2};
  for (std::size_t i = 0; i < info_bar_.size(); ++i) {
    auto* panel = new QLabel(bar);
    panel->setObjectName(QStringLiteral("InfoBar%1").arg(i + 1));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // Long quota texts are cut rather than widening the window.
    panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    panel->setMinimumWidth(40);
    bar->addWidget(panel, kStretch[i]);
    info_bar_[i] = panel;
  }
  progress_bar_ = new QProgressBar(bar);
  progress_bar_->setObjectName(QStringLiteral("RetrievalProgress"));
  progress_bar_->setRange(0, 1000);
  progress_bar_->setFixedWidth(220);
  progress_bar_->setVisible(false);
  bar->addPermanentWidget(progress_bar_);
  api_version_ = new QLabel(bar);
  api_version_->setObjectName(QStringLiteral("ApiVersion"));
  bar->addPermanentWidget(api_version_);
}

void MainWindowWidget::SetTabOrder() {
  const std::vector<QWidget*> order = {
      search_query_,   search_help_, get_search_,       update_search_,    early_date_,
      use_loc_,        qp_history_,  qp_history_clear_, user_list_,        handle_screen_name_,
      handle_user_id_, get_all_utl_, update_utl_,       utl_history_,      utl_history_clear_,
      user_meta_,      guf_op_[0],   guf_op_[1],        guf_op_[2],        guf_id_,
      get_ff_[0],      get_ff_[1],   out_table_,        ut_toggle_tweets_, ut_toggle_other_,
      ut_list_,        add_ut_,      remove_ut_,        build_tweets_ut_,  get_uttl_,
      user_table_,     progress_,    last_get_,         quit_get_};
  for (std::size_t i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
}

// ---- Model to widgets --------------------------------------------------------------------

void MainWindowWidget::OnModelChanged(unsigned changes) {
  if ((changes & kTweetsChanged) != 0) RefreshTweets();
  if ((changes & kCaptionChanged) != 0) RefreshCaption();
  if ((changes & kStatusChanged) != 0) RefreshStatus();
  if ((changes & kLogChanged) != 0) RefreshLog();
  if ((changes & kHistoryChanged) != 0) RefreshHistory();
  if ((changes & kControlsChanged) != 0) RefreshControls();
  if ((changes & kUserListChanged) != 0) RefreshUserList();
  if ((changes & kUserTablesChanged) != 0) RefreshUserTables();
  if ((changes & kWindowChanged) != 0) RefreshWindow();
}

void MainWindowWidget::RefreshTweets() {
  applying_widths_ = true;
  tweet_model_->Reset();
  ApplyTweetColumnWidths();
  QHeaderView* header = out_table_->horizontalHeader();
  const bool sorted = model_.SortTweetsChecked();
  header->setSortIndicatorShown(sorted);
  const auto order = model_.OutTable().Descending() ? Qt::DescendingOrder : Qt::AscendingOrder;
  if (sorted) header->setSortIndicator(model_.OutTable().SortKey(), order);
  sort_action_->setChecked(sorted);
  applying_widths_ = false;
}

void MainWindowWidget::RefreshCaption() {
  setWindowTitle(EscapeWindowTitle(ToQ(model_.Caption())));
}

void MainWindowWidget::RefreshStatus() {
  api_version_->setText(ToQ(model_.ApiVersionText()));
  api_version_->setVisible(model_.ApiV2Checked());
  const auto& panels = model_.InfoBar();
  for (std::size_t i = 0; i < info_bar_.size(); ++i) {
    const QString text = PanelText(panels[i]);
    info_bar_[i]->setText(text);
    info_bar_[i]->setToolTip(text);
  }
  const double fraction = model_.ProgressFraction();
  progress_bar_->setVisible(fraction >= 0);
  if (fraction >= 0) {
    progress_bar_->setValue(static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 1000));
    QString text = ToQ(model_.ProgressText());
    progress_bar_->setToolTip(text);
    // The bar's format treats "%" as the start of a placeholder.
    text.replace(QChar('%'), QStringLiteral("%%"));
    progress_bar_->setFormat(text);
    progress_bar_->setTextVisible(!text.isEmpty());
  }
}

void MainWindowWidget::RefreshLog() {
  const RequestLog& log = model_.Progress();
  const auto& lines = log.Lines();
  const int count = log.Count();
  const QSignalBlocker block(progress_);
  // Retrievals rewrite the last line after every page: update in place rather than rebuild.
  while (progress_->count() > count) delete progress_->takeItem(progress_->count() - 1);
  for (int i = 0; i < count; ++i) {
    const QString text = ToQ(lines[static_cast<std::size_t>(i)]);
    if (i < progress_->count()) {
      QListWidgetItem* item = progress_->item(i);
      if (item->text() != text) item->setText(text);
    } else {
      progress_->addItem(text);
    }
  }
  const int selected = log.Selected();
  progress_->setCurrentRow(selected);
  if (selected >= 0) progress_->scrollToItem(progress_->item(selected));
  progress_->setToolTip(ToQ(log.ToolTip()));

  if (model_.LastGET() != shown_last_get_) {
    shown_last_get_ = model_.LastGET();
    last_get_->setPlainText(ToQ(shown_last_get_));
  }
}

void MainWindowWidget::RefreshHistory() {
  SetHistoryEntries(qp_history_, model_.QPHistory());
  SetHistoryEntries(utl_history_, model_.UTLHistory());
}

void MainWindowWidget::RefreshControls() {
  const QString query = ToQ(model_.SearchQuery());
  if (search_query_->text() != query) search_query_->setText(query);
  // Setting an equal value would still move the cursor of a date being typed.
  if (const QDateTime early = ToQDateTime(model_.EarlyDate()); early_date_->dateTime() != early) {
    const QSignalBlocker block(early_date_);
    early_date_->setDateTime(early);
  }
  use_loc_->setChecked(model_.UseLoc());
  QString settings = ToQ(model_.SearchLanguageText());
  if (!model_.SearchLocation().empty()) {
    settings += QStringLiteral("   Location: ") + ToQ(model_.SearchLocation());
  }
  search_settings_->setText(settings);
  sort_action_->setChecked(model_.SortTweetsChecked());
  headers_action_->setChecked(model_.HeadersChecked());
  archive_action_->setChecked(model_.ArchiveChecked());
  full_text_action_->setChecked(model_.FullTextChecked());
  api_v2_action_->setChecked(model_.ApiV2Checked());
  full_archive_action_->setChecked(model_.FullArchiveChecked());
  update_search_->setEnabled(model_.UpdateSearchEnabled());
  vb_date_time_action_->setChecked(model_.VBDateTimeChecked());
  ul_count_->setText(ToQ(model_.ULCount()));

  ut_frame_->setEnabled(model_.UTFrameEnabled());
  update_utl_->setEnabled(model_.UpdateUTLEnabled());
  (model_.UserHandle() == 1 ? handle_user_id_ : handle_screen_name_)->setChecked(true);
  sel_all_ul_action_->setText(ToQ(model_.SelAllULCaption()));
  if (const QString meta = ToQ(model_.UserMeta()); user_meta_->toPlainText() != meta) {
    user_meta_->setPlainText(meta);
  }
  const auto op = static_cast<std::size_t>(std::clamp(model_.GUFOp(), 0, 2));
  guf_op_[op]->setChecked(true);
  guf_id_->setEnabled(model_.GUF_IdEnabled());
  // Rewriting an unchanged text would move the cursor while the user types.
  if (const QString id = ToQ(model_.GUF_Id()); guf_id_->text() != id) guf_id_->setText(id);
  // A follower list writes its own counts into the status bar while the tick is off; once
  // the window has closed the timer stays stopped.
  if (!model_.Timer1Enabled()) {
    timer1_->stop();
  } else if (!timer1_->isActive() && !model_.Closed()) {
    timer1_->start();
  }
}

void MainWindowWidget::RefreshUserList() {
  syncing_user_list_ = true;
  user_list_model_->Reset();
  const UserList& list = model_.Users();
  user_list_->setToolTip(ToQ(list.ToolTip()));
  if (list.Current() >= 0) {
    user_list_->setCurrentIndex(user_list_model_->index(list.Current(), 0));
  } else {
    user_list_->selectionModel()->clear();
  }
  syncing_user_list_ = false;
  ul_count_->setText(ToQ(model_.ULCount()));
}

void MainWindowWidget::RefreshUserTables() {
  user_table_model_->ShowTable(model_.CurrentUserTable());
  ut_toggle_tweets_->setChecked(model_.UTToggle() == 0);
  ut_toggle_other_->setChecked(model_.UTToggle() == 1);
  const std::vector<std::string> names = model_.UTListEntries();
  {
    const QSignalBlocker block(ut_list_);
    bool same = ut_list_->count() == static_cast<int>(names.size());
    for (int i = 0; same && i < ut_list_->count(); ++i) {
      same = ut_list_->item(i)->text() == ToQ(names[static_cast<std::size_t>(i)]);
    }
    if (!same) {
      ut_list_->clear();
      for (const std::string& name : names) ut_list_->addItem(ToQ(name));
    }
    ut_list_->setCurrentRow(model_.UTListSelected());
  }
  remove_ut_->setEnabled(model_.UTListSelected() >= 0);
  add_ut_->setEnabled(model_.CurrentUserTable() != 0);
  const int mode = std::clamp(model_.FilterMode(), 0, 1);
  filter_mode_[static_cast<std::size_t>(mode)]->setChecked(true);
  const int entity = std::clamp(model_.FilterEntity(), 0, 2);
  filter_entity_[static_cast<std::size_t>(entity)]->setChecked(true);
  const auto& tables = model_.UserTables();
  if (model_.CurrentUserTable() >= 0 &&
      model_.CurrentUserTable() < static_cast<int>(tables.size())) {
    const UserTableView& t = tables[static_cast<std::size_t>(model_.CurrentUserTable())];
    QHeaderView* header = user_table_->horizontalHeader();
    header->setSortIndicatorShown(t.Sorted());
    header->setSortIndicator(t.SortKey(),
                             t.Descending() ? Qt::DescendingOrder : Qt::AscendingOrder);
  }
  SyncUserTableSelection();
  // A running command's row stays in view.
  if (const int row = model_.UserTableScrollRow();
      row >= 0 && row < user_table_model_->rowCount()) {
    user_table_->scrollTo(user_table_model_->index(row, 0));
  }
}

void MainWindowWidget::SyncUserTableSelection() {
  // Inside the user's own change the view already shows the truth, which the model is still
  // being told row by row.
  if (syncing_user_table_) return;
  const auto& tables = model_.UserTables();
  const int current = model_.CurrentUserTable();
  QItemSelection wanted;
  if (current >= 0 && current < static_cast<int>(tables.size())) {
    const auto& rows = tables[static_cast<std::size_t>(current)].Rows();
    const int last_column = user_table_model_->columnCount() - 1;
    // Runs of highlighted rows as ranges: one range per run, not one per row.
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
      if (!rows[static_cast<std::size_t>(r)].selected) continue;
      const int first = r;
      while (r + 1 < static_cast<int>(rows.size()) &&
             rows[static_cast<std::size_t>(r) + 1].selected)
        ++r;
      wanted.select(user_table_model_->index(first, 0), user_table_model_->index(r, last_column));
    }
  }
  syncing_user_table_ = true;
  user_table_->selectionModel()->select(wanted, QItemSelectionModel::ClearAndSelect);
  syncing_user_table_ = false;
}

void MainWindowWidget::UserTableSelectionChanged(const QItemSelection& selected,
                                                 const QItemSelection& deselected) {
  if (syncing_user_table_) return;
  // A row counts once however many of its cells the change names; rows still partly
  // selected after a deselection stay selected.
  const auto rows_of = [](const QItemSelection& s) {
    std::vector<int> rows;
    for (const QItemSelectionRange& range : s) {
      for (int r = range.top(); r <= range.bottom(); ++r) rows.push_back(r);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
  };
  const QItemSelectionModel* sm = user_table_->selectionModel();
  syncing_user_table_ = true;
  for (const int r : rows_of(deselected)) {
    if (!sm->rowIntersectsSelection(r, QModelIndex())) model_.UserTable_SelectRow(r, false);
  }
  for (const int r : rows_of(selected)) model_.UserTable_SelectRow(r, true);
  syncing_user_table_ = false;
}

void MainWindowWidget::RefreshWindow() {
  setEnabled(model_.Enabled());
  if (model_.Enabled() && isVisible()) {
    raise();
    activateWindow();
  }
}

// ---- Column widths -----------------------------------------------------------------------

void MainWindowWidget::ApplyTweetColumnWidths() {
  const bool was_applying = applying_widths_;
  applying_widths_ = true;
  const double dpi = Dpi();
  const auto& widths = model_.OutTable().Widths();
  for (int c = 0; c < TweetView::kColumns; ++c) {
    out_table_->setColumnWidth(c, TwipsToPixels(widths[static_cast<std::size_t>(c)], dpi));
  }
  applying_widths_ = was_applying;
}

void MainWindowWidget::TweetColumnResized(int column, int /*old_size*/, int new_size) {
  // Only the user's dragging counts: widths set from the model must not come back rounded.
  if (applying_widths_ || column < 0 || column >= TweetView::kColumns) return;
  model_.MutableOutTable().SetWidth(column, PixelsToTwips(new_size, Dpi()));
}

// ---- Copy and find -----------------------------------------------------------------------

void MainWindowWidget::CopyTweetRows() {
  const std::vector<int> rows = SelectedRows(out_table_);
  if (rows.empty()) return;
  ui_.SetClipboardText(TweetRowsAsText(model_.OutTable(), rows));
}

void MainWindowWidget::CopyUserRows() {
  const std::vector<int> rows = SelectedRows(user_table_);
  const auto& tables = model_.UserTables();
  const int current = model_.CurrentUserTable();
  if (rows.empty() || current < 0 || current >= static_cast<int>(tables.size())) return;
  ui_.SetClipboardText(UserRowsAsText(tables[static_cast<std::size_t>(current)], rows));
}

void MainWindowWidget::CopyLogLines() {
  const RequestLog& log = model_.Progress();
  const int row = progress_->currentRow();
  if (row < 0 || row >= log.Count()) return;
  ui_.SetClipboardText(log.Lines()[static_cast<std::size_t>(row)] + "\r\n");
}

void MainWindowWidget::FindInLog(bool again) {
  const RequestLog& log = model_.Progress();
  if (!again || find_text_.empty()) {
    const auto answer = ui_.InputBox("Find in the request log:", "Find", find_text_);
    if (!answer || answer->empty()) return;
    find_text_ = *answer;
  }
  const QString wanted = ToQ(find_text_);
  const int count = log.Count();
  const int start = progress_->currentRow();
  for (int step = 1; step <= count; ++step) {
    const int row = (start + step) % count;
    if (ToQ(log.Lines()[static_cast<std::size_t>(row)]).contains(wanted, Qt::CaseInsensitive)) {
      model_.Progress_Click(row);
      progress_->setCurrentRow(row);
      progress_->scrollToItem(progress_->item(row));
      progress_->setFocus();
      return;
    }
  }
  ui_.MessageBox("\"" + find_text_ + "\" was not found in the request log.", MsgButtons::Ok,
                 MsgIcon::Information, kAppTitle);
}

// ---- Closing -----------------------------------------------------------------------------

void MainWindowWidget::closeEvent(QCloseEvent* event) {
  if (!model_.Form_QueryUnload()) {
    event->ignore();
    return;
  }
  timer1_->stop();
  event->accept();
  emit Closed();
}

}  // namespace wf::gui
