#pragma once

#include <string>

#include "mainwindow/window_core.h"
#include "workflows/hydration.h"
#include "workflows/recovery_log.h"

namespace wf {

class RecoveryPart;
class SessionsPart;
class UserListPart;
class UserTablesPart;

// The search commands: new search, update search, Cancel, the operators help page, and the
// hydration of a tweet ids file.
class SearchPart {
 public:
  SearchPart(WindowCore& core, UserListPart& list, UserTablesPart& tables, SessionsPart& sessions,
             RecoveryPart& recovery)
      : core_(core), list_(list), tables_(tables), sessions_(sessions), recovery_(recovery) {}

  void GetSrch_Click();
  void UpdateSearch_Click();
  // Cancel: stops whichever retrieval runs.
  void QuitGet_Click();
  void SearchHelp_Click();
  void SearchQuery_LostFocus();

  // File > Open > Tweet IDs to Hydrate: the tweets of an ids file as unsaved rows, in file
  // order. HydrateIdsFile runs it for a path without the dialog.
  void mHydrateIds_Click();
  bool HydrateIdsFile(const std::string& path);
  // Takes up a hydration a journal recorded; false when its ids file cannot be read.
  bool ResumeHydration(const RecoveredRetrieval& r);
  const HydrationResult& LastHydration() const { return last_hydration_; }

 private:
  WindowCore& core_;
  UserListPart& list_;
  UserTablesPart& tables_;
  SessionsPart& sessions_;
  RecoveryPart& recovery_;
  HydrationResult last_hydration_;
};

}  // namespace wf
