#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "apisim/server.h"

namespace wf::apisim {

// The simulator in-process on a free loopback port for the length of a test. Construction
// starts it (a failure is reported to the running test); destruction stops it.
class TestServer {
 public:
  explicit TestServer(ServerConfig config = {});
  ~TestServer();
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  bool ok() const { return started_; }
  Server& server() { return *server_; }
  int port() const { return server_->port(); }
  std::string BaseUrl() const { return server_->BaseUrl(); }
  // The bearer token a successful token request returns, to skip that step.
  std::string Token() const { return server_->BearerToken(); }

 private:
  std::unique_ptr<Server> server_;
  bool started_ = false;
};

// A ServerConfig::on_request that raises `flag` as the n-th request whose path contains
// `fragment` arrives, before it is answered: a Ctrl-C at an exact point of a client's run.
inline std::function<void(const std::string&)> RaiseOnRequest(std::atomic<bool>& flag,
                                                              std::string fragment, int n) {
  auto seen = std::make_shared<std::atomic<int>>(0);
  return [&flag, fragment = std::move(fragment), n, seen](const std::string& path) {
    if (path.find(fragment) != std::string::npos && ++*seen == n) flag = true;
  };
}

}  // namespace wf::apisim
