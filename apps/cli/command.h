#pragma once

#include <atomic>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace wf::cli {

enum ExitCode { kExitOk = 0, kExitBadInput = 1, kExitUsage = 2 };

struct Streams {
  std::ostream& out;
  std::ostream& err;
};

// One subcommand of wrenfold-cli. Run gets the arguments after the subcommand's name and
// returns the process exit code.
class Command {
 public:
  virtual ~Command() = default;
  virtual std::string_view Name() const = 0;
  virtual std::string_view Summary() const = 0;
  virtual std::string Usage() const = 0;
  virtual int Run(const std::vector<std::string>& args, Streams& io) = 0;
};

// `interrupted` is raised on Ctrl-C for the commands that can stop midway.
std::vector<std::unique_ptr<Command>> AllCommands(std::atomic<bool>* interrupted = nullptr);

// Whole command line without the program name.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           std::atomic<bool>* interrupted = nullptr);

}  // namespace wf::cli
