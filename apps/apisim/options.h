#pragma once

#include <optional>
#include <string>
#include <vector>

#include "apisim/server.h"

namespace wf::apisim {

struct CommandLine {
  ServerConfig config;
  bool help = false;
  bool version = false;
};

// The arguments after the program name. nullopt with a message for anything unknown or
// malformed; "--name value" and "--name=value" are both accepted.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                            std::string* error);

std::string UsageText();

}  // namespace wf::apisim
