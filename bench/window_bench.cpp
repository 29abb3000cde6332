// The desktop window with a large table: start-up to a shown window, opening a 200,000-row
// tweet file into the view (load, padding, model reset, paint), sorting it by a column, and
// the memory the rows take. Runs offscreen.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QTableView>
#include <filesystem>
#include <memory>

#include "api/curl_http.h"
#include "main_window_widget.h"
#include "mainwindow/main_window.h"
#include "tweet_table_sample.h"
#include "util/null_ui_port.h"

namespace {

constexpr std::size_t kRows = 200000;

// Answers every question "No" and offers the sample file to the Open dialog.
class BenchUi : public wf::NullUiPort {
 public:
  std::string file;
  std::optional<std::string> OpenFileDialog(const wf::FileDialogRequest&) override { return file; }
  void YieldToEvents() override { QCoreApplication::processEvents(); }
};

// Heap bytes in use: unlike the resident size it does not hide memory that malloc reuses
// from an earlier iteration.
std::int64_t HeapInUse() {
  const struct mallinfo2 info = ::mallinfo2();
  return static_cast<std::int64_t>(info.uordblks + info.hblkhd);
}

struct Bench {
  std::filesystem::path dir;
  std::string file;
  BenchUi ui;
  wf::CurlHttpClient http;

  Bench() {
    dir =
        std::filesystem::temp_directory_path() / ("wf-window-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    file = (dir / "tweets200k.txt").string();
    wf::bench::WriteSampleTweetTable(file, kRows, false);
    ui.file = file;
  }
  ~Bench() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  std::unique_ptr<wf::MainWindow> Model() {
    wf::MainWindowEnvironment env;
    env.ui = &ui;
    env.http = &http;
    env.program_folder = dir.string();
    return std::make_unique<wf::MainWindow>(env);
  }
};

Bench& Shared() {
  static Bench bench;
  return bench;
}

void BM_StartupToShownWindow(benchmark::State& state) {
  Bench& b = Shared();
  for (auto _ : state) {
    auto model = b.Model();
    wf::gui::MainWindowWidget window(*model, b.ui);
    model->Form_Load();
    window.show();
    QCoreApplication::processEvents();
    benchmark::DoNotOptimize(window.isVisible());
  }
}
BENCHMARK(BM_StartupToShownWindow)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_OpenTweetFile200k(benchmark::State& state) {
  Bench& b = Shared();
  std::int64_t grown = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto model = b.Model();
    auto window = std::make_unique<wf::gui::MainWindowWidget>(*model, b.ui);
    model->Form_Load();
    window->show();
    QCoreApplication::processEvents();
    const std::int64_t before = HeapInUse();
    state.ResumeTiming();
    model->Sessions().mOpenTweets_Click();
    QCoreApplication::processEvents();
    state.PauseTiming();
    grown = HeapInUse() - before;
    if (model->OutTable().RowCount() != static_cast<std::int32_t>(kRows)) {
      state.SkipWithError("the file did not open whole");
    }
    window.reset();
    model.reset();
    state.ResumeTiming();
  }
  state.counters["rows"] = static_cast<double>(kRows);
  state.counters["MB_for_rows"] = static_cast<double>(grown) / 1e6;
}
BENCHMARK(BM_OpenTweetFile200k)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SortBy(benchmark::State& state) {
  Bench& b = Shared();
  auto model = b.Model();
  wf::gui::MainWindowWidget window(*model, b.ui);
  model->Form_Load();
  window.show();
  model->Sessions().mOpenTweets_Click();
  model->TweetEdit().mSortDT_Click();
  QCoreApplication::processEvents();
  const int columns[] = {2, 4, 3};  // UserScreenName, TweetID, Tweet (1-based)
  int i = 0;
  for (auto _ : state) {
    model->TweetEdit().OutTable_ColumnClick(columns[i++ % 3]);
    QCoreApplication::processEvents();
  }
  state.counters["rows"] = model->OutTable().RowCount();
}
BENCHMARK(BM_SortBy)->Unit(benchmark::kMillisecond)->Iterations(6);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
