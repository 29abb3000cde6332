#include "apisim/faults.h"

#include <charconv>
#include <chrono>
#include <cmath>

#include "apisim/random.h"

namespace wf::apisim {

namespace {

bool ParseShare(std::string_view text, double& share) {
  bool percent = false;
  if (!text.empty() && text.back() == '%') {
    percent = true;
    text.remove_suffix(1);
  }
  double v = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return false;
  if (percent) v /= 100.0;
  if (!(v >= 0.0 && v <= 1.0)) return false;
  share = v;
  return true;
}

bool ParseCount(std::string_view text, int64_t most, int64_t& out) {
  int64_t v = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size() || v < 0 || v > most) return false;
  out = v;
  return true;
}

}  // namespace

bool ApplyFault(std::string_view name_value, FaultConfig& config, std::string* error) {
  auto fail = [&](const std::string& message) {
    if (error != nullptr) *error = message;
    return false;
  };
  const size_t eq = name_value.find('=');
  if (eq == std::string_view::npos) return fail("a fault is NAME=VALUE");
  const std::string_view name = name_value.substr(0, eq);
  const std::string_view value = name_value.substr(eq + 1);
  const std::string shown(name_value);

  double* share = nullptr;
  if (name == "drop") share = &config.drop;
  if (name == "cut") share = &config.cut;
  if (name == "truncate") share = &config.truncate;
  if (name == "status500") share = &config.status500;
  if (name == "status503") share = &config.status503;
  if (name == "noquota") share = &config.noquota;
  if (name == "stall") share = &config.stall;
  if (name == "malformed") share = &config.malformed;
  if (name == "partial") share = &config.partial;
  if (name == "deleted") share = &config.deleted;
  if (share != nullptr) {
    if (!ParseShare(value, *share)) return fail("bad share in " + shown + " (0..1 or N%)");
    return true;
  }
  int64_t n = 0;
  if (name == "latency") {
    if (!ParseCount(value, 600000, n)) return fail("bad milliseconds in " + shown);
    config.latency_ms = static_cast<int>(n);
    return true;
  }
  if (name == "stall_ms") {
    if (!ParseCount(value, 3600000, n)) return fail("bad milliseconds in " + shown);
    config.stall_ms = static_cast<int>(n);
    return true;
  }
  if (name == "oversize") {
    if (!ParseCount(value, 100000, n)) return fail("bad page size in " + shown);
    config.oversize = static_cast<uint32_t>(n);
    return true;
  }
  if (name == "token_type") {
    config.token_type = std::string(value);
    return true;
  }
  if (name == "forbid") {
    const auto family = FamilyByName(value);
    if (!family) return fail("unknown family in " + shown);
    config.forbid[static_cast<size_t>(*family)] = true;
    return true;
  }
  if (name == "usagecap") {
    if (value != "0" && value != "1") return fail("usagecap is 0 or 1 in " + shown);
    config.usagecap = value == "1";
    return true;
  }
  if (name == "scope") {
    const auto family = FamilyByName(value);
    if (!family) return fail("unknown family in " + shown);
    config.scope = family;
    return true;
  }
  return fail("unknown fault " + std::string(name));
}

bool ShareTakes(double share, uint64_t id, uint64_t salt) {
  if (share <= 0) return false;
  constexpr uint64_t kSteps = 1000000;
  return static_cast<double>(Hash(salt, id) % kSteps) < share * kSteps;
}

bool FaultPlan::UsageCapped(Family family) const {
  if (!config_.usagecap || Info(family).version != 2) return false;
  return !config_.scope || *config_.scope == family;
}

bool FaultPlan::Fires(size_t kind, double share) {
  if (share <= 0) return false;
  const uint64_t n = ++counters_[kind];
  return std::floor(static_cast<double>(n) * share) >
         std::floor(static_cast<double>(n - 1) * share);
}

FaultDecision FaultPlan::Next(Family family) {
  FaultDecision d;
  if (config_.scope && *config_.scope != family) return d;
  std::lock_guard lock(mutex_);
  d.drop = Fires(0, config_.drop);
  d.cut = Fires(1, config_.cut);
  d.truncate = Fires(2, config_.truncate);
  d.status500 = Fires(3, config_.status500);
  d.status503 = Fires(4, config_.status503);
  d.noquota = Fires(5, config_.noquota);
  d.stall = Fires(6, config_.stall);
  d.malformed = Fires(7, config_.malformed);
  return d;
}

bool FaultPlan::Stall() {
  std::unique_lock lock(mutex_);
  return !released_cv_.wait_for(lock, std::chrono::milliseconds(config_.stall_ms),
                                [this] { return released_; });
}

void FaultPlan::Release() {
  {
    std::lock_guard lock(mutex_);
    released_ = true;
  }
  released_cv_.notify_all();
}

}  // namespace wf::apisim
