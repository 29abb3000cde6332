#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "apisim/rate_limiter.h"

namespace wf::apisim {

// What can go wrong on purpose. Shares are fractions of the resource requests (0..1); they
// are spread evenly and deterministically (a share of 0.25 hits requests 4, 8, 12, ...), so
// tests see the same sequence every run.
struct FaultConfig {
  int latency_ms = 0;                 // before every answer, token requests included
  double drop = 0;                    // connection closed without an answer
  double cut = 0;                     // headers and half the body, then the connection is closed
  double truncate = 0;                // a complete answer whose body is cut in half
  double status500 = 0;               // 500 with Twitter's "Internal error" body
  double status503 = 0;               // 503 with "Over capacity"
  double noquota = 0;                 // a normal answer without the x-rate-limit-* headers
  double stall = 0;                   // the answer is held back for stall_ms
  int stall_ms = 60000;               // how long a stalled answer is held
  double malformed = 0;               // 200 whose body is an HTML page instead of JSON
  uint32_t oversize = 0;              // items per page regardless of count (0: off)
  std::string token_type = "bearer";  // token_type the token endpoint reports
  std::optional<Family> scope;        // share faults only for this family
  // Families the key's access level does not include: 403 (client-forbidden for v2, code 453
  // for v1.1) before anything else.
  std::array<bool, kFamilyCount> forbid{};
  bool usagecap = false;  // v2 requests: 429 UsageCapExceeded (only `scope` when it is set)
  double partial = 0;     // v2 user lookups: this share of the accounts reads as not found
  double deleted = 0;     // tweet lookups: this share of the known tweets reads as deleted
};

// Whether an account or a tweet is one that `partial` or `deleted` takes out. The choice
// depends on the id alone, so a retry, the other API version or a resumed run sees the same.
bool ShareTakes(double share, uint64_t id, uint64_t salt);
constexpr uint64_t kPartialSalt = 0x9a27;
constexpr uint64_t kDeletedSalt = 0xde1e;

// NAME=VALUE as given to --fault; false with a message when either part is wrong.
bool ApplyFault(std::string_view name_value, FaultConfig& config, std::string* error);

struct FaultDecision {
  bool drop = false, cut = false, truncate = false, status500 = false, status503 = false,
       noquota = false, stall = false, malformed = false;
};

class FaultPlan {
 public:
  explicit FaultPlan(const FaultConfig& config) : config_(config) {}
  const FaultConfig& config() const { return config_; }
  bool Forbidden(Family family) const { return config_.forbid[static_cast<size_t>(family)]; }
  bool UsageCapped(Family family) const;
  bool AccountMissing(uint64_t user_id) const {
    return ShareTakes(config_.partial, user_id, kPartialSalt);
  }
  bool TweetDeleted(uint64_t tweet_id) const {
    return ShareTakes(config_.deleted, tweet_id, kDeletedSalt);
  }
  // The faults for the next resource request of `family`.
  FaultDecision Next(Family family);
  // Holds a stalled answer for stall_ms, or until Release(); false when released early.
  bool Stall();
  // Ends every stall now and skips later ones (the server stops, or the faults change).
  void Release();

 private:
  bool Fires(size_t kind, double share);

  FaultConfig config_;
  std::mutex mutex_;
  std::array<uint64_t, 8> counters_{};
  std::condition_variable released_cv_;
  bool released_ = false;
};

}  // namespace wf::apisim
