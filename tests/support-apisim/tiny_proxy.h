#pragma once

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "util/unique_fd.h"

namespace wf::apisim {

// A forward proxy for tests of a client's proxy setting: CONNECT tunnels (for HTTPS) and
// absolute-form requests (for HTTP), to loopback hosts only. It records each request line it
// handled, so a test can tell the traffic really went through it.
class TinyProxy {
 public:
  // Listens on a free 127.0.0.1 port. With `route_to_port`, every request goes to that loopback
  // port whatever port it names, so a server can be reached only through the proxy (the
  // client is pointed at a port where nothing answers).
  explicit TinyProxy(int route_to_port = 0);
  ~TinyProxy();
  TinyProxy(const TinyProxy&) = delete;
  TinyProxy& operator=(const TinyProxy&) = delete;

  bool ok() const { return port_ > 0; }
  int port() const { return port_; }
  // "CONNECT 127.0.0.1:PORT HTTP/1.1", "GET http://127.0.0.1:PORT/... HTTP/1.1", ...
  std::vector<std::string> RequestLines() const;

 private:
  void AcceptLoop();
  void Serve(int client);
  void Track(int fd, bool add);

  UniqueFd listen_fd_;
  int port_ = 0;
  int route_to_port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread acceptor_;
  mutable std::mutex mutex_;
  std::vector<std::thread> workers_;
  std::set<int> open_fds_;
  std::vector<std::string> lines_;
};

}  // namespace wf::apisim
