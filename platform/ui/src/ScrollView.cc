#include "ui/ScrollView.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>
#include <vector>

#include "ControlStyle.h"
#include "ui/TreeDump.h"

namespace ui {

namespace {

constexpr double kSlop = 10;                 // points before a drag begins
constexpr double kVelocityWindow = 0.1;      // seconds of moves that make the release velocity
constexpr double kRubberBand = 0.55;         // resistance past an edge
constexpr double kBounceRate = 10;           // 1/s: the critically damped spring at an edge
constexpr double kRestDistance = 0.5;        // points: closer than this is at rest
constexpr double kMaxMotion = 6;             // seconds: no release animation runs longer
constexpr double kKeyframesPerSecond = 60;
constexpr double kAnimatedOffsetDuration = 0.3;
const char* const kScrollKey = "scroll";

// How far content shows past an edge when the finger pulls `overshoot`
// points past it, and the inverse (to continue a drag that starts beyond
// an edge without a jump).
double rubberBand(double overshoot, double dimension) {
  if (!(dimension > 0)) return 0;
  return (1 - 1 / (overshoot * kRubberBand / dimension + 1)) * dimension;
}
double unRubberBand(double shown, double dimension) {
  if (!(dimension > 0)) return shown;
  const double f = std::min(shown / dimension, 0.99);
  return dimension / kRubberBand * (1 / (1 - f) - 1);
}

// The first time from 0 in steps of 1/120 s at which |f| stays below the
// rest distance (f decays after its peak), capped.
double settleTime(const std::function<double(double)>& f, double peak) {
  for (double t = peak; t < kMaxMotion; t += 1.0 / 120)
    if (std::fabs(f(t)) < kRestDistance) return t;
  return kMaxMotion;
}

// One axis after the finger lifts: where it rests and the way there.
struct AxisMotion {
  double rest = 0;
  double duration = 0;
  std::function<double(double)> at;  // position at t in [0, duration]
};

AxisMotion still(double p) { return {p, 0, [p](double) { return p; }}; }

// A critically damped spring that starts at the edge with velocity v.
AxisMotion bounceFromEdge(double edge, double v, double t0, std::function<double(double)> before) {
  const double w = kBounceRate;
  auto away = [v, w](double tau) { return v * tau * std::exp(-w * tau); };
  const double tail = settleTime(away, 1 / w);
  AxisMotion m;
  m.rest = edge;
  m.duration = t0 + tail;
  m.at = [=](double t) { return t < t0 ? before(t) : edge + away(t - t0); };
  return m;
}

// Released `start` with velocity v (points per second, content direction)
// between lo and hi; `rate` is the velocity kept per millisecond.
AxisMotion motionAfterRelease(double start, double v, double lo, double hi, double rate, bool bounces) {
  if (start < lo || start > hi) {
    // Pulled past an edge: spring back to it.
    const double edge = std::clamp(start, lo, hi);
    const double d0 = start - edge, w = kBounceRate + 2;
    auto off = [d0, w](double t) { return d0 * (1 + w * t) * std::exp(-w * t); };
    AxisMotion m;
    m.rest = edge;
    m.duration = settleTime(off, 0);
    m.at = [edge, off](double t) { return edge + off(t); };
    return m;
  }
  const double lambda = 1000 * std::log(std::clamp(rate, 0.5, 0.9999));
  const double total = -v / lambda;  // the distance the decay covers
  if (std::fabs(total) < kRestDistance) return still(start);
  auto decay = [start, total, lambda](double t) { return start + total * (1 - std::exp(lambda * t)); };
  const double end = start + total;
  if (end >= lo && end <= hi) {
    AxisMotion m;
    m.rest = end;
    m.duration = std::log(kRestDistance / std::fabs(total)) / lambda;
    m.at = decay;
    return m;
  }
  // Reaches an edge on the way: stop there, or bounce off it.
  const double edge = end < lo ? lo : hi;
  const double hit = std::log(1 - (edge - start) / total) / lambda;
  const double vHit = v * std::exp(lambda * hit);
  if (!bounces) {
    AxisMotion m;
    m.rest = edge;
    m.duration = hit;
    m.at = [decay, hit, edge](double t) { return t < hit ? decay(t) : edge; };
    return m;
  }
  return bounceFromEdge(edge, vHit, hit, decay);
}

}  // namespace

// ---- The drag recogniser ----------------------------------------------------------------

// A pan that begins only along an axis the scroll view scrolls, and keeps
// the recent finger positions for the release velocity.
class ScrollPanGestureRecognizer : public PanGestureRecognizer {
 public:
  using PanGestureRecognizer::PanGestureRecognizer;
  std::string className() const override { return "ScrollPanGestureRecognizer"; }

  void touchesBegan(const Touch& touch) override {
    samples_.clear();
    samples_.emplace_back(touch.timestamp, touch.screenLocation);
    // A finger landing on moving content stops it where it is shown.
    if (auto* scroll = dynamic_cast<ScrollView*>(view()); scroll && scroll->isDecelerating()) {
      scroll->stopScrollAnimation();
    }
    PanGestureRecognizer::touchesBegan(touch);
  }

  void touchesMoved(const Touch& touch) override {
    samples_.emplace_back(touch.timestamp, touch.screenLocation);
    auto* scroll = dynamic_cast<ScrollView*>(view());
    if (state() == GestureRecognizerState::Possible && scroll != nullptr) {
      const Point a = scroll->convertPointFromView(touch.beganScreenLocation, nullptr);
      const Point b = scroll->convertPointFromView(touch.screenLocation, nullptr);
      const double dx = b.x - a.x, dy = b.y - a.y;
      if (std::hypot(dx, dy) <= kSlop) return;
      const bool vertical = std::fabs(dy) >= std::fabs(dx);
      const bool allowed =
          scroll->isScrollEnabled() && (vertical ? scroll->scrollsVertically() : scroll->scrollsHorizontally());
      if (!allowed) {
        setState(GestureRecognizerState::Failed);
        return;
      }
    }
    PanGestureRecognizer::touchesMoved(touch);
  }

  void touchesEnded(const Touch& touch) override {
    samples_.emplace_back(touch.timestamp, touch.screenLocation);
    PanGestureRecognizer::touchesEnded(touch);
  }

  // Finger velocity over the last kVelocityWindow seconds, in v's space.
  Point releaseVelocity(const View* v) const {
    if (samples_.size() < 2) return {};
    const auto& last = samples_.back();
    auto first = samples_.end() - 1;
    while (first != samples_.begin() && last.first - (first - 1)->first <= kVelocityWindow) --first;
    const double dt = last.first - first->first;
    if (!(dt > 0)) return {};
    const Point a = v->convertPointFromView(first->second, nullptr);
    const Point b = v->convertPointFromView(last.second, nullptr);
    return {(b.x - a.x) / dt, (b.y - a.y) / dt};
  }

 protected:
  void reset() override {
    PanGestureRecognizer::reset();
    samples_.clear();
  }

 private:
  std::vector<std::pair<double, Point>> samples_;
};

// ---- Scroll view ------------------------------------------------------------------------

ScrollView::ScrollView(Rect frame) : View(frame) {
  setClipsToBounds(true);
  pan_ = std::make_shared<ScrollPanGestureRecognizer>([](GestureRecognizer& r) {
    // The recogniser outlives its view only while a touch is in flight; it
    // forgets the view when the view goes.
    if (auto* scroll = dynamic_cast<ScrollView*>(r.view())) scroll->panned(r);
  });
  addGestureRecognizer(pan_);
}

ScrollView::~ScrollView() = default;

template <class F>
void ScrollView::tellDelegate(F&& call) {
  if (delegate_ == nullptr) return;
  std::shared_ptr<const void> pinned = delegateLife_.lock();
  if (!pinned) return;
  call(*delegate_);
}

ScrollViewDelegate* ScrollView::delegate() const { return delegateLife_.expired() ? nullptr : delegate_; }

void ScrollView::setDelegate(std::weak_ptr<ScrollViewDelegate> delegate) {
  ScrollViewDelegate* raw = delegate.lock().get();
  setDelegate(std::weak_ptr<const void>(delegate), raw);
}

void ScrollView::setDelegate(std::weak_ptr<const void> life, ScrollViewDelegate* delegate) {
  delegateLife_ = std::move(life);
  delegate_ = delegate;
}

void ScrollView::setContentSize(Size size) { contentSize_ = size; }

Point ScrollView::maximumContentOffset() const {
  const Size b = bounds().size;
  return {std::max(0.0, contentSize_.width - b.width), std::max(0.0, contentSize_.height - b.height)};
}

bool ScrollView::scrollsVertically() const {
  return contentSize_.height > bounds().height() || (alwaysBounceVertical_ && bounces_);
}

bool ScrollView::scrollsHorizontally() const {
  return contentSize_.width > bounds().width() || (alwaysBounceHorizontal_ && bounces_);
}

void ScrollView::setScrollEnabled(bool e) {
  scrollEnabled_ = e;
  pan_->setEnabled(e);
}

Point ScrollView::presentationContentOffset() const { return layer()->presentationAt(style::now()).bounds.origin; }

bool ScrollView::isDecelerating() const {
  return layer()->animationForKey(kScrollKey) != nullptr && style::now() < animationEnd_;
}

void ScrollView::setOffsetAndNotify(Point offset) {
  if (offset == contentOffset()) return;
  setBounds(Rect(offset, bounds().size));
  tellDelegate([this](ScrollViewDelegate& d) { d.scrollViewDidScroll(*this); });
}

void ScrollView::stopScrollAnimation() {
  if (layer()->animationForKey(kScrollKey) == nullptr) return;
  const Point shown = presentationContentOffset();
  animationEnd_ = -1;
  layer()->removeAnimationForKey(kScrollKey);
  setOffsetAndNotify(shown);
}

void ScrollView::setContentOffset(Point offset, bool animated) {
  stopScrollAnimation();
  const Point from = contentOffset();
  setOffsetAndNotify(offset);
  if (!animated || from == offset) return;
  quartz::BasicAnimation animation("bounds.origin");
  animation.setFromValue(from);
  animation.setDuration(kAnimatedOffsetDuration);
  animation.setTimingFunction(quartz::TimingFunction::easeInEaseOut());
  std::weak_ptr<View> weak = weak_from_this();
  animation.setDidStop([weak](bool finished) {
    auto self = std::static_pointer_cast<ScrollView>(weak.lock());
    if (!self || !finished) return;
    self->tellDelegate([&](ScrollViewDelegate& d) { d.scrollViewDidEndScrollingAnimation(*self); });
  });
  layer()->addAnimation(animation, kScrollKey);
  animationEnd_ = style::now() + kAnimatedOffsetDuration;
}

void ScrollView::panned(GestureRecognizer& recognizer) {
  auto& pan = static_cast<ScrollPanGestureRecognizer&>(recognizer);
  const Point limit = maximumContentOffset();
  const Size size = bounds().size;
  switch (recognizer.state()) {
    case GestureRecognizerState::Began: {
      stopScrollAnimation();
      dragging_ = true;
      // Start from the finger's equivalent of where the content shows, so
      // a drag caught past an edge continues without a jump.
      Point start = contentOffset();
      if (start.x < 0) start.x = -unRubberBand(-start.x, size.width);
      if (start.x > limit.x) start.x = limit.x + unRubberBand(start.x - limit.x, size.width);
      if (start.y < 0) start.y = -unRubberBand(-start.y, size.height);
      if (start.y > limit.y) start.y = limit.y + unRubberBand(start.y - limit.y, size.height);
      dragStartOffset_ = start;
      pan.setTranslation({0, 0}, this);
      tellDelegate([this](ScrollViewDelegate& d) { d.scrollViewWillBeginDragging(*this); });
      break;
    }
    case GestureRecognizerState::Changed: {
      const Point t = pan.translationInView(this);
      auto follow = [this](double startValue, double moved, double hi, double dimension) {
        const double raw = startValue - moved;
        if (raw < 0) return bounces_ ? -rubberBand(-raw, dimension) : 0.0;
        if (raw > hi) return bounces_ ? hi + rubberBand(raw - hi, dimension) : hi;
        return raw;
      };
      const Point offset = contentOffset();
      setOffsetAndNotify({scrollsHorizontally() ? follow(dragStartOffset_.x, t.x, limit.x, size.width) : offset.x,
                          scrollsVertically() ? follow(dragStartOffset_.y, t.y, limit.y, size.height) : offset.y});
      break;
    }
    case GestureRecognizerState::Ended: {
      const Point finger = pan.releaseVelocity(this);
      release({scrollsHorizontally() ? -finger.x : 0, scrollsVertically() ? -finger.y : 0});
      break;
    }
    case GestureRecognizerState::Cancelled: release({0, 0}); break;
    default: break;
  }
}

void ScrollView::release(Point velocity) {
  dragging_ = false;
  const Point start = contentOffset();
  const Point limit = maximumContentOffset();
  const AxisMotion mx = scrollsHorizontally()
                            ? motionAfterRelease(start.x, velocity.x, 0, limit.x, decelerationRate_, bounces_)
                            : still(start.x);
  const AxisMotion my = scrollsVertically()
                            ? motionAfterRelease(start.y, velocity.y, 0, limit.y, decelerationRate_, bounces_)
                            : still(start.y);
  const double duration = std::max(mx.duration, my.duration);
  const bool willDecelerate = duration > 0;
  tellDelegate([&](ScrollViewDelegate& d) { d.scrollViewDidEndDragging(*this, willDecelerate); });
  const Point rest{mx.rest, my.rest};
  if (!willDecelerate) {
    setOffsetAndNotify(rest);
    return;
  }
  // The whole way as key frames of the bounds origin: the compositor plays
  // it, nothing runs per frame.
  const int steps = std::clamp(static_cast<int>(std::ceil(duration * kKeyframesPerSecond)), 2, 600);
  std::vector<quartz::AnimationValue> values;
  std::vector<double> times;
  values.reserve(static_cast<std::size_t>(steps) + 1);
  times.reserve(static_cast<std::size_t>(steps) + 1);
  for (int k = 0; k <= steps; ++k) {
    const double t = duration * k / steps;
    values.emplace_back(k == steps ? rest : Point{mx.at(std::min(t, mx.duration)), my.at(std::min(t, my.duration))});
    times.push_back(static_cast<double>(k) / steps);
  }
  quartz::KeyframeAnimation animation("bounds.origin");
  animation.setValues(std::move(values));
  animation.setKeyTimes(std::move(times));
  animation.setDuration(duration);
  std::weak_ptr<View> weak = weak_from_this();
  animation.setDidStop([weak](bool finished) {
    auto self = std::static_pointer_cast<ScrollView>(weak.lock());
    if (!self || !finished) return;
    self->tellDelegate([&](ScrollViewDelegate& d) { d.scrollViewDidEndDecelerating(*self); });
  });
  setOffsetAndNotify(rest);
  layer()->addAnimation(animation, kScrollKey);
  animationEnd_ = style::now() + duration;
}

View* ScrollView::hitTest(Point p) {
  View* hit = View::hitTest(p);
  // While content moves the model is already at rest elsewhere: a touch
  // then belongs to the scroll view (which stops the motion), not to
  // whatever the model has under the finger.
  if (hit != nullptr && isDecelerating()) return this;
  return hit;
}

void ScrollView::addDebugFields(DebugFields& fields) const {
  View::addDebugFields(fields);
  fields.add("contentSize", contentSize_);
  fields.add("contentOffset", contentOffset());
}

}  // namespace ui
