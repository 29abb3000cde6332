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
          [this] { model_.Search().SearchQuery_LostFocus(); });
  search_help_ = new QToolButton(frame);
  search_help_->setObjectName(QStringLiteral("SearchHelp"));
  search_help_->setText(QStringLiteral("?"));
  search_help_->setToolTip(QStringLiteral("Search operators (opens the web documentation)"));
  connect(search_help_, &QToolButton::clicked, this,
          [this] { model_.Search().SearchHelp_Click(); });

  get_search_ = Button(QStringLiteral("Search"), "GetSrch", frame);
  get_search_->setToolTip(QStringLiteral("Retrieve the tweets matching the query"));
  connect(get_search_, &QPushButton::clicked, this, [this] { model_.Search().GetSrch_Click(); });
  update_search_ = Button(QStringLiteral("Update"), "UpdateSearch", frame);
  update_search_->setToolTip(QStringLiteral("Retrieve only tweets newer than those in the table"));
  connect(update_search_, &QPushButton::clicked, this,
          [this] { model_.Search().UpdateSearch_Click(); });

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
    model_.Sessions().UseLoc_Click(ticked);
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
          [this](int index) { model_.Sessions().QPHistory_Click(index); });
  qp_history_clear_ = ClearHistoryButton("HistoryItemClear1", frame);
  connect(qp_history_clear_, &QToolButton::clicked, this,
          [this] { model_.Sessions().HistoryItemClear_Click(1); });

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
      [this](int row, bool ticked) { model_.UserListPanel().UserList_ItemCheck(row, ticked); });
  // The current entry moves by mouse and by keys alike; moves the model makes itself come
  // back through RefreshUserList and must not be sent to it again.
  connect(user_list_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            if (!syncing_user_list_ && current.isValid())
              model_.UserListPanel().UserList_Click(current.row());
          });
  connect(user_list_, &QListView::doubleClicked, this,
          [this](const QModelIndex& index) { model_.Timelines().UserList_DblClick(index.row()); });
  // The usual keys on the list itself, so they do not take Copy away from the tables.
  const auto list_key = [this](QKeySequence key, std::function<void()> handler) {
    auto* action = new QAction(user_list_);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(action, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
    user_list_->addAction(action);
  };
  list_key(QKeySequence::Copy, [this] { model_.UserListPanel().mCopyUL_Click(); });
  list_key(QKeySequence::Paste, [this] { model_.UserListPanel().mPasteUL_Click(); });
  list_key(QKeySequence::Delete, [this] { model_.UserListPanel().mDeleteUser_Click(); });

  ul_count_ = new QLabel(ut_frame_);
  ul_count_->setObjectName(QStringLiteral("ULCount"));
  handle_screen_name_ = Radio(QStringLiteral("Screen Name"), "UserHandle0", ut_frame_);
  handle_user_id_ = Radio(QStringLiteral("User Id"), "UserHandle1", ut_frame_);
  handle_screen_name_->setChecked(true);
  auto* handles = new QButtonGroup(ut_frame_);
  handles->addButton(handle_screen_name_, 0);
  handles->addButton(handle_user_id_, 1);
  connect(handles, &QButtonGroup::idClicked, this,
          [this](int id) { model_.UserListPanel().UserHandle_Click(id); });

  get_all_utl_ = Button(QStringLiteral("Get All"), "GetAllUTL", ut_frame_);
  get_all_utl_->setToolTip(QStringLiteral("Retrieve the timelines of the checked users"));
  connect(get_all_utl_, &QPushButton::clicked, this,
          [this] { model_.Timelines().GetAllUTL_Click(); });
  update_utl_ = Button(QStringLiteral("Update"), "UpdateUTL", ut_frame_);
  update_utl_->setToolTip(QStringLiteral("Retrieve only tweets newer than those in the table"));
  connect(update_utl_, &QPushButton::clicked, this,
          [this] { model_.Timelines().UpdateUTL_Click(); });

  utl_history_ = HistoryCombo(
      "UTLHistory", QStringLiteral("Open data and user list from a recently saved session"),
      ut_frame_);
  connect(utl_history_, qOverload<int>(&QComboBox::activated), this,
          [this](int index) { model_.Sessions().UTLHistory_Click(index); });
  utl_history_clear_ = ClearHistoryButton("HistoryItemClear0", ut_frame_);
  connect(utl_history_clear_, &QToolButton::clicked, this,
          [this] { model_.Sessions().HistoryItemClear_Click(0); });

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
          [this](const QString& text) { model_.Followers().SetGUF_Id(FromQ(text)); });
  get_ff_[0] = Button(QStringLiteral("Get Followers"), "GetFF0", frame);
  get_ff_[1] = Button(QStringLiteral("Get Friends"), "GetFF1", frame);
  get_ff_[0]->setToolTip(QStringLiteral("Each account's followers into a new user table"));
  get_ff_[1]->setToolTip(QStringLiteral("Each account's friends into a new user table"));
  connect(get_ff_[0], &QPushButton::clicked, this,
          [this] { model_.Followers().GetFF_Click(FollowList::kFollowers); });
  connect(get_ff_[1], &QPushButton::clicked, this,
          [this] { model_.Followers().GetFF_Click(FollowList::kFriends); });

  auto* layout = new QGridLayout(frame);
  for (int i = 0; i < 3; ++i) {
    ops->addButton(guf_op_[static_cast<std::size_t>(i)], i);
    layout->addWidget(guf_op_[static_cast<std::size_t>(i)], 0, i);
  }
  connect(ops, &QButtonGroup::idClicked, this,
          [this](int id) { model_.Followers().GUFOp_Click(id); });
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
          [this](int section) { model_.TweetEdit().OutTable_ColumnClick(section + 1); });
  connect(columns, &QHeaderView::sectionResized, this, &MainWindowWidget::TweetColumnResized);

  out_table_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(out_table_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    const QModelIndex index = out_table_->indexAt(pos);
    if (!index.isValid()) return;
    out_table_->selectRow(index.row());
    model_.TweetEdit().OutTable_MouseUp(TweetEditPart::MouseButton::Right, index.row());
    // Captions name the row's link and author; the "Go to" item hides for a blank link.
    const TweetEditPart::TweetMenu& m = model_.TweetEdit().mTweet();
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

}  // namespace wf::gui
