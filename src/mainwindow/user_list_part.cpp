// The user list panel: the list with its ticks and current entry, the summary box, the
// screen-name/id switch and the "User List" menu commands that edit the list.
#include "mainwindow/user_list_part.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "mainwindow/followers_part.h"
#include "mainwindow/paste_parser.h"
#include "mainwindow/retrieval_scope.h"
#include "util/cp1252.h"
#include "util/leading_number.h"

namespace wf {
namespace {

constexpr std::string_view kPastedTip =
    "List contains users pasted from external list/metadata table";

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// The profile an entry stands for: by id, or by screen name ignoring case as the service
// does. 1-based; 0 when the set holds none.
std::int32_t FindProfile(const UserSet& users, std::string_view entry, bool by_id) {
  if (entry.empty()) return 0;
  for (std::int32_t i = 1; i <= users.Count(); ++i) {
    const UserRecord& u = users.At(i);
    if (by_id ? u.Id == entry : SameName(u.ScreenName, entry)) return i;
  }
  return 0;
}

std::string Summary(const UserSet& users, std::int32_t i) {
  return users.RealName(i) + " - " + std::string(Utf8Prefix(users.Description(i), 200)) +
         ". Is located in " + users.Location(i) + " (" + users.Lang(i) + "), has " +
         std::to_string(users.Followers(i)) + " Followers, " + std::to_string(users.Friends(i)) +
         " Friends and " + std::to_string(users.StatusCount(i)) + " Tweets";
}

// The leading number of an entry written as the list has always judged it: a sign place
// (space or minus), plain decimal up to 15 significant digits, exponent form beyond, and no
// zero before the point of a fraction.
std::string NumberText(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15G", v < 0 ? -v : v);
  std::string digits = buf;
  if (digits.size() > 1 && digits[0] == '0' && digits[1] == '.') digits.erase(0, 1);
  return (v < 0 ? "-" : " ") + digits;
}

}  // namespace

// An entry looks like a user id when its leading number, written out, is the entry itself.
// Ids of today's accounts run to 19 digits, beyond what that writing keeps exact, so a run of
// digits without a leading zero counts as an id too.
bool LooksLikeUserId(std::string_view entry) {
  if (NumberText(LeadingNumber(entry)).size() == entry.size() + 1) return true;
  return !entry.empty() && entry.size() <= 20 && entry[0] != '0' &&
         std::all_of(entry.begin(), entry.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

void UserListPart::ShowULCount() {
  ul_count_ = std::to_string(user_list_.Count()) + " users displayed";
}

void UserListPart::UserList_Click(int index) {
  user_list_.SetCurrent(index);
  const UserSet& users = core_.twitter->Users();
  if (user_list_.Current() >= 0 && users.Count() >= 1) {
    const std::string& entry = user_list_.Entries()[static_cast<std::size_t>(index)].text;
    user_meta_ = Summary(users, FindProfile(users, entry, user_handle_ == UserEntryKind::kUserId));
  }
  core_.Notify(kUserListChanged | kControlsChanged);
}

void UserListPart::UserList_ItemCheck(int index, bool ticked) {
  if (index < 0 || index >= user_list_.Count()) return;
  user_list_.SetTicked(index, ticked);
  sel_all_ul_caption_ = "Deselect All";
  core_.Notify(kUserListChanged | kControlsChanged);
}

void UserListPart::mSelAllUL_Click() {
  const bool untick = user_list_.TickedCount() >= 1;
  for (int i = 0; i < user_list_.Count(); ++i) user_list_.SetTicked(i, !untick);
  sel_all_ul_caption_ = untick ? "Select All" : "Deselect All";
  core_.Notify(kUserListChanged | kControlsChanged);
}

void UserListPart::mCopyUL_Click() {
  if (core_.env.ui == nullptr) return;
  std::string text;
  for (const auto& e : user_list_.Entries()) text += e.text + "\r\n";
  core_.env.ui->SetClipboardText("");
  core_.env.ui->SetClipboardText(text);
  // The list has no file of its own: copied out, the user has it.
  user_list_.SetUnsaved(false);
}

void UserListPart::mCopyUT_Click() {
  core_.twitter->Users().ToClipboard();
}

void UserListPart::mULClear_Click() {
  user_list_.Clear();
  core_.twitter->Users().Clear();
  sel_all_ul_caption_ = "Select All";
  user_meta_.clear();
  ShowULCount();
  core_.Notify(kUserListChanged | kControlsChanged);
}

void UserListPart::mDeleteUser_Click() {
  const int k = user_list_.Current();
  if (k < 0) return;
  user_list_.RemoveAt(k);
  user_list_.SetUnsaved(true);
  user_meta_.clear();
  user_list_.SetCurrent(user_list_.Count() > 0 ? k - 1 : -1);
  ShowULCount();
  core_.Notify(kUserListChanged | kControlsChanged);
  UserList_Click(user_list_.Current());
}

void UserListPart::UserHandle_Click(int index) {
  if (index != 0 && index != 1) return;
  const bool to_ids = index == 1;
  const bool changed = static_cast<int>(user_handle_) != index;
  user_handle_ = static_cast<UserEntryKind>(index);
  const UserSet& users = core_.twitter->Users();
  if (changed && users.Count() >= 1) {
    // Paired by what each entry holds, not by position: a user the lookup skipped must not
    // shift every later entry onto someone else's profile.
    std::string missing;
    for (int i = 0; i < user_list_.Count(); ++i) {
      const std::string& text = user_list_.Entries()[static_cast<std::size_t>(i)].text;
      const std::int32_t k = FindProfile(users, text, !to_ids);
      if (k == 0) {
        missing += (missing.empty() ? "" : ", ") + text;
        continue;
      }
      user_list_.SetText(i, to_ids ? users.Id(k) : users.ScreenName(k));
    }
    if (!missing.empty()) {
      core_.progress.Add("No profile for these user list entries, left as they are: " + missing);
      core_.progress.SelectLast();
      core_.Notify(kLogChanged);
    }
  }
  core_.Notify(kUserListChanged | kControlsChanged);
}

void UserListPart::mAddUser_Click() {
  if (core_.retrieval_busy || core_.env.ui == nullptr) return;
  const auto answer = core_.env.ui->InputBox("Enter user ScreenName", kAppTitle, "");
  if (!answer || answer->empty() || answer->front() == ' ') return;
  UserSet& users = core_.twitter->Users();
  const std::int32_t before = users.Count();
  // The lookup rewrites the last log line: give it one of its own.
  core_.progress.Add("Looking up " + *answer);
  core_.Notify(kLogChanged);
  {
    RetrievalScope scope(core_, RetrievalScope::StopAtStart::kKeep);
    followers_.GetUsers(*core_.twitter, {*answer}, false, true);
    scope.End();
  }
  if (users.Count() > before) {
    // The entry is of the kind the list holds, so that the timelines ask for it rightly.
    user_list_.Add(user_handle_ == UserEntryKind::kUserId ? users.Id(users.Count())
                                                          : users.ScreenName(users.Count()));
    user_list_.SetUnsaved(true);
    ShowULCount();
    UserList_Click(user_list_.Count() - 1);
  } else {
    core_.env.ui->MessageBox("No account was found with the screen name " + *answer, MsgButtons::Ok,
                             MsgIcon::Exclamation, kAppTitle);
  }
  core_.Notify(kUserListChanged | kControlsChanged);
}

void UserListPart::mPasteUL_Click() {
  UiPort* ui = core_.env.ui;
  if (core_.retrieval_busy || ui == nullptr) return;
  if (user_list_.Count() > 0 &&
      ui->Ask({QuestionId::ReplaceUserList}, "Replace current user list with list on clipboard?",
              MsgButtons::OkCancel, MsgIcon::Question, kAppTitle) == MsgAnswer::Cancel) {
    return;
  }
  const std::string text = ui->ClipboardText();
  if (text.find('\n') == std::string::npos) return;

  user_list_.Clear();
  if (core_.twitter->Users().Count() > 0) core_.twitter->Users().Clear();
  PastedUsers pasted = ParsePastedUsers(text);
  for (auto& entry : pasted.entries) user_list_.Add(std::move(entry));
  const bool ids =
      pasted.any_looks_like_id &&
      ui->Ask({QuestionId::ListHoldsUserIds},
              "At least one item in the list looks like a UserID (number), not a "
              "ScreenName. If this IS a list of UserIDs then click YES. If this is a list "
              "of ScreenNames then click NO",
              MsgButtons::YesNo, MsgIcon::Question, "Define list item type") == MsgAnswer::Yes;
  user_meta_.clear();
  sel_all_ul_caption_ = "Select All";
  ShowULCount();
  core_.Notify(kUserListChanged | kControlsChanged);
  if (user_list_.Count() == 0) return;

  ui->SetPointer(Pointer::Hourglass);
  ut_frame_enabled_ = false;
  core_.progress.Add("Retrieving user details (click cancel to abort) ...");
  core_.Notify(kLogChanged | kControlsChanged);
  std::vector<std::string> ua;
  ua.reserve(static_cast<std::size_t>(user_list_.Count()));
  for (const auto& e : user_list_.Entries()) ua.push_back(e.text);
  {
    RetrievalScope scope(core_, RetrievalScope::StopAtStart::kKeep);
    followers_.GetUsers(*core_.twitter, ua, ids, false);
    scope.End();
  }

  ShowULCount();
  ui->SetPointer(Pointer::Default);
  ut_frame_enabled_ = true;
  user_list_.SetToolTip(std::string(kPastedTip));
  // Entries pair with profiles by what they hold; one the lookup did not find keeps its text.
  const UserSet& users = core_.twitter->Users();
  std::string missing;
  for (int i = 0; i < user_list_.Count(); ++i) {
    const std::string& entry = user_list_.Entries()[static_cast<std::size_t>(i)].text;
    const std::int32_t k = FindProfile(users, entry, ids);
    if (k == 0) {
      missing += (missing.empty() ? "" : ", ") + entry;
    } else if (ids) {
      user_list_.SetText(i, users.ScreenName(k));
    }
  }
  // The entries are screen names now, whatever the option said before the paste.
  user_handle_ = UserEntryKind::kScreenName;
  if (!missing.empty()) {
    core_.progress.Add("No profile found for: " + missing);
    core_.progress.SelectLast();
  }
  core_.Notify(kUserListChanged | kControlsChanged | kLogChanged);
}

}  // namespace wf
