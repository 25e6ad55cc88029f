#pragma once
// Explicit layer animations. An animation is a pure function of time: given
// the time t (seconds on the run loop's clock) and the layer's value without
// it (the base), valueAt says what the property shows, or nothing when the
// animation has no effect at t (before its begin without a backwards fill,
// after its end without a forwards fill).
//
// Timing model:
//  - beginTime 0 means "when committed": the commit stamps the layer's copy
//    with the commit time (which may itself be 0 on a fresh virtual clock;
//    isStamped tells the two apart). Any other beginTime is absolute
//    run-loop time.
//  - duration 0 means the default 0.25 s, as the platform does.
//  - One cycle lasts duration (twice that with autoreverses); the animation
//    is active for repeatCount cycles (0 = 1; fractions allowed;
//    kFloatMax or infinity = for ever).
//  - The timing function maps the fraction of each forward pass; no timing
//    function means linear.
//  - Key-frame key times are fractions of one pass. Before the first key time
//    the first value is held, after the last the last value is held.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "quartz/Color.h"
#include "quartz/Geometry.h"

namespace quartz {

using AnimationValue = std::variant<double, Point, Size, Rect, Transform3D, Color, std::vector<Color>>;

// Straight interpolation per value kind; Transform3D interpolates its
// decomposition (translation, scale, rotation by quaternion, perspective).
// Values of different kinds (or colour lists of different lengths) jump to
// `to` at fraction 0.5.
AnimationValue interpolate(const AnimationValue& from, const AnimationValue& to, double fraction);

// Cubic Bezier timing curve through (0,0), c1, c2, (1,1).
struct TimingFunction {
  double c1x = 0, c1y = 0, c2x = 1, c2y = 1;

  static TimingFunction linear() { return {0, 0, 1, 1}; }
  static TimingFunction easeIn() { return {0.42, 0, 1, 1}; }
  static TimingFunction easeOut() { return {0, 0, 0.58, 1}; }
  static TimingFunction easeInEaseOut() { return {0.42, 0, 0.58, 1}; }
  // The curve view animation blocks use unless told otherwise.
  static TimingFunction viewDefault() { return easeInEaseOut(); }
  double evaluate(double fraction) const;  // fraction clamped to 0..1
  bool operator==(const TimingFunction&) const = default;
};

enum class FillMode { Removed, Forwards, Backwards, Both };

// Base of every animation; copied when added to a layer, so changing an
// animation object after adding it changes nothing on the layer.
class Animation {
 public:
  virtual ~Animation() = default;
  virtual std::unique_ptr<Animation> clone() const = 0;

  const std::string& keyPath() const { return keyPath_; }
  void setKeyPath(std::string keyPath) { keyPath_ = std::move(keyPath); }

  double duration() const { return duration_; }
  void setDuration(double d) { duration_ = d; }
  double effectiveDuration() const { return duration_ > 0 ? duration_ : 0.25; }
  double repeatCount() const { return repeatCount_; }
  void setRepeatCount(double c) { repeatCount_ = c; }
  bool autoreverses() const { return autoreverses_; }
  void setAutoreverses(bool a) { autoreverses_ = a; }
  bool isRemovedOnCompletion() const { return removedOnCompletion_; }
  void setRemovedOnCompletion(bool r) { removedOnCompletion_ = r; }
  FillMode fillMode() const { return fillMode_; }
  void setFillMode(FillMode f) { fillMode_ = f; }
  double beginTime() const { return beginTime_; }
  void setBeginTime(double t) {
    beginTime_ = t;
    stamped_ = t != 0;
  }
  // Whether beginTime is a time, rather than "when committed".
  bool isStamped() const { return stamped_; }
  // The commit's stamp: begins at t, even when t is 0.
  void stampBeginTime(double t) {
    beginTime_ = t;
    stamped_ = true;
  }
  const std::optional<TimingFunction>& timingFunction() const { return timing_; }
  void setTimingFunction(std::optional<TimingFunction> f) { timing_ = f; }

  // Called once, on the run loop, when the animation stops: finished is true
  // when it ran to its end, false when it was removed or replaced first.
  using StopHandler = std::function<void(bool finished)>;
  const StopHandler& didStop() const { return didStop_; }
  void setDidStop(StopHandler h) { didStop_ = std::move(h); }

  // Length of the active span (all cycles); infinity for ever.
  double activeDuration() const;
  // beginTime + activeDuration (beginTime must be stamped).
  double endTime() const { return beginTime_ + activeDuration(); }
  bool isInfinite() const;
  // The interpolation fraction of one pass at time t, after autoreverse and
  // the timing function (0..1 for a standard curve); nullopt when the
  // animation has no effect at t.
  std::optional<double> progressAt(double t) const;
  // The value shown at t; `base` stands for missing from/to values.
  std::optional<AnimationValue> valueAt(double t, const AnimationValue& base) const;
  // Same, for animations whose values are all given (no base needed);
  // returns nullopt where a base would be needed.
  std::optional<AnimationValue> valueAt(double t) const;
  // Value at a pass fraction (timing already applied); base may be null.
  virtual std::optional<AnimationValue> valueAtFraction(double fraction, const AnimationValue* base) const = 0;

 protected:
  Animation() = default;
  Animation(const Animation&) = default;
  Animation& operator=(const Animation&) = default;

 private:
  std::string keyPath_;
  double duration_ = 0;
  double repeatCount_ = 0;
  bool autoreverses_ = false;
  bool removedOnCompletion_ = true;
  FillMode fillMode_ = FillMode::Removed;
  double beginTime_ = 0;
  bool stamped_ = false;
  std::optional<TimingFunction> timing_;
  StopHandler didStop_;
};

// From one value to another. A missing fromValue starts at the base value,
// a missing toValue ends at it.
class BasicAnimation final : public Animation {
 public:
  BasicAnimation() = default;
  explicit BasicAnimation(std::string keyPath) { setKeyPath(std::move(keyPath)); }
  static BasicAnimation animationWithKeyPath(std::string keyPath) { return BasicAnimation(std::move(keyPath)); }
  std::unique_ptr<Animation> clone() const override { return std::make_unique<BasicAnimation>(*this); }

  const std::optional<AnimationValue>& fromValue() const { return from_; }
  void setFromValue(std::optional<AnimationValue> v) { from_ = std::move(v); }
  const std::optional<AnimationValue>& toValue() const { return to_; }
  void setToValue(std::optional<AnimationValue> v) { to_ = std::move(v); }

  std::optional<AnimationValue> valueAtFraction(double fraction, const AnimationValue* base) const override;

 private:
  std::optional<AnimationValue> from_;
  std::optional<AnimationValue> to_;
};

enum class CalculationMode { Linear, Discrete };

// Through a list of values at key times (fractions of one pass, ascending,
// one per value; empty = evenly spaced). Linear: straight between neighbours;
// Discrete: each value holds until the next key time.
class KeyframeAnimation final : public Animation {
 public:
  KeyframeAnimation() = default;
  explicit KeyframeAnimation(std::string keyPath) { setKeyPath(std::move(keyPath)); }
  static KeyframeAnimation animationWithKeyPath(std::string keyPath) { return KeyframeAnimation(std::move(keyPath)); }
  std::unique_ptr<Animation> clone() const override { return std::make_unique<KeyframeAnimation>(*this); }

  const std::vector<AnimationValue>& values() const { return values_; }
  void setValues(std::vector<AnimationValue> v) { values_ = std::move(v); }
  const std::vector<double>& keyTimes() const { return keyTimes_; }
  void setKeyTimes(std::vector<double> k) { keyTimes_ = std::move(k); }
  CalculationMode calculationMode() const { return mode_; }
  void setCalculationMode(CalculationMode m) { mode_ = m; }
  // Per-segment curves (values.size() - 1 of them); empty = linear segments.
  const std::vector<TimingFunction>& timingFunctions() const { return segmentTiming_; }
  void setTimingFunctions(std::vector<TimingFunction> f) { segmentTiming_ = std::move(f); }

  std::optional<AnimationValue> valueAtFraction(double fraction, const AnimationValue* base) const override;

 private:
  std::vector<AnimationValue> values_;
  std::vector<double> keyTimes_;
  CalculationMode mode_ = CalculationMode::Linear;
  std::vector<TimingFunction> segmentTiming_;
};

}  // namespace quartz
