#pragma once

#include "command.h"

namespace wf::cli {

// Saved search or timeline responses -> the tweet table file the window would save.
class TableCommand : public Command {
 public:
  std::string_view Name() const override { return "table"; }
  std::string_view Summary() const override {
    return "turn saved search or timeline responses into a tweet table file";
  }
  std::string Usage() const override;
  int Run(const std::vector<std::string>& args, Streams& io) override;
};

}  // namespace wf::cli
