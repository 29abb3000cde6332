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
#include "widget_helpers.h"

namespace wf::gui {

QString EscapeWindowTitle(const QString& caption) {
  QString escaped = caption;
  escaped.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
  return escaped;
}

MainWindowWidget::MainWindowWidget(MainWindow& model, UiPort& ui, QWidget* parent)
    : QMainWindow(parent), model_(model), ui_(ui) {
  setObjectName(QStringLiteral("frmMain"));
  tweet_model_ = new TweetTableModel(model_.OutTable(), this);
  user_list_model_ = new UserListModel(model_.UserListPanel().Users(), this);
  user_table_model_ = new UserTableModel(model_.UserTables().Tables(), this);

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
  const bool sorted = model_.TweetEdit().SortTweetsChecked();
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
  api_version_->setText(ToQ(model_.Sessions().ApiVersionText()));
  api_version_->setVisible(model_.Sessions().ApiV2Checked());
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
  SetHistoryEntries(qp_history_, model_.Sessions().QPHistory());
  SetHistoryEntries(utl_history_, model_.Sessions().UTLHistory());
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
  QString settings = ToQ(model_.Sessions().SearchLanguageText());
  if (!model_.SearchLocation().empty()) {
    settings += QStringLiteral("   Location: ") + ToQ(model_.SearchLocation());
  }
  search_settings_->setText(settings);
  sort_action_->setChecked(model_.TweetEdit().SortTweetsChecked());
  headers_action_->setChecked(model_.Sessions().HeadersChecked());
  archive_action_->setChecked(model_.Sessions().ArchiveChecked());
  full_text_action_->setChecked(model_.Sessions().FullTextChecked());
  api_v2_action_->setChecked(model_.Sessions().ApiV2Checked());
  full_archive_action_->setChecked(model_.Sessions().FullArchiveChecked());
  update_search_->setEnabled(model_.UpdateSearchEnabled());
  vb_date_time_action_->setChecked(model_.TweetEdit().VBDateTimeChecked());
  ul_count_->setText(ToQ(model_.UserListPanel().ULCount()));

  ut_frame_->setEnabled(model_.UserListPanel().UTFrameEnabled());
  update_utl_->setEnabled(model_.UpdateUTLEnabled());
  (model_.UserListPanel().UserHandle() == wf::UserEntryKind::kUserId ? handle_user_id_
                                                                     : handle_screen_name_)
      ->setChecked(true);
  sel_all_ul_action_->setText(ToQ(model_.UserListPanel().SelAllULCaption()));
  if (const QString meta = ToQ(model_.UserListPanel().UserMeta());
      user_meta_->toPlainText() != meta) {
    user_meta_->setPlainText(meta);
  }
  const auto op = static_cast<std::size_t>(model_.Followers().GUFOp());
  guf_op_[op]->setChecked(true);
  guf_id_->setEnabled(model_.Followers().GUF_IdEnabled());
  // Rewriting an unchanged text would move the cursor while the user types.
  if (const QString id = ToQ(model_.Followers().GUF_Id()); guf_id_->text() != id)
    guf_id_->setText(id);
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
  const UserList& list = model_.UserListPanel().Users();
  user_list_->setToolTip(ToQ(list.ToolTip()));
  if (list.Current() >= 0) {
    user_list_->setCurrentIndex(user_list_model_->index(list.Current(), 0));
  } else {
    user_list_->selectionModel()->clear();
  }
  syncing_user_list_ = false;
  ul_count_->setText(ToQ(model_.UserListPanel().ULCount()));
}

void MainWindowWidget::RefreshUserTables() {
  user_table_model_->ShowTable(model_.UserTables().CurrentUserTable());
  ut_toggle_tweets_->setChecked(model_.UserTables().UTToggle() == UserTableKind::kTweets);
  ut_toggle_other_->setChecked(model_.UserTables().UTToggle() == UserTableKind::kOther);
  const std::vector<std::string> names = model_.UserTables().UTListEntries();
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
    ut_list_->setCurrentRow(model_.UserTables().UTListSelected());
  }
  remove_ut_->setEnabled(model_.UserTables().UTListSelected() >= 0);
  add_ut_->setEnabled(model_.UserTables().CurrentUserTable() != 0);
  filter_mode_[static_cast<std::size_t>(model_.UserTables().FilterMode())]->setChecked(true);
  filter_entity_[static_cast<std::size_t>(model_.UserTables().FilterEntity())]->setChecked(true);
  const auto& tables = model_.UserTables().Tables();
  if (model_.UserTables().CurrentUserTable() >= 0 &&
      model_.UserTables().CurrentUserTable() < static_cast<int>(tables.size())) {
    const UserTableView& t =
        tables[static_cast<std::size_t>(model_.UserTables().CurrentUserTable())];
    QHeaderView* header = user_table_->horizontalHeader();
    header->setSortIndicatorShown(t.Sorted());
    header->setSortIndicator(t.SortKey(),
                             t.Descending() ? Qt::DescendingOrder : Qt::AscendingOrder);
  }
  SyncUserTableSelection();
  // A running command's row stays in view.
  if (const int row = model_.UserTables().UserTableScrollRow();
      row >= 0 && row < user_table_model_->rowCount()) {
    user_table_->scrollTo(user_table_model_->index(row, 0));
  }
}

void MainWindowWidget::SyncUserTableSelection() {
  // Inside the user's own change the view already shows the truth, which the model is still
  // being told row by row.
  if (syncing_user_table_) return;
  const auto& tables = model_.UserTables().Tables();
  const int current = model_.UserTables().CurrentUserTable();
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
    if (!sm->rowIntersectsSelection(r, QModelIndex()))
      model_.UserTables().UserTable_SelectRow(r, false);
  }
  for (const int r : rows_of(selected)) model_.UserTables().UserTable_SelectRow(r, true);
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
  const auto& tables = model_.UserTables().Tables();
  const int current = model_.UserTables().CurrentUserTable();
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
