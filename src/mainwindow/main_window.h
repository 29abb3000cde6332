#pragma once

#include <array>
#include <functional>
#include <string>

#include "mainwindow/followers_part.h"
#include "mainwindow/recovery_part.h"
#include "mainwindow/search_part.h"
#include "mainwindow/sessions_part.h"
#include "mainwindow/timelines_part.h"
#include "mainwindow/tweet_edit_part.h"
#include "mainwindow/user_list_part.h"
#include "mainwindow/user_tables_part.h"
#include "mainwindow/window_core.h"

namespace wf {

// The main window without its widgets. It owns the pieces every feature shares (the tweet
// table, the request log, the status panels and caption, the two API clients, the UI port)
// and the feature parts that hold their own state and commands. A view renders the state and
// forwards user actions to the parts; they report what they changed to the observer.
class MainWindow {
 public:
  explicit MainWindow(MainWindowEnvironment env);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  void SetObserver(MainWindowObserver* observer) { core_.observer = observer; }

  // ---- The parts -----------------------------------------------------------------------------
  SearchPart& Search() { return search_; }
  const SearchPart& Search() const { return search_; }
  TimelinesPart& Timelines() { return timelines_; }
  FollowersPart& Followers() { return followers_; }
  const FollowersPart& Followers() const { return followers_; }
  UserListPart& UserListPanel() { return list_; }
  const UserListPart& UserListPanel() const { return list_; }
  UserTablesPart& UserTables() { return tables_; }
  const UserTablesPart& UserTables() const { return tables_; }
  TweetEditPart& TweetEdit() { return edit_; }
  const TweetEditPart& TweetEdit() const { return edit_; }
  SessionsPart& Sessions() { return sessions_; }
  const SessionsPart& Sessions() const { return sessions_; }
  RecoveryPart& Recovery() { return recovery_; }

  // ---- Shared state --------------------------------------------------------------------------
  TwitterAPI& Twitter() { return *core_.twitter; }
  TwitterAPI& UTwitter() { return *core_.utwitter; }
  const TweetView& OutTable() const { return core_.out_table; }
  TweetView& MutableOutTable() { return core_.out_table; }
  const RequestLog& Progress() const { return core_.progress; }
  const std::string& Caption() const { return core_.caption; }
  const std::array<std::string, 4>& InfoBar() const { return core_.info_bar; }
  const std::string& LastGET() const { return core_.last_get; }
  // Progress of a running retrieval, 0..1, or negative when none runs.
  double ProgressFraction() const { return core_.progress_fraction; }
  const std::string& ProgressText() const { return core_.progress_text; }
  const std::string& TweetsFN() const { return core_.tweets_fn; }
  bool TweetsModified() const { return core_.tweets_modified; }
  TweetSource CurTweetSrc() const { return core_.cur_tweet_src; }
  bool Starting() const { return core_.starting; }
  bool RetrievalBusy() const { return core_.retrieval_busy; }
  // How the last search, user timeline walk, hydration, followers or friends list (for the
  // frame: all its accounts) or resumed run ended.
  const RetrievalOutcome& LastOutcome() const { return core_.last_outcome; }
  bool StopRequested() const { return core_.stop_requested; }
  bool QuotaPausing() const { return core_.quota_pausing; }
  bool Timer1Enabled() const { return core_.timer1_enabled; }
  bool UpdateSearchEnabled() const { return core_.update_search_enabled; }
  bool UpdateUTLEnabled() const { return core_.update_utl_enabled; }
  const std::string& ProgramFolder() const { return core_.env.program_folder; }
  const std::string& ApiBase() const { return core_.api_base; }
  // The tweets of the first client into the tweet table, after or instead of its rows.
  void ShowTweets(bool append) { core_.ShowTweets(append); }

  // The search settings; the setters serve front ends without the input boxes.
  const std::string& SearchQuery() const { return core_.search_query; }
  void SetSearchQuery(std::string text);
  // Empty: all languages.
  const std::string& SearchLang() const { return core_.search_lang; }
  void SetSearchLang(std::string lang) { core_.search_lang = std::move(lang); }
  const std::string& SearchLocation() const { return core_.search_location; }
  bool UseLoc() const { return core_.use_loc; }
  void SetSearchLocation(std::string location, bool use) {
    core_.search_location = std::move(location);
    core_.use_loc = use;
  }
  const CivilDateTime& EarlyDate() const { return core_.early_date; }
  void SetEarlyDate(const CivilDateTime& date);
  // The common file dialog's file name (Req.FileName), shared by the file commands.
  const std::string& DialogFileName() const { return core_.dialog_file_name; }
  void SetDialogFileName(std::string name) { core_.dialog_file_name = std::move(name); }

  bool Enabled() const { return core_.enabled; }
  void SetEnabled(bool enabled);
  bool Closed() const { return core_.closed; }

  // ---- Start-up, the status bar, the log and shut-down ---------------------------------------
  // The window's load: columns, defaults, leftover classifier files. The caller then shows
  // the credentials window.
  void Form_Load();
  // False when the user refused the close.
  bool Form_QueryUnload();
  void Timer1_Timer();
  void Progress_Click(int line);
  void mCopyLog_Click();
  // Gives the credentials window its turn (About): the window disables itself.
  void mAbout_Click();
  // Called once a token exists: enables the window and brings it forward.
  void ActivateAfterAuthentication();
  // Authenticates the second API client with the credentials the credentials window holds;
  // the frame "Get Followers/Friends of" calls it when that client has no token yet.
  void SetUTwitterAuthenticator(std::function<bool(TwitterAPI&)> authenticate) {
    core_.utwitter_auth = std::move(authenticate);
  }

 private:
  // The closing question about user tables and the user list that no file holds; true when
  // there are none or the user closes anyway.
  bool CloseWithUnsavedUsers();

  WindowCore core_;
  // Parts name the parts they call on; a reference to one declared further down is only
  // used once all are built.
  UserListPart list_;
  FollowersPart followers_;
  UserTablesPart tables_;
  SessionsPart sessions_;
  RecoveryPart recovery_;
  SearchPart search_;
  TimelinesPart timelines_;
  TweetEditPart edit_;
};

}  // namespace wf
