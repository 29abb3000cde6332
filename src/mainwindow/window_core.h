#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "api/http_request.h"
#include "api/twitter_api.h"
#include "mainwindow/request_log.h"
#include "mainwindow/tweet_view.h"
#include "tweettable/skein_data.h"
#include "util/clock.h"
#include "util/date_time.h"
#include "util/ui_port.h"
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
  // What the quota waits go by; null: the system clock.
  Clock* clock = nullptr;
};

// Where the rows of the tweet table came from; saving a session records it in the matching
// history, and an update continues it.
enum class TweetSource { kNone = 0, kSearch = 1, kTimelines = 2 };

// The pieces every part of the window works on: the tweet table, the request log, the status
// panels and caption, the two API clients, the retrieval flags and the search settings. The
// window owns one and hands it to each of its parts.
struct WindowCore {
  explicit WindowCore(MainWindowEnvironment environment);
  WindowCore(const WindowCore&) = delete;
  WindowCore& operator=(const WindowCore&) = delete;

  void Notify(unsigned changes) const;
  void SetEnabled(bool on);
  void SetCaptionForFile(bool modified);
  // The tweets of the first client into the tweet table, scored, after or instead of its rows.
  void ShowTweets(bool append);
  void ShowRowFromStore(const SkeinData& data, std::int32_t r, bool ghosted);
  bool RunSentiment(SkeinData& data, bool recalc);
  int Shell(std::string_view command, std::int32_t timeout_ms, int window_style);
  std::string DefaultVisualiser() const;

  MainWindowEnvironment env;
  SystemClock system_clock;
  Clock& clock;
  MainWindowObserver* observer = nullptr;
  std::string api_base;
  // The first client serves searches, timelines and the user list; the second the followers
  // frame, the Other tables and key files.
  std::unique_ptr<TwitterAPI> twitter;
  std::unique_ptr<TwitterAPI> utwitter;
  // Authenticates the second client with the credentials the credentials window holds.
  std::function<bool(TwitterAPI&)> utwitter_auth;

  TweetView out_table;
  RequestLog progress;
  // Written page by page by whichever search or timeline walk runs.
  RecoveryLog journal;

  std::string caption;
  std::array<std::string, 4> info_bar;
  std::string last_get;
  double progress_fraction = -1;
  std::string progress_text;

  std::string tweets_fn;
  bool tweets_modified = false;
  TweetSource cur_tweet_src = TweetSource::kNone;
  // A session is being opened from code: the file commands skip their questions.
  bool starting = false;
  // The common file dialog's file name (Req.FileName), shared by the file commands.
  std::string dialog_file_name;

  bool retrieval_busy = false;
  bool stop_requested = false;
  bool quota_pausing = false;
  bool timer1_enabled = true;
  RetrievalOutcome last_outcome;
  bool update_search_enabled = false;
  bool update_utl_enabled = false;
  bool enabled = true;
  bool closed = false;

  std::string search_query;
  std::string search_lang = "en";  // empty: all languages
  std::string search_location;
  bool use_loc = false;
  CivilDateTime early_date;
};

}  // namespace wf
