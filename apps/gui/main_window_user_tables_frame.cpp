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
    model_.UserTables().UTToggle_Click(id);
    RefreshUserTables();
  });
  ut_list_ = new QListWidget(frame);
  ut_list_->setObjectName(QStringLiteral("UTList"));
  ut_list_->setToolTip(QStringLiteral("User tables opened from files; double-click to rename"));
  // Clicks only: the list is rebuilt from the model, which must not echo back as clicks.
  connect(ut_list_, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { model_.UserTables().UTList_Click(ut_list_->row(item)); });
  connect(ut_list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    model_.UserTables().UTList_Click(ut_list_->row(item));
    model_.UserTables().UTList_DblClick();
  });
  add_ut_ = Button(QStringLiteral("Add"), "MergeRemUT0", frame);
  add_ut_->setToolTip(
      QStringLiteral("Add the users of the table on show to the Tweets table (users it already "
                     "holds are skipped)"));
  connect(add_ut_, &QPushButton::clicked, this,
          [this] { model_.UserTables().MergeRemUT_Click(0); });
  remove_ut_ = Button(QStringLiteral("Remove"), "AddRemUT1", frame);
  remove_ut_->setToolTip(QStringLiteral("Remove the selected table"));
  connect(remove_ut_, &QPushButton::clicked, this,
          [this] { model_.UserTables().AddRemUT_Click(1); });
  build_tweets_ut_ = Button(QStringLiteral("Build Table"), "BuildTweetsUT", frame);
  build_tweets_ut_->setToolTip(QStringLiteral("Look up the authors of the tweets in the table"));
  connect(build_tweets_ut_, &QPushButton::clicked, this,
          [this] { model_.UserTables().BuildTweetsUT_Click(); });
  get_uttl_ = Button(QStringLiteral("Get User Timelines"), "GetUTTL", frame);
  get_uttl_->setToolTip(
      QStringLiteral("Retrieves recent tweets and derives behavioural statistics for selected "
                     "users. Required by Profilo"));
  connect(get_uttl_, &QPushButton::clicked, this, [this] { model_.UserTables().GetUTTL_Click(); });

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
  connect(modes, &QButtonGroup::idClicked, this,
          [this](int id) { model_.UserTables().FilterMode_Click(id); });
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
          [this](int id) { model_.UserTables().FilterEntity_Click(id); });
  filter_apply_ = Button(QStringLiteral("Apply"), "MergeRemUT1", filter);
  filter_apply_->setToolTip(
      QStringLiteral("Remove or retain the checked users of the table on show and their tweets"));
  connect(filter_apply_, &QPushButton::clicked, this,
          [this] { model_.UserTables().MergeRemUT_Click(1); });
  filter_layout->addWidget(filter_apply_, 4, 0, 1, 2);

  user_table_ = new QTableView(frame);
  user_table_->setObjectName(QStringLiteral("UserTable"));
  user_table_->setModel(user_table_model_);
  user_table_model_->SetTickHandler(
      [this](int row, bool ticked) { model_.UserTables().UserTable_ItemCheck(row, ticked); });
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
          [this](int section) { model_.UserTables().UserTable_ColumnClick(section); });
  connect(user_table_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
    if (index.isValid()) model_.UserTables().UserTable_DblClick(index.row());
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
  model_.Sessions().SetGetUsersFromTweets([this] { model_.UserTables().mGetUFT_Click(); });

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

}  // namespace wf::gui
