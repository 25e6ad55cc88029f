#pragma once
// The moving rainbow that paints a label's text. One gradient layer and one
// colour cycle per manager; the three managers share one implementation and
// differ only in who uses them (one manager per host, so each layer stays
// with its host):
//   MMGradientManager             the floating window's MMGradientView
//   MMFullScreenGradientManager   the always-on window (its gradientLabel)
//   MMFullScreenGradientHPManager the always-on sideways strip's MMGradientHPView
// Each instance is created once, on first use of sharedManager, and never
// released; its layer and animation are built once and never replaced.

#include <memory>

#include "quartz/Animation.h"
#include "quartz/GradientLayer.h"
#include "ui/View.h"

class MMGradientChromatoManager {
 public:
  MMGradientChromatoManager(const MMGradientChromatoManager&) = delete;
  MMGradientChromatoManager& operator=(const MMGradientChromatoManager&) = delete;
  virtual ~MMGradientChromatoManager() = default;

  // Paints `label`'s text inside `host` with the moving gradient: the layer
  // covers the host from its origin, is added once as the host's topmost
  // sublayer and is masked by the label's layer (so only the glyph shapes
  // show, never the label's own colour). The label's frame must be in the
  // host's coordinates. Safe on every layout: the colour cycle is never
  // restarted and the layer never added twice. Nothing when either is null.
  void addGradientChromatoAnimationForLableText(ui::View* host, ui::View* label);
  // Removes the gradient layer (and its animations) when `host` holds it.
  void removeGradientLayer(ui::View* host);

  // The fixed colour cycle: "colors" through seven (start, end) pairs of the
  // named colours red, orange, yellow, green, cyan, blue, purple, at key times
  // 0.1 … 1, 10 s, autoreversed, repeated for ever, kept on completion.
  static quartz::KeyframeAnimation createGradientChromatoKeyAnimation();

  // Key under which the cycle runs on the gradient layer.
  static constexpr const char* kAnimationKey = "chromateAnimate";

  const std::shared_ptr<quartz::GradientLayer>& chromatoLayer() const { return chromatoLayer_; }
  const quartz::KeyframeAnimation& chromateAnimate() const { return chromateAnimate_; }

 protected:
  MMGradientChromatoManager() { initData(); }

 private:
  void initData();
  std::shared_ptr<quartz::GradientLayer> chromatoLayer_;
  quartz::KeyframeAnimation chromateAnimate_;
};

class MMGradientManager final : public MMGradientChromatoManager {
 public:
  static MMGradientManager& sharedManager();

 private:
  MMGradientManager() = default;
};

class MMFullScreenGradientManager final : public MMGradientChromatoManager {
 public:
  static MMFullScreenGradientManager& sharedManager();

 private:
  MMFullScreenGradientManager() = default;
};

class MMFullScreenGradientHPManager final : public MMGradientChromatoManager {
 public:
  static MMFullScreenGradientHPManager& sharedManager();

 private:
  MMFullScreenGradientHPManager() = default;
};
