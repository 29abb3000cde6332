#include <signal.h>

#include <cstdio>
#include <string>
#include <vector>

#include "apisim/options.h"
#include "apisim/server.h"

int main(int argc, char** argv) {
  std::string error;
  const auto cl =
      wf::apisim::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), &error);
  if (!cl) {
    std::fprintf(stderr, "wrenfold-apisim: %s\n\n%s", error.c_str(),
                 wf::apisim::UsageText().c_str());
    return 2;
  }
  if (cl->help) {
    std::fputs(wf::apisim::UsageText().c_str(), stdout);
    return 0;
  }
  if (cl->version) {
    std::printf("wrenfold-apisim %s\n", WF_VERSION);
    return 0;
  }

  // Blocked before any thread exists, so every server thread inherits the mask and the
  // signals are taken only by sigwait below.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

  wf::apisim::Server server(cl->config);
  if (!server.Start(&error)) {
    std::fprintf(stderr, "wrenfold-apisim: %s\n", error.c_str());
    return 1;
  }
  std::printf("listening on %s\n", server.BaseUrl().c_str());
  std::fflush(stdout);

  int received = 0;
  sigwait(&stop_signals, &received);
  server.Stop();
  std::fprintf(stderr, "wrenfold-apisim: stopped on %s\n",
               received == SIGTERM ? "SIGTERM" : "SIGINT");
  return 0;
}
