#pragma once

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "fake_http.h"
#include "mainwindow/main_window.h"
#include "support/scripted_ui.h"
#include "support/test_paths.h"

namespace wf::test {

// A main window on a temporary program folder, with a scripted UI and HTTP, the real
// classifier, and the working folder moved there (untitled files are proposed relative to it).
struct WindowFixture {
  TempDir dir;
  ScriptedUi ui;
  FakeHttp http;
  std::unique_ptr<MainWindow> window;
  std::filesystem::path old_cwd = std::filesystem::current_path();

  WindowFixture() {
    std::filesystem::current_path(dir.path());
    MainWindowEnvironment env;
    env.ui = &ui;
    env.http = &http;
    env.program_folder = dir.path().string();
    env.sentiment_program = WF_SENTI_EXE;
    window = std::make_unique<MainWindow>(env);
    window->Form_Load();
  }
  ~WindowFixture() { std::filesystem::current_path(old_cwd); }

  // Puts a recorded search page into the API client's tweets and shows it.
  void Retrieve(const std::string& fixture = "rtweet/search_1.json", bool append = false) {
    window->Twitter().Tweets().SetData(ReadTestdata(fixture), append, true);
    window->ShowTweets(append);
  }
  std::string File(const std::string& name) const { return dir.File(name); }
};

}  // namespace wf::test
