#pragma once

#include <string>
#include <vector>

#include "mainwindow/user_files.h"
#include "mainwindow/user_table_stats.h"
#include "mainwindow/user_table_view.h"
#include "mainwindow/window_core.h"

namespace wf {

class FollowersPart;
class UserListPart;

// Open > User Table: key fields (profiles looked up afresh) or a table with all its fields.
enum class UserTableOpen { kKeyFields = 0, kAllFields = 1 };
// The "User Table" pop-up menu's selections.
enum class UserTableSelection { kAll = 0, kNoTimelineSample = 1, kDownToSelectedRow = 2 };
// "Filter Checked Rows": what happens to the ticked rows, and what it acts on.
enum class RowFilterMode { kRemove = 0, kRetain = 1 };
// Which kind of user table is on show: the "Tweets" table or an "Other:" one.
enum class UserTableKind { kTweets = 0, kOther = 1 };
enum class RowFilterEntity { kTweetsAndUsers = 0, kUsersOnly = 1, kTweetsOnly = 2 };

// The user tables (UT) and their files. Table 0 is the "Tweets" table built from the tweet
// table; tables 1.. are the Other tables, whose names UTList lists in table order (entry i
// names table i + 1).
class UserTablesPart {
 public:
  UserTablesPart(WindowCore& core, UserListPart& list, FollowersPart& followers)
      : core_(core), list_(list), followers_(followers) {
    user_tables_.emplace_back();
  }

  const std::vector<UserTableView>& Tables() const { return user_tables_; }
  std::vector<UserTableView>& Tables() { return user_tables_; }
  int CurrentUserTable() const { return current_user_table_; }
  // Only the "Tweets" table, on show.
  void Reset() {
    user_tables_.assign(1, UserTableView());
    current_user_table_ = 0;
  }

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
  UserTableKind UTToggle() const { return ut_toggle_; }
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
  // The frame's option buttons: 0 "Remove", 1 "Retain"; 0 "Tweets and Users", 1 "Users
  // only", 2 "Tweets only".
  void FilterMode_Click(int index);
  void FilterEntity_Click(int index);
  RowFilterMode FilterMode() const { return filter_mode_; }
  RowFilterEntity FilterEntity() const { return filter_entity_; }
  // Sorts the table on show by a column (0-based); the same column again reverses the order.
  void UserTable_ColumnClick(int column0);
  void mUTSelAll_Click(UserTableSelection which);
  void mUTUnselAll_Click();
  // Opens the profile page of a row's account in the browser.
  void UserTable_DblClick(int row);
  // "Get Users From Tweets" (User List menu).
  void mGetUFT_Click();
  // The row a running command works on, for the view to scroll to; -1 when none.
  int UserTableScrollRow() const { return ut_scroll_row_; }

  // Save > User Table in one of its layouts.
  void mSaveUsers_Click(UserFileLayout layout);
  void mOpenUsers_Click(UserTableOpen what);
  void mImportProfilo_Click();
  // Writes the user table on show to `path` in `layout`, without dialogs or questions (the
  // command line's save); false, with the user told, when it cannot.
  bool SaveUserTableFile(const std::string& path, UserFileLayout layout);
  // Ends opening a table: its row count in the status bar, the pointer back, the window free.
  void FinishUserTableOpen();

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
  bool WriteUserTableFile(const std::string& path, UserFileLayout layout);

  WindowCore& core_;
  UserListPart& list_;
  FollowersPart& followers_;
  std::vector<UserTableView> user_tables_;  // [0] is the "Tweets" table
  int current_user_table_ = 0;
  UserTableKind ut_toggle_ = UserTableKind::kTweets;
  int ut_list_selected_ = -1;
  RowFilterMode filter_mode_ = RowFilterMode::kRemove;
  RowFilterEntity filter_entity_ = RowFilterEntity::kTweetsAndUsers;
  int ut_scroll_row_ = -1;
  int next_table_number_ = 1;
};

}  // namespace wf
