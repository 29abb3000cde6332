#include "mainwindow/window_core.h"

#include <filesystem>
#include <unordered_set>

#include "mainwindow/window_text.h"
#include "util/program_folder.h"
#include "util/shell_and_wait.h"

namespace wf {

WindowCore::WindowCore(MainWindowEnvironment environment)
    : env(std::move(environment)),
      clock(env.clock != nullptr ? *env.clock : system_clock),
      api_base(env.api_base) {
  twitter = std::make_unique<TwitterAPI>(*env.http, env.ui, api_base);
  utwitter = std::make_unique<TwitterAPI>(*env.http, env.ui, api_base);
  caption = std::string(kAppTitle);
  // Cancel reaches a request that is waiting for its answer, not only the loop around it.
  const auto stopped = [this] { return stop_requested; };
  twitter->SetStopSignal(stopped);
  utwitter->SetStopSignal(stopped);
}

void WindowCore::Notify(unsigned changes) const {
  if (observer != nullptr && changes != 0) observer->OnModelChanged(changes);
}

void WindowCore::SetEnabled(bool on) {
  enabled = on;
  Notify(kWindowChanged);
}

int WindowCore::Shell(std::string_view command, std::int32_t timeout_ms, int window_style) {
  if (env.shell) return env.shell(command, timeout_ms, window_style);
  return ShellAndWait(command, timeout_ms, window_style, 0, env.ui);
}

bool WindowCore::RunSentiment(SkeinData& data, bool recalc) {
  if (!env.sentiment_program.empty()) data.SetSentimentProgram(env.sentiment_program);
  return data.RunSentiStrength(env.program_folder, env.program_folder, recalc);
}

std::string WindowCore::DefaultVisualiser() const {
  if (!env.visualiser_program.empty()) return env.visualiser_program;
  return (std::filesystem::path(ExecutableFolder()) / "wrenfold-view").string();
}

void WindowCore::SetCaptionForFile(bool modified) {
  caption = std::string(kAppTitle) + " [" + tweets_fn + (modified ? "*]" : "]");
}

void WindowCore::ShowTweets(bool append) {
  const TweetSet& tweets = twitter->Tweets();
  if (tweets.Count() >= 1) {
    SkeinData data(env.ui);
    data.SetData(tweets);
    RunSentiment(data, false);
    // Sorted views order by tweet id; rows are added in bulk and sorted once.
    const bool sorted = out_table.Sorted();
    out_table.SetSorted(false);
    out_table.SetSortKey(3);
    if (!append) out_table.Clear();
    out_table.Reserve(static_cast<std::size_t>(out_table.RowCount() + data.RecordCount()));
    if (append) {
      // An update asks only for newer tweets, but a since id found wrongly, or a service that
      // repeats one, must not put a tweet in the table twice.
      std::unordered_set<std::string> shown;
      shown.reserve(static_cast<std::size_t>(out_table.RowCount() + data.RecordCount()));
      for (std::int32_t r = 0; r < out_table.RowCount(); ++r) {
        shown.emplace(window_text::Trimmed(out_table.Cell(r, 4)));
      }
      for (std::int32_t r = 1; r <= data.RecordCount(); ++r) {
        const std::string_view id = window_text::Trimmed(data.Cell(r, 4));
        if (id.empty() || shown.emplace(id).second) {
          ShowRowFromStore(data, r, false);
        }
      }
    } else {
      for (std::int32_t r = 1; r <= data.RecordCount(); ++r) ShowRowFromStore(data, r, false);
    }
    out_table.SetSorted(sorted);
  }
  info_bar[0] = std::to_string(out_table.RowCount()) + " tweets displayed";
  SetCaptionForFile(true);
  tweets_modified = true;
  Notify(kTweetsChanged | kStatusChanged | kCaptionChanged);
  if (env.ui != nullptr) env.ui->YieldToEvents();
}

void WindowCore::ShowRowFromStore(const SkeinData& data, std::int32_t r, bool ghosted) {
  out_table.AddRow(data.Cells(r), ghosted);
}

}  // namespace wf
