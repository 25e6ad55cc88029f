#include "foundation/Clock.h"

#include <chrono>

namespace foundation {

namespace {
double steadySeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}
}  // namespace

MonotonicClock::MonotonicClock() : origin_(steadySeconds()) {}

double MonotonicClock::now() const { return steadySeconds() - origin_; }

}  // namespace foundation
