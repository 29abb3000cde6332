// The File menu's tweet commands: open a tweet table file, save the view, save and hand the
// file to the visualiser.
#include "mainwindow/sessions_part.h"

#include <unistd.h>

#include <filesystem>

#include "mainwindow/user_tables_part.h"
#include "mainwindow/window_text.h"
#include "tweettable/tweet_table_file.h"
#include "util/file_exists.h"
#include "util/leading_number.h"
#include "util/shell_and_wait.h"

namespace wf {
namespace {

constexpr std::string_view kTweetFilter = "Text (*.txt)|*.txt|Skein Tweet Table (*.stwt)|*.stwt";
// A score cell that reads as the number 0; a cell that is no number is not.
bool IsZeroScore(std::string_view cell) {
  std::size_t i = 0;
  while (i < cell.size() && cell[i] == ' ') ++i;
  if (i == cell.size()) return false;
  const char c = cell[i];
  if (!(c == '-' || c == '+' || c == '.' || (c >= '0' && c <= '9'))) return false;
  return LeadingNumber(cell.substr(i)) == 0.0;
}

std::string FileTitle(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

std::string WithoutTxt(std::string s) {
  for (std::size_t at = s.find(".txt"); at != std::string::npos; at = s.find(".txt", at)) {
    s.erase(at, 4);
  }
  return s;
}

}  // namespace

void SessionsPart::mHeaders_Click() {
  headers_checked_ = !headers_checked_;
  core_.Notify(kControlsChanged);
}

void SessionsPart::OfferToSaveTweets() {
  UiPort* ui = core_.env.ui;
  if (core_.tweets_modified && ui != nullptr &&
      ui->Ask({QuestionId::ReplaceUnsavedTweets}, window_text::kReplacePrompt, MsgButtons::YesNo,
              MsgIcon::Question, kAppTitle) == MsgAnswer::Yes) {
    mSaveTweets_Click();
  }
}

void SessionsPart::mOpenTweets_Click() {
  UiPort* ui = core_.env.ui;
  OfferToSaveTweets();
  if (!core_.starting) {
    if (ui == nullptr) return;
    // The dialog starts on the filter of the default extension: the first, Text, so that the
    // tables this program saves (.txt) are the ones listed.
    const auto picked = ui->OpenFileDialog(
        {"Open Tweets Table", std::string(kTweetFilter), "txt", core_.dialog_file_name});
    if (!picked) return;
    core_.dialog_file_name = *picked;
  }
  if (ui != nullptr) ui->SetPointer(Pointer::ArrowHourglass);
  auto fail = [&] {
    if (ui != nullptr) {
      ui->MessageBox("Couldn't open: " + core_.dialog_file_name + " -- Contents may be corrupted.",
                     MsgButtons::Ok, MsgIcon::Exclamation, "File Open Error");
      ui->SetPointer(Pointer::Default);
    }
    core_.Notify(kTweetsChanged | kStatusChanged | kCaptionChanged | kUserTablesChanged);
  };

  SkeinData data(ui);
  if (!data.Load(core_.dialog_file_name)) {
    if (!core_.starting || !data.LastError().empty()) return fail();
    if (ui != nullptr) ui->SetPointer(Pointer::Default);
    return;
  }
  // Files saved without scores hold zeros: offer to score them. The check looks at the first
  // tweet row; a file too short for it, or with text in the score cells, is opened unasked.
  const std::int32_t check_row =
      data.RecordCount() >= 2 ? 2
                              : (data.RecordCount() == 1 && data.Cell(1, 1) != "DateTime" ? 1 : 0);
  bool rescored = false;
  if (check_row > 0 && IsZeroScore(data.Cell(check_row, 14)) &&
      IsZeroScore(data.Cell(check_row, 15)) && ui != nullptr &&
      ui->Ask({QuestionId::RecalculateSentiment},
              "Sentiment columns contain zeros - run sentiment analysis again?", MsgButtons::YesNo,
              MsgIcon::Question, kAppTitle) == MsgAnswer::Yes) {
    rescored = core_.RunSentiment(data, true);
  }

  core_.out_table.Clear();
  tables_.Tables()[0].Clear();
  if (tables_.CurrentUserTable() != 0) core_.utwitter->Users().Clear();
  core_.tweets_fn = core_.dialog_file_name;
  if (tables_.CurrentUserTable() != 0 &&
      tables_.CurrentUserTable() < static_cast<int>(tables_.Tables().size())) {
    tables_.Tables()[static_cast<std::size_t>(tables_.CurrentUserTable())].SetName(
        WithoutTxt(FileTitle(core_.dialog_file_name)));
  }
  const bool sorted = core_.out_table.Sorted();
  core_.out_table.SetSorted(false);
  core_.out_table.Reserve(static_cast<std::size_t>(data.RecordCount()));
  for (std::int32_t r = 1; r <= data.RecordCount(); ++r) {
    if (data.Cell(r, 1) == "DateTime") continue;  // the header line
    core_.ShowRowFromStore(data, r, true);
  }
  core_.out_table.SetSorted(sorted);
  core_.update_utl_enabled = true;
  core_.update_search_enabled = true;
  core_.info_bar[0] = std::to_string(core_.out_table.RowCount()) + " tweets displayed";
  core_.info_bar[1] = "Empty";
  // New scores are only on show until the table is saved over the file's zeros.
  core_.SetCaptionForFile(rescored);
  core_.tweets_modified = rescored;
  if (ui != nullptr) ui->SetPointer(Pointer::Default);
  core_.Notify(kTweetsChanged | kStatusChanged | kCaptionChanged | kControlsChanged |
               kUserTablesChanged);
}

void SessionsPart::mSaveTweets_Click() {
  SaveTweetsTable();
}

bool SessionsPart::SaveTweetsTable() {
  UiPort* ui = core_.env.ui;
  if (core_.out_table.RowCount() == 0) {
    if (ui != nullptr) {
      ui->MessageBox("Nothing to Save yet!", MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
    }
    return false;
  }
  if (FileExists(core_.tweets_fn)) {
    const bool overwrite =
        ui != nullptr && ui->Ask({QuestionId::OverwriteFile, core_.tweets_fn},
                                 core_.tweets_fn + " already exists. Overwrite this file?",
                                 MsgButtons::YesNo, MsgIcon::Question, kAppTitle) == MsgAnswer::Yes;
    core_.dialog_file_name = overwrite ? core_.tweets_fn : std::string();
  }
  if (core_.dialog_file_name.empty()) {
    for (int k = 1; k <= 255; ++k) {
      const std::string name = "UntitledTweets" + std::to_string(k) + ".txt";
      if (!FileExists(name)) {
        core_.dialog_file_name = name;
        break;
      }
      if (ui != nullptr) ui->YieldToEvents();
    }
  }
  if (core_.tweets_fn != core_.dialog_file_name) {
    const auto picked = ui == nullptr
                            ? std::nullopt
                            : ui->SaveFileDialog({"Save Tweets Table", std::string(kTweetFilter),
                                                  "txt", core_.dialog_file_name});
    if (!picked || picked->empty()) {
      core_.dialog_file_name.clear();
      return false;
    }
    core_.dialog_file_name = *picked;
    if (std::filesystem::path(core_.dialog_file_name).extension().empty())
      core_.dialog_file_name += ".txt";
  }
  if (core_.dialog_file_name.empty()) return false;

  const auto cell = [this](std::size_t row, int column) {
    return core_.out_table.Cell(static_cast<std::int32_t>(row), column);
  };
  std::string error;
  if (!WriteTweetTableFile(core_.dialog_file_name,
                           static_cast<std::size_t>(core_.out_table.RowCount()), cell,
                           headers_checked_, &error)) {
    // The old file, if any, is untouched; say so rather than fail silently.
    if (ui != nullptr) {
      ui->MessageBox("Couldn't save: " + core_.dialog_file_name + " -- " + error, MsgButtons::Ok,
                     MsgIcon::Exclamation, kAppTitle);
    }
    core_.dialog_file_name.clear();
    return false;
  }
  core_.tweets_fn = core_.dialog_file_name;
  core_.tweets_modified = false;
  core_.SetCaptionForFile(false);
  core_.Notify(kCaptionChanged);
  MoveArchiveBeside(core_.tweets_fn);
  RecordSavedSession(core_.tweets_fn);
  return true;
}

void SessionsPart::mSaveSend_Click() {
  mSaveTweets_Click();
  // Nothing was saved (cancelled, or the write failed and said so): nothing to show.
  if (core_.out_table.RowCount() == 0 || core_.dialog_file_name.empty() || core_.tweets_modified)
    return;
  UiPort* ui = core_.env.ui;
  // On this platform a program is a file we may execute.
  const auto runnable = [](const std::string& path) {
    return FileExists(path) && ::access(path.c_str(), X_OK) == 0;
  };
  if (!runnable(nv_path_)) {
    const std::string remembered = core_.dialog_file_name;
    const auto picked = ui == nullptr
                            ? std::nullopt
                            : ui->OpenFileDialog({"Find the visualiser program (wrenfold-view)",
                                                  "Programs|*", "", ""});
    core_.dialog_file_name = remembered;
    if (!picked || picked->empty()) return;
    if (!runnable(*picked)) {
      if (ui != nullptr) {
        ui->MessageBox("The item you selected, " + *picked + ", is not an executable file",
                       MsgButtons::Ok, MsgIcon::Exclamation, "Error");
      }
      return;
    }
    nv_path_ = *picked;
    if (ui != nullptr) {
      ui->MessageBox("Changed NV path to " + nv_path_, MsgButtons::Ok, MsgIcon::None, kAppTitle);
    }
  }
  core_.Shell(QuoteArgument(nv_path_) + " " + QuoteArgument(core_.dialog_file_name), 1000, 0);
}

}  // namespace wf
