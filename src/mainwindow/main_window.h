#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "api/http_request.h"
#include "api/response_archive.h"
#include "api/twitter_api.h"
#include "mainwindow/history_list.h"
#include "mainwindow/request_log.h"
#include "mainwindow/tweet_view.h"
#include "mainwindow/user_files.h"
#include "mainwindow/user_list.h"
#include "mainwindow/user_table_stats.h"
#include "mainwindow/user_table_view.h"
#include "records/collection_reader.h"
#include "util/date_time.h"
#include "util/ui_port.h"
#include "workflows/hydration.h"
#include "workflows/recovery_log.h"
#include "workflows/retrieval_outcome.h"

namespace wf {

// What changed, so a view refreshes only that part.
enum Change : unsigned {
  kTweetsChanged = 1u << 0,  // rows, cells, sort order or column widths of the tweet table
  kCaptionChanged = 1u << 1,
  kStatusChanged = 1u << 2,    // the four status-bar panels, the progress bar
  kLogChanged = 1u << 3,       // request log lines, selection, tooltip; the last response
  kHistoryChanged = 1u << 4,   // either history list
  kControlsChanged = 1u << 5,  // enabled states, ticks, texts of the controls
  kUserListChanged = 1u << 6,
  kUserTablesChanged = 1u << 7,
  kWindowChanged = 1u << 8,  // enabled, shown, closed
};

class MainWindowObserver {
 public:
  virtual ~MainWindowObserver() = default;
  virtual void OnModelChanged(unsigned changes) = 0;
};

// Everything a main window needs from its surroundings.
struct MainWindowEnvironment {
  UiPort* ui = nullptr;
  HttpClient* http = nullptr;
  std::string program_folder;  // holds prefs, appcred and the classifier's temporary files
  std::string api_base = std::string(kDefaultApiBase);
  // The base was given for this run (--api): it wins over the host saved in prefs.
  bool api_base_given = false;
  // The API version given for this run (--api-version: 1 or 2) wins over prefs; 0: prefs say.
  int api_version = 0;
  // Full-archive search for this run (--full-archive), whatever prefs say.
  bool full_archive = false;
  // Runs a command line and waits as ShellAndWait does; replaceable in tests.
  std::function<int(std::string_view command, std::int32_t timeout_ms, int window_style)> shell;
  // Where wrenfold-senti lives; empty: beside the running program.
  std::string sentiment_program;
  // The visualiser Save & Send starts unless the user picked another; empty: wrenfold-view
  // beside the running program.
  std::string visualiser_program;
};

// The main window without its widgets: all state the window shows and every command
// handler. A view renders the state and forwards user actions to the handlers; handlers
// report what they changed to the observer.
class MainWindow {
 public:
  explicit MainWindow(MainWindowEnvironment env);
  ~MainWindow();

  void SetObserver(MainWindowObserver* observer) { observer_ = observer; }

  // ---- State -------------------------------------------------------------------------------
  TwitterAPI& Twitter() { return *twitter_; }
  TwitterAPI& UTwitter() { return *utwitter_; }
  const TweetView& OutTable() const { return out_table_; }
  TweetView& MutableOutTable() { return out_table_; }
  const RequestLog& Progress() const { return progress_; }
  const HistoryList& QPHistory() const { return qp_history_; }
  const HistoryList& UTLHistory() const { return utl_history_; }
  const UserList& Users() const { return user_list_; }
  const std::vector<UserTableView>& UserTables() const { return user_tables_; }
  int CurrentUserTable() const { return current_user_table_; }

  const std::string& Caption() const { return caption_; }
  const std::array<std::string, 4>& InfoBar() const { return info_bar_; }
  const std::string& LastGET() const { return last_get_; }
  const std::string& ULCount() const { return ul_count_; }
  // Progress of a running retrieval, 0..1, or negative when none runs.
  double ProgressFraction() const { return progress_fraction_; }

  const std::string& TweetsFN() const { return tweets_fn_; }
  bool TweetsModified() const { return tweets_modified_; }
  int CurTweetSrc() const { return cur_tweet_src_; }
  bool Starting() const { return starting_; }
  const std::string& NVPATH() const { return nv_path_; }
  // Empty: all languages.
  const std::string& SearchLang() const { return search_lang_; }
  // The search language as the window shows it: "Language: en", or "Language: all".
  std::string SearchLanguageText() const;
  const std::string& SearchLocation() const { return search_location_; }
  bool UseLoc() const { return use_loc_; }
  bool RetrievalBusy() const { return retrieval_busy_; }
  // How the last search, user timeline walk or resumed run ended.
  const RetrievalOutcome& LastOutcome() const { return last_outcome_; }
  bool StopRequested() const { return stop_requested_; }
  bool QuotaPausing() const { return quota_pausing_; }
  const std::string& ProgramFolder() const { return env_.program_folder; }
  const std::string& ApiBase() const { return api_base_; }

  // Option settings for front ends without the input boxes (the command line).
  void SetSearchLang(std::string lang) { search_lang_ = std::move(lang); }
  void SetSearchLocation(std::string location, bool use) {
    search_location_ = std::move(location);
    use_loc_ = use;
  }

  // Raw response archive: "Archive Raw Responses" keeps every successful response of a run
  // and puts it beside the tweet file when the table is saved (FILE.jsonl); with a fixed
  // archive file (the command line's --archive) responses go straight there.
  bool ArchiveChecked() const { return archive_checked_; }
  void mArchive_Click();
  // False (and the user told) when the file cannot be opened.
  bool SetArchiveFile(const std::string& path);

  // Settings > "Use API v2" and "Full-Archive Search (v2)": every retrieval through API v2,
  // searches through its full-archive endpoint. Both kept in prefs.
  bool ApiV2Checked() const { return api_v2_; }
  void mApiV2_Click();
  bool FullArchiveChecked() const { return full_archive_; }
  void mFullArchive_Click();
  // What the status bar shows about the API: "API v2" while it is on, else empty.
  std::string ApiVersionText() const { return api_v2_ ? "API v2" : ""; }

  const std::string& SearchQuery() const { return search_query_; }
  void SetSearchQuery(std::string text);
  const CivilDateTime& EarlyDate() const { return early_date_; }
  void SetEarlyDate(const CivilDateTime& date);
  // The common file dialog's file name (Req.FileName), shared by the file commands.
  const std::string& DialogFileName() const { return dialog_file_name_; }
  void SetDialogFileName(std::string name) { dialog_file_name_ = std::move(name); }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Closed() const { return closed_; }

  // Controls and menu items.
  bool SortTweetsChecked() const { return out_table_.Sorted(); }
  bool HeadersChecked() const { return headers_checked_; }
  // Settings > Keep Full Text (Unicode): text cells keep the decoded text of answers and
  // collection files instead of the tagged Windows-1252 text.
  bool FullTextChecked() const { return full_text_checked_; }
  bool VBDateTimeChecked() const { return vb_date_time_checked_; }
  bool UpdateSearchEnabled() const { return update_search_enabled_; }
  bool UpdateUTLEnabled() const { return update_utl_enabled_; }

  // ---- Start-up, settings and shut-down ------------------------------------------------------
  // The window's load: columns, defaults, leftover classifier files. The caller then shows
  // the credentials window.
  void Form_Load();
  // False when the user refused the close.
  bool Form_QueryUnload();
  void mSetLang_Click();
  void mSetLoc_Click();
  void UseLoc_Click(bool ticked);
  void mSetProxy_Click();
  void mSetApiHost_Click();
  void Timer1_Timer();
  void Progress_Click(int line);
  void mCopyLog_Click();
  // Gives the credentials window its turn (About): the window disables itself.
  void mAbout_Click();

  // ---- Search ------------------------------------------------------------------------------
  void GetSrch_Click();
  // File > Open > Tweet IDs to Hydrate: the tweets of an ids file as unsaved rows, in file
  // order (main_window_hydrate.cpp). HydrateIdsFile runs it for a path without the dialog.
  void mHydrateIds_Click();
  bool HydrateIdsFile(const std::string& path);
  // Takes up a hydration a journal recorded; false when its ids file cannot be read.
  bool ResumeHydration(const RecoveredRetrieval& r);
  const HydrationResult& LastHydration() const { return last_hydration_; }
  void UpdateSearch_Click();
  // Cancel: stops whichever retrieval runs.
  void QuitGet_Click();
  void SearchHelp_Click();
  void SearchQuery_LostFocus();
  const std::string& ProgressText() const { return progress_text_; }

  // ---- Tweet table view --------------------------------------------------------------------
  void ShowTweets(bool append);
  void mSortDT_Click();
  void OutTable_ColumnClick(int column_index_1based);

  // ---- Tweet file commands -----------------------------------------------------------------
  void mOpenTweets_Click();
  void mSaveTweets_Click();
  void mSaveSend_Click();
  void mHeaders_Click();
  void mFullText_Click();
  // File > Open > Tweets From Collection File...: the tweets of a JSON or JSON-lines file
  // (v1.1, v2, our archive) as unsaved rows; Cancel keeps what was read.
  void mOpenCollectionTweets_Click();
  void OpenCollectionTweets(const std::string& path);
  // File > Open > User Table > From Collection File...: a new Other table of its users.
  void mOpenCollectionUsers_Click();
  void OpenCollectionUsers(const std::string& path);

  // ---- Preferences and history -------------------------------------------------------------
  void LoadPrefs();
  // False when the file could not be written (the user has been told).
  bool SavePrefs();
  // Selecting an entry (by the user or from code) opens its session.
  void QPHistory_Click(int index);
  void UTLHistory_Click(int index);
  void HistoryItemClear_Click(int index);

  // "Get Users From Tweets", which reopening a timeline session runs (set by the user-table
  // commands once they exist).
  void SetGetUsersFromTweets(std::function<void()> command) {
    get_users_from_tweets_ = std::move(command);
  }

  // ---- Hooks for the credentials window ----------------------------------------------------
  // Called once a token exists: enables the window and brings it forward.
  void ActivateAfterAuthentication();
  // Authenticates the second API client with the credentials the credentials window holds;
  // the frame "Get Followers/Friends of" calls it when that client has no token yet.
  void SetUTwitterAuthenticator(std::function<bool(TwitterAPI&)> authenticate) {
    utwitter_auth_ = std::move(authenticate);
  }

  // ---- User list panel ---------------------------------------------------------------------
  // The summary box of the current entry's profile.
  const std::string& UserMeta() const { return user_meta_; }
  // 0 "Screen Name", 1 "User Id": what the entries hold.
  int UserHandle() const { return user_handle_; }
  // "Select All" or "Deselect All".
  const std::string& SelAllULCaption() const { return sel_all_ul_caption_; }
  // The user timelines frame; off while a paste looks its users up.
  bool UTFrameEnabled() const { return ut_frame_enabled_; }
  bool Timer1Enabled() const { return timer1_enabled_; }
  void UserList_Click(int index);
  void UserList_DblClick(int index);
  void UserList_ItemCheck(int index, bool ticked);
  void UserHandle_Click(int index);
  void mCopyUL_Click();
  void mCopyUT_Click();
  void mPasteUL_Click();
  void mSelAllUL_Click();
  void mULClear_Click();
  void mAddUser_Click();
  void mDeleteUser_Click();

  // ---- User timelines ----------------------------------------------------------------------
  void GetAllUTL_Click();
  void UpdateUTL_Click();
  // One user's timeline into Twitter().Tweets(); the caller shows them.
  void RetrieveUserTimeline(const std::string& user, const std::string& since_id);

  // ---- Profile lookup ----------------------------------------------------------------------
  // Profiles of `ua` (ids when `user_id`) into api.Users(); false when cancelled.
  bool GetUsers(TwitterAPI& api, const std::vector<std::string>& ua, bool user_id, bool update);
  // Waits until `reset`; false when Cancel ended the wait.
  bool PauseUntilNextWindow(const CivilDateTime& reset, std::string_view twit_method);

  // ---- Followers and friends ---------------------------------------------------------------
  void mGetUserFollowers_Click();
  void mGetUserFriends_Click();
  // The frame "Get Followers/Friends of": 0 "Selected Users", 1 "This ScreenName",
  // 2 "This User Id".
  void GUFOp_Click(int index);
  int GUFOp() const { return guf_op_; }
  const std::string& GUF_Id() const { return guf_id_; }
  bool GUF_IdEnabled() const { return guf_id_enabled_; }
  void SetGUF_Id(std::string text) {
    guf_id_ = std::move(text);
    Notify(kControlsChanged);
  }
  // 0 "Get Followers", 1 "Get Friends".
  void GetFF_Click(int index);

  // ---- Recovery of interrupted retrievals ---------------------------------------------------
  // Searches and timeline walks journal every page to the program folder's recovery file,
  // removed when the run ends. At start-up this offers the tweets of a run that never ended (the
  // program was killed or crashed) and then to take that run up where it stopped.
  void OfferRecovery();
  // Loads the journal's tweets into the tweet table as unsaved tweets and, with `resume`,
  // continues the retrieval from its last page. False when there is no journal to recover
  // (missing, in use by a running retrieval, or without tweets).
  bool RecoverRetrieval(bool resume);
  // For front ends that save the table right after the retrieval (the command line): the
  // journal stays until DiscardRecovery, so that a crash before the save loses nothing.
  void SetKeepRecoveryUntilSaved(bool keep) { keep_recovery_until_saved_ = keep; }
  void DiscardRecovery();
  // Per-page disk flushes of the journal (on by default).
  void SetRecoverySync(bool sync) { journal_.SetSyncEveryPage(sync); }

  // ---- User tables -------------------------------------------------------------------------
  // Table 0 is the "Tweets" table built from the tweet table; tables 1.. are the Other tables,
  // whose names UTList lists in table order (entry i names table i + 1).
  // A new Other table put on show; its index. An empty name becomes "UserTable<n>".
  int AddUserTable(std::string name);
  // Removes the first Other table with that name; the last remaining one, or the "Tweets"
  // table, goes on show.
  void RemoveUserTable(const std::string& name);
  void RemoveUserTableAt(int index);
  // One row per record of api.Users() appended to the table on show; with `with_tweet_stats`
  // also the Tw_ columns from the tweet table.
  void FillUserTable(TwitterAPI& api, bool with_tweet_stats = false);
  // The Tw_ figures of one author over the tweet table.
  UserTweetStats GetTweetStats(const std::string& screen_name) const;
  // Highlights (or not) a row of the table on show.
  void UserTable_SelectRow(int row, bool selected);
  // Ticks (or not) a row of the table on show.
  void UserTable_ItemCheck(int row, bool ticked);
  // "Build Table": the "Tweets" table from the authors of the tweet table.
  void BuildTweetsUT_Click();
  // "Get User Timelines": timeline samples of the ticked rows of the table on show.
  void GetUTTL_Click();
  // 0 "Tweets", 1 "Other:".
  void UTToggle_Click(int index);
  int UTToggle() const { return ut_toggle_; }
  void UTList_Click(int index);
  // Renames the table of the selected UTList entry.
  void UTList_DblClick();
  // The selected UTList entry (0-based), or -1.
  int UTListSelected() const { return ut_list_selected_; }
  std::vector<std::string> UTListEntries() const;
  // Button 1, "Remove": removes the table of the selected UTList entry.
  void AddRemUT_Click(int index);
  // Button 0, "Add": the rows of the table on show join the "Tweets" table (IDs it already
  // holds are skipped). Button 1, "Apply": the "Filter Checked Rows" frame's action.
  void MergeRemUT_Click(int index);
  // "Filter Checked Rows": 0 "Remove", 1 "Retain" the ticked rows; what they act on:
  // 0 "Tweets and Users", 1 "Users only", 2 "Tweets only".
  void FilterMode_Click(int index);
  void FilterEntity_Click(int index);
  int FilterMode() const { return filter_mode_; }
  int FilterEntity() const { return filter_entity_; }
  // Sorts the table on show by a column (0-based); the same column again reverses the order.
  void UserTable_ColumnClick(int column0);
  // The "User Table" pop-up menu: 0 "Select All", 1 "Select Cases With No TL Sample",
  // 2 "Select Cases Down To This Row"; "Unselect All".
  void mUTSelAll_Click(int index);
  void mUTUnselAll_Click();
  // Opens the profile page of a row's account in the browser.
  void UserTable_DblClick(int row);
  // "Get Users From Tweets" (User List menu).
  void mGetUFT_Click();
  // The row a running command works on, for the view to scroll to; -1 when none.
  int UserTableScrollRow() const { return ut_scroll_row_; }

 private:
  void FillUserTableRows(TwitterAPI& api, const AuthorStats* stats);
  bool UserTableIndexValid(int k) const {
    return k >= 0 && k < static_cast<int>(user_tables_.size());
  }
  UserTableView* TableOnShow();
  void ShowUserTable(int k);
  // Whether a running retrieval needs the rows of the user tables where they are: commands
  // that move, remove or re-sort rows do nothing meanwhile, as retrieval commands do.
  bool UserTablesLocked();
  void FilterCheckedRows();
  void MergeIntoTweetsTable();
  int ut_toggle_ = 0;
  int ut_list_selected_ = -1;
  int filter_mode_ = 0;
  int filter_entity_ = 0;
  int ut_scroll_row_ = -1;
  int next_table_number_ = 1;

 public:
  // ---- User files ----
  // Save > User Table: 0 "Key Fields Only", 1 "Profilo Input Fields", 2 "All Fields".
  void mSaveUsers_Click(int index);
  // Open > User Table: 0 "Key Fields Only" (profiles looked up afresh), 1 "All Fields".
  void mOpenUsers_Click(int index);
  void mImportProfilo_Click();
  // Writes the user table on show to `path` in `layout`, without dialogs or questions (the
  // command line's save); false, with the user told, when it cannot.
  bool SaveUserTableFile(const std::string& path, UserFileLayout layout);

  // ---- Tweet table editing ----
  // The tweet table's context menu as it opens over a row: its captions and whether the
  // "Go to" item shows.
  struct TweetMenu {
    std::string nav_link_caption = "Go to cited URL";
    bool nav_link_visible = true;
    std::string nav_user_caption = "Find User on Twitter";
    std::string add_user_caption = "Add User to User List";
    std::string delete_user_caption = "Delete User from User List";
    std::string delete_users_tweets_caption = "Delete All Tweets By User";
  };
  enum class MouseButton { Left, Right, Middle };
  // A click released over `row` (0-based, display order) of the tweet table; the right
  // button selects the row and sets up the context menu, which the view then shows.
  void OutTable_MouseUp(MouseButton button, std::int32_t row);
  const TweetMenu& mTweet() const { return tweet_menu_; }
  // The row the context menu acts on, or -1.
  std::int32_t SelectedTweetRow() const { return selected_tweet_row_; }
  void mNavLinkURL_Click();
  void mNavUserTwitter_Click();
  void mAddU2UL_Click();
  void mDelUFUL_Click();
  void mDelTweet_Click();
  void mDelUsersTweets_Click();
  void mFilterTweets_Click();
  void mRemRT_Click();
  // Removes, after confirmation, the rows whose tweet text contains `word` (ignoring case)
  // when `remove_containing`, or else those that do not contain it.
  void FilterTweetsBy(std::string_view word, bool remove_containing);
  // Column 1 of every row to 0 the numeric, 1 the SPSS or 2 the Twitter form; rows that do
  // not convert stay as they are.
  void ConvertDateTimes(int mode, TweetView& table);
  void mVBDateTime_Click();
  void mSPSSDateTime_Click();
  void mTwitterDateTime_Click();

 private:
  class LoopContext;
  friend class LoopContext;
  class RetrievalScope;
  friend class RetrievalScope;

  void Notify(unsigned changes);
  void SetCaptionForFile(bool modified);
  // The Save Tweets Table command; true when the table was written.
  bool SaveTweetsTable();
  // The closing question about user tables and the user list that no file holds; true when
  // there are none or the user closes anyway.
  bool CloseWithUnsavedUsers();
  std::string DefaultVisualiser() const;
  void RecordSavedSession(const std::string& path);
  void ShowRowFromStore(const SkeinData& data, std::int32_t r, bool ghosted);
  bool RunSentiment(SkeinData& data, bool recalc);
  int Shell(std::string_view command, std::int32_t timeout_ms, int window_style);

  MainWindowEnvironment env_;
  MainWindowObserver* observer_ = nullptr;
  std::unique_ptr<TwitterAPI> twitter_;
  std::unique_ptr<TwitterAPI> utwitter_;
  std::string api_base_;

  TweetView out_table_;
  RequestLog progress_;
  HistoryList qp_history_;
  HistoryList utl_history_;
  UserList user_list_;
  std::vector<UserTableView> user_tables_;  // [0] is the "Tweets" table
  int current_user_table_ = 0;

  std::string caption_;
  std::array<std::string, 4> info_bar_;
  std::string last_get_;
  std::string ul_count_;
  double progress_fraction_ = -1;
  std::string progress_text_;

  std::string tweets_fn_;
  bool tweets_modified_ = false;
  int cur_tweet_src_ = 0;
  bool starting_ = false;
  std::string nv_path_;
  std::string search_lang_ = "en";
  std::string search_location_;
  bool use_loc_ = false;
  bool retrieval_busy_ = false;
  RetrievalOutcome last_outcome_;
  bool stop_requested_ = false;
  bool quota_pausing_ = false;
  std::string search_query_;
  CivilDateTime early_date_;
  std::string dialog_file_name_;
  bool enabled_ = true;
  bool closed_ = false;
  bool headers_checked_ = false;
  bool full_text_checked_ = false;
  bool vb_date_time_checked_ = false;
  bool update_search_enabled_ = false;
  bool update_utl_enabled_ = false;
  std::function<void()> get_users_from_tweets_;
  bool archive_checked_ = false;
  bool api_v2_ = false;
  bool full_archive_ = false;
  // What prefs hold, saved back when this run's choice came from the command line.
  bool api_v2_pref_ = false;
  bool full_archive_pref_ = false;
  std::string archive_fixed_path_;
  ResponseArchive archive_;

  void FollowListCommand(bool friends);
  // Hands the API settings to both clients (the run's own choice over prefs).
  void ApplyApiVersion();
  // A prefs record of the API settings; false when `type` is none of them.
  bool LoadApiVersionPref(std::string_view type, std::string_view payload);
  std::string ApiVersionPrefs() const;
  void ShowULCount();
  bool EnsureUTwitterToken();

  std::string user_meta_;
  int user_handle_ = 0;
  std::string sel_all_ul_caption_ = "Select All";
  bool ut_frame_enabled_ = true;
  bool timer1_enabled_ = true;
  int guf_op_ = 0;
  std::string guf_id_;
  bool guf_id_enabled_ = false;
  std::function<bool(TwitterAPI&)> utwitter_auth_;

  RecoveryLog journal_;
  HydrationResult last_hydration_;
  bool keep_recovery_until_saved_ = false;
  void BeginSearchJournal(const std::string& since_id);
  void BeginTimelineJournal(const std::function<std::string(const std::string&)>& since_for);
  void EndJournal();
  void ResumeRetrieval(const RecoveredRetrieval& r);

  void ArchiveResponse(std::string_view url, int status, std::string_view body);
  void MoveArchiveBeside(const std::string& tweet_file);

  // ---- User files and tweet table editing (private) ----
  bool WriteUserTableFile(const std::string& path, UserFileLayout layout);
  void FinishUserTableOpen();
  void SetFullText(bool on);
  // Reads a collection file with the progress bar and Cancel; says what was skipped. Empty
  // when the file could not be read (after saying so).
  std::optional<CollectionFileResult> ReadCollection(const std::string& path, CollectionKind kind,
                                                     const CollectionPageSink& sink);
  // The context menu's row, found again if the table changed since the menu opened; -1 when
  // it is gone.
  std::int32_t TweetMenuRow() const;
  std::string TweetMenuScreenName() const;
  bool TweetTableEmptyMessage();
  void MarkTweetsEdited();
  TweetMenu tweet_menu_;
  std::int32_t selected_tweet_row_ = -1;
  std::string selected_tweet_cells_;
};

// Query and file path of a query-history entry ("query<two spaces>path").
std::pair<std::string, std::string> SplitQueryEntry(std::string_view entry);

// Whether a user list entry reads as a numeric user id rather than a screen name.
bool LooksLikeUserId(std::string_view entry);

}  // namespace wf
