#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <string>

#include "mainwindow/main_window.h"
#include "util/ui_port.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QItemSelection;
class QDateTimeEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableView;
class QTimer;
class QToolButton;

namespace wf::gui {

class TweetTableModel;
class UserListModel;
class UserTableModel;

// The main window's widgets. It holds no state of its own beyond what Qt needs to draw: every
// command goes to the MainWindow model, and the model's change notices bring the widgets up
// to date. Controls whose commands the model does not offer yet are shown disabled.
class MainWindowWidget : public QMainWindow, public MainWindowObserver {
  Q_OBJECT

 public:
  MainWindowWidget(MainWindow& model, UiPort& ui, QWidget* parent = nullptr);
  ~MainWindowWidget() override;

  void OnModelChanged(unsigned changes) override;

  // Shows the credentials window (About); the model has disabled this window by then.
  void SetShowCredentials(std::function<void()> show) { show_credentials_ = std::move(show); }

  QTableView* TweetTable() const { return out_table_; }
  QTableView* UserTable() const { return user_table_; }
  QListWidget* LogList() const { return progress_; }
  TweetTableModel* TweetModel() const { return tweet_model_; }
  // Screen resolution used for the twips of the column widths.
  double Dpi() const;

 signals:
  // The model agreed to close (prefs are written); the program may end.
  void Closed();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  QWidget* BuildSearchFrame();
  QWidget* BuildUserTimelinesFrame();
  QWidget* BuildFollowersFrame();
  QWidget* BuildUserTablesFrame();
  QWidget* BuildRequestLogFrame();
  void BuildTweetTable();
  void BuildStatusBar();
  void SetTabOrder();

  void RefreshTweets();
  void RefreshCaption();
  void RefreshStatus();
  void RefreshLog();
  void RefreshHistory();
  void RefreshControls();
  void RefreshUserList();
  void RefreshUserTables();
  void RefreshWindow();

  void ApplyTweetColumnWidths();
  void TweetColumnResized(int column, int old_size, int new_size);
  void CopyTweetRows();
  void CopyUserRows();
  void SyncUserTableSelection();
  void ShowUserTableMenu(const QPoint& pos);
  void UserTableSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
  void CopyLogLines();
  void FindInLog(bool again);

  MainWindow& model_;
  UiPort& ui_;
  std::function<void()> show_credentials_;

  TweetTableModel* tweet_model_ = nullptr;
  UserListModel* user_list_model_ = nullptr;
  UserTableModel* user_table_model_ = nullptr;

  // Menus and commands.
  QMenu* tools_menu_ = nullptr;
  QMenu* users_menu_ = nullptr;
  QMenu* log_menu_ = nullptr;
  QMenu* user_table_menu_ = nullptr;
  QMenu* tweet_menu_ = nullptr;
  QAction* sort_action_ = nullptr;
  QAction* headers_action_ = nullptr;
  QAction* archive_action_ = nullptr;
  QAction* full_text_action_ = nullptr;
  QAction* api_v2_action_ = nullptr;
  QAction* full_archive_action_ = nullptr;
  QLabel* api_version_ = nullptr;
  QAction* vb_date_time_action_ = nullptr;
  QAction* sel_all_ul_action_ = nullptr;

  // Search frame.
  QLineEdit* search_query_ = nullptr;
  QPushButton* get_search_ = nullptr;
  QPushButton* update_search_ = nullptr;
  QToolButton* search_help_ = nullptr;
  QDateTimeEdit* early_date_ = nullptr;
  QCheckBox* use_loc_ = nullptr;
  QLabel* search_settings_ = nullptr;
  QComboBox* qp_history_ = nullptr;
  QToolButton* qp_history_clear_ = nullptr;

  // User timelines frame.
  QGroupBox* ut_frame_ = nullptr;
  QListView* user_list_ = nullptr;
  QLabel* ul_count_ = nullptr;
  QRadioButton* handle_screen_name_ = nullptr;
  QRadioButton* handle_user_id_ = nullptr;
  QPushButton* get_all_utl_ = nullptr;
  QPushButton* update_utl_ = nullptr;
  QComboBox* utl_history_ = nullptr;
  QToolButton* utl_history_clear_ = nullptr;
  QPlainTextEdit* user_meta_ = nullptr;

  // Followers and friends frame.
  std::array<QRadioButton*, 3> guf_op_{};
  QLineEdit* guf_id_ = nullptr;
  std::array<QPushButton*, 2> get_ff_{};

  QTableView* out_table_ = nullptr;

  // User tables frame.
  QRadioButton* ut_toggle_tweets_ = nullptr;
  QRadioButton* ut_toggle_other_ = nullptr;
  QListWidget* ut_list_ = nullptr;
  QPushButton* remove_ut_ = nullptr;
  QPushButton* add_ut_ = nullptr;
  QPushButton* build_tweets_ut_ = nullptr;
  QPushButton* get_uttl_ = nullptr;
  std::array<QRadioButton*, 2> filter_mode_{};
  std::array<QRadioButton*, 3> filter_entity_{};
  QPushButton* filter_apply_ = nullptr;
  QTableView* user_table_ = nullptr;

  // Request log.
  QListWidget* progress_ = nullptr;
  QPlainTextEdit* last_get_ = nullptr;
  QPushButton* quit_get_ = nullptr;
  std::string shown_last_get_;
  std::string find_text_;

  std::array<QLabel*, 4> info_bar_{};
  QProgressBar* progress_bar_ = nullptr;
  QTimer* timer1_ = nullptr;

  bool applying_widths_ = false;
  // Set while the view is brought in line with the model, whose own changes must not come
  // back to it as the user's.
  bool syncing_user_list_ = false;
  bool syncing_user_table_ = false;
};

// The caption as Qt should be given it: Qt reads "[*]" as the modified-marker placeholder,
// which a caption such as "... [*]" (unsaved tweets, no file yet) must not turn into.
QString EscapeWindowTitle(const QString& caption);

}  // namespace wf::gui
