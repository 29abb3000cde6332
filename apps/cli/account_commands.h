#pragma once

#include <atomic>
#include <string_view>

#include "command.h"

namespace wf::cli {

// The account retrievals of the desktop window's user list, unattended. Each runs the
// window's own command handlers; `interrupted` (Ctrl-C) acts as its Cancel button.

// Timelines of the given accounts back to a threshold date, saved as a tweet table.
class TimelineCommand : public Command {
 public:
  explicit TimelineCommand(std::atomic<bool>* interrupted = nullptr) : interrupted_(interrupted) {}
  std::string_view Name() const override { return "timeline"; }
  std::string_view Summary() const override {
    return "collect the timelines of accounts back to a date into a tweet table";
  }
  std::string Usage() const override;
  int Run(const std::vector<std::string>& args, Streams& io) override;

 private:
  std::atomic<bool>* interrupted_;
};

// Profiles of accounts by screen name or id, saved as the window's copied user table.
class LookupCommand : public Command {
 public:
  explicit LookupCommand(std::atomic<bool>* interrupted = nullptr) : interrupted_(interrupted) {}
  std::string_view Name() const override { return "lookup"; }
  std::string_view Summary() const override {
    return "look up account profiles and save them as a user table";
  }
  std::string Usage() const override;
  int Run(const std::vector<std::string>& args, Streams& io) override;

 private:
  std::atomic<bool>* interrupted_;
};

// The followers or friends of one account: screen names, or their profiles.
class FollowListCommand : public Command {
 public:
  FollowListCommand(bool friends, std::atomic<bool>* interrupted = nullptr)
      : friends_(friends), interrupted_(interrupted) {}
  std::string_view Name() const override { return friends_ ? "friends" : "followers"; }
  std::string_view Summary() const override {
    return friends_ ? "list the accounts an account follows"
                    : "list the accounts that follow an account";
  }
  std::string Usage() const override;
  int Run(const std::vector<std::string>& args, Streams& io) override;

 private:
  bool friends_;
  std::atomic<bool>* interrupted_;
};

}  // namespace wf::cli
