#pragma once
// When to start a child program again after it ended (SpringBoard on the
// device, the bridge on a desktop). A kill or a crash of a process that had
// been running is answered at once, as the system does; a process that keeps
// dying right after it starts is started again with growing delays, so a
// broken build cannot keep the machine busy forking.

#include <algorithm>

namespace hostcommon {

class RestartPolicy {
 public:
  // A run at least this long counts as healthy and forgives earlier failures.
  static constexpr double kHealthyRun = 5.0;
  // Short runs in a row that are still restarted at once.
  static constexpr int kImmediateRestarts = 3;
  static constexpr double kFirstDelay = 0.5;
  static constexpr double kMaxDelay = 10.0;

  // Seconds to wait before the next start, given how long the run that just
  // ended lasted.
  double delayAfterRun(double seconds) {
    if (seconds >= kHealthyRun) {
      shortRuns_ = 0;
      return 0;
    }
    ++shortRuns_;
    if (shortRuns_ <= kImmediateRestarts) return 0;
    double delay = kFirstDelay;
    for (int i = kImmediateRestarts + 1; i < shortRuns_ && delay < kMaxDelay; ++i) delay *= 2;
    return std::min(delay, kMaxDelay);
  }

 private:
  int shortRuns_ = 0;
};

}  // namespace hostcommon
