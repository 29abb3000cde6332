#include "support-apisim/test_server.h"

#include <gtest/gtest.h>

namespace wf::apisim {

TestServer::TestServer(ServerConfig config) {
  config.host = "127.0.0.1";
  config.port = 0;
  server_ = std::make_unique<Server>(std::move(config));
  std::string error;
  started_ = server_->Start(&error);
  if (!started_) ADD_FAILURE() << "the simulator did not start: " << error;
}

TestServer::~TestServer() {
  server_->Stop();
}

}  // namespace wf::apisim
