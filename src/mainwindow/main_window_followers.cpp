// Followers and friends: the "User List" menu commands that replace the list with an
// account's followers or friends, and the frame "Get Followers/Friends of" that puts them,
// with their profiles, into new Other user tables.
#include "mainwindow/loop_context.h"
#include "mainwindow/main_window.h"
#include "mainwindow/window_text.h"
#include "util/leading_number.h"
#include "workflows/followers_retrieval.h"

namespace wf {
namespace {

// The account's follower or friend count from a profile the client holds; 0 when unknown.
int KnownCount(const UserSet& users, std::string_view id, std::string_view name, bool friends) {
  for (std::int32_t i = 1; i <= users.Count(); ++i) {
    const UserRecord& u = users.At(i);
    if ((!id.empty() && u.Id == id) || (!name.empty() && u.ScreenName == name)) {
      return friends ? u.Friends : u.Followers;
    }
  }
  return 0;
}

}  // namespace

void MainWindow::mGetUserFollowers_Click() {
  FollowListCommand(false);
}

void MainWindow::mGetUserFriends_Click() {
  FollowListCommand(true);
}

void MainWindow::FollowListCommand(bool friends) {
  UiPort* ui = env_.ui;
  if (retrieval_busy_ || ui == nullptr) return;
  const int current = user_list_.Current();
  const std::string proposal =
      current >= 0 ? user_list_.Entries()[static_cast<std::size_t>(current)].text : "skein_team";
  const auto answer = ui->InputBox("Enter screen name", kAppTitle, proposal);
  if (!answer || answer->empty()) return;
  const std::string& name = *answer;
  const std::string_view noun = friends ? "friends" : "followers";

  ui->SetPointer(Pointer::Hourglass);
  UserSet& users = twitter_->Users();
  const int known = KnownCount(users, "", name, friends);
  users.Clear();
  retrieval_busy_ = true;
  LoopContext ctx(*this);
  RetrieveFollowList(ctx, *twitter_, friends ? FollowList::kFriends : FollowList::kFollowers, "",
                     name, name, known);

  last_get_ = twitter_->ResponseText();
  ui->SetPointer(Pointer::Default);
  retrieval_busy_ = false;
  user_list_.SetBold(false);
  Notify(kLogChanged | kControlsChanged | kUserListChanged);

  if (users.Count() == 0) {
    ui->MessageBox(
        "No " + std::string(noun) + " retrieved. Verify that you are entering a valid Screen Name",
        MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
    return;
  }
  user_list_.Clear();
  for (std::int32_t i = 1; i <= users.Count(); ++i) user_list_.Add(users.ScreenName(i));
  user_list_.SetUnsaved(true);
  user_list_.SetToolTip("List contains " + std::string(noun) + " of " + name);
  user_handle_ = 0;
  sel_all_ul_caption_ = "Select All";
  ShowULCount();
  UserList_Click(0);
  if (friends) {
    ui->MessageBox(std::to_string(user_list_.Count()) + " Screen Names of friends of " + name +
                       " were copied to the User Timeline list.",
                   MsgButtons::Ok, MsgIcon::Information, kAppTitle);
  }
}

void MainWindow::GUFOp_Click(int index) {
  if (index < 0 || index > 2) return;
  guf_op_ = index;
  guf_id_enabled_ = index != 0;
  if (index != 0) guf_id_.clear();
  Notify(kControlsChanged);
}

bool MainWindow::EnsureUTwitterToken() {
  if (!utwitter_->BearerToken().empty()) return true;
  if (utwitter_auth_ && utwitter_auth_(*utwitter_) && !utwitter_->BearerToken().empty()) {
    return true;
  }
  if (env_.ui != nullptr) {
    env_.ui->MessageBox("Couldn't obtain an access token for the user tables' API connection",
                        MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
  }
  return false;
}

void MainWindow::GetFF_Click(int index) {
  if (retrieval_busy_ || (index != 0 && index != 1)) return;
  const bool friends = index == 1;
  UiPort* ui = env_.ui;

  struct Account {
    std::string id;
    std::string name;
    int known = 0;
  };
  std::vector<Account> accounts;
  if (guf_op_ == 0) {
    if (current_user_table_ >= 0 && current_user_table_ < static_cast<int>(user_tables_.size())) {
      for (const auto& row : user_tables_[static_cast<std::size_t>(current_user_table_)].Rows()) {
        if (!row.selected || window_text::Trimmed(row.cells[0]).empty()) continue;
        const double count = LeadingNumber(row.cells[friends ? 11 : 10]);
        accounts.push_back({std::string(window_text::Trimmed(row.cells[0])),
                            std::string(window_text::Trimmed(row.cells[1])),
                            static_cast<int>(count)});
      }
    }
  } else if (const std::string_view text = window_text::Trimmed(guf_id_); !text.empty()) {
    Account a;
    (guf_op_ == 2 ? a.id : a.name) = std::string(text);
    a.known = KnownCount(twitter_->Users(), a.id, a.name, friends);
    if (a.known == 0) a.known = KnownCount(utwitter_->Users(), a.id, a.name, friends);
    accounts.push_back(std::move(a));
  }
  if (accounts.empty()) {
    if (ui != nullptr) {
      ui->MessageBox(guf_op_ == 0 ? "Select the users in the user table first"
                                  : (guf_op_ == 1 ? "Enter a screen name" : "Enter a user id"),
                     MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
    }
    return;
  }
  if (!EnsureUTwitterToken()) return;

  retrieval_busy_ = true;
  stop_requested_ = false;
  if (ui != nullptr) ui->SetPointer(Pointer::Hourglass);
  LoopContext ctx(*this);
  int tables = 0;
  bool cancelled = false;
  for (const Account& a : accounts) {
    utwitter_->Users().Clear();
    const std::string shown = a.name.empty() ? a.id : a.name;
    const FollowListResult result =
        RetrieveFollowList(ctx, *utwitter_, friends ? FollowList::kFriends : FollowList::kFollowers,
                           a.id, a.id.empty() ? a.name : "", shown, a.known);
    if (utwitter_->Users().Count() > 0) {
      AddUserTable((friends ? "Friends of " : "Followers of ") + shown);
      FillUserTable(*utwitter_);
      ++tables;
    }
    if (result.end == FollowListEnd::kCancelled) {
      cancelled = true;
      break;
    }
  }

  last_get_ = utwitter_->ResponseText();
  if (ui != nullptr) ui->SetPointer(Pointer::Default);
  retrieval_busy_ = false;
  Notify(kLogChanged | kControlsChanged | kUserTablesChanged);
  if (tables == 0 && !cancelled && ui != nullptr) {
    ui->MessageBox(std::string("No ") + (friends ? "friends" : "followers") +
                       " retrieved. Verify the screen name or user id",
                   MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
  }
}

}  // namespace wf
