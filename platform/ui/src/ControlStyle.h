#pragma once
// The light look shared by the standard controls: the platform's tint
// colours, the translucent fills (they sit well on white and on the grouped
// grey background alike) and the soft shadow of knobs, thumbs and pills.

#include <memory>
#include <string>
#include <utility>

#include "foundation/RunLoop.h"
#include "quartz/Animation.h"
#include "quartz/Layer.h"
#include "ui/Color.h"

namespace ui::style {

inline Color systemBlue() { return Color::colorWithRed(0, 122 / 255.0, 1, 1); }
inline Color systemGreen() { return Color::colorWithRed(52 / 255.0, 199 / 255.0, 89 / 255.0, 1); }
// Switch track when off, slider maximum side, segmented background.
inline Color fill() { return Color::colorWithRed(120 / 255.0, 120 / 255.0, 128 / 255.0, 0.16); }
inline Color separator() { return Color::colorWithRed(60 / 255.0, 60 / 255.0, 67 / 255.0, 0.22); }

// A white, round-cornered piece lifted off its background.
inline void liftedPiece(quartz::Layer& layer, const quartz::Color& color, double cornerRadius) {
  layer.setBackgroundColor(color);
  layer.setCornerRadius(cornerRadius);
  layer.setShadowColor(quartz::Color::black());
  layer.setShadowOpacity(0.18);
  layer.setShadowRadius(4);
  layer.setShadowOffset({0, 2});
  layer.setBorderWidth(0.5);
  layer.setBorderColor(quartz::Color::rgba(0, 0, 0, 0.04));
}

inline double now() { return foundation::RunLoop::main().now(); }

// A plain layer that is one named part of a control, so that tree dumps
// read "+ SwitchKnob" rather than "+ Layer".
class PartLayer final : public quartz::Layer {
 public:
  explicit PartLayer(std::string name) : name_(std::move(name)) {}
  std::string className() const override { return name_; }

 private:
  std::string name_;
};

inline std::shared_ptr<quartz::Layer> part(std::string name) { return std::make_shared<PartLayer>(std::move(name)); }

// Animates `keyPath` of `layer` from what it shows now to the value just
// set on the model (call after setting it, passing the value shown before).
inline void animateFrom(quartz::Layer& layer, const std::string& keyPath, const quartz::AnimationValue& from,
                        double duration = 0.25) {
  quartz::BasicAnimation animation(keyPath);
  animation.setFromValue(from);
  animation.setDuration(duration);
  animation.setTimingFunction(quartz::TimingFunction::easeInEaseOut());
  layer.addAnimation(animation, keyPath);
}

}  // namespace ui::style
