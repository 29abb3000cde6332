#pragma once

#include <chrono>

#include "util/ui_port.h"

namespace wf {

// Hands control to the event queue at most about every `interval`, however often Poll()
// is called, so hot loops can call it freely without slowing down.
class Yielder {
 public:
  using Clock = std::chrono::steady_clock;

  explicit Yielder(UiPort* ui, std::chrono::milliseconds interval = std::chrono::milliseconds(20))
      : ui_(ui), interval_(interval), next_(Clock::now() + interval) {}

  void Poll() {
    if (ui_ == nullptr) return;
    const auto now = Clock::now();
    if (now < next_) return;
    ui_->YieldToEvents();
    next_ = Clock::now() + interval_;
  }

  // Yields now regardless of the clock (end of a command, between requests).
  void Now() {
    if (ui_ == nullptr) return;
    ui_->YieldToEvents();
    next_ = Clock::now() + interval_;
  }

 private:
  UiPort* ui_;
  std::chrono::milliseconds interval_;
  Clock::time_point next_;
};

}  // namespace wf
