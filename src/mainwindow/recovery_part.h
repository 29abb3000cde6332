#pragma once

#include <functional>
#include <string>

#include "mainwindow/window_core.h"
#include "workflows/recovery_log.h"

namespace wf {

class SearchPart;
class SessionsPart;
class UserListPart;
class UserTablesPart;

// Recovery of interrupted retrievals. Searches and timeline walks journal every page to the
// program folder's recovery file, removed when the run ends. At start-up this offers the
// tweets of a run that never ended (the program was killed or crashed) and then to take that
// run up where it stopped.
class RecoveryPart {
 public:
  RecoveryPart(WindowCore& core, UserListPart& list, UserTablesPart& tables, SessionsPart& sessions,
               SearchPart& search)
      : core_(core), list_(list), tables_(tables), sessions_(sessions), search_(search) {}

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
  void SetRecoverySync(bool sync) { core_.journal.SetSyncEveryPage(sync); }

  // The journal of a search, or of a walk over the ticked users (an update's since id per
  // user from `since_for`), begun before the run and ended after it.
  void BeginSearchJournal(const std::string& since_id);
  void BeginTimelineJournal(const std::function<std::string(const std::string&)>& since_for);
  void EndJournal();

 private:
  void ResumeRetrieval(const RecoveredRetrieval& r);

  WindowCore& core_;
  UserListPart& list_;
  UserTablesPart& tables_;
  SessionsPart& sessions_;
  SearchPart& search_;
  bool keep_recovery_until_saved_ = false;
};

}  // namespace wf
