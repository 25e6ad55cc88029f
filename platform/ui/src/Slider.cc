#include "ui/Slider.h"

#include <algorithm>
#include <cmath>

#include "ControlStyle.h"
#include "ui/TreeDump.h"

namespace ui {

namespace {
constexpr double kRadius = Slider::kThumbDiameter / 2;
constexpr double kNaturalHeight = 31;
}  // namespace

Slider::Slider(Rect frame) : Control(frame) {
  maxTrack_ = style::part("SliderMaximumTrack");
  minTrack_ = style::part("SliderMinimumTrack");
  thumb_ = style::part("SliderThumb");
  for (auto* track : {maxTrack_.get(), minTrack_.get()}) track->setCornerRadius(kTrackHeight / 2);
  style::liftedPiece(*thumb_, quartz::Color::white(), kRadius);
  thumb_->setBounds(Rect(0, 0, kThumbDiameter, kThumbDiameter));
  layer()->addSublayer(maxTrack_);
  layer()->addSublayer(minTrack_);
  layer()->addSublayer(thumb_);
  applyColors();
  updateLayers(false);
}

// ---- Values -------------------------------------------------------------------------

float Slider::clamped(float v) const {
  if (std::isnan(v)) return minimum_;
  return std::clamp(v, minimum_, maximum_);
}

void Slider::setValue(float value, bool animated) {
  const float v = clamped(value);
  if (v == value_) return;
  value_ = v;
  updateLayers(animated);
}

void Slider::setMinimumValue(float minimum) {
  if (std::isnan(minimum)) return;
  minimum_ = minimum;
  if (maximum_ < minimum_) maximum_ = minimum_;
  value_ = clamped(value_);
  updateLayers(false);
}

void Slider::setMaximumValue(float maximum) {
  if (std::isnan(maximum)) return;
  maximum_ = maximum;
  if (minimum_ > maximum_) minimum_ = maximum_;
  value_ = clamped(value_);
  updateLayers(false);
}

// ---- Colours ------------------------------------------------------------------------

Color Slider::minimumTrackTintColor() const { return minTint_ ? *minTint_ : style::systemBlue(); }
void Slider::setMinimumTrackTintColor(std::optional<Color> color) {
  minTint_ = std::move(color);
  applyColors();
}
Color Slider::maximumTrackTintColor() const { return maxTint_ ? *maxTint_ : style::fill(); }
void Slider::setMaximumTrackTintColor(std::optional<Color> color) {
  maxTint_ = std::move(color);
  applyColors();
}
Color Slider::thumbTintColor() const { return thumbTint_ ? *thumbTint_ : Color::whiteColor(); }
void Slider::setThumbTintColor(std::optional<Color> color) {
  thumbTint_ = std::move(color);
  applyColors();
}

void Slider::applyColors() {
  minTrack_->setBackgroundColor(minimumTrackTintColor().cgColor());
  maxTrack_->setBackgroundColor(maximumTrackTintColor().cgColor());
  thumb_->setBackgroundColor(thumbTintColor().cgColor());
}

void Slider::traitCollectionDidChange() {
  Control::traitCollectionDidChange();
  applyColors();
}

// ---- Geometry -----------------------------------------------------------------------

Rect Slider::trackRect() const {
  const Rect b = bounds();
  return Rect(b.x(), b.midY() - kTrackHeight / 2, b.width(), kTrackHeight);
}

Rect Slider::thumbRect() const {
  const Rect b = bounds();
  const double travel = std::max(0.0, b.width() - kThumbDiameter);
  const double span = static_cast<double>(maximum_) - minimum_;
  const double fraction = span > 0 ? (static_cast<double>(value_) - minimum_) / span : 0;
  const double cx = b.x() + kRadius + fraction * travel;
  return Rect(cx - kRadius, b.midY() - kRadius, kThumbDiameter, kThumbDiameter);
}

double Slider::valueForThumbCenter(double x) const {
  const Rect b = bounds();
  const double travel = b.width() - kThumbDiameter;
  if (!(travel > 0)) return minimum_;
  const double fraction = std::clamp((x - b.x() - kRadius) / travel, 0.0, 1.0);
  return minimum_ + fraction * (static_cast<double>(maximum_) - minimum_);
}

Size Slider::sizeThatFits(Size size) const { return {bounds().width() > 0 ? bounds().width() : size.width, kNaturalHeight}; }

void Slider::layoutSubviews() { updateLayers(false); }

void Slider::updateLayers(bool animated) {
  if (!thumb_) return;
  const double t = style::now();
  const quartz::LayerState thumbBefore = thumb_->presentationAt(t);
  const quartz::LayerState minBefore = minTrack_->presentationAt(t);
  const Rect track = trackRect();
  const Rect thumb = thumbRect();
  maxTrack_->setFrame(track);
  minTrack_->setFrame(Rect(track.x(), track.y(), std::max(0.0, thumb.midX() - track.x()), track.height()));
  thumb_->setPosition({thumb.midX(), thumb.midY()});
  if (animated) {
    style::animateFrom(*thumb_, "position", thumbBefore.position);
    style::animateFrom(*minTrack_, "position", minBefore.position);
    style::animateFrom(*minTrack_, "bounds", minBefore.bounds);
  } else {
    thumb_->removeAnimationForKey("position");
    minTrack_->removeAnimationForKey("position");
    minTrack_->removeAnimationForKey("bounds");
  }
}

// ---- Tracking -----------------------------------------------------------------------

bool Slider::beginTracking(const Touch& touch) {
  const Point p = touch.locationInView(this);
  const Rect grab = thumbRect().insetBy(-kGrabSlop, -kGrabSlop);
  if (!grab.contains(p)) return false;  // the track away from the thumb: no jump
  grabOffset_ = p.x - thumbRect().midX();
  valueAtGrab_ = value_;
  return true;
}

bool Slider::continueTracking(const Touch& touch) {
  setValue(static_cast<float>(valueForThumbCenter(touch.locationInView(this).x - grabOffset_)));
  if (continuous_) sendActionsForControlEvents(ControlEvent::ValueChanged);
  return true;
}

void Slider::endTracking(const Touch& touch) {
  const float before = value_;
  setValue(static_cast<float>(valueForThumbCenter(touch.locationInView(this).x - grabOffset_)));
  const bool changed = continuous_ ? value_ != before : value_ != valueAtGrab_;
  if (changed) sendActionsForControlEvents(ControlEvent::ValueChanged);
}

void Slider::cancelTracking() {}

void Slider::addDebugFields(DebugFields& fields) const {
  Control::addDebugFields(fields);
  fields.add("value", value_);
  fields.add("minimumValue", minimum_);
  fields.add("maximumValue", maximum_);
}

}  // namespace ui
