#include "alwayson/NarvSmashView.h"

#include <cstdint>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "AlwaysOnStyle.h"
#include "foundation/Random.h"
#include "foundation/RunLoop.h"
#include "render/Canvas.h"
#include "render/Renderer.h"
#include "settings/SettingKeys.h"
#include "settings/SettingReaders.h"
#include "ui/ImageView.h"

std::shared_ptr<NarvSmashView> NarvSmashView::initWithFrame(const ui::Rect& frame) {
  auto view = std::make_shared<NarvSmashView>(Tag{}, frame);
  view->animationDuration_ = 1.0;
  view->initData();
  view->initSubviews();
  return view;
}

void NarvSmashView::initData() { userDefaults_ = &foundation::UserDefaults::standardUserDefaults(); }

void NarvSmashView::initSubviews() {
  lyricLabel_ = std::make_shared<ui::Label>(bounds());
  lyricLabel_->setTextColor(ui::Color::whiteColor());
  lyricLabel_->setNumberOfLines(0);
  lyricLabel_->setTextAlignment(ui::TextAlignment::Center);
  lyricLabel_->setText("");
  lyricLabel_->setFont(ui::Font::systemFont(40));
  addSubview(lyricLabel_);
}

void NarvSmashView::preSmashWithText(const std::string& text) {
  const std::string fontName = lyricFontName();
  foundation::UserDefaults& defaults = *userDefaults_;
  const ui::Color color = alwayson::lyricColor(defaults);
  animationDuration_ = settingNumber(SettingKey::smashDuration, defaults);
  const double size = alwayson::fontSize(defaults);

  lyricLabel_->setTextColor(color);
  lyricLabel_->setFont(ui::Font::fontWithName(fontName, size));

  // The label is blanked and snapshotted in the same turn: the snapshot shows
  // what the screen last displayed, the previous line in its previous style.
  lyricLabel_->setText("");
  const std::shared_ptr<const quartz::Image> image = getImageViewWithView(*lyricLabel_);

  clearAnimations(false);
  lyric_ = text;

  const double w = frame().width();
  const double h = frame().height();
  for (int i = 0; i < kGrid * kGrid; ++i) {
    const int c = i % kGrid;
    const int r = i / kGrid;
    auto tile = std::make_shared<ui::ImageView>(ui::Rect(0.1 * w * c, 0.1 * h * r, 0.1 * w, 0.1 * h));
    tile->setImage(image);
    tile->layer()->setContentsRect(ui::Rect(0.1 * c, 0.1 * r, 0.1, 0.1));
    addSubview(std::move(tile));
  }

  smash();

  std::weak_ptr<ui::View> weak = weak_from_this();
  foundation::RunLoop::main().dispatchAfter(kTextDelay, [weak] {
    auto self = std::static_pointer_cast<NarvSmashView>(weak.lock());
    if (self) self->lyricLabel_->setText(self->lyric_);
  });
}

void NarvSmashView::smash() {
  std::weak_ptr<ui::View> weak = weak_from_this();
  ui::View::animate(
      animationDuration_,
      [this] {
        const quartz::BasicAnimation fade = getAnimation();
        const quartz::BasicAnimation shrink = getScaleAnimation();
        for (const auto& subview : subviews()) {
          if (dynamic_cast<ui::ImageView*>(subview.get()) == nullptr) continue;
          const double angle = getRandomNumber(0, 360);
          const double x = getRandomNumber(0, 100);
          const double y = getRandomNumber(0, 100);
          subview->layer()->setTransform(configTransform3DWithRotateAngle(angle, x, y));
          subview->layer()->addAnimation(fade, kFadeKey);
          subview->layer()->addAnimation(shrink, kShrinkKey);
        }
      },
      [weak](bool) {
        auto self = std::static_pointer_cast<NarvSmashView>(weak.lock());
        if (!self) return;
        if (self->smashFinishedBlock_) self->smashFinishedBlock_();
        self->clearAnimations(true);
      });
}

void NarvSmashView::clearAnimations(bool) {
  // A copy: removing a subview changes the list being walked.
  const std::vector<std::shared_ptr<ui::View>> views = subviews();
  for (const auto& view : views) {
    if (dynamic_cast<ui::ImageView*>(view.get()) == nullptr) continue;
    view->removeFromSuperview();
    view->layer()->removeAllAnimations();
  }
}

namespace {

// One run of `keyPath` from 1 to 0 over `duration`, held at 0 afterwards.
quartz::BasicAnimation oneToZero(std::string keyPath, double duration) {
  quartz::BasicAnimation animation(std::move(keyPath));
  animation.setFromValue(1.0);
  animation.setToValue(0.0);
  animation.setDuration(duration);
  animation.setRepeatCount(1);
  animation.setRemovedOnCompletion(false);
  animation.setFillMode(quartz::FillMode::Forwards);
  return animation;
}

}  // namespace

quartz::BasicAnimation NarvSmashView::getAnimation() const {
  return oneToZero("opacity", animationDuration_);
}

quartz::BasicAnimation NarvSmashView::getScaleAnimation() const {
  return oneToZero("transform.scale", animationDuration_);
}

quartz::Transform3D NarvSmashView::configTransform3DWithRotateAngle(double angle, double x, double y) {
  const quartz::Transform3D rotation =
      quartz::rotate(quartz::Transform3D::identity(), angle * std::numbers::pi / 180, 1, 1, 1);
  return quartz::concat(rotation, quartz::Transform3D::makeTranslation(x, y, 0));
}

double NarvSmashView::getRandomNumber(int from, int to) {
  // Unsigned 32-bit throughout, as the platform's arithmetic on a random
  // word does: a range that does not start at 0 or is reversed wraps.
  const auto f = static_cast<std::uint32_t>(from);
  const auto span = static_cast<std::uint32_t>(to) - f + 1u;
  const std::uint32_t r = foundation::randomUInt32();
  // A span of 0 (to == from - 1) leaves the word whole, as the hardware's
  // remainder by zero does, instead of dividing by zero.
  const std::uint32_t pick = span == 0 ? r : r % span;
  return static_cast<double>(f + pick + 1u);
}

std::shared_ptr<const quartz::Image> NarvSmashView::getImageViewWithView(const ui::View& view) {
  // The context has the size of the view's frame as it is now (one pixel per
  // point); what is drawn into it is the view as last committed, which for a
  // view never displayed is nothing.
  render::Canvas canvas(view.frame().size, 1.0);
  render::Renderer::shared().render(*view.layer(), foundation::RunLoop::main().now(), canvas);
  return canvas.takeImage();
}
