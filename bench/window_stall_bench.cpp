// The window during a slow search: the window model with the Qt port, offscreen, pages through
// a search against the simulator (its own process) that answers every request after a fixed
// latency. A zero-interval timer runs on every turn of the event loop; the longest gap between
// two of its runs while the search goes on is the longest the window stood still. After the
// last page a timer presses Cancel halfway through the next request, and the time from that
// press to the end of the retrieval (the log's "Search ended" line) is taken.
//
// Targets: max_stall_ms at most 100, cancel_to_end_ms at most 200.
//
//   window_stall_bench [--pages N] [--latency-ms MS] [Google Benchmark options]
//   (defaults: 20 pages, 2000 ms; QT_QPA_PLATFORM=offscreen unless set)

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "api/curl_http.h"
#include "mainwindow/main_window.h"
#include "qt_ui_port.h"
#include "support-apisim/apisim_process.h"

namespace {

using Clock = std::chrono::steady_clock;

int g_pages = 20;
int g_latency_ms = 2000;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// The Qt port, but a bench cannot click a message box: every question gets its default answer.
class BenchUi : public wf::gui::QtUiPort {
 public:
  wf::MsgAnswer Prompt(const wf::Question&, std::string_view, wf::MsgButtons buttons, wf::MsgIcon,
                       std::string_view) override {
    return buttons == wf::MsgButtons::YesNo || buttons == wf::MsgButtons::YesNoCancel
               ? wf::MsgAnswer::No
               : wf::MsgAnswer::Ok;
  }
};

// Notes when the retrieval ends: the model writes its "Search ended" line.
class EndWatcher : public wf::MainWindowObserver {
 public:
  explicit EndWatcher(const wf::MainWindow& w) : w_(w) {}
  void OnModelChanged(unsigned changes) override {
    if ((changes & wf::kLogChanged) == 0 || ended) return;
    const auto& lines = w_.Progress().Lines();
    if (!lines.empty() && lines.back().rfind("Search ended", 0) == 0) {
      ended = true;
      at = Clock::now();
    }
  }
  bool ended = false;
  Clock::time_point at;

 private:
  const wf::MainWindow& w_;
};

struct Figures {
  double max_stall_ms = 0;
  double cancel_to_end_ms = -1;
  int pages = 0;
  bool ok = false;
  std::string error;
};

Figures RunOnce() {
  Figures out;
  // Plenty of tweets for the pages asked for, and a quota that never runs low.
  wf::apisim::ApisimProcess sim({"--fault", "latency=" + std::to_string(g_latency_ms),
                                 "--search-tweets", std::to_string(std::max(32000, g_pages * 400)),
                                 "--limit", "search=10000", "--window-seconds", "3600"});
  if (!sim.ok()) {
    out.error = "the simulator did not start: " + sim.Stderr();
    return out;
  }
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("wf-stall-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);

  BenchUi ui;
  wf::CurlHttpClient http;
  http.SetWhileWaiting([&ui] { ui.YieldToEvents(); });
  wf::MainWindowEnvironment env;
  env.ui = &ui;
  env.http = &http;
  env.program_folder = dir.string();
  env.api_base = sim.url();
  env.api_base_given = true;
  {
    wf::MainWindow window(env);
    window.Form_Load();
    if (window.Twitter().AuthAppAccess("WFD stall bench", "demo-key", "demo-secret").empty()) {
      out.error = "no bearer token from the simulator";
    } else {
      window.ActivateAfterAuthentication();
      window.SetSearchQuery("skein OR twitter OR the OR a");
      window.SetEarlyDate(wf::CivilDateTime{2000, 1, 1, 0, 0, 0});
      EndWatcher watcher(window);
      window.SetObserver(&watcher);

      // Every turn of the event loop runs this timer.
      bool searching = false;
      Clock::time_point last_turn;
      double max_gap = 0;
      QTimer turns;
      turns.setInterval(0);
      QObject::connect(&turns, &QTimer::timeout, [&] {
        const auto now = Clock::now();
        if (searching && !watcher.ended) max_gap = std::max(max_gap, Ms(now - last_turn));
        last_turn = now;
      });

      // After the last page, Cancel is pressed halfway through the next request.
      Clock::time_point cancel_at;
      bool cancel_armed = false;
      QTimer cancel;
      cancel.setSingleShot(true);
      QObject::connect(&cancel, &QTimer::timeout, [&] {
        cancel_at = Clock::now();
        window.Search().QuitGet_Click();
      });
      QTimer pages;
      pages.setInterval(0);
      QObject::connect(&pages, &QTimer::timeout, [&] {
        if (!cancel_armed && window.Twitter().Tweets().Count() >= g_pages * 100) {
          cancel_armed = true;
          cancel.start(g_latency_ms / 2);
        }
      });

      QTimer::singleShot(0, [&] {
        searching = true;
        last_turn = Clock::now();
        turns.start();
        pages.start();
        window.Search().GetSrch_Click();
        turns.stop();
        pages.stop();
        QCoreApplication::quit();
      });
      QCoreApplication::exec();
      window.SetObserver(nullptr);

      out.max_stall_ms = max_gap;
      out.pages = window.Twitter().Tweets().Count() / 100;
      if (cancel_armed && watcher.ended) out.cancel_to_end_ms = Ms(watcher.at - cancel_at);
      out.ok = cancel_armed && watcher.ended;
      if (!out.ok) out.error = "the search ended before its " + std::to_string(g_pages) + " pages";
    }
  }
  sim.Stop(SIGTERM);
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return out;
}

Figures g_last;

void BM_WindowDuringSlowSearch(benchmark::State& state) {
  for (auto _ : state) {
    const auto started = Clock::now();
    g_last = RunOnce();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - started).count());
    if (!g_last.ok) {
      state.SkipWithError(g_last.error.c_str());
      return;
    }
  }
  state.counters["pages"] = g_last.pages;
  state.counters["latency_ms"] = g_latency_ms;
  state.counters["max_stall_ms"] = g_last.max_stall_ms;
  state.counters["cancel_to_end_ms"] = g_last.cancel_to_end_ms;
}
BENCHMARK(BM_WindowDuringSlowSearch)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "--pages" || arg == "--latency-ms") && i + 1 < argc) {
      const int value = std::atoi(argv[++i]);
      if (value <= 0) {
        std::fprintf(stderr, "window_stall_bench: %s takes a positive number\n", arg.c_str());
        return 2;
      }
      (arg == "--pages" ? g_pages : g_latency_ms) = value;
    } else {
      rest.push_back(argv[i]);
    }
  }
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  int rest_count = static_cast<int>(rest.size());
  QApplication app(rest_count, rest.data());
  benchmark::Initialize(&rest_count, rest.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (g_last.ok) {
    std::printf("pages %d latency_ms %d\n", g_last.pages, g_latency_ms);
    std::printf("max_stall_ms %.0f\n", g_last.max_stall_ms);
    std::printf("cancel_to_end_ms %.0f\n", g_last.cancel_to_end_ms);
  }
  return g_last.ok ? 0 : 1;
}
