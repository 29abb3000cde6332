// The preferences file and the two histories of saved sessions.
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "mainwindow/sessions_part.h"
#include "util/cp1252.h"
#include "util/file_exists.h"
#include "util/file_io.h"

namespace wf {
namespace {

constexpr std::string_view kSeparator = "  ";

std::string PrefsPath(const std::string& folder) {
  return (std::filesystem::path(folder) / "prefs").string();
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t from = 0;
  while (from < text.size()) {
    std::size_t end = text.find_first_of("\r\n", from);
    if (end == std::string_view::npos) end = text.size();
    lines.emplace_back(text.substr(from, end - from));
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') {
      ++end;
    }
    from = end + 1;
  }
  return lines;
}

// Splits "query<sep>path" where the query itself may hold the separator: the first split
// whose remainder names an existing file wins; otherwise the last separator, since queries
// ("a, b", "a  b") hold separators far more often than paths do. Nothing is dropped.
std::pair<std::string, std::string> SplitAt(std::string_view text, std::string_view sep) {
  const std::size_t first = text.find(sep);
  if (first == std::string_view::npos) return {std::string(text), std::string()};
  for (std::size_t at = first; at != std::string_view::npos; at = text.find(sep, at + 1)) {
    if (FileExists(text.substr(at + sep.size()))) {
      return {std::string(text.substr(0, at)), std::string(text.substr(at + sep.size()))};
    }
  }
  const std::size_t last = text.rfind(sep);
  return {std::string(text.substr(0, last)), std::string(text.substr(last + sep.size()))};
}

std::string FormatWidth(double w) {
  if (std::nearbyint(w) == w && std::fabs(w) < 1e15) {
    return std::to_string(static_cast<long long>(w));
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.6f", w);
  std::string s(buf);
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  return s;
}

// "SO-<column 1..16>,<A|D>": the tweet table sorted by that column, ascending or descending.
// A record that does not read so is ignored.
void ApplySortRecord(std::string_view payload, TweetView& table) {
  const std::size_t comma = payload.find(',');
  if (comma == std::string_view::npos || comma == 0 || comma > 2) return;
  int column = 0;
  for (const char c : payload.substr(0, comma)) {
    if (c < '0' || c > '9') return;
    column = column * 10 + (c - '0');
  }
  const std::string_view order = payload.substr(comma + 1);
  if (column < 1 || column > TweetView::kColumns || (order != "A" && order != "D")) return;
  table.SetSorted(false);
  table.SetSort(column - 1, order == "D");
  table.SetSorted(true);
}

}  // namespace

std::pair<std::string, std::string> SplitQueryEntry(std::string_view entry) {
  return SplitAt(entry, kSeparator);
}

void SessionsPart::LoadPrefs() {
  const std::string path = PrefsPath(core_.env.program_folder);
  if (!FileExists(path)) return;
  const auto bytes = ReadWholeFile(path);
  if (!bytes) return;
  // Windows-1252, unless the file starts with the UTF-8 byte-order mark SavePrefs writes when
  // the code page cannot hold the text (deciding by "is it valid UTF-8" would misread
  // Windows-1252 text such as "\xE9\x97\x97" that happens to form a UTF-8 character).
  const std::string text = DecodeFileText(*bytes);
  bool use_location = false;
  for (const std::string& line : SplitLines(text)) {
    if (line.size() < 3) continue;
    const std::string type = line.substr(0, 3);
    const std::string payload = line.substr(3);
    if (type == "QP-") {
      const auto [query, file] = SplitAt(payload, ",");
      qp_history_.Append(query + std::string(kSeparator) + file);
      core_.Notify(kHistoryChanged);
      if (qp_history_.Count() == 1) QPHistory_Click(0);
    } else if (type == "UP-") {
      utl_history_.Append(payload);
      core_.Notify(kHistoryChanged);
      if (utl_history_.Count() == 1 && qp_history_.Count() == 0) UTLHistory_Click(0);
    } else if (type == "LA-") {
      core_.search_lang = payload;
    } else if (type == "HW-") {
      std::vector<double> widths;
      bool ok = true;
      std::size_t from = 0;
      while (ok) {
        const std::size_t comma = payload.find(',', from);
        const std::string piece =
            payload.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
        char* end = nullptr;
        const double v = std::strtod(piece.c_str(), &end);
        ok = !piece.empty() && end != nullptr && *end == '\0' && std::isfinite(v) && v >= 0 &&
             v < 1e7;
        widths.push_back(std::nearbyint(v));
        if (comma == std::string::npos) break;
        from = comma + 1;
      }
      if (ok && widths.size() >= static_cast<std::size_t>(TweetView::kColumns)) {
        for (int c = 0; c < TweetView::kColumns; ++c) {
          core_.out_table.SetWidth(c, widths[static_cast<std::size_t>(c)]);
        }
        core_.Notify(kTweetsChanged);
      }
    } else if (type == "SO-") {
      ApplySortRecord(payload, core_.out_table);
      core_.Notify(kTweetsChanged);
    } else if (type == "HD-") {
      headers_checked_ = payload == "1";
    } else if (type == "LO-") {
      core_.search_location = payload;
    } else if (type == "LU-") {
      use_location = payload == "1";
    } else if (type == "NV-") {
      if (!payload.empty()) nv_path_ = payload;
    } else if (type == "AR-") {
      archive_checked_ = payload == "1";
    } else if (type == "FT-") {
      SetFullText(payload == "1");
    } else if (LoadApiVersionPref(type, payload)) {
      ApplyApiVersion();
    } else if (type == "AH-") {
      if (!payload.empty() && !core_.env.api_base_given) {
        core_.api_base = payload;
        core_.twitter->SetApiBase(payload);
        core_.utwitter->SetApiBase(payload);
      }
    }
  }
  // The records may come in any order; searches are restricted only to a location known.
  if (use_location) core_.use_loc = !core_.search_location.empty();
  core_.Notify(kControlsChanged | kHistoryChanged);
}

bool SessionsPart::SavePrefs() {
  std::string text;
  for (const std::string& entry : qp_history_.Entries()) {
    const auto [query, file] = SplitAt(entry, kSeparator);
    // Only the separator becomes the comma, so a query with two spaces comes back intact.
    text += "QP-" + query + "," + file + "\r\n";
  }
  for (const std::string& entry : utl_history_.Entries()) text += "UP-" + entry + "\r\n";
  text += "LA-" + core_.search_lang + "\r\n";
  text += "HW-";
  for (int c = 0; c < TweetView::kColumns; ++c) {
    if (c > 0) text += ",";
    text += FormatWidth(core_.out_table.Widths()[static_cast<std::size_t>(c)]);
  }
  text += "\r\n";
  // Settings at their defaults write no record, so that a file from before they were kept
  // reads and writes as it did.
  if (core_.out_table.Sorted()) {
    text += "SO-" + std::to_string(core_.out_table.SortKey() + 1) +
            (core_.out_table.Descending() ? ",D" : ",A") + "\r\n";
  }
  if (headers_checked_) text += "HD-1\r\n";
  if (!core_.search_location.empty()) text += "LO-" + core_.search_location + "\r\n";
  if (core_.use_loc) text += "LU-1\r\n";
  if (core_.api_base != kDefaultApiBase) text += "AH-" + core_.api_base + "\r\n";
  if (archive_checked_ && archive_fixed_path_.empty()) text += "AR-1\r\n";
  if (full_text_checked_) text += "FT-1\r\n";
  // Only a visualiser the user picked: the default follows the program when it moves.
  if (nv_path_ != core_.DefaultVisualiser()) text += "NV-" + nv_path_ + "\r\n";
  text += ApiVersionPrefs();
  std::string error;
  // A query in Japanese, say, makes the file marked UTF-8, which LoadPrefs recognises.
  if (!WriteFileAtomically(PrefsPath(core_.env.program_folder), EncodeFileText(text), &error)) {
    if (core_.env.ui != nullptr) {
      core_.env.ui->MessageBox("Couldn't save the preferences: " + error, MsgButtons::Ok,
                               MsgIcon::Exclamation, kAppTitle);
    }
    return false;
  }
  return true;
}

void SessionsPart::RecordSavedSession(const std::string& path) {
  if (core_.cur_tweet_src == TweetSource::kSearch) {
    qp_history_.InsertTop(core_.search_query + std::string(kSeparator) + path);
    core_.Notify(kHistoryChanged);
    QPHistory_Click(0);
    qp_history_.RemoveDuplicates();
    qp_history_.SetSelected(0);
  } else if (core_.cur_tweet_src == TweetSource::kTimelines) {
    utl_history_.InsertTop(path);
    core_.Notify(kHistoryChanged);
    UTLHistory_Click(0);
    utl_history_.RemoveDuplicates();
    utl_history_.SetSelected(0);
  }
  core_.Notify(kHistoryChanged);
}

void SessionsPart::QPHistory_Click(int index) {
  qp_history_.SetSelected(index);
  if (qp_history_.Selected() < 0) return;
  const auto [query, path] = SplitAt(qp_history_.SelectedText(), kSeparator);
  core_.search_query = query;
  core_.Notify(kHistoryChanged | kControlsChanged);
  if (FileExists(path)) {
    core_.dialog_file_name = path;
    core_.starting = true;
    mOpenTweets_Click();
    core_.starting = false;
    core_.cur_tweet_src = TweetSource::kSearch;
    core_.update_search_enabled = true;
    core_.update_utl_enabled = false;
    core_.Notify(kControlsChanged);
    return;
  }
  core_.cur_tweet_src = TweetSource::kNone;
  if (core_.env.ui != nullptr &&
      core_.env.ui->Ask({QuestionId::RemoveMissingSession, path},
                        path + " was not found [" + query +
                            "]. Remove this query-data pair from the history? (Note: It may "
                            "be stored on the local drive of another PC)",
                        MsgButtons::YesNo, MsgIcon::Question, "Load Error") == MsgAnswer::Yes) {
    qp_history_.RemoveAt(qp_history_.Selected());
    core_.Notify(kHistoryChanged);
  }
}

void SessionsPart::UTLHistory_Click(int index) {
  utl_history_.SetSelected(index);
  if (utl_history_.Selected() < 0) return;
  const std::string path = utl_history_.SelectedText();
  core_.Notify(kHistoryChanged);
  if (FileExists(path)) {
    core_.dialog_file_name = path;
    core_.starting = true;
    mOpenTweets_Click();
    core_.starting = false;
    core_.cur_tweet_src = TweetSource::kTimelines;
    if (core_.out_table.RowCount() >= 1 && get_users_from_tweets_) get_users_from_tweets_();
    core_.update_search_enabled = false;
    core_.update_utl_enabled = true;
    core_.Notify(kControlsChanged);
    return;
  }
  core_.cur_tweet_src = TweetSource::kNone;
  if (core_.env.ui != nullptr &&
      core_.env.ui->Ask({QuestionId::RemoveMissingTimelineSession, path},
                        path + " [User Timeline] was not found. Remove this item from the "
                               "history? (Note: It may be stored on the local drive of another PC)",
                        MsgButtons::YesNo, MsgIcon::Question, "Load Error") == MsgAnswer::Yes) {
    utl_history_.RemoveAt(utl_history_.Selected());
    core_.Notify(kHistoryChanged);
  }
}

void SessionsPart::HistoryItemClear_Click(int index) {
  HistoryList& list = index == 0 ? utl_history_ : qp_history_;
  if (list.Count() >= 1 && list.Selected() >= 0) list.RemoveAt(list.Selected());
  core_.Notify(kHistoryChanged);
}

}  // namespace wf
