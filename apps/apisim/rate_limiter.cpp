#include "apisim/rate_limiter.h"

#include <chrono>

namespace wf::apisim {

namespace {

constexpr FamilyInfo kFamilies[kFamilyCount] = {
    {"search", "search/tweets", 450},         {"user_timeline", "statuses/user_timeline", 1500},
    {"followers_list", "followers/list", 15}, {"friends_list", "friends/list", 15},
    {"users_lookup", "users/lookup", 300},    {"followers_ids", "followers/ids", 15},
};

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
  for (size_t i = 0; i < kFamilyCount; ++i) {
    if (name == kFamilies[i].name || name == kFamilies[i].resource) return static_cast<Family>(i);
  }
  return std::nullopt;
}

std::optional<Family> FamilyByPath(std::string_view path) {
  constexpr std::string_view kPrefix = "/1.1/", kSuffix = ".json";
  if (path.size() <= kPrefix.size() + kSuffix.size() || path.substr(0, kPrefix.size()) != kPrefix ||
      path.substr(path.size() - kSuffix.size()) != kSuffix)
    return std::nullopt;
  const std::string_view resource =
      path.substr(kPrefix.size(), path.size() - kPrefix.size() - kSuffix.size());
  for (size_t i = 0; i < kFamilyCount; ++i)
    if (resource == kFamilies[i].resource) return static_cast<Family>(i);
  return std::nullopt;
}

Limits DefaultLimits() {
  Limits limits{};
  for (size_t i = 0; i < kFamilyCount; ++i) limits[i] = kFamilies[i].app_limit;
  return limits;
}

RateLimiter::RateLimiter(int64_t window_seconds, const Limits& limits, Clock clock)
    : window_ms_(window_seconds * 1000), limits_(limits), clock_(std::move(clock)) {
  if (!clock_) clock_ = WallMs;
  if (window_ms_ <= 0) window_ms_ = 1000;
}

void RateLimiter::Roll(Window& w, int64_t now_ms) const {
  if (w.start_ms < 0 || now_ms >= w.start_ms + window_ms_) {
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
  q.reset = (start + window_ms_ + 999) / 1000;
  return q;
}

bool RateLimiter::Spend(Family family, Quota& quota) {
  const int64_t now = clock_();
  std::lock_guard lock(mutex_);
  Window& w = windows_[static_cast<size_t>(family)];
  Roll(w, now);
  const bool allowed = w.used < limits_[static_cast<size_t>(family)];
  if (allowed) ++w.used;
  quota = Report(family, w, now);
  return allowed;
}

RateLimiter::Quota RateLimiter::Peek(Family family) {
  const int64_t now = clock_();
  std::lock_guard lock(mutex_);
  Window w = windows_[static_cast<size_t>(family)];
  if (w.start_ms >= 0 && now >= w.start_ms + window_ms_) w = Window{};
  return Report(family, w, now);
}

void RateLimiter::SetLimits(const Limits& limits) {
  std::lock_guard lock(mutex_);
  limits_ = limits;
}

}  // namespace wf::apisim
