#pragma once

#include "command.h"

namespace wf::cli {

// Exchanges application credentials for a token and, when that works, stores them in appcred.
class AuthCommand : public Command {
 public:
  std::string_view Name() const override { return "auth"; }
  std::string_view Summary() const override {
    return "check application credentials and store them for later runs";
  }
  std::string Usage() const override;
  int Run(const std::vector<std::string>& args, Streams& io) override;
};

}  // namespace wf::cli
