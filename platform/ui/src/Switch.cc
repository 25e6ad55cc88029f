#include "ui/Switch.h"

#include <cmath>

#include "ControlStyle.h"
#include "ui/TreeDump.h"

namespace ui {

namespace {
constexpr double kKnobInset = 2;
constexpr double kKnobDiameter = Switch::kHeight - 2 * kKnobInset;
// A drag longer than this decides the state by its direction.
constexpr double kDragDistance = 8;
}  // namespace

Switch::Switch(Rect frame) : Control(frame) {
  setFrame(frame);
  track_ = style::part("SwitchTrack");
  track_->setFrame(Rect(0, 0, kWidth, kHeight));
  track_->setCornerRadius(kHeight / 2);
  layer()->addSublayer(track_);
  knob_ = style::part("SwitchKnob");
  knob_->setBounds(Rect(0, 0, kKnobDiameter, kKnobDiameter));
  style::liftedPiece(*knob_, thumbTintColor().cgColor(), kKnobDiameter / 2);
  layer()->addSublayer(knob_);
  applyState(false);
}

void Switch::setFrame(const Rect& frame) { Control::setFrame(Rect(frame.origin, Size{kWidth, kHeight})); }
void Switch::setBounds(const Rect& bounds) { Control::setBounds(Rect(bounds.origin, Size{kWidth, kHeight})); }

void Switch::setOn(bool on, bool animated) {
  if (on_ == on) return;
  on_ = on;
  applyState(animated);
}

Color Switch::onTintColor() const { return onTint_ ? *onTint_ : style::systemGreen(); }
void Switch::setOnTintColor(std::optional<Color> color) {
  onTint_ = std::move(color);
  applyState(false);
}

Color Switch::thumbTintColor() const { return thumbTint_ ? *thumbTint_ : Color::whiteColor(); }
void Switch::setThumbTintColor(std::optional<Color> color) {
  thumbTint_ = std::move(color);
  if (knob_) knob_->setBackgroundColor(thumbTintColor().cgColor());
}

void Switch::applyState(bool animated) {
  if (!knob_) return;
  const double t = style::now();
  const Point knobFrom = knob_->presentationAt(t).position;
  const quartz::Color trackFrom = track_->presentationAt(t).backgroundColor;
  const double x = on_ ? kWidth - kKnobInset - kKnobDiameter / 2 : kKnobInset + kKnobDiameter / 2;
  knob_->setPosition({x, kHeight / 2});
  track_->setBackgroundColor((on_ ? onTintColor() : style::fill()).cgColor());
  if (animated) {
    style::animateFrom(*knob_, "position", knobFrom);
    style::animateFrom(*track_, "backgroundColor", trackFrom);
  } else {
    knob_->removeAnimationForKey("position");
    track_->removeAnimationForKey("backgroundColor");
  }
}

bool Switch::beginTracking(const Touch& touch) {
  trackStartX_ = touch.locationInView(this).x;
  dragged_ = false;
  return true;
}

bool Switch::continueTracking(const Touch& touch) {
  if (std::fabs(touch.locationInView(this).x - trackStartX_) > kDragDistance) dragged_ = true;
  return true;
}

void Switch::endTracking(const Touch& touch) {
  if (!isTouchInside()) return;
  const double dx = touch.locationInView(this).x - trackStartX_;
  const bool on = dragged_ ? dx > 0 : !on_;
  if (on == on_) return;
  setOn(on, true);
  sendActionsForControlEvents(ControlEvent::ValueChanged);
}

void Switch::cancelTracking() { dragged_ = false; }

void Switch::traitCollectionDidChange() {
  Control::traitCollectionDidChange();
  if (knob_) knob_->setBackgroundColor(thumbTintColor().cgColor());
  if (track_) track_->setBackgroundColor((on_ ? onTintColor() : style::fill()).cgColor());
}

void Switch::addDebugFields(DebugFields& fields) const {
  Control::addDebugFields(fields);
  fields.add("on", on_);
}

}  // namespace ui
