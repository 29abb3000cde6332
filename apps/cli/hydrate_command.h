#pragma once

#include <atomic>

#include "command.h"

namespace wf::cli {

// Hydrates a shared list of tweet ids into a tweet table with the desktop window's own model.
class HydrateCommand : public Command {
 public:
  // `interrupted` is raised by Ctrl-C (SIGINT); null: not interruptible.
  explicit HydrateCommand(std::atomic<bool>* interrupted = nullptr) : interrupted_(interrupted) {}
  std::string_view Name() const override { return "hydrate"; }
  std::string_view Summary() const override {
    return "look up the tweets of a tweet-id list and save them as a tweet table";
  }
  std::string Usage() const override;
  int Run(const std::vector<std::string>& args, Streams& io) override;

 private:
  std::atomic<bool>* interrupted_;
};

}  // namespace wf::cli
