#pragma once
// Time source of a run loop, in seconds. Only the run loop and the clocks
// read time; no code reads the wall clock directly.

#include <limits>

namespace foundation {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual double now() const = 0;
  virtual bool isVirtual() const = 0;
};

// Steady time since process start.
class MonotonicClock final : public Clock {
 public:
  MonotonicClock();
  double now() const override;
  bool isVirtual() const override { return false; }

 private:
  double origin_;
};

// Time that moves only when told; RunLoop::advance drives it.
class VirtualClock final : public Clock {
 public:
  explicit VirtualClock(double start = 0.0) : now_(start) {}
  double now() const override { return now_; }
  bool isVirtual() const override { return true; }
  void set(double t) { now_ = t; }

 private:
  double now_;
};

// Fire dates that mean "at the next pass" and "never, until moved".
namespace Date {
inline constexpr double distantPast = -std::numeric_limits<double>::infinity();
inline constexpr double distantFuture = std::numeric_limits<double>::infinity();
}  // namespace Date

}  // namespace foundation
