#pragma once

// wrenfold-cli as a child process, for runs that are killed midway.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace wf::test {

// Starts wrenfold-cli with `args`; stdout and stderr go to `log`.
inline pid_t SpawnCli(const std::vector<std::string>& args, const std::string& log) {
  std::vector<std::string> all = {WF_CLI_EXE};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) {
      ::dup2(fd, STDOUT_FILENO);
      ::dup2(fd, STDERR_FILENO);
    }
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  return pid;
}

// Its exit code, or 128 + the signal that ended it.
inline int RunCli(const std::vector<std::string>& args, const std::string& log) {
  const pid_t pid = SpawnCli(args, log);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace wf::test
