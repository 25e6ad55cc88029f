#pragma once
// One run loop per process: timers, delayed performs, main-queue blocks,
// file-descriptor sources and end-of-turn observers (the compositor's commit)
// all run here, on one thread. Time comes from the loop's Clock.
//
// A turn fires what is due (in order of due time, then of scheduling), then
// runs the end-of-turn observers. With a virtual clock, `advance` moves time
// to each due item in turn, so everything due within the span fires in time
// order, including what firing schedules.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/Clock.h"
#include "foundation/Value.h"

namespace foundation {

class RunLoop;

// A repeating or one-shot timer. A repeating timer paused by moving its fire
// date to Date::distantFuture stays valid; Date::distantPast makes it fire at
// the next pass and then every interval.
class Timer {
 public:
  double interval() const { return interval_; }
  bool repeats() const { return repeats_; }
  double fireDate() const { return fireDate_; }
  void setFireDate(double date);
  bool isValid() const { return valid_; }
  void invalidate();
  void fire();  // runs the action now without changing the schedule

 private:
  friend class RunLoop;
  Timer(RunLoop* loop, double interval, bool repeats, std::function<void(Timer&)> action);
  RunLoop* loop_;
  double interval_;
  bool repeats_;
  double fireDate_;
  bool valid_ = true;
  std::function<void(Timer&)> action_;
};

// Cancels the scheduled item when reset or destroyed; moving keeps it.
class [[nodiscard]] SourceHandle {
 public:
  SourceHandle() = default;
  SourceHandle(SourceHandle&&) noexcept;
  SourceHandle& operator=(SourceHandle&&) noexcept;
  SourceHandle(const SourceHandle&) = delete;
  SourceHandle& operator=(const SourceHandle&) = delete;
  ~SourceHandle();
  void reset();

 private:
  friend class RunLoop;
  SourceHandle(RunLoop* loop, std::uint64_t id) : loop_(loop), id_(id) {}
  RunLoop* loop_ = nullptr;
  std::uint64_t id_ = 0;
};

class RunLoop {
 public:
  explicit RunLoop(std::shared_ptr<Clock> clock);
  ~RunLoop();
  RunLoop(const RunLoop&) = delete;
  RunLoop& operator=(const RunLoop&) = delete;

  // The process's main loop. Created on first use with a monotonic clock
  // unless useVirtualClock() ran first.
  static RunLoop& main();
  // Replaces the main loop by one on a fresh virtual clock (tests, previews);
  // everything scheduled on the old loop is dropped.
  static VirtualClock& useVirtualClock(double start = 0.0);

  Clock& clock() const { return *clock_; }
  double now() const { return clock_->now(); }

  // Timers stay alive while scheduled; the returned pointer may be kept.
  std::shared_ptr<Timer> scheduledTimer(double interval, bool repeats,
                                        std::function<void(Timer&)> action);

  // performSelector:withObject:afterDelay: — identified by (target, action,
  // argument) so that cancelPreviousPerformRequests can find it.
  void performAfter(double delay, const void* target, std::string action, Value argument,
                    std::function<void()> block);
  void cancelPreviousPerformRequests(const void* target, const std::string& action,
                                     const Value& argument);
  void cancelPreviousPerformRequests(const void* target);  // every action
  std::size_t pendingPerformCount(const void* target) const;

  // Main-queue blocks: at the next pass, or after a delay.
  void dispatchAsync(std::function<void()> block);
  void dispatchAfter(double delay, std::function<void()> block);

  // Called when fd becomes readable (real clock only; virtual loops never poll).
  SourceHandle addFileDescriptor(int fd, std::function<void()> onReadable);
  // Runs after every turn, in registration order (layout and commit).
  SourceHandle addTurnObserver(std::function<void()> observer);

  // Virtual clock: fire everything due up to now + seconds, in time order.
  void advance(double seconds);
  // One turn: fire what is due now, then the end-of-turn observers.
  void runOnce();
  // Real clock: run until stop(), sleeping until the next due item or fd.
  void run();
  // Runs for a span on either clock (virtual: advance).
  void runFor(double seconds);
  void stop();

  // Earliest due time of anything scheduled; Date::distantFuture if none.
  double nextDueTime() const;

 private:
  friend class Timer;
  friend class SourceHandle;
  struct Impl;
  std::unique_ptr<Impl> impl_;
  std::shared_ptr<Clock> clock_;
  void timerChanged(Timer* timer);
  void removeSource(std::uint64_t id);
};

}  // namespace foundation
