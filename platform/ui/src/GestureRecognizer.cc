#include "ui/GestureRecognizer.h"

#include <cmath>

#include "ui/Application.h"
#include "ui/View.h"

namespace ui {

namespace {
double distance(Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); }
}  // namespace

GestureRecognizer::GestureRecognizer(Action action) {
  if (action) actions_.push_back(std::move(action));
}

GestureRecognizer::~GestureRecognizer() = default;

void GestureRecognizer::addTarget(Action action) {
  if (action) actions_.push_back(std::move(action));
}

void GestureRecognizer::setEnabled(bool e) {
  if (enabled_ == e) return;
  enabled_ = e;
  if (!e && (state_ == GestureRecognizerState::Began || state_ == GestureRecognizerState::Changed)) {
    setState(GestureRecognizerState::Cancelled);
  }
}

Point GestureRecognizer::locationInView(const View* v) const { return touch_.locationInView(v); }

void GestureRecognizer::setState(GestureRecognizerState s) {
  state_ = s;
  history_.push_back(s);
  if (s != GestureRecognizerState::Possible && s != GestureRecognizerState::Failed) {
    std::vector<Action> actions = actions_;  // an action may add targets
    // Actions usually reach into their view; once it is gone (even by an
    // earlier action of this same change) they must not run.
    for (auto& a : actions) {
      if (view_ == nullptr) break;
      a(*this);
    }
  }
  Application& app = Application::shared();
  app.recognizerChanged(this);
  // Outside a touch sequence (a timer decided) the recogniser is ready again
  // at once; inside one, the application resets it when the finger lifts.
  const bool terminal = s == GestureRecognizerState::Ended || s == GestureRecognizerState::Cancelled ||
                        s == GestureRecognizerState::Failed;
  if (terminal && !app.isTracking(this)) reset();
}

void GestureRecognizer::reset() { state_ = GestureRecognizerState::Possible; }

void GestureRecognizer::touchesBegan(const Touch&) {}
void GestureRecognizer::touchesMoved(const Touch&) {}
void GestureRecognizer::touchesEnded(const Touch&) {}
void GestureRecognizer::touchesCancelled(const Touch&) {
  if (state_ == GestureRecognizerState::Began || state_ == GestureRecognizerState::Changed) {
    setState(GestureRecognizerState::Cancelled);
  } else if (state_ == GestureRecognizerState::Possible) {
    setState(GestureRecognizerState::Failed);
  }
}

// ---- Tap ----------------------------------------------------------------------------

TapGestureRecognizer::~TapGestureRecognizer() {
  if (pending_) pending_->invalidate();
}

void TapGestureRecognizer::touchesBegan(const Touch& touch) {
  if (state() != GestureRecognizerState::Possible) return;
  if (pending_) {
    pending_->invalidate();
    pending_.reset();
  }
  if (count_ == 0) {
    first_ = touch.screenLocation;
  } else if (distance(touch.screenLocation, first_) > 10) {
    setState(GestureRecognizerState::Failed);
  }
}

void TapGestureRecognizer::touchesMoved(const Touch& touch) {
  if (state() == GestureRecognizerState::Possible && distance(touch.screenLocation, first_) > 10) {
    setState(GestureRecognizerState::Failed);
  }
}

void TapGestureRecognizer::touchesEnded(const Touch&) {
  if (state() != GestureRecognizerState::Possible) return;
  ++count_;
  if (count_ >= taps_) {
    setState(GestureRecognizerState::Ended);
    return;
  }
  // Wait for the next tap; without one in time the gesture fails.
  pending_ = foundation::RunLoop::main().scheduledTimer(0.35, false, [this](foundation::Timer&) {
    pending_.reset();
    if (state() == GestureRecognizerState::Possible) setState(GestureRecognizerState::Failed);
  });
}

void TapGestureRecognizer::touchesCancelled(const Touch& touch) { GestureRecognizer::touchesCancelled(touch); }

void TapGestureRecognizer::reset() {
  GestureRecognizer::reset();
  count_ = 0;
  if (pending_) {
    pending_->invalidate();
    pending_.reset();
  }
}

// ---- Pan ----------------------------------------------------------------------------

void PanGestureRecognizer::touchesBegan(const Touch& touch) {
  if (state() != GestureRecognizerState::Possible) return;
  origin_ = touch.screenLocation;
  previousTimestamp_ = touch.timestamp;
}

void PanGestureRecognizer::touchesMoved(const Touch& touch) {
  const auto s = state();
  if (s == GestureRecognizerState::Possible) {
    if (distance(touch.screenLocation, touch.beganScreenLocation) > 10) setState(GestureRecognizerState::Began);
  } else if (s == GestureRecognizerState::Began || s == GestureRecognizerState::Changed) {
    setState(GestureRecognizerState::Changed);
  }
  previousTimestamp_ = touch.timestamp;
}

void PanGestureRecognizer::touchesEnded(const Touch&) {
  const auto s = state();
  if (s == GestureRecognizerState::Began || s == GestureRecognizerState::Changed) {
    setState(GestureRecognizerState::Ended);
  } else if (s == GestureRecognizerState::Possible) {
    setState(GestureRecognizerState::Failed);
  }
}

void PanGestureRecognizer::touchesCancelled(const Touch& touch) { GestureRecognizer::touchesCancelled(touch); }

Point PanGestureRecognizer::translationInView(const View* v) const {
  const Point now = lastTouch().locationInView(v);
  const Point start = v ? v->convertPointFromView(origin_, nullptr) : origin_;
  return {now.x - start.x, now.y - start.y};
}

void PanGestureRecognizer::setTranslation(Point translation, const View* v) {
  const Point now = lastTouch().locationInView(v);
  const Point start{now.x - translation.x, now.y - translation.y};
  origin_ = v ? v->convertPoint(start, nullptr) : start;
}

Point PanGestureRecognizer::velocityInView(const View* v) const {
  const Touch& t = lastTouch();
  const double dt = t.timestamp - previousTimestamp_;
  if (!(dt > 0)) return {};
  const Point a = t.previousLocationInView(v), b = t.locationInView(v);
  return {(b.x - a.x) / dt, (b.y - a.y) / dt};
}

void PanGestureRecognizer::reset() {
  GestureRecognizer::reset();
  origin_ = {};
}

// ---- Long press ---------------------------------------------------------------------

LongPressGestureRecognizer::~LongPressGestureRecognizer() {
  if (pending_) pending_->invalidate();
}

void LongPressGestureRecognizer::touchesBegan(const Touch&) {
  if (state() != GestureRecognizerState::Possible) return;
  if (pending_) pending_->invalidate();
  pending_ = foundation::RunLoop::main().scheduledTimer(minimumPressDuration_, false, [this](foundation::Timer&) {
    pending_.reset();
    if (state() == GestureRecognizerState::Possible) setState(GestureRecognizerState::Began);
  });
}

void LongPressGestureRecognizer::touchesMoved(const Touch& touch) {
  const auto s = state();
  if (s == GestureRecognizerState::Possible) {
    if (distance(touch.screenLocation, touch.beganScreenLocation) > allowableMovement_) {
      if (pending_) pending_->invalidate();
      pending_.reset();
      setState(GestureRecognizerState::Failed);
    }
  } else if (s == GestureRecognizerState::Began || s == GestureRecognizerState::Changed) {
    setState(GestureRecognizerState::Changed);
  }
}

void LongPressGestureRecognizer::touchesEnded(const Touch&) {
  const auto s = state();
  if (s == GestureRecognizerState::Began || s == GestureRecognizerState::Changed) {
    setState(GestureRecognizerState::Ended);
  } else if (s == GestureRecognizerState::Possible) {
    if (pending_) pending_->invalidate();
    pending_.reset();
    setState(GestureRecognizerState::Failed);
  }
}

void LongPressGestureRecognizer::touchesCancelled(const Touch& touch) {
  if (pending_) pending_->invalidate();
  pending_.reset();
  GestureRecognizer::touchesCancelled(touch);
}

void LongPressGestureRecognizer::reset() {
  GestureRecognizer::reset();
  if (pending_) pending_->invalidate();
  pending_.reset();
}

}  // namespace ui
