// The "Filter Checked Rows" frame and the "Add" button of the user table frame: removing or
// keeping the ticked users of the table on show and their tweets, and adding an Other
// table's rows to the "Tweets" table.
#include <unordered_set>

#include "mainwindow/user_tables_part.h"
#include "mainwindow/window_text.h"

namespace wf {
namespace {

std::string Count(std::size_t n, std::string_view noun) {
  return std::to_string(n) + " " + std::string(noun) + (n == 1 ? "" : "s");
}

}  // namespace

void UserTablesPart::FilterMode_Click(int index) {
  if (index < 0 || index > 1) return;
  filter_mode_ = static_cast<RowFilterMode>(index);
  core_.Notify(kControlsChanged);
}

void UserTablesPart::FilterEntity_Click(int index) {
  if (index < 0 || index > 2) return;
  filter_entity_ = static_cast<RowFilterEntity>(index);
  core_.Notify(kControlsChanged);
}

void UserTablesPart::MergeRemUT_Click(int index) {
  if (index == 0) MergeIntoTweetsTable();
  if (index == 1) FilterCheckedRows();
}

void UserTablesPart::FilterCheckedRows() {
  UiPort* ui = core_.env.ui;
  UserTableView* t = TableOnShow();
  if (t == nullptr || UserTablesLocked()) return;
  std::unordered_set<std::string> names;
  std::size_t ticked = 0;
  for (const auto& row : t->Rows()) {
    if (!row.ticked) continue;
    ++ticked;
    names.emplace(window_text::Trimmed(row.cells[user_col::kScreenName]));
  }
  if (ticked == 0) {
    if (ui != nullptr) {
      ui->MessageBox("No rows of the user table are checked", MsgButtons::Ok, MsgIcon::Exclamation,
                     kAppTitle);
    }
    return;
  }
  const bool remove = filter_mode_ == RowFilterMode::kRemove;
  const bool users = filter_entity_ != RowFilterEntity::kTweetsOnly;
  const bool tweets = filter_entity_ != RowFilterEntity::kUsersOnly;
  // A tweet goes when its author's tick matches the mode: ticked authors for "Remove", the
  // others for "Retain".
  const auto tweet_goes = [&](std::int32_t r) {
    return (names.count(std::string(window_text::Trimmed(core_.out_table.Cell(r, 2)))) != 0) ==
           remove;
  };
  std::size_t users_going = 0;
  if (users) users_going = remove ? ticked : t->Rows().size() - ticked;
  std::size_t tweets_going = 0;
  if (tweets) {
    for (std::int32_t r = 0; r < core_.out_table.RowCount(); ++r)
      tweets_going += tweet_goes(r) ? 1 : 0;
  }
  if (users_going == 0 && tweets_going == 0) {
    if (ui != nullptr) {
      ui->MessageBox("There is nothing to remove", MsgButtons::Ok, MsgIcon::Information, kAppTitle);
    }
    return;
  }

  const std::string checked = "the " + Count(ticked, "checked user");
  std::string question;
  if (remove) {
    if (users && tweets) {
      question = "Remove " + checked + " from the user table and their " +
                 Count(tweets_going, "tweet") + " from the tweet table?";
    } else if (users) {
      question = "Remove " + checked + " from the user table?";
    } else {
      question = "Remove the " + Count(tweets_going, "tweet") + " of " + checked +
                 " from the tweet table?";
    }
  } else {
    std::string removes;
    if (users) removes = Count(users_going, "user") + " from the user table";
    if (tweets) {
      removes += (users ? " and " : "") + Count(tweets_going, "tweet") + " from the tweet table";
    }
    const std::string kept = users && tweets ? checked + " and their tweets"
                                             : (users ? checked : "the tweets of " + checked);
    question = "Keep only " + kept + "? This removes " + removes + ".";
  }
  if (ui != nullptr && ui->Ask({QuestionId::FilterCheckedRows}, question, MsgButtons::YesNo,
                               MsgIcon::Question, kAppTitle) != MsgAnswer::Yes) {
    return;
  }

  unsigned changes = 0;
  if (users && users_going > 0) {
    std::erase_if(t->MutableRows(),
                  [remove](const UserTableView::Row& row) { return row.ticked == remove; });
    core_.info_bar[1] = std::to_string(t->RowCount()) + " users displayed";
    changes |= kUserTablesChanged | kStatusChanged;
  }
  if (tweets && tweets_going > 0) {
    core_.out_table.RemoveRowsIf(tweet_goes);
    core_.info_bar[0] = std::to_string(core_.out_table.RowCount()) + " tweets displayed";
    core_.tweets_modified = true;
    core_.SetCaptionForFile(true);
    changes |= kTweetsChanged | kStatusChanged | kCaptionChanged;
  }
  core_.Notify(changes);
}

void UserTablesPart::MergeIntoTweetsTable() {
  UiPort* ui = core_.env.ui;
  if (UserTablesLocked()) return;
  if (current_user_table_ == 0 || TableOnShow() == nullptr) {
    if (ui != nullptr) {
      ui->MessageBox("Show the Other table whose users are to be added to the Tweets table",
                     MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
    }
    return;
  }
  // Rows are told apart by id; a row without one (a key file of screen names) by its name.
  const auto key = [](const UserTableView::Row& row) {
    const std::string_view id = window_text::Trimmed(row.cells[user_col::kId]);
    if (!id.empty()) return "#" + std::string(id);
    return "@" + std::string(window_text::Trimmed(row.cells[user_col::kScreenName]));
  };
  UserTableView& target = user_tables_[0];
  std::unordered_set<std::string> held;
  for (const auto& row : target.Rows()) held.insert(key(row));
  const auto& source = user_tables_[static_cast<std::size_t>(current_user_table_)].Rows();
  std::vector<UserTableView::Row> added;
  std::size_t skipped = 0;
  for (const auto& row : source) {
    const std::string k = key(row);
    if (k.size() == 1 || !held.insert(k).second) {
      ++skipped;
      continue;
    }
    UserTableView::Row copy = row;
    copy.ticked = false;
    copy.selected = false;
    added.push_back(std::move(copy));
  }
  for (auto& row : added) target.MutableRows().push_back(std::move(row));
  target.Sort();
  core_.Notify(kUserTablesChanged);
  if (ui != nullptr) {
    ui->MessageBox(Count(added.size(), "user") + " added to the Tweets table" +
                       (skipped > 0 ? "; " + std::to_string(skipped) + " already there" : ""),
                   MsgButtons::Ok, MsgIcon::Information, kAppTitle);
  }
}

}  // namespace wf
