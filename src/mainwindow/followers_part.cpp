// Followers and friends: the "User List" menu commands that replace the list with an
// account's followers or friends, and the frame "Get Followers/Friends of" that puts them,
// with their profiles, into new Other user tables.
#include "mainwindow/followers_part.h"

#include "mainwindow/loop_context.h"
#include "mainwindow/retrieval_scope.h"
#include "mainwindow/user_list_part.h"
#include "mainwindow/user_tables_part.h"
#include "mainwindow/window_text.h"
#include "util/leading_number.h"
#include "workflows/followers_retrieval.h"
#include "workflows/profile_lookup.h"

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

void FollowersPart::mGetUserFollowers_Click() {
  FollowListCommand(false);
}

void FollowersPart::mGetUserFriends_Click() {
  FollowListCommand(true);
}

void FollowersPart::FollowListCommand(bool friends) {
  UiPort* ui = core_.env.ui;
  if (core_.retrieval_busy || ui == nullptr) return;
  const int current = list_.List().Current();
  const std::string proposal =
      current >= 0 ? list_.List().Entries()[static_cast<std::size_t>(current)].text : "skein_team";
  const auto answer = ui->InputBox("Enter screen name", kAppTitle, proposal);
  if (!answer || answer->empty()) return;
  const std::string& name = *answer;
  const std::string_view noun = friends ? "friends" : "followers";

  RetrievalScope scope(core_, RetrievalScope::StopAtStart::kKeep);
  scope.ShowHourglass(Pointer::Hourglass);
  UserSet& users = core_.twitter->Users();
  const int known = KnownCount(users, "", name, friends);
  users.Clear();
  LoopContext ctx(core_, list_);
  core_.last_outcome = RetrieveFollowList(ctx, *core_.twitter,
                                          friends ? FollowList::kFriends : FollowList::kFollowers,
                                          "", name, name, known)
                           .outcome;

  core_.last_get = core_.twitter->ResponseText();
  scope.End();
  list_.List().SetBold(false);
  core_.Notify(kLogChanged | kControlsChanged | kUserListChanged);

  if (users.Count() == 0) {
    ui->MessageBox(
        "No " + std::string(noun) + " retrieved. Verify that you are entering a valid Screen Name",
        MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
    return;
  }
  list_.List().Clear();
  for (std::int32_t i = 1; i <= users.Count(); ++i) list_.List().Add(users.ScreenName(i));
  list_.List().SetUnsaved(true);
  list_.List().SetToolTip("List contains " + std::string(noun) + " of " + name);
  list_.MarkNewScreenNameList();
  list_.ShowULCount();
  list_.UserList_Click(0);
  if (friends) {
    ui->MessageBox(std::to_string(list_.List().Count()) + " Screen Names of friends of " + name +
                       " were copied to the User Timeline list.",
                   MsgButtons::Ok, MsgIcon::Information, kAppTitle);
  }
}

void FollowersPart::GUFOp_Click(int index) {
  if (index < 0 || index > 2) return;
  guf_op_ = static_cast<GufOp>(index);
  guf_id_enabled_ = index != 0;
  if (index != 0) guf_id_.clear();
  core_.Notify(kControlsChanged);
}

bool FollowersPart::EnsureUTwitterToken() {
  if (!core_.utwitter->BearerToken().empty()) return true;
  if (core_.utwitter_auth && core_.utwitter_auth(*core_.utwitter) &&
      !core_.utwitter->BearerToken().empty()) {
    return true;
  }
  if (core_.env.ui != nullptr) {
    core_.env.ui->MessageBox("Couldn't obtain an access token for the user tables' API connection",
                             MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
  }
  return false;
}

void FollowersPart::GetFF_Click(FollowList which) {
  if (core_.retrieval_busy) return;
  const bool friends = which == FollowList::kFriends;
  UiPort* ui = core_.env.ui;

  struct Account {
    std::string id;
    std::string name;
    int known = 0;
  };
  std::vector<Account> accounts;
  if (guf_op_ == GufOp::kSelectedUsers) {
    if (tables_.CurrentUserTable() >= 0 &&
        tables_.CurrentUserTable() < static_cast<int>(tables_.Tables().size())) {
      for (const auto& row :
           tables_.Tables()[static_cast<std::size_t>(tables_.CurrentUserTable())].Rows()) {
        if (!row.selected || window_text::Trimmed(row.cells[0]).empty()) continue;
        const double count = LeadingNumber(row.cells[friends ? 11 : 10]);
        accounts.push_back({std::string(window_text::Trimmed(row.cells[0])),
                            std::string(window_text::Trimmed(row.cells[1])),
                            static_cast<int>(count)});
      }
    }
  } else if (const std::string_view text = window_text::Trimmed(guf_id_); !text.empty()) {
    Account a;
    (guf_op_ == GufOp::kUserId ? a.id : a.name) = std::string(text);
    a.known = KnownCount(core_.twitter->Users(), a.id, a.name, friends);
    if (a.known == 0) a.known = KnownCount(core_.utwitter->Users(), a.id, a.name, friends);
    accounts.push_back(std::move(a));
  }
  if (accounts.empty()) {
    if (ui != nullptr) {
      ui->MessageBox(
          guf_op_ == GufOp::kSelectedUsers
              ? "Select the users in the user table first"
              : (guf_op_ == GufOp::kScreenName ? "Enter a screen name" : "Enter a user id"),
          MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
    }
    return;
  }
  if (!EnsureUTwitterToken()) return;

  RetrievalScope scope(core_);
  scope.ShowHourglass(Pointer::Hourglass);
  LoopContext ctx(core_, list_);
  int tables = 0;
  bool cancelled = false;
  RetrievalOutcome walk;
  for (const Account& a : accounts) {
    core_.utwitter->Users().Clear();
    const std::string shown = a.name.empty() ? a.id : a.name;
    const FollowListResult result = RetrieveFollowList(
        ctx, *core_.utwitter, friends ? FollowList::kFriends : FollowList::kFollowers, a.id,
        a.id.empty() ? a.name : "", shown, a.known);
    if (core_.utwitter->Users().Count() > 0) {
      tables_.AddUserTable((friends ? "Friends of " : "Followers of ") + shown);
      tables_.FillUserTable(*core_.utwitter);
      ++tables;
    }
    FoldOutcome(walk, result.outcome);
    if (result.outcome.CancelledByUser()) {
      cancelled = true;
      break;
    }
  }
  core_.last_outcome = walk;

  core_.last_get = core_.utwitter->ResponseText();
  scope.End();
  core_.Notify(kLogChanged | kControlsChanged | kUserTablesChanged);
  if (tables == 0 && !cancelled && ui != nullptr) {
    ui->MessageBox(std::string("No ") + (friends ? "friends" : "followers") +
                       " retrieved. Verify the screen name or user id",
                   MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
  }
}

bool FollowersPart::GetUsers(TwitterAPI& api, const std::vector<std::string>& ua, bool user_id,
                             bool update) {
  LoopContext ctx(core_, list_);
  core_.last_outcome = wf::GetUsers(ctx, api, ua, user_id, update);
  return core_.last_outcome.end == RetrievalEnd::Completed;
}

bool FollowersPart::PauseUntilNextWindow(const CivilDateTime& reset, std::string_view twit_method) {
  LoopContext ctx(core_, list_);
  return wf::PauseUntilNextWindow(ctx, reset, twit_method);
}

}  // namespace wf
