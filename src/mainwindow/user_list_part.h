#pragma once

#include <string>
#include <string_view>

#include "mainwindow/user_list.h"
#include "mainwindow/window_core.h"

namespace wf {

class FollowersPart;

// What the entries of the user list hold: the switch "Screen Name" / "User Id".
enum class UserEntryKind { kScreenName = 0, kUserId = 1 };

// The user list panel: the list with its ticks and current entry, the summary box, the
// screen-name/id switch and the "User List" menu commands that edit the list.
class UserListPart {
 public:
  UserListPart(WindowCore& core, FollowersPart& followers) : core_(core), followers_(followers) {}

  const UserList& Users() const { return user_list_; }
  UserList& List() { return user_list_; }
  // "N users displayed", the count under the list.
  const std::string& ULCount() const { return ul_count_; }
  // The summary box of the current entry's profile.
  const std::string& UserMeta() const { return user_meta_; }
  UserEntryKind UserHandle() const { return user_handle_; }
  // "Select All" or "Deselect All".
  const std::string& SelAllULCaption() const { return sel_all_ul_caption_; }
  // The user timelines frame; off while a paste looks its users up.
  bool UTFrameEnabled() const { return ut_frame_enabled_; }

  void UserList_Click(int index);
  void UserList_ItemCheck(int index, bool ticked);
  // 0 "Screen Name", 1 "User Id".
  void UserHandle_Click(int index);
  void mCopyUL_Click();
  void mCopyUT_Click();
  void mPasteUL_Click();
  void mSelAllUL_Click();
  void mULClear_Click();
  void mAddUser_Click();
  void mDeleteUser_Click();

  void ShowULCount();
  // A command filled the list afresh with screen names: the switch and the tick caption
  // start over.
  void MarkNewScreenNameList() {
    user_handle_ = UserEntryKind::kScreenName;
    sel_all_ul_caption_ = "Select All";
  }
  // The count as the window shows it before any list is made.
  void ResetCount() { ul_count_ = std::to_string(user_list_.Count()) + " users"; }

 private:
  WindowCore& core_;
  FollowersPart& followers_;
  UserList user_list_;
  std::string ul_count_;
  std::string user_meta_;
  UserEntryKind user_handle_ = UserEntryKind::kScreenName;
  std::string sel_all_ul_caption_ = "Select All";
  bool ut_frame_enabled_ = true;
};

// Whether a user list entry reads as a numeric user id rather than a screen name.
bool LooksLikeUserId(std::string_view entry);

}  // namespace wf
