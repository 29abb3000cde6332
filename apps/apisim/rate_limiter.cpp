#include "apisim/rate_limiter.h"

#include <chrono>

namespace wf::apisim {

namespace {

constexpr FamilyInfo kFamilies[kFamilyCount] = {
    {"search", "search/tweets", 450, 1, 0},
    {"user_timeline", "statuses/user_timeline", 1500, 1, 0},
    {"followers_list", "followers/list", 15, 1, 0},
    {"friends_list", "friends/list", 15, 1, 0},
    {"users_lookup", "users/lookup", 300, 1, 0},
    {"followers_ids", "followers/ids", 15, 1, 0},
    {"statuses_lookup", "statuses/lookup", 300, 1, 0},
    {"search_recent", "tweets/search/recent", 450, 2, 0},
    {"search_all", "tweets/search/all", 300, 2, 0},
    {"users_tweets", "users/:id/tweets", 1500, 2, 0},
    {"users_by", "users/by", 300, 2, 0},
    {"user_by_username", "users/by/username/:username", 300, 2, 0},
    {"users_ids", "users", 300, 2, 0},
    {"users_followers", "users/:id/followers", 15, 2, 0},
    {"users_following", "users/:id/following", 15, 2, 0},
    {"tweets_lookup", "tweets", 300, 2, 0},
    {"search_all_per_second", "", 1, 2, 1},
};

// One path segment of a v2 resource: ":id" and ":username" stand for any non-empty segment.
bool SegmentMatches(std::string_view pattern, std::string_view segment) {
  if (!pattern.empty() && pattern.front() == ':') return !segment.empty();
  return pattern == segment;
}

bool ResourceMatches(std::string_view pattern, std::string_view path) {
  while (true) {
    const size_t p = pattern.find('/'), s = path.find('/');
    if (!SegmentMatches(pattern.substr(0, p), path.substr(0, s))) return false;
    if (p == std::string_view::npos || s == std::string_view::npos)
      return p == std::string_view::npos && s == std::string_view::npos;
    pattern.remove_prefix(p + 1);
    path.remove_prefix(s + 1);
  }
}

int64_t WallMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

const FamilyInfo& Info(Family family) {
  return kFamilies[static_cast<size_t>(family)];
}

std::optional<Family> FamilyByName(std::string_view name) {
  // v2 resources go by "2/..." so that "tweets" or "users" alone names nothing.
  const bool v2 = name.substr(0, 2) == "2/";
  const std::string_view resource = v2 ? name.substr(2) : name;
  for (size_t i = 0; i < kFamilyCount; ++i) {
    const FamilyInfo& f = kFamilies[i];
    if (name == f.name || (!resource.empty() && resource == f.resource && (f.version == 2) == v2))
      return static_cast<Family>(i);
  }
  return std::nullopt;
}

std::optional<Family> FamilyByPath(std::string_view path) {
  constexpr std::string_view kV2 = "/2/";
  if (path.substr(0, kV2.size()) == kV2) {
    const std::string_view resource = path.substr(kV2.size());
    for (size_t i = 0; i < kFamilyCount; ++i) {
      if (kFamilies[i].version == 2 && !kFamilies[i].resource.empty() &&
          ResourceMatches(kFamilies[i].resource, resource))
        return static_cast<Family>(i);
    }
    return std::nullopt;
  }
  constexpr std::string_view kPrefix = "/1.1/", kSuffix = ".json";
  if (path.size() <= kPrefix.size() + kSuffix.size() || path.substr(0, kPrefix.size()) != kPrefix ||
      path.substr(path.size() - kSuffix.size()) != kSuffix)
    return std::nullopt;
  const std::string_view resource =
      path.substr(kPrefix.size(), path.size() - kPrefix.size() - kSuffix.size());
  for (size_t i = 0; i < kFamilyCount; ++i)
    if (kFamilies[i].version == 1 && resource == kFamilies[i].resource)
      return static_cast<Family>(i);
  return std::nullopt;
}

Limits::Limits() {
  for (size_t i = 0; i < kFamilyCount; ++i) values_[i] = kFamilies[i].app_limit;
}

Limits::Limits(std::initializer_list<int> first) : Limits() {
  size_t i = 0;
  for (const int v : first)
    if (i < kFamilyCount) values_[i++] = v;
}

Limits DefaultLimits() {
  return Limits();
}

RateLimiter::RateLimiter(int64_t window_seconds, const Limits& limits, Clock clock)
    : window_ms_(window_seconds * 1000), limits_(limits), clock_(std::move(clock)) {
  if (!clock_) clock_ = WallMs;
  if (window_ms_ <= 0) window_ms_ = 1000;
}

int64_t RateLimiter::WindowMs(Family family) const {
  const int seconds = Info(family).window_seconds;
  return seconds > 0 ? int64_t{seconds} * 1000 : window_ms_;
}

void RateLimiter::Roll(Family family, Window& w, int64_t now_ms) const {
  if (w.start_ms < 0 || now_ms >= w.start_ms + WindowMs(family)) {
    w.start_ms = now_ms;
    w.used = 0;
  }
}

RateLimiter::Quota RateLimiter::Report(Family family, const Window& w, int64_t now_ms) const {
  Quota q;
  q.limit = limits_[static_cast<size_t>(family)];
  q.remaining = q.limit - w.used;
  if (q.remaining < 0) q.remaining = 0;
  const int64_t start = w.start_ms < 0 ? now_ms : w.start_ms;
  q.reset = (start + WindowMs(family) + 999) / 1000;
  return q;
}

bool RateLimiter::Spend(Family family, Quota& quota) {
  const int64_t now = clock_();
  std::lock_guard lock(mutex_);
  Window& w = windows_[static_cast<size_t>(family)];
  Roll(family, w, now);
  const bool allowed = w.used < limits_[static_cast<size_t>(family)];
  if (allowed) ++w.used;
  quota = Report(family, w, now);
  return allowed;
}

RateLimiter::Quota RateLimiter::Peek(Family family) {
  const int64_t now = clock_();
  std::lock_guard lock(mutex_);
  Window w = windows_[static_cast<size_t>(family)];
  if (w.start_ms >= 0 && now >= w.start_ms + WindowMs(family)) w = Window{};
  return Report(family, w, now);
}

void RateLimiter::SetLimits(const Limits& limits) {
  std::lock_guard lock(mutex_);
  limits_ = limits;
}

}  // namespace wf::apisim
