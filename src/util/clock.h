#pragma once

#include <chrono>
#include <thread>

#include "util/date_time.h"

namespace wf {

// The time of day and the passing of time for the logic that waits on them (quota windows),
// so that tests can run a fifteen-minute wait in no time at all.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual CivilDateTime Now() = 0;  // local time
  virtual void Sleep(std::chrono::milliseconds step) = 0;
};

class SystemClock final : public Clock {
 public:
  CivilDateTime Now() override { return NowLocal(); }
  void Sleep(std::chrono::milliseconds step) override { std::this_thread::sleep_for(step); }
};

}  // namespace wf
