#pragma once

// Marks the window busy for one retrieval and puts the busy flag, the stop flag, the status
// timer and the pointer back when it ends, also when an exception leaves the retrieval.
// Private to the window's own source files.
#include "mainwindow/window_core.h"

namespace wf {

class RetrievalScope {
 public:
  // Lookups inside a command that may follow a stopped run keep its stop flag until they end.
  enum class StopAtStart { kClear, kKeep };

  explicit RetrievalScope(WindowCore& w, StopAtStart stop = StopAtStart::kClear)
      : w_(w), timer_was_(w.timer1_enabled) {
    w_.retrieval_busy = true;
    if (stop == StopAtStart::kClear) w_.stop_requested = false;
  }
  RetrievalScope(const RetrievalScope&) = delete;
  RetrievalScope& operator=(const RetrievalScope&) = delete;
  ~RetrievalScope() {
    if (ended_) return;
    End();
    // Unwinding: a view that throws now cannot be told anything more.
    try {
      w_.Notify(kControlsChanged);
    } catch (...) {
    }
  }

  // The hourglass until the retrieval ends.
  void ShowHourglass(Pointer pointer = Pointer::ArrowHourglass) {
    if (w_.env.ui != nullptr) w_.env.ui->SetPointer(pointer);
    hourglass_ = true;
  }

  // Puts the flags, the timer and the pointer back; the window says so itself afterwards.
  void End() {
    if (ended_) return;
    ended_ = true;
    if (hourglass_ && w_.env.ui != nullptr) w_.env.ui->SetPointer(Pointer::Default);
    w_.timer1_enabled = timer_was_;
    w_.stop_requested = false;
    w_.retrieval_busy = false;
  }

 private:
  WindowCore& w_;
  bool timer_was_;
  bool hourglass_ = false;
  bool ended_ = false;
};

}  // namespace wf
