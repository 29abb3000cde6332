#include "support-apisim/apisim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace wf::apisim {

std::string ApisimProcess::ExecutablePath() {
  return WF_APISIM_EXE;
}

ApisimProcess::ApisimProcess(const std::vector<std::string>& args,
                             std::chrono::milliseconds timeout) {
  const auto started = std::chrono::steady_clock::now();
  int pipe_fds[2];
  if (::pipe2(pipe_fds, O_CLOEXEC) != 0) return;
  UniqueFd read_end(pipe_fds[0]);
  UniqueFd write_end(pipe_fds[1]);
  std::string tmpl = (std::filesystem::temp_directory_path() / "apisim-stderr-XXXXXX").string();
  UniqueFd err_fd(::mkstemp(tmpl.data()));
  if (!err_fd.valid()) return;
  stderr_path_ = tmpl;

  const std::string exe = ExecutablePath();
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(exe.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t parent = ::getpid();
  pid_ = ::fork();
  if (pid_ == 0) {
    // Only async-signal-safe calls until exec. The child goes when the test process goes,
    // even if that one crashes, and starts with default signal handling.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(127);
    ::dup2(write_end.get(), STDOUT_FILENO);
    ::dup2(err_fd.get(), STDERR_FILENO);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGPIPE, SIG_DFL);
    ::execv(exe.c_str(), argv.data());
    ::_exit(127);
  }
  write_end.Reset();
  err_fd.Reset();
  if (pid_ < 0) return;
  stdout_fd_ = std::move(read_end);

  // Read the first line, a byte at a time so nothing after it is consumed.
  const auto deadline = started + timeout;
  while (true) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd p{stdout_fd_.get(), POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
    char c = 0;
    if (::read(stdout_fd_.get(), &c, 1) != 1) break;  // the child closed stdout or exited
    if (c == '\n') break;
    first_line_.push_back(c);
  }
  startup_ = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now() - started);
  constexpr std::string_view kPrefix = "listening on ";
  if (first_line_.rfind(kPrefix, 0) == 0) {
    url_ = first_line_.substr(kPrefix.size());
    const size_t colon = url_.rfind(':');
    if (colon != std::string::npos) port_ = std::atoi(url_.c_str() + colon + 1);
  }
}

ApisimProcess::~ApisimProcess() {
  if (pid_ > 0 && status_ == -2) Stop(SIGTERM);
  if (!stderr_path_.empty()) std::filesystem::remove(stderr_path_);
}

int ApisimProcess::Wait(std::chrono::milliseconds timeout) {
  if (pid_ <= 0) return -1;
  if (status_ != -2) return status_;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (true) {
    int raw = 0;
    const pid_t r = ::waitpid(pid_, &raw, WNOHANG);
    if (r == pid_) {
      status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
      return status_;
    }
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ::kill(pid_, SIGKILL);
  int raw = 0;
  ::waitpid(pid_, &raw, 0);
  status_ = -1;
  return status_;
}

int ApisimProcess::Stop(int signal, std::chrono::milliseconds timeout) {
  if (pid_ <= 0) return -1;
  if (status_ == -2) ::kill(pid_, signal);
  return Wait(timeout);
}

std::string ApisimProcess::Stderr() const {
  std::ifstream in(stderr_path_);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

}  // namespace wf::apisim
