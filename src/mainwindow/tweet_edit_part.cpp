// Commands that change the tweet table's rows or act on one row: the tweet context menu, the
// keyword filter, retweet removal and the conversions of the DateTime column.
#include "mainwindow/tweet_edit_part.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "mainwindow/followers_part.h"
#include "mainwindow/retrieval_scope.h"
#include "mainwindow/user_list_part.h"
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
void TweetEditPart::MarkTweetsEdited() {
  core_.tweets_modified = true;
  core_.SetCaptionForFile(true);
  core_.Notify(kCaptionChanged);
}

bool TweetEditPart::TweetTableEmptyMessage() {
  if (core_.out_table.RowCount() > 0) return false;
  if (core_.env.ui != nullptr) {
    core_.env.ui->MessageBox(kEmptyTableMessage, MsgButtons::Ok, MsgIcon::Information,
                             "Filter Tweets");
  }
  return true;
}

// ---- Context menu ------------------------------------------------------------------------

void TweetEditPart::OutTable_MouseUp(MouseButton button, std::int32_t row) {
  if (button != MouseButton::Right) return;
  if (row < 0 || row >= core_.out_table.RowCount()) {
    selected_tweet_row_ = -1;
    selected_tweet_cells_.clear();
    return;
  }
  selected_tweet_row_ = row;
  selected_tweet_cells_ = RowText(core_.out_table, row);
  const std::string link(core_.out_table.Cell(row, kLinkColumn));
  const std::string name(core_.out_table.Cell(row, kScreenNameColumn));
  tweet_menu_.nav_link_caption = "Go to " + std::string(Utf8Prefix(link, 96));
  tweet_menu_.nav_link_visible = link.empty() || link.front() != ' ';
  tweet_menu_.nav_user_caption = "Find " + name + " on Twitter";
  tweet_menu_.add_user_caption = "Add " + name + " to User List";
  tweet_menu_.delete_user_caption = "Delete " + name + " from User List";
  tweet_menu_.delete_users_tweets_caption = "Delete all Tweets by " + name;
  core_.Notify(kControlsChanged);
}

std::int32_t TweetEditPart::TweetMenuRow() const {
  if (selected_tweet_row_ < 0) return -1;
  // A retrieval or a sort may have moved the rows since the menu opened; act on the row the
  // user chose, wherever it is now, and on no other.
  if (selected_tweet_row_ < core_.out_table.RowCount() &&
      RowText(core_.out_table, selected_tweet_row_) == selected_tweet_cells_) {
    return selected_tweet_row_;
  }
  for (std::int32_t r = 0; r < core_.out_table.RowCount(); ++r) {
    if (RowText(core_.out_table, r) == selected_tweet_cells_) return r;
  }
  return -1;
}

std::string TweetEditPart::TweetMenuScreenName() const {
  const std::int32_t row = TweetMenuRow();
  if (row < 0) return {};
  // The cell carries the padding that sorts numbers: a name such as "12345" is shown as
  // "  12345", but the account is "12345".
  return std::string(window_text::Trimmed(core_.out_table.Cell(row, kScreenNameColumn)));
}

void TweetEditPart::mNavLinkURL_Click() {
  const std::int32_t row = TweetMenuRow();
  if (row < 0) return;
  const std::string link(window_text::Trimmed(core_.out_table.Cell(row, kLinkColumn)));
  if (!IsWebLink(link)) return;
  core_.Shell("xdg-open " + QuoteArgument(link), 2000, 0);
}

void TweetEditPart::mNavUserTwitter_Click() {
  const std::string name = TweetMenuScreenName();
  if (name.empty()) return;
  core_.Shell("xdg-open " + QuoteArgument(std::string(kProfileHost) + "/" + name), 2000, 0);
}

void TweetEditPart::mAddU2UL_Click() {
  const std::string name = TweetMenuScreenName();
  if (name.empty() || core_.retrieval_busy) return;
  int at = -1;
  for (int i = 0; i < list_.List().Count(); ++i) {
    if (list_.List().Entries()[static_cast<std::size_t>(i)].text == name) {
      at = i;
      break;
    }
  }
  if (at >= 0) {
    list_.List().SetCurrent(at);
  } else {
    list_.List().Add(name);
    list_.List().SetUnsaved(true);
  }
  list_.ShowULCount();
  core_.Notify(kUserListChanged);

  std::vector<std::string> entries;
  for (const auto& e : list_.List().Entries()) entries.push_back(e.text);
  core_.progress.Add("Looking up " + name);
  core_.Notify(kLogChanged);
  RetrievalScope scope(core_, RetrievalScope::StopAtStart::kKeep);
  if (list_.UserHandle() == UserEntryKind::kUserId && at < 0) {
    // The list holds ids: look the others up by id and the new name by its name, then
    // write the new entry as its id so the list stays all ids.
    entries.pop_back();
    followers_.GetUsers(*core_.twitter, entries, true, false);
    const UserSet& users = core_.twitter->Users();
    const std::int32_t before = users.Count();
    followers_.GetUsers(*core_.twitter, {name}, false, true);
    // The lookups yield: the list may have been edited meanwhile.
    const int last = list_.List().Count() - 1;
    if (users.Count() > before && last >= 0 &&
        list_.List().Entries()[static_cast<std::size_t>(last)].text == name) {
      list_.List().SetText(last, users.Id(users.Count()));
    }
  } else {
    followers_.GetUsers(*core_.twitter, entries, list_.UserHandle() == UserEntryKind::kUserId,
                        false);
  }
  scope.End();
  list_.UserList_Click(list_.List().Count() - 1);
}

void TweetEditPart::mDelUFUL_Click() {
  const std::string name = TweetMenuScreenName();
  if (name.empty()) return;
  for (int i = 0; i < list_.List().Count(); ++i) {
    if (list_.List().Entries()[static_cast<std::size_t>(i)].text != name) continue;
    list_.List().RemoveAt(i);
    list_.List().SetUnsaved(true);
    list_.ShowULCount();
    core_.Notify(kUserListChanged | kControlsChanged);
    return;
  }
}

void TweetEditPart::mDelTweet_Click() {
  const std::int32_t row = TweetMenuRow();
  if (row < 0) return;
  core_.out_table.RemoveRow(row);
  MarkTweetsEdited();
  selected_tweet_row_ = -1;
  selected_tweet_cells_.clear();
  core_.info_bar[0] = std::to_string(core_.out_table.RowCount()) + " tweets displayed";
  core_.Notify(kTweetsChanged | kStatusChanged);
}

void TweetEditPart::mDelUsersTweets_Click() {
  const std::int32_t row = TweetMenuRow();
  if (row < 0) return;
  // Compared as shown, padding and all, like every cell of the column.
  const std::string shown(core_.out_table.Cell(row, kScreenNameColumn));
  std::int32_t count = 0;
  for (std::int32_t r = 0; r < core_.out_table.RowCount(); ++r) {
    if (core_.out_table.Cell(r, kScreenNameColumn) == shown) ++count;
  }
  if (core_.env.ui == nullptr ||
      core_.env.ui->Ask({QuestionId::DeleteUsersTweets},
                        "Delete " + std::to_string(count) + " occurences of " +
                            std::string(window_text::Trimmed(shown)) + " from Tweets table?",
                        MsgButtons::OkCancel, MsgIcon::Question,
                        "Confirm deletion") != MsgAnswer::Ok) {
    return;
  }
  // In one pass, rather than one removal, and a move of every later row, per match.
  core_.out_table.RemoveRowsIf(
      [&](std::int32_t r) { return core_.out_table.Cell(r, kScreenNameColumn) == shown; });
  if (count > 0) MarkTweetsEdited();
  selected_tweet_row_ = -1;
  selected_tweet_cells_.clear();
  core_.info_bar[0] = std::to_string(core_.out_table.RowCount()) + " tweets displayed";
  core_.Notify(kTweetsChanged | kStatusChanged);
}

// ---- Filters -----------------------------------------------------------------------------

void TweetEditPart::mFilterTweets_Click() {
  if (TweetTableEmptyMessage() || core_.env.ui == nullptr) return;
  const auto answer = core_.env.ui->InputBox(
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

void TweetEditPart::mRemRT_Click() {
  if (TweetTableEmptyMessage()) return;
  FilterTweetsBy("RT @", true);
}

void TweetEditPart::FilterTweetsBy(std::string_view word, bool remove_containing) {
  UiPort* ui = core_.env.ui;
  const std::u32string folded = Folded(word);
  std::vector<bool> remove(static_cast<std::size_t>(core_.out_table.RowCount()));
  std::size_t count = 0;
  std::u32string scratch;
  // Each row's text lies in its own allocation: asking for rows a little ahead keeps a large
  // table's pass from waiting on memory row by row.
  constexpr std::int32_t kAhead = 8;
  for (std::int32_t r = 0; r < core_.out_table.RowCount(); ++r) {
    core_.out_table.PrefetchRow(r + kAhead);
    const bool contains =
        ContainsIgnoringCase(core_.out_table.Cell(r, kTweetColumn), folded, scratch);
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
  if (remove.size() != static_cast<std::size_t>(core_.out_table.RowCount())) return;
  ui->SetPointer(Pointer::Hourglass);
  core_.SetEnabled(false);
  core_.out_table.RemoveRowsIf([&](std::int32_t r) { return remove[static_cast<std::size_t>(r)]; });
  if (count > 0) MarkTweetsEdited();
  // The rows that stay keep their order; a sorted view stays sorted and an unsorted one is
  // left in the order the user has.
  selected_tweet_row_ = -1;
  selected_tweet_cells_.clear();
  core_.info_bar[0] = std::to_string(core_.out_table.RowCount()) + " tweets displayed";
  ui->SetPointer(Pointer::Default);
  core_.SetEnabled(true);
  core_.Notify(kTweetsChanged | kStatusChanged | kControlsChanged);
}

// ---- Order ----------------------------------------------------------------------------

void TweetEditPart::mSortDT_Click() {
  core_.out_table.SetSorted(!core_.out_table.Sorted());
  core_.Notify(kTweetsChanged | kControlsChanged);
}

void TweetEditPart::OutTable_ColumnClick(int column_index_1based) {
  core_.out_table.ColumnClick(column_index_1based - 1);
  core_.Notify(kTweetsChanged);
}

// ---- DateTime conversions ----------------------------------------------------------------

void TweetEditPart::ConvertDateTimes(DateForm form, TweetView& table) {
  // Converting row by row in a sorted view would sort again after every row.
  const bool sorted = table.Sorted();
  table.SetSorted(false);
  Yielder yielder(core_.env.ui);
  bool changed = false;
  for (std::int32_t r = 0; r < table.RowCount(); ++r) {
    const std::string_view text = table.Cell(r, 1);
    const std::string converted = form == DateForm::kNumeric ? ToNumericDateTime(text)
                                  : form == DateForm::kSpss  ? ToSPSSDateTime(text)
                                                             : ToTwitterDateTime(text);
    if (!converted.empty() && converted != text) {
      table.SetCell(r, 1, converted);
      changed = true;
    }
    yielder.Poll();
  }
  table.SetSorted(sorted);
  if (changed && &table == &core_.out_table) MarkTweetsEdited();
  core_.Notify(kTweetsChanged);
}

void TweetEditPart::mVBDateTime_Click() {
  if (core_.env.ui == nullptr ||
      core_.env.ui->Ask({QuestionId::ConvertToNumericDates},
                        "Convert the DateTime to local Numeric format e.g. dd/mm/yyyy "
                        "hh:mm:ss? NOTE: Nestview expects the original Twitter DateTime "
                        "format.",
                        MsgButtons::OkCancel, MsgIcon::Question, kAppTitle) != MsgAnswer::Ok) {
    return;
  }
  ConvertDateTimes(DateForm::kNumeric, core_.out_table);
  vb_date_time_checked_ = true;
  core_.Notify(kControlsChanged);
}

void TweetEditPart::mSPSSDateTime_Click() {
  if (core_.env.ui == nullptr ||
      core_.env.ui->Ask(
          {QuestionId::ConvertToSpssDates},
          "Convert the DateTime to an SPSS compatible format (dd-mmm-yyyyy hh:mm:ss)?",
          MsgButtons::OkCancel, MsgIcon::Question, kAppTitle) != MsgAnswer::Ok) {
    return;
  }
  ConvertDateTimes(DateForm::kSpss, core_.out_table);
  vb_date_time_checked_ = false;
  core_.Notify(kControlsChanged);
}

void TweetEditPart::mTwitterDateTime_Click() {
  ConvertDateTimes(DateForm::kTwitter, core_.out_table);
  vb_date_time_checked_ = false;
  core_.Notify(kControlsChanged);
}

}  // namespace wf
