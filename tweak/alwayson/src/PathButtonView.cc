#include "alwayson/PathButtonView.h"

#include "alwayson/MediaControlView.h"
#include "foundation/RunLoop.h"
#include "foundation/UserDefaults.h"
#include "quartz/Path.h"
#include "settings/SettingKeys.h"
#include "ui/GestureRecognizer.h"

std::shared_ptr<PathButtonView> PathButtonView::initWithFrame(const ui::Rect& frame) {
  auto view = std::make_shared<PathButtonView>(Tag{}, frame);
  view->initColor();
  PathButtonView* self = view.get();
  view->colorObservation_ = foundation::NotificationCenter::defaultCenter().addObserver(
      std::string(SettingNotification::MediaCOntrol_Color_Change_Niti),
      [self](const foundation::Notification& n) { self->receivedColorChangeNoti(n); });
  view->setBackgroundColor(ui::Color::clearColor());
  view->setUserInteractionEnabled(true);
  // The recogniser belongs to the button, so it cannot outlive `self`.
  view->addGestureRecognizer(
      std::make_shared<ui::TapGestureRecognizer>([self](ui::GestureRecognizer&) { self->clickAction(); }));
  return view;
}

void PathButtonView::initColor() {
  mmColor_ = MediaControlView::controlColor(foundation::UserDefaults::standardUserDefaults());
}

void PathButtonView::receivedColorChangeNoti(const foundation::Notification&) {
  initColor();
  setNeedsDisplay();
}

void PathButtonView::clickAction() {
  if (clickBlock_) clickBlock_();
  flashEnds_ = foundation::RunLoop::main().now() + 2 * kFlashDuration;
  std::weak_ptr<ui::View> weak = weak_from_this();
  ui::View::animate(
      kFlashDuration, [this] { setAlpha(0); },
      [weak](bool) {
        auto self = weak.lock();
        if (!self) return;
        ui::View::animate(kFlashDuration, [&self] { self->setAlpha(1); });
      });
}

ui::View* PathButtonView::hitTest(ui::Point p) {
  // The flash fades the button to transparent, and transparent views take
  // no touches; during its own flash the button is transparent only to the
  // eye, so a quick second tap is a second skip.
  const bool flashing = foundation::RunLoop::main().now() < flashEnds_;
  if (flashing && !isHidden() && isUserInteractionEnabled() && pointInside(p)) return this;
  return ui::View::hitTest(p);
}

void PathButtonView::drawRect(quartz::GraphicsContext& context, ui::Rect) {
  const double w = bounds().width();
  const double h = bounds().height();
  context.setFillColor(mmColor_.cgColor());
  quartz::Path path;
  path.moveTo({0, 0});
  path.lineTo({w / 2, h / 2});
  path.lineTo({w / 2, 0});
  path.lineTo({w, h / 2});
  path.lineTo({w / 2, h});
  path.lineTo({w / 2, h / 2});
  path.lineTo({0, h});
  path.lineTo({0, 0});
  path.close();
  context.fillPath(path);
}
