// Commands that change the tweet table's rows or act on one row: the tweet context menu, the
// keyword filter, retweet removal and the conversions of the DateTime column.
#include <algorithm>
#include <cctype>
#include <string>

#include "mainwindow/main_window.h"
#include "mainwindow/window_text.h"
#include "util/cp1252.h"
#include "util/shell_and_wait.h"
#include "util/yielder.h"

namespace wf {
namespace {

constexpr int kScreenNameColumn = 2;
constexpr int kTweetColumn = 3;
constexpr int kLinkColumn = 13;
constexpr std::string_view kProfileHost = "https://twitter.com";
constexpr std::string_view kEmptyTableMessage =
    "Tweet table is empty. You need to load or retrieve some tweets first.";

std::string RowText(const TweetView& view, std::int32_t row) {
  std::string text;
  for (int c = 1; c <= TweetView::kColumns; ++c) {
    if (c > 1) text.push_back('\t');
    text += view.Cell(row, c);
  }
  return text;
}

// Only web addresses go to the opener: a cell that merely starts with "http" could name a
// local file or program, which the opener would happily run.
bool IsWebLink(std::string_view link) {
  const auto starts = [&](std::string_view prefix) {
    return link.size() > prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), link.begin(), [](char a, char b) {
             return std::tolower(static_cast<unsigned char>(a)) ==
                    std::tolower(static_cast<unsigned char>(b));
           });
  };
  return starts("http://") || starts("https://");
}

// Lower-case form of a letter for comparing without regard to case: ASCII, the accented
// Latin letters (Latin-1 and Latin Extended-A), Greek and Cyrillic, which covers the letters
// the tweets of the languages searched for use.
char32_t FoldCase(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 0x20 : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
  if (c >= 0x100 && c <= 0x17F) {
    if (c == 0x178) return 0xFF;
    const bool odd_pairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    if (odd_pairs) return (c % 2 == 1) ? c + 1 : c;
    return (c % 2 == 0) ? c + 1 : c;
  }
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 0x20;
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  return c;
}

// `utf8` case-folded into `out`, replacing what it held.
void FoldInto(std::string_view utf8, std::u32string& out) {
  out.clear();
  std::size_t pos = 0;
  while (pos < utf8.size()) out.push_back(FoldCase(NextCodePoint(utf8, pos)));
}

std::u32string Folded(std::string_view utf8) {
  std::u32string out;
  out.reserve(utf8.size());
  FoldInto(utf8, out);
  return out;
}

// Whether `text` contains `word` ignoring case; an empty word is in every non-empty text.
// `scratch` holds the folded text, so that a run over many rows allocates once.
bool ContainsIgnoringCase(std::string_view text, const std::u32string& folded_word,
                          std::u32string& scratch) {
  if (folded_word.empty()) return !text.empty();
  FoldInto(text, scratch);
  return scratch.find(folded_word) != std::u32string::npos;
}

}  // namespace

// Edits change what a save writes: the table counts as unsaved, so that closing the window
// offers to save them.
void MainWindow::MarkTweetsEdited() {
  tweets_modified_ = true;
  SetCaptionForFile(true);
  Notify(kCaptionChanged);
}

bool MainWindow::TweetTableEmptyMessage() {
  if (out_table_.RowCount() > 0) return false;
  if (env_.ui != nullptr) {
    env_.ui->MessageBox(kEmptyTableMessage, MsgButtons::Ok, MsgIcon::Information, "Filter Tweets");
  }
  return true;
}

// ---- Context menu ------------------------------------------------------------------------

void MainWindow::OutTable_MouseUp(MouseButton button, std::int32_t row) {
  if (button != MouseButton::Right) return;
  if (row < 0 || row >= out_table_.RowCount()) {
    selected_tweet_row_ = -1;
    selected_tweet_cells_.clear();
    return;
  }
  selected_tweet_row_ = row;
  selected_tweet_cells_ = RowText(out_table_, row);
  const std::string link(out_table_.Cell(row, kLinkColumn));
  const std::string name(out_table_.Cell(row, kScreenNameColumn));
  tweet_menu_.nav_link_caption = "Go to " + std::string(Utf8Prefix(link, 96));
  tweet_menu_.nav_link_visible = link.empty() || link.front() != ' ';
  tweet_menu_.nav_user_caption = "Find " + name + " on Twitter";
  tweet_menu_.add_user_caption = "Add " + name + " to User List";
  tweet_menu_.delete_user_caption = "Delete " + name + " from User List";
  tweet_menu_.delete_users_tweets_caption = "Delete all Tweets by " + name;
  Notify(kControlsChanged);
}

std::int32_t MainWindow::TweetMenuRow() const {
  if (selected_tweet_row_ < 0) return -1;
  // A retrieval or a sort may have moved the rows since the menu opened; act on the row the
  // user chose, wherever it is now, and on no other.
  if (selected_tweet_row_ < out_table_.RowCount() &&
      RowText(out_table_, selected_tweet_row_) == selected_tweet_cells_) {
    return selected_tweet_row_;
  }
  for (std::int32_t r = 0; r < out_table_.RowCount(); ++r) {
    if (RowText(out_table_, r) == selected_tweet_cells_) return r;
  }
  return -1;
}

std::string MainWindow::TweetMenuScreenName() const {
  const std::int32_t row = TweetMenuRow();
  if (row < 0) return {};
  // The cell carries the padding that sorts numbers: a name such as "12345" is shown as
  // "  12345", but the account is "12345".
  return std::string(window_text::Trimmed(out_table_.Cell(row, kScreenNameColumn)));
}

void MainWindow::mNavLinkURL_Click() {
  const std::int32_t row = TweetMenuRow();
  if (row < 0) return;
  const std::string link(window_text::Trimmed(out_table_.Cell(row, kLinkColumn)));
  if (!IsWebLink(link)) return;
  Shell("xdg-open " + QuoteArgument(link), 2000, 0);
}

void MainWindow::mNavUserTwitter_Click() {
  const std::string name = TweetMenuScreenName();
  if (name.empty()) return;
  Shell("xdg-open " + QuoteArgument(std::string(kProfileHost) + "/" + name), 2000, 0);
}

void MainWindow::mAddU2UL_Click() {
  const std::string name = TweetMenuScreenName();
  if (name.empty() || retrieval_busy_) return;
  int at = -1;
  for (int i = 0; i < user_list_.Count(); ++i) {
    if (user_list_.Entries()[static_cast<std::size_t>(i)].text == name) {
      at = i;
      break;
    }
  }
  if (at >= 0) {
    user_list_.SetCurrent(at);
  } else {
    user_list_.Add(name);
    user_list_.SetUnsaved(true);
  }
  ShowULCount();
  Notify(kUserListChanged);

  std::vector<std::string> entries;
  for (const auto& e : user_list_.Entries()) entries.push_back(e.text);
  progress_.Add("Looking up " + name);
  Notify(kLogChanged);
  retrieval_busy_ = true;
  if (user_handle_ == 1 && at < 0) {
    // The list holds ids: look the others up by id and the new name by its name, then
    // write the new entry as its id so the list stays all ids.
    entries.pop_back();
    GetUsers(*twitter_, entries, true, false);
    const UserSet& users = twitter_->Users();
    const std::int32_t before = users.Count();
    GetUsers(*twitter_, {name}, false, true);
    // The lookups yield: the list may have been edited meanwhile.
    const int last = user_list_.Count() - 1;
    if (users.Count() > before && last >= 0 &&
        user_list_.Entries()[static_cast<std::size_t>(last)].text == name) {
      user_list_.SetText(last, users.Id(users.Count()));
    }
  } else {
    GetUsers(*twitter_, entries, user_handle_ == 1, false);
  }
  retrieval_busy_ = false;
  stop_requested_ = false;
  UserList_Click(user_list_.Count() - 1);
}

void MainWindow::mDelUFUL_Click() {
  const std::string name = TweetMenuScreenName();
  if (name.empty()) return;
  for (int i = 0; i < user_list_.Count(); ++i) {
    if (user_list_.Entries()[static_cast<std::size_t>(i)].text != name) continue;
    user_list_.RemoveAt(i);
    user_list_.SetUnsaved(true);
    ShowULCount();
    Notify(kUserListChanged | kControlsChanged);
    return;
  }
}

void MainWindow::mDelTweet_Click() {
  const std::int32_t row = TweetMenuRow();
  if (row < 0) return;
  out_table_.RemoveRow(row);
  MarkTweetsEdited();
  selected_tweet_row_ = -1;
  selected_tweet_cells_.clear();
  info_bar_[0] = std::to_string(out_table_.RowCount()) + " tweets displayed";
  Notify(kTweetsChanged | kStatusChanged);
}

void MainWindow::mDelUsersTweets_Click() {
  const std::int32_t row = TweetMenuRow();
  if (row < 0) return;
  // Compared as shown, padding and all, like every cell of the column.
  const std::string shown(out_table_.Cell(row, kScreenNameColumn));
  std::int32_t count = 0;
  for (std::int32_t r = 0; r < out_table_.RowCount(); ++r) {
    if (out_table_.Cell(r, kScreenNameColumn) == shown) ++count;
  }
  if (env_.ui == nullptr ||
      env_.ui->Ask({QuestionId::DeleteUsersTweets},
                   "Delete " + std::to_string(count) + " occurences of " +
                       std::string(window_text::Trimmed(shown)) + " from Tweets table?",
                   MsgButtons::OkCancel, MsgIcon::Question, "Confirm deletion") != MsgAnswer::Ok) {
    return;
  }
  // In one pass, rather than one removal, and a move of every later row, per match.
  out_table_.RemoveRowsIf(
      [&](std::int32_t r) { return out_table_.Cell(r, kScreenNameColumn) == shown; });
  if (count > 0) MarkTweetsEdited();
  selected_tweet_row_ = -1;
  selected_tweet_cells_.clear();
  info_bar_[0] = std::to_string(out_table_.RowCount()) + " tweets displayed";
  Notify(kTweetsChanged | kStatusChanged);
}

// ---- Filters -----------------------------------------------------------------------------

void MainWindow::mFilterTweets_Click() {
  if (TweetTableEmptyMessage() || env_.ui == nullptr) return;
  const auto answer = env_.ui->InputBox(
      "Enter a string (word or phrase) to filter by. Prefix with + to include and - to "
      "exclude. For e.g. +wrenfold will delete all tweets without wrenfold in the main text, "
      "whilst -wrenfold will do the opposite.",
      "Filter Tweets", "");
  // Cancel, or nothing to filter by, ends here: an empty word is in every tweet, and the
  // question's default would empty the table.
  if (!answer) return;
  std::string text = *answer;
  if (text.empty() || (text.front() != '-' && text.front() != '+')) text.insert(0, "-");
  if (text.size() == 1) return;
  FilterTweetsBy(std::string_view(text).substr(1), text.front() != '+');
}

void MainWindow::mRemRT_Click() {
  if (TweetTableEmptyMessage()) return;
  FilterTweetsBy("RT @", true);
}

void MainWindow::FilterTweetsBy(std::string_view word, bool remove_containing) {
  UiPort* ui = env_.ui;
  const std::u32string folded = Folded(word);
  std::vector<bool> remove(static_cast<std::size_t>(out_table_.RowCount()));
  std::size_t count = 0;
  std::u32string scratch;
  // Each row's text lies in its own allocation: asking for rows a little ahead keeps a large
  // table's pass from waiting on memory row by row.
  constexpr std::int32_t kAhead = 8;
  for (std::int32_t r = 0; r < out_table_.RowCount(); ++r) {
    out_table_.PrefetchRow(r + kAhead);
    const bool contains = ContainsIgnoringCase(out_table_.Cell(r, kTweetColumn), folded, scratch);
    remove[static_cast<std::size_t>(r)] = contains == remove_containing;
    if (contains == remove_containing) ++count;
  }
  if (ui == nullptr ||
      ui->Ask({QuestionId::FilterTweetsByWord},
              "There are " + std::to_string(count) + " tweets that " +
                  (remove_containing ? "contain" : "don't contain") + " [" + std::string(word) +
                  "] and will be removed. Proceed?",
              MsgButtons::OkCancel, MsgIcon::Question, "Filter Tweets") != MsgAnswer::Ok) {
    return;
  }
  // The question may have let other commands run: the marks are only good for the rows they
  // were made for.
  if (remove.size() != static_cast<std::size_t>(out_table_.RowCount())) return;
  ui->SetPointer(Pointer::Hourglass);
  SetEnabled(false);
  out_table_.RemoveRowsIf([&](std::int32_t r) { return remove[static_cast<std::size_t>(r)]; });
  if (count > 0) MarkTweetsEdited();
  // The rows that stay keep their order; a sorted view stays sorted and an unsorted one is
  // left in the order the user has.
  selected_tweet_row_ = -1;
  selected_tweet_cells_.clear();
  info_bar_[0] = std::to_string(out_table_.RowCount()) + " tweets displayed";
  ui->SetPointer(Pointer::Default);
  SetEnabled(true);
  Notify(kTweetsChanged | kStatusChanged | kControlsChanged);
}

// ---- DateTime conversions ----------------------------------------------------------------

void MainWindow::ConvertDateTimes(int mode, TweetView& table) {
  if (mode < 0 || mode > 2) return;
  // Converting row by row in a sorted view would sort again after every row.
  const bool sorted = table.Sorted();
  table.SetSorted(false);
  Yielder yielder(env_.ui);
  bool changed = false;
  for (std::int32_t r = 0; r < table.RowCount(); ++r) {
    const std::string_view text = table.Cell(r, 1);
    const std::string converted = mode == 0   ? ToNumericDateTime(text)
                                  : mode == 1 ? ToSPSSDateTime(text)
                                              : ToTwitterDateTime(text);
    if (!converted.empty() && converted != text) {
      table.SetCell(r, 1, converted);
      changed = true;
    }
    yielder.Poll();
  }
  table.SetSorted(sorted);
  if (changed && &table == &out_table_) MarkTweetsEdited();
  Notify(kTweetsChanged);
}

void MainWindow::mVBDateTime_Click() {
  if (env_.ui == nullptr ||
      env_.ui->Ask({QuestionId::ConvertToNumericDates},
                   "Convert the DateTime to local Numeric format e.g. dd/mm/yyyy "
                   "hh:mm:ss? NOTE: Nestview expects the original Twitter DateTime "
                   "format.",
                   MsgButtons::OkCancel, MsgIcon::Question, kAppTitle) != MsgAnswer::Ok) {
    return;
  }
  ConvertDateTimes(0, out_table_);
  vb_date_time_checked_ = true;
  Notify(kControlsChanged);
}

void MainWindow::mSPSSDateTime_Click() {
  if (env_.ui == nullptr ||
      env_.ui->Ask({QuestionId::ConvertToSpssDates},
                   "Convert the DateTime to an SPSS compatible format (dd-mmm-yyyyy hh:mm:ss)?",
                   MsgButtons::OkCancel, MsgIcon::Question, kAppTitle) != MsgAnswer::Ok) {
    return;
  }
  ConvertDateTimes(1, out_table_);
  vb_date_time_checked_ = false;
  Notify(kControlsChanged);
}

void MainWindow::mTwitterDateTime_Click() {
  ConvertDateTimes(2, out_table_);
  vb_date_time_checked_ = false;
  Notify(kControlsChanged);
}

}  // namespace wf
