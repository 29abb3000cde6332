#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "api/response_archive.h"
#include "mainwindow/history_list.h"
#include "mainwindow/window_core.h"
#include "records/collection_reader.h"

namespace wf {

class UserTablesPart;

// Tweet files and sessions: opening and saving the tweet table, collection files, the
// preferences file with the two histories of saved sessions (QP: query/path, UTL: user
// timelines), and the settings prefs keep (language, location, proxy, API host and version,
// the raw response archive).
class SessionsPart {
 public:
  SessionsPart(WindowCore& core, UserTablesPart& tables);

  // ---- Tweet files ----
  void mOpenTweets_Click();
  void mSaveTweets_Click();
  // Before the tweet table is replaced: offers to save it when it holds unsaved rows.
  void OfferToSaveTweets();
  // The Save Tweets Table command; true when the table was written.
  bool SaveTweetsTable();
  void mSaveSend_Click();
  bool HeadersChecked() const { return headers_checked_; }
  void mHeaders_Click();
  // Settings > Keep Full Text (Unicode): text cells keep the decoded text of answers and
  // collection files instead of the tagged Windows-1252 text.
  bool FullTextChecked() const { return full_text_checked_; }
  void mFullText_Click();
  // The visualiser (NV) Save & Send starts.
  const std::string& NVPATH() const { return nv_path_; }
  void ResetVisualiser() { nv_path_ = core_.DefaultVisualiser(); }
  // File > Open > Tweets From Collection File...: the tweets of a JSON or JSON-lines file
  // (v1.1, v2, our archive) as unsaved rows; Cancel keeps what was read.
  void mOpenCollectionTweets_Click();
  void OpenCollectionTweets(const std::string& path);
  // File > Open > User Table > From Collection File...: a new Other table of its users.
  void mOpenCollectionUsers_Click();
  void OpenCollectionUsers(const std::string& path);

  // ---- Preferences and history ----
  void LoadPrefs();
  // False when the file could not be written (the user has been told).
  bool SavePrefs();
  const HistoryList& QPHistory() const { return qp_history_; }
  const HistoryList& UTLHistory() const { return utl_history_; }
  // Selecting an entry (by the user or from code) opens its session.
  void QPHistory_Click(int index);
  void UTLHistory_Click(int index);
  void HistoryItemClear_Click(int index);
  // "Get Users From Tweets", which reopening a timeline session runs (set by the view that
  // offers the user-table commands).
  void SetGetUsersFromTweets(std::function<void()> command) {
    get_users_from_tweets_ = std::move(command);
  }

  // ---- Settings ----
  void mSetLang_Click();
  // The search language as the window shows it: "Language: en", or "Language: all".
  std::string SearchLanguageText() const;
  void mSetLoc_Click();
  void UseLoc_Click(bool ticked);
  void mSetProxy_Click();
  void mSetApiHost_Click();
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
  // Hands the API settings to both clients (the run's own choice over prefs).
  void ApplyApiVersion();
  // A prefs record of the API settings; false when `type` is none of them.
  bool LoadApiVersionPref(std::string_view type, std::string_view payload);

 private:
  void RecordSavedSession(const std::string& path);
  std::string ApiVersionPrefs() const;
  void ArchiveResponse(std::string_view url, int status, std::string_view body);
  void MoveArchiveBeside(const std::string& tweet_file);
  void SetFullText(bool on);
  // Reads a collection file with the progress bar and Cancel; says what was skipped. Empty
  // when the file could not be read (after saying so).
  std::optional<CollectionFileResult> ReadCollection(const std::string& path, CollectionKind kind,
                                                     const CollectionPageSink& sink);

  WindowCore& core_;
  UserTablesPart& tables_;
  std::string nv_path_;
  bool headers_checked_ = false;
  bool full_text_checked_ = false;
  HistoryList qp_history_;
  HistoryList utl_history_;
  std::function<void()> get_users_from_tweets_;
  bool archive_checked_ = false;
  bool api_v2_ = false;
  bool full_archive_ = false;
  // What prefs hold, saved back when this run's choice came from the command line.
  bool api_v2_pref_ = false;
  bool full_archive_pref_ = false;
  std::string archive_fixed_path_;
  ResponseArchive archive_;
};

// Query and file path of a query-history entry ("query<two spaces>path").
std::pair<std::string, std::string> SplitQueryEntry(std::string_view entry);

}  // namespace wf
