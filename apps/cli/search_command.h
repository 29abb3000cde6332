#pragma once

#include <atomic>
#include <optional>
#include <string_view>

#include "command.h"
#include "util/date_time.h"

namespace wf::cli {

// Runs a search from end to end with the desktop window's own model and saves the table.
class SearchCommand : public Command {
 public:
  // `interrupted` is raised by Ctrl-C (SIGINT); null: not interruptible.
  explicit SearchCommand(std::atomic<bool>* interrupted = nullptr) : interrupted_(interrupted) {}
  std::string_view Name() const override { return "search"; }
  std::string_view Summary() const override {
    return "search tweets back to a date and save them as a tweet table";
  }
  std::string Usage() const override;
  int Run(const std::vector<std::string>& args, Streams& io) override;

  static constexpr int kExitInterrupted = 130;

 private:
  std::atomic<bool>* interrupted_;
};

// "2026-12-01" or "2026-12-01T08:30[:00]" (a space may stand for the T), local time.
std::optional<CivilDateTime> ParseIsoDateTime(std::string_view text);

}  // namespace wf::cli
