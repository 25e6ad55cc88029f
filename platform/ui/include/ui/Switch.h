#pragma once
// An on/off switch with the platform's natural size: its frame keeps the
// origin it is given and is always 51 x 31 points. A tap toggles it (a drag
// across it ends on the side the finger went) and sends ValueChanged once
// when the state changed; setOn from code sends nothing. The track and the
// white knob (two sublayers; the knob has a soft shadow) move
// between states with layer animations when animated, so no code runs per
// frame.

#include <optional>

#include "ui/Control.h"

namespace ui {

class Switch : public Control {
 public:
  static constexpr double kWidth = 51;
  static constexpr double kHeight = 31;

  // Only the origin of `frame` counts.
  explicit Switch(Rect frame = {});
  std::string className() const override { return "Switch"; }

  bool isOn() const { return on_; }
  void setOn(bool on, bool animated = false);

  // Track colour when on (default: the platform's green).
  Color onTintColor() const;
  void setOnTintColor(std::optional<Color> color);  // nullopt: the default
  // Knob colour (default white).
  Color thumbTintColor() const;
  void setThumbTintColor(std::optional<Color> color);

  void setFrame(const Rect& frame) override;
  void setBounds(const Rect& bounds) override;
  Size sizeThatFits(Size) const override { return {kWidth, kHeight}; }

  bool beginTracking(const Touch& touch) override;
  bool continueTracking(const Touch& touch) override;
  void endTracking(const Touch& touch) override;
  void cancelTracking() override;
  void traitCollectionDidChange() override;
  void addDebugFields(DebugFields& fields) const override;  // "on"

  // The knob's layer (tests and snapshots look at its position).
  const std::shared_ptr<quartz::Layer>& knobLayer() const { return knob_; }

 private:
  void applyState(bool animated);
  bool on_ = false;
  std::optional<Color> onTint_;
  std::optional<Color> thumbTint_;
  std::shared_ptr<quartz::Layer> track_;
  std::shared_ptr<quartz::Layer> knob_;
  double trackStartX_ = 0;  // where the finger went down (tracking)
  bool dragged_ = false;
};

}  // namespace ui
