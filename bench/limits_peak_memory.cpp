// Peak memory of the three oversized inputs, one per run of this program so that each figure
// stands alone:
//
//   limits_peak_memory tweetfile [GB]   a sparse tweet file larger than the memory available
//                                       (default: twice it), opened through SkeinData::Load
//   limits_peak_memory response [MB] [--cap MB]
//                                       one answer of MB megabytes (default 100), chunked, from
//                                       a loopback server, read with the client's cap (default
//                                       the built-in 64 MB)
//   limits_peak_memory userfile [MB] [keys|all]
//                                       a key file and an all-fields file with one line of MB
//                                       megabytes (default 10), opened in the main window
//                                       against the in-process simulator (both, or one)
//
// Prints what the user is told and the peak resident set (VmHWM).
#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "api/curl_http.h"
#include "apisim/server.h"
#include "mainwindow/main_window.h"
#include "tweettable/skein_data.h"
#include "util/memory_info.h"
#include "util/null_ui_port.h"

namespace {

std::string PeakResident() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmHWM:", 0) == 0) return line.substr(6);
  return "?";
}

// Prints every message and answers as a user who picks `file` in the open dialog.
class PrintingUi : public wf::NullUiPort {
 public:
  std::string file;
  wf::MsgAnswer Prompt(const wf::Question& question, std::string_view text, wf::MsgButtons b,
                       wf::MsgIcon icon, std::string_view caption) override {
    std::printf("message [%.*s]: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                static_cast<int>(std::min<std::size_t>(text.size(), 300)), text.data());
    return NullUiPort::Prompt(question, text, b, icon, caption);
  }
  std::optional<std::string> OpenFileDialog(const wf::FileDialogRequest&) override { return file; }
};

std::filesystem::path TempPath(const std::string& name) {
  return std::filesystem::temp_directory_path() /
         ("wf-limits-" + std::to_string(::getpid()) + "-" + name);
}

int TweetFile(double gb) {
  const std::uint64_t available = wf::AvailableMemoryBytes();
  const std::uint64_t size = gb > 0 ? static_cast<std::uint64_t>(gb * (1u << 30)) : available * 2;
  const auto path = TempPath("tweets.txt");
  { std::ofstream out(path, std::ios::binary); }
  std::filesystem::resize_file(path, size);  // sparse: costs no disk
  std::printf("tweet file: %.2f GB (sparse), available memory: %.2f GB\n",
              static_cast<double>(size) / (1u << 30), static_cast<double>(available) / (1u << 30));
  PrintingUi ui;
  wf::SkeinData data(&ui);
  const bool loaded = data.Load(path.string());
  std::filesystem::remove(path);
  std::printf("loaded: %s, rows: %d\npeak resident:%s\n", loaded ? "yes" : "no", data.RecordCount(),
              PeakResident().c_str());
  return 0;
}

int Response(std::size_t megabytes, std::size_t cap_mb) {
  const std::size_t size = megabytes << 20;
  httplib::Server server;
  server.Get(".*", [size](const httplib::Request&, httplib::Response& res) {
    res.set_chunked_content_provider(
        "application/json",
        [size, sent = std::size_t{0}](std::size_t, httplib::DataSink& sink) mutable {
          static const std::string block(1 << 16, ' ');
          if (sent >= size) {
            sink.done();
            return true;
          }
          const std::size_t n = std::min(block.size(), size - sent);
          sent += n;
          return sink.write(block.data(), n);
        });
  });
  const int port = server.bind_to_any_port("127.0.0.1");
  std::thread thread([&] { server.listen_after_bind(); });
  while (!server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));

  wf::CurlHttpOptions options;
  if (cap_mb > 0) options.max_response_bytes = cap_mb << 20;
  wf::CurlHttpClient client(options);
  auto request = client.CreateRequest();
  request->Open("GET", "http://127.0.0.1:" + std::to_string(port) + "/1.1/search/tweets.json",
                false);
  request->Send();
  const bool ok = request->WaitForResponse(60);
  std::printf("answer of %zu MB, cap %zu MB: %s (%s), body kept: %zu bytes\n", megabytes,
              options.max_response_bytes >> 20, ok ? "read" : "failed",
              ok ? "" : request->ErrorText().c_str(), request->ResponseText().size());
  request.reset();
  server.stop();
  thread.join();
  std::printf("peak resident:%s\n", PeakResident().c_str());
  return 0;
}

int UserFile(std::size_t megabytes, const std::string& which) {
  wf::apisim::ServerConfig config;
  config.corpus.users = 6000;
  config.corpus.search_tweets = 500;
  wf::apisim::Server sim(config);
  if (!sim.Start()) return 2;
  const auto folder = TempPath("folder");
  std::filesystem::create_directories(folder);
  const std::string line(megabytes << 20, 'a');
  const auto keys = TempPath("keys.suk");
  const auto all = TempPath("table.sut");
  {
    std::ofstream k(keys, std::ios::binary);
    k << "\tskein_small\r\n\t" << line << "\r\n\tskein_team\r\n";
    std::ofstream a(all, std::ios::binary);
    a << "1\tskein_small\r\n" << line << "\t" << line << "\r\n";
  }
  PrintingUi ui;
  wf::CurlHttpClient http;
  wf::MainWindowEnvironment env;
  env.ui = &ui;
  env.http = &http;
  env.program_folder = folder.string();
  env.api_base = sim.BaseUrl();
  wf::MainWindow window(env);
  window.Form_Load();
  window.Twitter().AuthAppAccess("Limits", "demo-key", "demo-secret");
  window.ActivateAfterAuthentication();
  window.SetUTwitterAuthenticator([](wf::TwitterAPI& api) {
    return !api.AuthAppAccess("Limits", "demo-key", "demo-secret").empty();
  });

  if (which != "all") {
    ui.file = keys.string();
    window.UserTables().mOpenUsers_Click(wf::UserTableOpen::kKeyFields);
    std::printf("key file with a %zu MB line: %zu rows in table \"%s\"\n", megabytes,
                window.UserTables().Tables().back().Rows().size(),
                window.UserTables().Tables().back().Name().c_str());
  }
  if (which != "keys") {
    ui.file = all.string();
    window.UserTables().mOpenUsers_Click(wf::UserTableOpen::kAllFields);
    std::printf("all-fields file with two %zu MB cells: %zu rows in table \"%s\"\n", megabytes,
                window.UserTables().Tables().back().Rows().size(),
                window.UserTables().Tables().back().Name().c_str());
  }
  for (const auto& l : window.Progress().Lines())
    std::printf("log: %.*s\n", static_cast<int>(std::min<std::size_t>(l.size(), 200)), l.data());
  std::filesystem::remove_all(folder);
  std::filesystem::remove(keys);
  std::filesystem::remove(all);
  sim.Stop();
  std::printf("peak resident:%s\n", PeakResident().c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  const double amount = argc > 2 ? std::atof(argv[2]) : 0;
  if (mode == "tweetfile") return TweetFile(amount);
  if (mode == "response") {
    std::size_t cap = 0;
    for (int i = 3; i + 1 < argc; ++i)
      if (std::strcmp(argv[i], "--cap") == 0) cap = std::strtoull(argv[i + 1], nullptr, 10);
    return Response(amount > 0 ? static_cast<std::size_t>(amount) : 100, cap);
  }
  if (mode == "userfile") {
    return UserFile(amount > 0 ? static_cast<std::size_t>(amount) : 10, argc > 3 ? argv[3] : "");
  }
  std::fprintf(stderr,
               "usage: limits_peak_memory tweetfile [GB] | response [MB] [--cap MB] | "
               "userfile [MB] [keys|all]\n");
  return 2;
}
