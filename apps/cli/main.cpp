#include <signal.h>

#include <atomic>
#include <iostream>
#include <string>
#include <vector>

#include "command.h"

namespace {

std::atomic<bool> g_interrupted{false};

extern "C" void OnInterrupt(int) {
  // A second Ctrl-C ends the program the ordinary way.
  if (g_interrupted.exchange(true)) {
    ::signal(SIGINT, SIG_DFL);
    ::raise(SIGINT);
  }
}

}  // namespace

int main(int argc, char** argv) {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  std::vector<std::string> args(argv + 1, argv + argc);
  return wf::cli::RunCli(args, std::cout, std::cerr, &g_interrupted);
}
