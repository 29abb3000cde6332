#pragma once

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

}  // namespace wf::apisim
