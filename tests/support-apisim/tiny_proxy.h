#pragma once

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace wf::apisim {

// A forward proxy for tests of a client's proxy setting: CONNECT tunnels (for HTTPS) and
// absolute-form requests (for HTTP), to loopback hosts only. It records each request line it
// handled, so a test can tell the traffic really went through it.
class TinyProxy {
 public:
  TinyProxy();  // listens on a free 127.0.0.1 port
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

  int listen_fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread acceptor_;
  mutable std::mutex mutex_;
  std::vector<std::thread> workers_;
  std::set<int> open_fds_;
  std::vector<std::string> lines_;
};

}  // namespace wf::apisim
