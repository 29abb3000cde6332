#pragma once

#include <atomic>
#include <sstream>
#include <string>
#include <vector>

#include "command.h"

namespace wf::cli {

// One in-process run of wrenfold-cli with what it printed.
struct CliRun {
  int code;
  std::string out;
  std::string err;
};

inline CliRun Cli(const std::vector<std::string>& args, std::atomic<bool>* interrupted = nullptr) {
  std::ostringstream out;
  std::ostringstream err;
  const int code = RunCli(args, out, err, interrupted);
  return {code, out.str(), err.str()};
}

}  // namespace wf::cli
