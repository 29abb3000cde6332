#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include "util/unique_fd.h"

namespace wf::apisim {

// The real wrenfold-apisim executable as a child process, for tests that need the command
// line, the "listening on" line or the signal handling. The child is terminated (SIGTERM,
// then SIGKILL) when the object goes, and gets SIGTERM if the test process dies first.
class ApisimProcess {
 public:
  // Starts the executable with `args` and waits up to `timeout` for its first stdout line.
  explicit ApisimProcess(const std::vector<std::string>& args = {},
                         std::chrono::milliseconds timeout = std::chrono::seconds(10));
  ~ApisimProcess();
  ApisimProcess(const ApisimProcess&) = delete;
  ApisimProcess& operator=(const ApisimProcess&) = delete;

  // True when the child printed a "listening on" line.
  bool ok() const { return !url_.empty(); }
  const std::string& first_line() const { return first_line_; }
  const std::string& url() const { return url_; }  // "http://127.0.0.1:PORT"
  int port() const { return port_; }
  pid_t pid() const { return pid_; }
  // Time from launch to the first line.
  std::chrono::microseconds startup() const { return startup_; }

  // Sends `signal` and waits for the exit: the exit status, 128+N when killed by signal N,
  // or -1 when it did not end within `timeout` (it is then killed).
  int Stop(int signal, std::chrono::milliseconds timeout = std::chrono::seconds(10));
  // Waits for a child that ends by itself (bad arguments, say); same results as Stop.
  int Wait(std::chrono::milliseconds timeout = std::chrono::seconds(10));
  // Everything the child wrote to stderr so far.
  std::string Stderr() const;

  static std::string ExecutablePath();

 private:
  pid_t pid_ = -1;
  UniqueFd stdout_fd_;
  std::string stderr_path_;
  std::string first_line_;
  std::string url_;
  int port_ = 0;
  std::chrono::microseconds startup_{0};
  int status_ = -2;  // -2 while running
};

}  // namespace wf::apisim
