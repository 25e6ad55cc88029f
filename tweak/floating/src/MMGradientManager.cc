#include "floating/MMGradientManager.h"

#include "foundation/Once.h"
#include "quartz/Geometry.h"
#include "ui/Color.h"

namespace {

// The static two-colour gradient under the cycle (hue, saturation, brightness).
const quartz::Color kStaticStart = quartz::Color::hsba(0.3, 0.3, 0.38, 1.0);
const quartz::Color kStaticEnd = quartz::Color::hsba(0.95, 0.99, 0.88, 1.0);

}  // namespace

void MMGradientChromatoManager::initData() {
  chromatoLayer_ = quartz::GradientLayer::layer();
  chromateAnimate_ = createGradientChromatoKeyAnimation();
}

quartz::KeyframeAnimation MMGradientChromatoManager::createGradientChromatoKeyAnimation() {
  const quartz::Color red = ui::Color::redColor().cgColor();
  const quartz::Color orange = ui::Color::orangeColor().cgColor();
  const quartz::Color yellow = ui::Color::yellowColor().cgColor();
  const quartz::Color green = ui::Color::greenColor().cgColor();
  const quartz::Color cyan = ui::Color::cyanColor().cgColor();
  const quartz::Color blue = ui::Color::blueColor().cgColor();
  const quartz::Color purple = ui::Color::purpleColor().cgColor();

  auto animation = quartz::KeyframeAnimation::animationWithKeyPath("colors");
  animation.setValues({
      std::vector<quartz::Color>{red, orange},
      std::vector<quartz::Color>{orange, yellow},
      std::vector<quartz::Color>{yellow, green},
      std::vector<quartz::Color>{green, cyan},
      std::vector<quartz::Color>{cyan, blue},
      std::vector<quartz::Color>{blue, purple},
      std::vector<quartz::Color>{purple, red},
  });
  animation.setKeyTimes({0.1, 0.14, 0.28, 0.42, 0.6, 0.78, 1});
  animation.setDuration(10);
  animation.setRemovedOnCompletion(false);
  animation.setRepeatCount(quartz::kFloatMax);
  animation.setAutoreverses(true);
  return animation;
}

void MMGradientChromatoManager::addGradientChromatoAnimationForLableText(ui::View* host, ui::View* label) {
  if (host == nullptr || label == nullptr) return;
  quartz::GradientLayer& gradient = *chromatoLayer_;

  gradient.setColors({kStaticStart, kStaticEnd});
  gradient.setStartPoint({0, 0});
  gradient.setEndPoint({1, 0});
  gradient.setLocations({0.0, 1.0});
  gradient.setFrame(host->frame());

  // A cycle already running is left alone so the colours flow on across lines.
  if (gradient.animationForKey(kAnimationKey) == nullptr) gradient.addAnimation(chromateAnimate_, kAnimationKey);

  quartz::Layer& hostLayer = *host->layer();
  if (!hostLayer.containsSublayer(&gradient)) hostLayer.addSublayer(chromatoLayer_);

  if (gradient.mask() != label->layer()) gradient.setMask(label->layer());

  // Cover the host from its own origin; the label's frame is read in these
  // same coordinates.
  gradient.setFrame(gradient.bounds());
}

void MMGradientChromatoManager::removeGradientLayer(ui::View* host) {
  if (host == nullptr) return;
  if (!host->layer()->containsSublayer(chromatoLayer_.get())) return;
  chromatoLayer_->removeAllAnimations();
  chromatoLayer_->removeFromSuperlayer();
}

MMGradientManager& MMGradientManager::sharedManager() {
  return foundation::onceInstance<MMGradientManager>([] { return new MMGradientManager(); });
}

MMFullScreenGradientManager& MMFullScreenGradientManager::sharedManager() {
  return foundation::onceInstance<MMFullScreenGradientManager>([] { return new MMFullScreenGradientManager(); });
}

MMFullScreenGradientHPManager& MMFullScreenGradientHPManager::sharedManager() {
  return foundation::onceInstance<MMFullScreenGradientHPManager>([] { return new MMFullScreenGradientHPManager(); });
}
