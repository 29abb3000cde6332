#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
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
  kFollowersIds,
  kStatusesLookup,
  // API v2
  kSearchRecent,
  kSearchAll,
  kUsersTweets,
  kUsersBy,
  kUserByUsername,
  kUsersIds,
  kUsersFollowers,
  kUsersFollowing,
  kTweetsLookup,
  // Full-archive search's second limit: one request a second besides the window's quota.
  kSearchAllPerSecond,
};
constexpr size_t kFamilyCount = 17;

struct FamilyInfo {
  std::string_view name;      // as given to --limit
  std::string_view resource;  // path under /1.1/ or /2/ (":id" for a path segment); may be empty
  int app_limit;              // requests per window with app-only auth
  int version;                // 1 or 2
  int window_seconds;         // 0: the configured window
};

const FamilyInfo& Info(Family family);
// Accepts the short name ("user_timeline") or the resource ("statuses/user_timeline", or for
// v2 "2/users/:id/tweets").
std::optional<Family> FamilyByName(std::string_view name);
// "/1.1/search/tweets.json", "/2/users/2244994945/tweets", ...
std::optional<Family> FamilyByPath(std::string_view path);

// Requests per window for each family, indexed by static_cast<size_t>(Family).
class Limits {
 public:
  Limits();  // the app-only limits of the real service
  // The first families in enum order; the others keep their default.
  Limits(std::initializer_list<int> first);
  int& operator[](size_t family) { return values_[family]; }
  const int& operator[](size_t family) const { return values_[family]; }
  friend bool operator==(const Limits&, const Limits&) = default;

 private:
  std::array<int, kFamilyCount> values_;
};
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
  int64_t WindowMs(Family family) const;
  void Roll(Family family, Window& w, int64_t now_ms) const;
  Quota Report(Family family, const Window& w, int64_t now_ms) const;

  int64_t window_ms_;
  Limits limits_;
  Clock clock_;
  std::mutex mutex_;
  std::array<Window, kFamilyCount> windows_{};
};

}  // namespace wf::apisim
