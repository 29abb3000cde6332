#pragma once

#include <atomic>
#include <string_view>

#include "command.h"

namespace wf::cli {

// "Build Table" over a saved tweet table: one row per author with the profile and the
// statistics of the author's tweets, optionally with timeline samples, saved as a user file.
class UserTableCommand : public Command {
 public:
  explicit UserTableCommand(std::atomic<bool>* interrupted = nullptr) : interrupted_(interrupted) {}
  std::string_view Name() const override { return "usertable"; }
  std::string_view Summary() const override {
    return "build the user table of a tweet table's authors, with statistics";
  }
  std::string Usage() const override;
  int Run(const std::vector<std::string>& args, Streams& io) override;

 private:
  std::atomic<bool>* interrupted_;
};

}  // namespace wf::cli
