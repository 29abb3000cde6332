#pragma once

// How a retrieval ended, as callers (the command line's exit status, the tests) decide on it
// rather than on the wording of the request log.
#include <string>

#include "api/twitter_api.h"

namespace wf {

enum class RetrievalEnd {
  Completed,           // the API had no more
  ThresholdReached,    // the tweets passed the threshold date
  Cancelled,           // the user stopped the run
  QuotaWaitCancelled,  // the user would not wait for the next quota window
  Failed,              // a request failed: `code` says how
  Refused,             // the API refused for good (v2 forbidden, usage cap): `reason`
};

struct RetrievalOutcome {
  RetrievalEnd end = RetrievalEnd::Completed;
  std::string code;      // the last response code
  std::string reason;    // why it was refused or failed, as the log says it
  int received = 0;      // statuses received
  int failed_parts = 0;  // in a walk over several users: how many of them failed

  bool Succeeded() const {
    return (end == RetrievalEnd::Completed || end == RetrievalEnd::ThresholdReached) &&
           failed_parts == 0;
  }
  bool CancelledByUser() const {
    return end == RetrievalEnd::Cancelled || end == RetrievalEnd::QuotaWaitCancelled;
  }
};

// The end of one paging loop. `request_failed`: the loop ended on a failed request.
inline RetrievalOutcome LoopOutcome(bool threshold_reached, const TwitterAPI& api,
                                    bool stop_requested, bool quota_wait_cancelled,
                                    bool request_failed) {
  RetrievalOutcome o;
  o.code = api.LastResponseCode();
  if (threshold_reached) {
    o.end = RetrievalEnd::ThresholdReached;
  } else if (!api.StopReason().empty()) {
    o.end = RetrievalEnd::Refused;
    o.reason = api.StopReason();
  } else if (quota_wait_cancelled) {
    o.end = RetrievalEnd::QuotaWaitCancelled;
  } else if (stop_requested) {
    o.end = RetrievalEnd::Cancelled;
  } else if (request_failed) {
    o.end = RetrievalEnd::Failed;
    o.reason = o.code;
  }
  return o;
}

// Folds the outcome of one user's run into that of the whole walk: a refusal or a cancel ends
// the walk and names it; failures are counted.
inline void FoldOutcome(RetrievalOutcome& walk, const RetrievalOutcome& one) {
  walk.received += one.received;
  walk.code = one.code;
  if (one.end == RetrievalEnd::Failed) {
    ++walk.failed_parts;
    if (walk.reason.empty()) walk.reason = one.reason;
  } else if (one.end != RetrievalEnd::Completed && one.end != RetrievalEnd::ThresholdReached) {
    walk.end = one.end;
    walk.reason = one.reason;
  }
}

}  // namespace wf
