// Any prefs file: read without a crash; the histories, language and widths it yields write
// back and read again to the same state.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "mainwindow/main_window.h"
#include "util/null_ui_port.h"

namespace {

class NoHttp : public wf::HttpClient {
 public:
  std::unique_ptr<wf::HttpRequest> CreateRequest() override { return nullptr; }
};

std::filesystem::path Folder() {
  static const std::filesystem::path dir = [] {
    auto d =
        std::filesystem::temp_directory_path() / ("wf-fuzz-prefs-" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Lines naming files would open them as tweet tables; only the prefs reader is the target.
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (text.find('/') != std::string::npos) return 0;
  const auto folder = Folder();
  {
    std::ofstream out(folder / "prefs", std::ios::binary | std::ios::trunc);
    out << text;
  }
  NoHttp http;
  wf::NullUiPort ui;  // No to every question: no history entry is removed
  wf::MainWindowEnvironment env;
  env.ui = &ui;
  env.http = &http;
  env.program_folder = folder.string();
  env.api_base_given = true;
  wf::MainWindow first(env);
  first.Sessions().LoadPrefs();
  if (!first.Sessions().SavePrefs()) std::abort();
  wf::MainWindow second(env);
  second.Sessions().LoadPrefs();
  if (second.Sessions().QPHistory().Entries() != first.Sessions().QPHistory().Entries() ||
      second.Sessions().UTLHistory().Entries() != first.Sessions().UTLHistory().Entries() ||
      second.SearchLang() != first.SearchLang() ||
      second.OutTable().Widths() != first.OutTable().Widths()) {
    std::abort();
  }
  return 0;
}
