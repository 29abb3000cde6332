#include "workflows/v2_paging.h"

#include <cstdio>

namespace wf {
namespace {

// A little inside the reach, so the request is not refused for starting a moment too early.
constexpr std::int64_t kReachMarginSeconds = 60;
// A threshold only this much beyond the reach (the default "7 days ago" of a slow start) is
// not worth a note.
constexpr std::int64_t kNoteBeyondSeconds = 3600;
constexpr std::size_t kMissingNamedAtMost = 20;

std::string IsoUtc(const CivilDateTime& t) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02dZ", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return buf;
}

}  // namespace

std::string V2SearchStartTime(RetrievalContext& ctx, const CivilDateTime& threshold,
                              bool full_archive, std::int64_t now_utc) {
  const std::int64_t earliest = now_utc - kRecentSearchReachSeconds + kReachMarginSeconds;
  if (full_archive || ToSerialSeconds(threshold) >= earliest) return IsoUtc(threshold);
  const CivilDateTime start = FromSerialSeconds(earliest);
  if (ToSerialSeconds(threshold) >= earliest - kNoteBeyondSeconds) return IsoUtc(start);
  ctx.AddLogLine("Recent search reaches back 7 days, to " + LogDateTime(start) +
                 " UTC; tweets back to " + LogDateTime(threshold) +
                 " need Full-Archive Search (v2)");
  return IsoUtc(start);
}

void LogV2Missing(RetrievalContext& ctx, const std::vector<std::string>& missing) {
  if (missing.empty()) return;
  std::string names;
  for (std::size_t i = 0; i < missing.size() && i < kMissingNamedAtMost; ++i) {
    names += (i == 0 ? "" : ", ") + missing[i];
  }
  if (missing.size() > kMissingNamedAtMost) names += ", ...";
  ctx.AddLogLine("Not returned (not found, suspended or deleted): " +
                 std::to_string(missing.size()) + " (" + names + ")");
}

bool StopForV2Refusal(RetrievalContext& ctx, const TwitterAPI& api) {
  const std::string& reason = api.StopReason();
  if (reason.empty()) return false;
  ctx.AddLogLine("Stopped: " + reason);
  ctx.SetStopRequested(true);
  if (ctx.Ui() != nullptr) {
    ctx.Ui()->MessageBox(reason, MsgButtons::Ok, MsgIcon::Exclamation, kAppTitle);
  }
  return true;
}

}  // namespace wf
