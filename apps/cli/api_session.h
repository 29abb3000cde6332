#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <string_view>

#include "api/curl_http.h"
#include "command.h"
#include "mainwindow/main_window.h"
#include "search_ui.h"
#include "service_options.h"

namespace wf::cli {

// The desktop window's model set up for one command that talks to the API: data folder,
// stored credentials, the unattended UI port and an authenticated client.
class ApiSession {
 public:
  // `command` names the subcommand in messages; `output` is where the window may save.
  ApiSession(std::string_view command, Streams& io, std::atomic<bool>* interrupted,
             std::string output);
  ~ApiSession();

  // False (and the reason on stderr) when the folder, credentials or authentication fail.
  bool Open(const ServiceOptions& service);

  MainWindow& Window() { return *window_; }
  SearchUi& Ui() { return ui_; }
  bool Cancelled() const { return ui_.Cancelled(); }
  // Ends the live line and prints the log lines still unprinted.
  void Finish() { ui_.Finish(); }

 private:
  std::string command_;
  Streams& io_;
  SearchUi ui_;
  std::unique_ptr<CurlHttpClient> http_;
  std::unique_ptr<MainWindow> window_;
};

}  // namespace wf::cli
