#include "command.h"

#include <algorithm>

#include "account_commands.h"
#include "auth_command.h"
#include "hydrate_command.h"
#include "search_command.h"
#include "table_command.h"
#include "users_command.h"
#include "usertable_command.h"

namespace wf::cli {

std::vector<std::unique_ptr<Command>> AllCommands(std::atomic<bool>* interrupted) {
  std::vector<std::unique_ptr<Command>> commands;
  commands.push_back(std::make_unique<AuthCommand>());
  commands.push_back(std::make_unique<SearchCommand>(interrupted));
  commands.push_back(std::make_unique<HydrateCommand>(interrupted));
  commands.push_back(std::make_unique<TableCommand>());
  commands.push_back(std::make_unique<UsersCommand>());
  commands.push_back(std::make_unique<TimelineCommand>(interrupted));
  commands.push_back(std::make_unique<LookupCommand>(interrupted));
  commands.push_back(std::make_unique<FollowListCommand>(false, interrupted));
  commands.push_back(std::make_unique<FollowListCommand>(true, interrupted));
  commands.push_back(std::make_unique<UserTableCommand>(interrupted));
  return commands;
}

namespace {

void PrintOverview(std::ostream& os, const std::vector<std::unique_ptr<Command>>& commands) {
  os << "Usage: wrenfold-cli COMMAND [OPTIONS]\n\n"
        "Skein Wrenfold Desktop Edition " WF_VERSION " from the command line.\n\nCommands:\n";
  // Aligned with spaces, as help2man and terminals with other tab stops expect.
  std::size_t width = 0;
  for (const auto& c : commands) width = std::max(width, c->Name().size());
  for (const auto& c : commands) {
    os << "  " << c->Name() << std::string(width + 2 - c->Name().size(), ' ') << c->Summary()
       << "\n";
  }
  os << "\nRun 'wrenfold-cli COMMAND --help' for a command's options.\n";
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           std::atomic<bool>* interrupted) {
  const auto commands = AllCommands(interrupted);
  if (args.empty()) {
    PrintOverview(err, commands);
    return kExitUsage;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintOverview(out, commands);
    return kExitOk;
  }
  if (args[0] == "--version") {
    out << "wrenfold-cli " WF_VERSION "\n";
    return kExitOk;
  }
  for (const auto& c : commands) {
    if (c->Name() == args[0]) {
      Streams io{out, err};
      return c->Run(std::vector<std::string>(args.begin() + 1, args.end()), io);
    }
  }
  err << "wrenfold-cli: unknown command '" << args[0] << "'\n";
  PrintOverview(err, commands);
  return kExitUsage;
}

}  // namespace wf::cli
