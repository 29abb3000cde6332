// The File menu's tweet commands: open a tweet table file, save the view, save and hand the
// file to the visualiser.
#include <unistd.h>

#include <filesystem>

#include "mainwindow/main_window.h"
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

void MainWindow::mHeaders_Click() {
  headers_checked_ = !headers_checked_;
  Notify(kControlsChanged);
}

void MainWindow::mOpenTweets_Click() {
  UiPort* ui = env_.ui;
  if (tweets_modified_ && ui != nullptr &&
      ui->Ask({QuestionId::ReplaceUnsavedTweets}, window_text::kReplacePrompt, MsgButtons::YesNo,
              MsgIcon::Question, kAppTitle) == MsgAnswer::Yes) {
    mSaveTweets_Click();
  }
  if (!starting_) {
    if (ui == nullptr) return;
    // The dialog starts on the filter of the default extension: the first, Text, so that the
    // tables this program saves (.txt) are the ones listed.
    const auto picked = ui->OpenFileDialog(
        {"Open Tweets Table", std::string(kTweetFilter), "txt", dialog_file_name_});
    if (!picked) return;
    dialog_file_name_ = *picked;
  }
  if (ui != nullptr) ui->SetPointer(Pointer::ArrowHourglass);
  auto fail = [&] {
    if (ui != nullptr) {
      ui->MessageBox("Couldn't open: " + dialog_file_name_ + " -- Contents may be corrupted.",
                     MsgButtons::Ok, MsgIcon::Exclamation, "File Open Error");
      ui->SetPointer(Pointer::Default);
    }
    Notify(kTweetsChanged | kStatusChanged | kCaptionChanged | kUserTablesChanged);
  };

  SkeinData data(ui);
  if (!data.Load(dialog_file_name_)) {
    if (!starting_ || !data.LastError().empty()) return fail();
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
    rescored = RunSentiment(data, true);
  }

  out_table_.Clear();
  user_tables_[0].Clear();
  if (current_user_table_ != 0) utwitter_->Users().Clear();
  tweets_fn_ = dialog_file_name_;
  if (current_user_table_ != 0 && current_user_table_ < static_cast<int>(user_tables_.size())) {
    user_tables_[static_cast<std::size_t>(current_user_table_)].SetName(
        WithoutTxt(FileTitle(dialog_file_name_)));
  }
  const bool sorted = out_table_.Sorted();
  out_table_.SetSorted(false);
  out_table_.Reserve(static_cast<std::size_t>(data.RecordCount()));
  for (std::int32_t r = 1; r <= data.RecordCount(); ++r) {
    if (data.Cell(r, 1) == "DateTime") continue;  // the header line
    ShowRowFromStore(data, r, true);
  }
  out_table_.SetSorted(sorted);
  update_utl_enabled_ = true;
  update_search_enabled_ = true;
  info_bar_[0] = std::to_string(out_table_.RowCount()) + " tweets displayed";
  info_bar_[1] = "Empty";
  // New scores are only on show until the table is saved over the file's zeros.
  SetCaptionForFile(rescored);
  tweets_modified_ = rescored;
  if (ui != nullptr) ui->SetPointer(Pointer::Default);
  Notify(kTweetsChanged | kStatusChanged | kCaptionChanged | kControlsChanged | kUserTablesChanged);
}

void MainWindow::mSaveTweets_Click() {
  SaveTweetsTable();
}

bool MainWindow::SaveTweetsTable() {
  UiPort* ui = env_.ui;
  if (out_table_.RowCount() == 0) {
    if (ui != nullptr) {
      ui->MessageBox("Nothing to Save yet!", MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
    }
    return false;
  }
  if (FileExists(tweets_fn_)) {
    const bool overwrite =
        ui != nullptr && ui->Ask({QuestionId::OverwriteFile, tweets_fn_},
                                 tweets_fn_ + " already exists. Overwrite this file?",
                                 MsgButtons::YesNo, MsgIcon::Question, kAppTitle) == MsgAnswer::Yes;
    dialog_file_name_ = overwrite ? tweets_fn_ : std::string();
  }
  if (dialog_file_name_.empty()) {
    for (int k = 1; k <= 255; ++k) {
      const std::string name = "UntitledTweets" + std::to_string(k) + ".txt";
      if (!FileExists(name)) {
        dialog_file_name_ = name;
        break;
      }
      if (ui != nullptr) ui->YieldToEvents();
    }
  }
  if (tweets_fn_ != dialog_file_name_) {
    const auto picked = ui == nullptr
                            ? std::nullopt
                            : ui->SaveFileDialog({"Save Tweets Table", std::string(kTweetFilter),
                                                  "txt", dialog_file_name_});
    if (!picked || picked->empty()) {
      dialog_file_name_.clear();
      return false;
    }
    dialog_file_name_ = *picked;
    if (std::filesystem::path(dialog_file_name_).extension().empty()) dialog_file_name_ += ".txt";
  }
  if (dialog_file_name_.empty()) return false;

  const auto cell = [this](std::size_t row, int column) {
    return out_table_.Cell(static_cast<std::int32_t>(row), column);
  };
  std::string error;
  if (!WriteTweetTableFile(dialog_file_name_, static_cast<std::size_t>(out_table_.RowCount()), cell,
                           headers_checked_, &error)) {
    // The old file, if any, is untouched; say so rather than fail silently.
    if (ui != nullptr) {
      ui->MessageBox("Couldn't save: " + dialog_file_name_ + " -- " + error, MsgButtons::Ok,
                     MsgIcon::Exclamation, kAppTitle);
    }
    dialog_file_name_.clear();
    return false;
  }
  tweets_fn_ = dialog_file_name_;
  tweets_modified_ = false;
  SetCaptionForFile(false);
  Notify(kCaptionChanged);
  MoveArchiveBeside(tweets_fn_);
  RecordSavedSession(tweets_fn_);
  return true;
}

void MainWindow::mSaveSend_Click() {
  mSaveTweets_Click();
  // Nothing was saved (cancelled, or the write failed and said so): nothing to show.
  if (out_table_.RowCount() == 0 || dialog_file_name_.empty() || tweets_modified_) return;
  UiPort* ui = env_.ui;
  // On this platform a program is a file we may execute.
  const auto runnable = [](const std::string& path) {
    return FileExists(path) && ::access(path.c_str(), X_OK) == 0;
  };
  if (!runnable(nv_path_)) {
    const std::string remembered = dialog_file_name_;
    const auto picked = ui == nullptr
                            ? std::nullopt
                            : ui->OpenFileDialog({"Find the visualiser program (wrenfold-view)",
                                                  "Programs|*", "", ""});
    dialog_file_name_ = remembered;
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
  Shell(QuoteArgument(nv_path_) + " " + QuoteArgument(dialog_file_name_), 1000, 0);
}

}  // namespace wf
