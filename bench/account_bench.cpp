// The account retrievals of the user list through the window's own handlers, from the simulator
// on loopback: the followers list of skein_big (10,000 accounts, 200 a page) and a profile lookup
// of those 10,000 ids (100 a request). The simulator runs as its own process with quotas that
// never run out, so the figures are the client's alone.
//
// Target: the client adds no more than 5 ms of CPU per request (client_cpu_ms_per_request).

#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "api/curl_http.h"
#include "mainwindow/main_window.h"
#include "support-apisim/apisim_process.h"
#include "util/null_ui_port.h"

namespace {

constexpr int kAccounts = 10000;

std::int64_t ThreadCpuNs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// All threads of this process: catches work the HTTP layer might hand to helper threads.
std::int64_t ProcessCpuNs() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// Counts the requests the window sends.
class CountingHttp : public wf::HttpClient {
 public:
  explicit CountingHttp(wf::HttpClient& inner) : inner_(inner) {}
  std::unique_ptr<wf::HttpRequest> CreateRequest() override {
    ++requests;
    return inner_.CreateRequest();
  }
  std::int64_t requests = 0;

 private:
  wf::HttpClient& inner_;
};

// Answers the window's input box with the account to list and every question with OK.
class BenchUi : public wf::NullUiPort {
 public:
  wf::MsgAnswer Prompt(const wf::Question&, std::string_view, wf::MsgButtons, wf::MsgIcon,
                       std::string_view) override {
    return wf::MsgAnswer::Ok;
  }
  std::optional<std::string> InputBox(std::string_view, std::string_view,
                                      std::string_view) override {
    return account;
  }

  std::string account = "skein_big";
};

// The simulator and an authenticated window for one benchmark.
struct Setup {
  Setup()
      : sim({"--window-seconds", "3600", "--limit", "followers_list=5000", "--limit",
             "users_lookup=5000"}),
        curl(wf::CurlHttpOptions{}),
        http(curl) {
    if (!sim.ok()) return;
    folder =
        std::filesystem::temp_directory_path() / ("wf-account-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    wf::MainWindowEnvironment env;
    env.ui = &ui;
    env.http = &http;
    env.program_folder = folder.string();
    env.api_base = sim.url();
    env.api_base_given = true;
    window = std::make_unique<wf::MainWindow>(env);
    window->Form_Load();
    authenticated =
        !window->Twitter().AuthAppAccess("WFD account bench", "demo-key", "demo-secret").empty();
    if (authenticated) window->ActivateAfterAuthentication();
  }
  ~Setup() {
    window.reset();
    sim.Stop(SIGTERM);
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
  // An empty string, or why the benchmark cannot run.
  std::string Problem() const {
    if (!sim.ok()) return "the simulator did not start: " + sim.Stderr();
    if (!authenticated) return "no bearer token from the simulator";
    return {};
  }

  wf::apisim::ApisimProcess sim;
  wf::CurlHttpClient curl;
  CountingHttp http;
  BenchUi ui;
  std::filesystem::path folder;
  std::unique_ptr<wf::MainWindow> window;
  bool authenticated = false;
};

void Report(benchmark::State& state, std::int64_t requests, std::int64_t thread_ns,
            std::int64_t process_ns) {
  const double n = static_cast<double>(requests);
  state.counters["requests"] = n;
  state.counters["requests_per_s"] = benchmark::Counter(n, benchmark::Counter::kIsRate);
  state.counters["client_cpu_ms_per_request"] = static_cast<double>(thread_ns) / 1e6 / n;
  state.counters["client_process_cpu_ms_per_request"] = static_cast<double>(process_ns) / 1e6 / n;
}

// The "Get Followers" command of the user list, as `wrenfold-cli followers skein_big` runs it.
void BM_FollowersList(benchmark::State& state) {
  Setup s;
  if (const std::string problem = s.Problem(); !problem.empty()) {
    state.SkipWithError(problem.c_str());
    return;
  }
  std::int64_t thread_ns = 0, process_ns = 0, requests = 0;
  for (auto _ : state) {
    const std::int64_t sent = s.http.requests;
    const std::int64_t thread_before = ThreadCpuNs();
    const std::int64_t process_before = ProcessCpuNs();
    s.window->Followers().mGetUserFollowers_Click();
    thread_ns += ThreadCpuNs() - thread_before;
    process_ns += ProcessCpuNs() - process_before;
    requests += s.http.requests - sent;
    if (s.window->UserListPanel().Users().Count() != kAccounts) {
      const auto& log = s.window->Progress().Lines();
      state.SkipWithError(("the list held " +
                           std::to_string(s.window->UserListPanel().Users().Count()) +
                           " accounts: " + (log.empty() ? std::string() : log.back()))
                              .c_str());
      return;
    }
  }
  Report(state, requests, thread_ns, process_ns);
}

// A lookup of the 10,000 followers' ids, as `wrenfold-cli lookup --ids` runs it.
void BM_LookupIds(benchmark::State& state) {
  Setup s;
  if (const std::string problem = s.Problem(); !problem.empty()) {
    state.SkipWithError(problem.c_str());
    return;
  }
  s.window->Followers().mGetUserFollowers_Click();
  std::vector<std::string> ids;
  for (const auto& u : s.window->Twitter().Users().Records()) ids.push_back(u.Id);
  if (ids.size() != static_cast<std::size_t>(kAccounts)) {
    state.SkipWithError("skein_big's followers could not be listed");
    return;
  }
  std::int64_t thread_ns = 0, process_ns = 0, requests = 0;
  for (auto _ : state) {
    const std::int64_t sent = s.http.requests;
    const std::int64_t thread_before = ThreadCpuNs();
    const std::int64_t process_before = ProcessCpuNs();
    const bool done = s.window->Followers().GetUsers(s.window->Twitter(), ids, true, false);
    thread_ns += ThreadCpuNs() - thread_before;
    process_ns += ProcessCpuNs() - process_before;
    requests += s.http.requests - sent;
    if (!done || s.window->Twitter().Users().Count() != kAccounts) {
      state.SkipWithError(("the lookup found " +
                           std::to_string(s.window->Twitter().Users().Count()) +
                           " profiles: " + s.window->Twitter().LastResponseCode())
                              .c_str());
      return;
    }
  }
  Report(state, requests, thread_ns, process_ns);
}

}  // namespace

BENCHMARK(BM_FollowersList)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LookupIds)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
