#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string_view>

namespace wf::apisim {

enum class Family {
  kSearch,
  kUserTimeline,
  kFollowersList,
  kFriendsList,
  kUsersLookup,
  kFollowersIds
};
constexpr size_t kFamilyCount = 6;

struct FamilyInfo {
  std::string_view name;      // as given to --limit
  std::string_view resource;  // path under /1.1/
  int app_limit;              // requests per window with app-only auth
};

const FamilyInfo& Info(Family family);
// Accepts the short name ("user_timeline") or the resource ("statuses/user_timeline").
std::optional<Family> FamilyByName(std::string_view name);
std::optional<Family> FamilyByPath(std::string_view path);  // "/1.1/search/tweets.json"

using Limits = std::array<int, kFamilyCount>;
Limits DefaultLimits();

// Fixed windows per family, opened by the first request after the previous one ran out, as
// the real service does. Times are wall-clock milliseconds so the reset header is an epoch.
class RateLimiter {
 public:
  using Clock = std::function<int64_t()>;  // epoch milliseconds
  RateLimiter(int64_t window_seconds, const Limits& limits, Clock clock = {});

  struct Quota {
    int limit = 0;
    int remaining = 0;
    int64_t reset = 0;  // epoch seconds
  };
  // Takes one request from the family's window; false when none is left.
  bool Spend(Family family, Quota& quota);
  // The figures to report without spending (for answers that cost nothing).
  Quota Peek(Family family);
  // New limits for the windows that are open and those to come; what was spent stays spent,
  // so a limit at or below it refuses the next request at once.
  void SetLimits(const Limits& limits);

 private:
  struct Window {
    int64_t start_ms = -1;
    int used = 0;
  };
  void Roll(Window& w, int64_t now_ms) const;
  Quota Report(Family family, const Window& w, int64_t now_ms) const;

  int64_t window_ms_;
  Limits limits_;
  Clock clock_;
  std::mutex mutex_;
  std::array<Window, kFamilyCount> windows_{};
};

}  // namespace wf::apisim
