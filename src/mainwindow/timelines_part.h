#pragma once

#include <string>

#include "mainwindow/window_core.h"

namespace wf {

class RecoveryPart;
class SessionsPart;
class UserListPart;
class UserTablesPart;

// The user timeline (UTL) commands: all timelines of the ticked users, their update, and the
// double-click on one entry of the user list.
class TimelinesPart {
 public:
  TimelinesPart(WindowCore& core, UserListPart& list, UserTablesPart& tables,
                SessionsPart& sessions, RecoveryPart& recovery)
      : core_(core), list_(list), tables_(tables), sessions_(sessions), recovery_(recovery) {}

  void GetAllUTL_Click();
  void UpdateUTL_Click();
  void UserList_DblClick(int index);
  // One user's timeline into the first client's tweets; the caller shows them.
  void RetrieveUserTimeline(const std::string& user, const std::string& since_id);

 private:
  WindowCore& core_;
  UserListPart& list_;
  UserTablesPart& tables_;
  SessionsPart& sessions_;
  RecoveryPart& recovery_;
};

}  // namespace wf
