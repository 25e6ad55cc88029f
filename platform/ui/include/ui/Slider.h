#pragma once
// A horizontal slider: a thin rounded track, tinted on the minimum side,
// and a round white thumb. The value always lies in [minimumValue,
// maximumValue]: a value set outside shows (and reads back) clamped, and
// moving either end re-clamps it; raising the minimum above the maximum
// raises the maximum too, and the other way round, as the platform does.
//
// Only the thumb is grabbed (its circle grown by a few points of slop);
// touching the track elsewhere does nothing, so the value never jumps. While
// the thumb is dragged, a continuous slider sends ValueChanged on every move
// (with the clamped value, also when the finger is past an end); a
// non-continuous one sends it once on release when the value changed.
// setValue from code sends nothing.
//
// The thumb travels so that it stays inside the bounds: its centre goes
// from thumbRadius to width - thumbRadius. The track and thumb are drawn
// centred vertically in the bounds whatever the height; the platform's
// natural height is 31.

#include <optional>

#include "ui/Control.h"

namespace ui {

class Slider : public Control {
 public:
  static constexpr double kThumbDiameter = 28;
  static constexpr double kTrackHeight = 4;
  static constexpr double kGrabSlop = 8;  // points around the thumb that still grab it

  explicit Slider(Rect frame = {});
  std::string className() const override { return "Slider"; }

  float value() const { return value_; }
  void setValue(float value, bool animated = false);
  float minimumValue() const { return minimum_; }
  void setMinimumValue(float minimum);
  float maximumValue() const { return maximum_; }
  void setMaximumValue(float maximum);
  bool isContinuous() const { return continuous_; }
  void setContinuous(bool continuous) { continuous_ = continuous; }

  // Minimum side of the track (default: the platform's blue), maximum side
  // (default: light grey) and thumb (default white).
  Color minimumTrackTintColor() const;
  void setMinimumTrackTintColor(std::optional<Color> color);
  Color maximumTrackTintColor() const;
  void setMaximumTrackTintColor(std::optional<Color> color);
  Color thumbTintColor() const;
  void setThumbTintColor(std::optional<Color> color);

  // Geometry in bounds space, for the current value.
  Rect trackRect() const;
  Rect thumbRect() const;

  Size sizeThatFits(Size size) const override;
  void layoutSubviews() override;
  bool beginTracking(const Touch& touch) override;
  bool continueTracking(const Touch& touch) override;
  void endTracking(const Touch& touch) override;
  void cancelTracking() override;
  void traitCollectionDidChange() override;
  // "value", "minimumValue", "maximumValue".
  void addDebugFields(DebugFields& fields) const override;

  const std::shared_ptr<quartz::Layer>& thumbLayer() const { return thumb_; }

 private:
  float clamped(float v) const;
  double valueForThumbCenter(double x) const;
  void updateLayers(bool animated);
  void applyColors();
  float value_ = 0;
  float minimum_ = 0;
  float maximum_ = 1;
  bool continuous_ = true;
  std::optional<Color> minTint_, maxTint_, thumbTint_;
  std::shared_ptr<quartz::Layer> maxTrack_, minTrack_, thumb_;
  double grabOffset_ = 0;  // finger x minus thumb centre when grabbed
  float valueAtGrab_ = 0;
};

}  // namespace ui
