#include "search_ui.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "util/date_time.h"

namespace wf::cli {
namespace {

constexpr int kRetriesPerRequest = 3;

}  // namespace

SearchUi::SearchUi(std::ostream& err, bool terminal, std::atomic<bool>* interrupted)
    : err_(err), terminal_(terminal), interrupted_(interrupted) {}

void SearchUi::CheckInterrupt() {
  if (cancelled_ || interrupted_ == nullptr || !interrupted_->load()) return;
  cancelled_ = true;
  if (window_ != nullptr) window_->Search().QuitGet_Click();
}

void SearchUi::YieldToEvents() {
  // A request got through (the loops yield after each page): its retries are spent.
  retries_ = 0;
  CheckInterrupt();
  ShowQuotaPause();
}

std::optional<std::string> SearchUi::InputBox(std::string_view, std::string_view,
                                              std::string_view) {
  // Each answer is given once: a second question would otherwise repeat it forever.
  auto answer = std::move(input_answer_);
  input_answer_.reset();
  return answer;
}

// The model waits for the next quota window by itself, yielding in short steps; the countdown
// runs to the reset it shows in the status bar.
void SearchUi::ShowQuotaPause() {
  if (window_ == nullptr) return;
  if (!window_->QuotaPausing()) {
    if (pause_shown_) {
      if (terminal_) err_ << "\r\033[K" << std::flush;
      if (!terminal_ && !cancelled_) err_ << "wrenfold-cli: waited for the next quota window\n";
      pause_shown_ = false;
    }
    return;
  }
  const std::string& panel = window_->InfoBar()[3];
  const std::size_t colon = panel.find(": ");
  const auto until = colon == std::string::npos
                         ? std::nullopt
                         : ParseNumericDateTime(std::string_view(panel).substr(colon + 2));
  const std::string method = window_->InfoBar()[2].substr(std::min(
      window_->InfoBar()[2].size(), std::string_view("Waiting for next quota window on ").size()));
  if (!pause_shown_) {
    BreakLiveLine();
    pause_shown_ = true;
    pause_left_ = -1;
    if (!terminal_) {
      err_ << "wrenfold-cli: quota spent on " << method << "; waiting until "
           << (until ? FormatNumericDateTime(*until) : std::string("the next window")) << "\n";
    }
  }
  if (!terminal_ || !until) return;
  const std::int64_t left =
      std::max<std::int64_t>(0, ToSerialSeconds(*until) - ToSerialSeconds(NowLocal()));
  if (left == pause_left_) return;
  pause_left_ = left;
  err_ << "\r\033[KQuota spent on " << method << "; going on at " << FormatNumericDateTime(*until)
       << " (in " << left << " s)" << std::flush;
}

MsgAnswer SearchUi::Prompt(const Question& question, std::string_view text, MsgButtons buttons,
                           MsgIcon, std::string_view) {
  BreakLiveLine();
  const MsgAnswer yes = buttons == MsgButtons::OkCancel ? MsgAnswer::Ok : MsgAnswer::Yes;
  const MsgAnswer no = buttons == MsgButtons::OkCancel ? MsgAnswer::Cancel : MsgAnswer::No;
  switch (question.id) {
    case QuestionId::WaitForQuota:
      return WaitForQuota(question.subject) ? MsgAnswer::Ok : MsgAnswer::Cancel;
    case QuestionId::RetryAfterError: {
      const bool again = ++retries_ <= kRetriesPerRequest && !cancelled_;
      err_ << "wrenfold-cli: " << text << (again ? " Trying again.\n" : " Giving up.\n");
      return again ? yes : no;
    }
    case QuestionId::OverwriteFile:
      // Only the output file the command was given; anything else stays as it is.
      return question.subject == output_ ? yes : no;
    case QuestionId::ReplaceUnsavedTweets:  // the table is written to the output file instead
      return no;
    case QuestionId::RecalculateSentiment:
      return yes;
    case QuestionId::RetrievalCancelled:  // said once at exit, from the outcome
      return MsgAnswer::Ok;
    case QuestionId::ListHoldsUserIds:
      return list_holds_ids_ ? yes : no;
    default:
      break;
  }
  err_ << "wrenfold-cli: " << text << "\n";
  switch (buttons) {
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel:
      return MsgAnswer::No;
    case MsgButtons::RetryCancel:
    case MsgButtons::OkCancel:
      return MsgAnswer::Cancel;
    default:
      return MsgAnswer::Ok;
  }
}

bool SearchUi::WaitForQuota(std::string_view when) {
  const auto until = ParseNumericDateTime(when);
  if (!until) return true;  // cannot tell how long: try on and let the API say
  const std::int64_t reset = ToSerialSeconds(*until) + 1;
  for (;;) {
    CheckInterrupt();
    if (cancelled_) return false;
    const std::int64_t left = reset - ToSerialSeconds(NowLocal());
    if (left <= 0) break;
    if (terminal_) {
      err_ << "\r\033[KQuota spent; going on at " << FormatNumericDateTime(*until) << " (in "
           << left << " s)" << std::flush;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  if (terminal_)
    err_ << "\r\033[K" << std::flush;
  else
    err_ << "wrenfold-cli: waited for the next quota window\n";
  return true;
}

std::optional<std::string> SearchUi::OpenFileDialog(const FileDialogRequest&) {
  if (open_file_.empty()) return std::nullopt;
  return open_file_;
}

std::optional<std::string> SearchUi::SaveFileDialog(const FileDialogRequest&) {
  if (output_.empty()) return std::nullopt;
  return output_;
}

void SearchUi::OnModelChanged(unsigned changes) {
  if ((changes & kControlsChanged) != 0) ShowQuotaPause();
  if (pause_shown_) return;  // the countdown holds the line
  if ((changes & (kLogChanged | kStatusChanged)) != 0) PrintLog();
}

void SearchUi::PrintLog() {
  if (window_ == nullptr) return;
  const auto& lines = window_->Progress().Lines();
  const int count = static_cast<int>(lines.size());
  // Every line but the last is final.
  for (; printed_ < count - 1; ++printed_) {
    if (live_line_) err_ << "\r\033[K";
    live_line_ = false;
    err_ << lines[static_cast<std::size_t>(printed_)] << "\n";
  }
  if (printed_ == count - 1 && terminal_) {
    const auto& bar = window_->InfoBar();
    err_ << "\r\033[K" << lines.back();
    if (!bar[2].empty()) err_ << " | " << bar[2] << " | " << bar[3];
    err_ << std::flush;
    live_line_ = true;
  }
}

void SearchUi::BreakLiveLine() {
  if (live_line_) err_ << "\n" << std::flush;
  live_line_ = false;
}

void SearchUi::Finish() {
  if (window_ != nullptr) {
    const auto& lines = window_->Progress().Lines();
    for (; printed_ < static_cast<int>(lines.size()); ++printed_) {
      if (live_line_) err_ << "\r\033[K";
      live_line_ = false;
      err_ << lines[static_cast<std::size_t>(printed_)] << "\n";
    }
  }
  if (live_line_) err_ << "\n";
  live_line_ = false;
  err_ << std::flush;
}

}  // namespace wf::cli
