#pragma once

#include "command.h"

namespace wf::cli {

// Saved users/lookup responses or followers/friends pages -> a tab-separated user list.
class UsersCommand : public Command {
 public:
  std::string_view Name() const override { return "users"; }
  std::string_view Summary() const override {
    return "turn saved users/lookup or followers/friends responses into a user table file";
  }
  std::string Usage() const override;
  int Run(const std::vector<std::string>& args, Streams& io) override;
};

}  // namespace wf::cli
