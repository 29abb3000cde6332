#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "mainwindow/window_core.h"
#include "workflows/followers_retrieval.h"

namespace wf {

class UserListPart;
class UserTablesPart;

// Followers and friends: the "User List" menu commands that replace the list with an account's
// followers or friends, the frame "Get Followers/Friends of" (GUF) that puts them into new
// Other user tables, and the profile lookup the other parts share.
class FollowersPart {
 public:
  // The frame's "Get Followers/Friends of" choice.
  enum class GufOp { kSelectedUsers = 0, kScreenName = 1, kUserId = 2 };

  FollowersPart(WindowCore& core, UserListPart& list, UserTablesPart& tables)
      : core_(core), list_(list), tables_(tables) {}

  void mGetUserFollowers_Click();
  void mGetUserFriends_Click();
  // 0 "Selected Users", 1 "This ScreenName", 2 "This User Id".
  void GUFOp_Click(int index);
  GufOp GUFOp() const { return guf_op_; }
  const std::string& GUF_Id() const { return guf_id_; }
  bool GUF_IdEnabled() const { return guf_id_enabled_; }
  void SetGUF_Id(std::string text) {
    guf_id_ = std::move(text);
    core_.Notify(kControlsChanged);
  }
  // "Get Followers" or "Get Friends".
  void GetFF_Click(FollowList which);

  // Profiles of `ua` (ids when `user_id`) into api.Users(); false when cancelled.
  bool GetUsers(TwitterAPI& api, const std::vector<std::string>& ua, bool user_id, bool update);
  // Waits until `reset`; false when Cancel ended the wait.
  bool PauseUntilNextWindow(const CivilDateTime& reset, std::string_view twit_method);
  // The second client's token, asked for when it has none; false (the user told) without one.
  bool EnsureUTwitterToken();

 private:
  void FollowListCommand(bool friends);

  WindowCore& core_;
  UserListPart& list_;
  UserTablesPart& tables_;
  GufOp guf_op_ = GufOp::kSelectedUsers;
  std::string guf_id_;
  bool guf_id_enabled_ = false;
};

}  // namespace wf
