#pragma once

#include <string>
#include <string_view>

#include "api/twitter_api.h"
#include "util/clock.h"
#include "util/date_time.h"
#include "util/ui_port.h"
#include "workflows/recovery_log.h"

namespace wf {

// What a retrieval loop needs from the window that runs it: the API client, the request log,
// the status bar, the options and the run's flags.
class RetrievalContext {
 public:
  virtual ~RetrievalContext() = default;

  virtual UiPort* Ui() = 0;
  virtual TwitterAPI& Twitter() = 0;

  virtual void AddLogLine(std::string line) = 0;
  virtual void ReplaceLastLogLine(std::string line) = 0;
  virtual void SelectLastLogLine() = 0;
  virtual void SetLastResponse(std::string_view text) = 0;
  // Panels are numbered 1..4.
  virtual void SetStatusPanel(int panel, std::string text) = 0;
  // How far a run has come, 0..1, with a short text; negative hides the bar.
  virtual void SetProgress(double fraction, std::string text) = 0;
  virtual void YieldToEvents() = 0;
  // The clock the quota waits go by.
  virtual Clock& Time() = 0;

  virtual const std::string& SearchLang() const = 0;
  virtual bool UseLoc() const = 0;
  virtual CivilDateTime EarlyDate() const = 0;

  virtual bool RetrievalBusy() const = 0;
  virtual bool StopRequested() const = 0;
  virtual void SetStopRequested(bool stop) = 0;
  // True while a loop waits for the next quota window; Cancel clears it to end the wait.
  virtual bool QuotaPausing() const = 0;
  virtual void SetQuotaPausing(bool pausing) = 0;
  // The one-second status timer; loops that rewrite the status bar themselves turn it off.
  virtual void SetTimer1Enabled(bool enabled) = 0;

  // The user list whose checked entries the timeline walk goes through.
  virtual int UserListCount() const = 0;
  virtual std::string UserListEntry(int index) const = 0;
  virtual bool UserListTicked(int index) const = 0;
  // Makes an entry the current one, as a click on it would.
  virtual void SetCurrentUserEntry(int index) = 0;
  // Rebuilds (or extends) the tweet table from the client's tweets.
  virtual void ShowTweets(bool append) = 0;

  // The journal the loop appends each page to, so that a crash loses nothing; null: none.
  virtual RecoveryLog* Recovery() { return nullptr; }
};

// Date-times as the log and the status bar show them.
inline std::string LogDateTime(const CivilDateTime& t) {
  return FormatNumericDateTime(t);
}

// Asked when a loop's quota runs low: false when the user will not wait for `reset`.
inline bool AskToWaitForQuota(UiPort& ui, const CivilDateTime& reset) {
  const std::string when = LogDateTime(reset);
  return ui.Ask({QuestionId::WaitForQuota, when},
                "Quota for this window running low. Wait until " + when +
                    " before clicking OK to resume",
                MsgButtons::OkCancel, MsgIcon::Exclamation, kAppTitle) != MsgAnswer::Cancel;
}

}  // namespace wf
