#pragma once
// One run loop per process: timers, delayed performs, main-queue blocks,
// file-descriptor sources and end-of-turn observers (the compositor's commit)
// all run here, on one thread. Time comes from the loop's Clock.
//
// A turn fires what is due (in order of due time, then of scheduling), then
// runs the end-of-turn observers. With a virtual clock, `advance` moves time
// to each due item in turn, so everything due within the span fires in time
// order, including what firing schedules.

#include <poll.h>

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
// the next pass and then every interval. After firing, a repeating timer's
// next fire date is its scheduled date plus the interval, skipping intervals
// already missed (never in the past), unless the action moved the date
// itself. A one-shot timer is invalidated after firing. The loop keeps a
// valid timer alive; invalidating drops the loop's reference and the action.
// Timers outliving their loop are invalid.
class Timer : public std::enable_shared_from_this<Timer> {
 public:
  double interval() const { return interval_; }
  bool repeats() const { return repeats_; }
  double fireDate() const { return fireDate_; }
  void setFireDate(double date);
  bool isValid() const { return valid_; }
  void invalidate();
  // How late the timer may fire so that the loop wakes once for it and for
  // other work due meanwhile (0 by default; negative or NaN counts as 0).
  // A waiting loop sleeps at most until fireDate + tolerance; a pass that
  // runs for other reasons fires it once its fire date has come. Repeats
  // stay counted from the fire date, so a late fire does not drift.
  double tolerance() const { return tolerance_; }
  void setTolerance(double seconds);
  // Runs the action now without changing the schedule of a repeating timer;
  // a one-shot timer is invalidated afterwards. Nothing when invalid.
  void fire();

 private:
  friend class RunLoop;
  Timer(RunLoop* loop, double interval, bool repeats, std::function<void(Timer&)> action);
  RunLoop* loop_;
  std::weak_ptr<void> loopAlive_;  // expires with the loop
  double interval_;
  bool repeats_;
  double fireDate_;
  bool valid_ = true;
  double tolerance_ = 0;
  std::function<void(Timer&)> action_;
  // Repeats are counted from an anchor so that fire dates do not drift:
  // the n-th fire date after the anchor is anchor + n * interval.
  double anchor_ = 0;
  double intervalsFromAnchor_ = 0;
  std::uint64_t generation_ = 0;  // bumped by every setFireDate
  int firing_ = 0;
  bool queued_ = false;
  double queuedDue_ = 0;
  std::uint64_t queuedSeq_ = 0;
};

// Cancels the scheduled item when reset or destroyed; moving keeps it. Safe to
// destroy inside the item's own callback.
class [[nodiscard]] SourceHandle {
 public:
  SourceHandle() = default;
  SourceHandle(SourceHandle&&) noexcept;
  SourceHandle& operator=(SourceHandle&&) noexcept;
  SourceHandle(const SourceHandle&) = delete;
  SourceHandle& operator=(const SourceHandle&) = delete;
  ~SourceHandle();
  void reset();
  // Whether it still stands for an item of a live loop (an item that removed
  // itself through reset, or whose loop was replaced, is not).
  bool isActive() const { return id_ != 0 && !loopAlive_.expired(); }

 private:
  friend class RunLoop;
  SourceHandle(RunLoop* loop, std::weak_ptr<void> alive, std::uint64_t id)
      : loop_(loop), loopAlive_(std::move(alive)), id_(id) {}
  RunLoop* loop_ = nullptr;
  std::weak_ptr<void> loopAlive_;  // a handle outliving its loop does nothing
  std::uint64_t id_ = 0;
};

// What a descriptor source wants from the loop's next wait. The loop asks
// before every wait, so a source (a bus library, say) can change its poll(2)
// events and its timeout each time: after a dispatch, or after other code
// queued output on it.
struct PollRequest {
  short events = POLLIN;
  // Seconds from now after which the source is dispatched (with no events)
  // even if its descriptor stays quiet; Date::distantFuture for none.
  double timeout = Date::distantFuture;
};

// A watched descriptor. `prepare` (optional: POLLIN, no timeout) runs before
// every wait and may do work first, such as draining a library's queue;
// `dispatch` runs with the returned events, or with none when the timeout
// passed. A descriptor that is closed behind the loop's back (poll reports
// POLLNVAL) would wake every wait for ever: the loop removes its source,
// logs a line and calls `dispatch` one last time with POLLNVAL so the owner
// learns of it. The loop sleeps in an epoll set, which does not see such a
// close, so it is found at the first wait after sources were added or
// removed, when the descriptor reports anything, or otherwise at the first
// wait a second after the loop last looked at every descriptor.
struct FileDescriptorSource {
  int fd = -1;
  std::function<PollRequest()> prepare;
  std::function<void(short revents)> dispatch;
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
  // Replaces the main loop by a fresh one on the monotonic clock (tests that
  // poll real descriptors after others used a virtual clock).
  static void useMonotonicClock();

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

  // Main-queue blocks: at the next pass, or after a delay. Anything scheduled
  // with a delay <= 0 runs at the next pass, never in the pass that is
  // running, so a block that schedules itself again cannot starve the loop.
  void dispatchAsync(std::function<void()> block);
  void dispatchAfter(double delay, std::function<void()> block);

  // Descriptor sources (real clock only; virtual loops never poll).
  SourceHandle addFileDescriptorSource(FileDescriptorSource source);
  // Called when fd becomes readable or hangs up; a closed fd is dropped
  // without calling it.
  SourceHandle addFileDescriptor(int fd, std::function<void()> onReadable);
  // Runs after every turn, in registration order (layout and commit).
  SourceHandle addTurnObserver(std::function<void()> observer);
  // Whether the calling code runs in a turn whose observers are still to
  // run (a timer, a performed block, a descriptor's callback): work the
  // observers do then needs no turn of its own.
  bool observersAhead() const;

  // Virtual clock: fire everything due up to now + seconds, in time order.
  // Each distinct due time is one turn: the clock is set to it, what is due
  // fires, then the end-of-turn observers run; the clock ends at now +
  // seconds (with a final turn there). Items due within a nanosecond past the
  // end count as due (fire dates are sums of binary fractions). Work that
  // reschedules itself with no delay cannot hold time still: after 100000
  // turns at one instant, time moves on to the next due item. On a real
  // clock this is runFor(seconds).
  void advance(double seconds);
  // One turn: fire what is due now, then the end-of-turn observers.
  void runOnce();
  // Real clock: run until stop(), sleeping until the next due item or fd;
  // returns when nothing is scheduled and no fd is watched. Virtual clock:
  // jump from due time to due time until stop() or nothing is scheduled.
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
  std::shared_ptr<Impl> impl_;  // handles and timers watch it through weak_ptrs
  std::shared_ptr<Clock> clock_;
  void timerChanged(Timer* timer);
  void removeSource(std::uint64_t id);
};

}  // namespace foundation
