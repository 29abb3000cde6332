#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "api/curl_http.h"
#include "mainwindow/main_window.h"
#include "support-apisim/test_server.h"
#include "support/scripted_ui.h"
#include "support/test_paths.h"

namespace wf::test {

// A scripted UI that can act on each yield (a click on Cancel while pages arrive).
class LiveUi : public ScriptedUi {
 public:
  std::function<void(int)> on_yield;
  void YieldToEvents() override {
    ScriptedUi::YieldToEvents();
    if (on_yield) on_yield(yields);
  }
};

inline apisim::ServerConfig SmallSim() {
  apisim::ServerConfig config;
  config.corpus.users = 6000;
  config.corpus.search_tweets = 500;
  return config;
}

// A window authenticated against an in-process simulator.
struct SimWindow {
  explicit SimWindow(apisim::ServerConfig config = SmallSim()) : server(std::move(config)) {
    MainWindowEnvironment env;
    env.ui = &ui;
    env.http = &http;
    env.program_folder = dir.path().string();
    env.api_base = server.BaseUrl();
    env.sentiment_program = WF_SENTI_EXE;
    window = std::make_unique<MainWindow>(env);
    window->Form_Load();
    EXPECT_FALSE(window->Twitter().AuthAppAccess("Test", "demo-key", "demo-secret").empty());
    window->ActivateAfterAuthentication();
  }

  const std::vector<std::string>& Log() const { return window->Progress().Lines(); }
  bool LogHas(const std::string& part) const {
    for (const auto& l : Log())
      if (l.find(part) != std::string::npos) return true;
    return false;
  }
  bool Told(const std::string& text) const {
    for (const auto& m : ui.messages)
      if (m.text == text) return true;
    return false;
  }
  // Requests that reached the server for one resource path ("/1.1/users/lookup.json").
  std::vector<apisim::ReceivedRequest> Requests(const std::string& path) const {
    std::vector<apisim::ReceivedRequest> out;
    for (auto& r : server.server().Received())
      if (r.path == path) out.push_back(r);
    return out;
  }
  std::vector<std::string> Entries() const {
    std::vector<std::string> out;
    for (const auto& e : window->UserListPanel().Users().Entries()) out.push_back(e.text);
    return out;
  }
  const apisim::UserKey& Account(uint32_t index) const {
    return server.server().corpus().Key(index);
  }

  TempDir dir;
  LiveUi ui;
  CurlHttpClient http;
  mutable apisim::TestServer server;
  std::unique_ptr<MainWindow> window;
};

}  // namespace wf::test
