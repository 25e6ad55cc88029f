#pragma once
// The commit: at the end of every turn of the main run loop, pre-commit
// handlers run (the view system's layout and display passes), then every
// layer changed since the last commit copies its model into its committed
// state. Animations added since the last commit with beginTime 0 are stamped
// with the commit time; for each animation that ends (finite, stop handler or
// removedOnCompletion) a run-loop item is scheduled at its end time that
// removes it when removedOnCompletion and runs its stop handler, so a virtual
// clock's advance fires them in time order.
//
// The end-of-turn observer is registered lazily on RunLoop::main() whenever a
// layer changes, and again after RunLoop::useVirtualClock replaced the loop.

#include <cstdint>
#include <functional>

namespace quartz {

class Transaction {
 public:
  // Runs the pre-commit handlers and commits now (tools, snapshots, tests).
  static void flush();
  // Run-loop time of the last commit; -infinity before the first.
  static double lastCommitTime();
  // Number of commits that changed at least one layer.
  static std::uint64_t commitCount();
  // Registered once per process by higher layers (the view system); run in
  // registration order before each commit, repeatedly while they leave work
  // (a layout may dirty other views).
  static void addPreCommitHandler(std::function<void()> handler);
  // Makes sure a commit runs at the end of the current turn (called by every
  // layer change; higher layers call it when they have pending layout).
  static void scheduleCommit();
};

}  // namespace quartz
