// File > Open > Tweet IDs to Hydrate: the current state of the tweets a shared id list names.
#include "mainwindow/loop_context.h"
#include "mainwindow/main_window.h"
#include "mainwindow/window_text.h"
#include "records/tweet_id_file.h"
#include "util/file_io.h"

namespace wf {
namespace {

constexpr std::string_view kIdsFilter = "Text (*.txt)|*.txt|CSV (*.csv)|*.csv|All files (*.*)|*.*";

}  // namespace

void MainWindow::mHydrateIds_Click() {
  if (retrieval_busy_ || env_.ui == nullptr) return;
  const auto picked =
      env_.ui->OpenFileDialog({"Open Tweet IDs to Hydrate", std::string(kIdsFilter), "txt", ""});
  if (!picked) return;
  HydrateIdsFile(*picked);
}

bool MainWindow::HydrateIdsFile(const std::string& path) {
  if (retrieval_busy_) return false;
  UiPort* ui = env_.ui;
  last_hydration_ = {};
  std::string error;
  const auto text = ReadWholeFile(path, &error);
  TweetIdList list;
  if (text) {
    list = ParseTweetIds(*text);
    error = list.error;
  }
  if (!text || !error.empty()) {
    if (ui != nullptr) {
      ui->MessageBox("Couldn't read the tweet ids of " + path + ": " + error, MsgButtons::Ok,
                     MsgIcon::Exclamation, "File Open Error");
    }
    return false;
  }
  if (tweets_modified_ && ui != nullptr &&
      ui->MessageBox(window_text::kReplacePrompt, MsgButtons::YesNo, MsgIcon::Question,
                     kAppTitle) == MsgAnswer::Yes) {
    mSaveTweets_Click();
  }
  retrieval_busy_ = true;
  stop_requested_ = false;
  twitter_->Tweets().Clear();
  out_table_.Clear();
  user_tables_[0].Clear();
  if (ui != nullptr) ui->SetPointer(Pointer::ArrowHourglass);
  Notify(kTweetsChanged | kStatusChanged | kControlsChanged | kUserTablesChanged);

  LoopContext ctx(*this);
  last_hydration_ = RetrieveHydration(ctx, path, list.ids);

  dialog_file_name_.clear();
  tweets_fn_.clear();
  ShowTweets(false);
  // The rows are unsaved; the caption names where they came from.
  caption_ = std::string(kAppTitle) + " [" + path + "*]";
  if (ui != nullptr) ui->SetPointer(Pointer::Default);
  cur_tweet_src_ = 1;
  retrieval_busy_ = false;
  stop_requested_ = false;
  Notify(kControlsChanged | kCaptionChanged);
  return true;
}

}  // namespace wf
