#include "alwayson/MediaControlView.h"

#include <numbers>

#include "settings/SettingKeys.h"
#include "settings/SettingReaders.h"

std::shared_ptr<MediaControlView> MediaControlView::initWithFrame(const ui::Rect& frame) {
  auto view = std::make_shared<MediaControlView>(Tag{}, frame);
  view->initSubviews();
  view->initColor();
  MediaControlView* self = view.get();
  view->colorObservation_ = foundation::NotificationCenter::defaultCenter().addObserver(
      std::string(SettingNotification::MediaCOntrol_Color_Change_Niti),
      [self](const foundation::Notification& n) { self->receivedColorChangeNoti(n); });
  return view;
}

void MediaControlView::initSubviews() {
  const double w = bounds().width();
  const double h = bounds().height();

  leftButton_ = PathButtonView::initWithFrame({30, (h - 20) / 2, 40, 20});
  leftButton_->setTransform(quartz::rotate(leftButton_->transform(), std::numbers::pi));
  rightButton_ = PathButtonView::initWithFrame({w - 70, (h - 20) / 2, 40, 20});

  nameLabel_ = std::make_shared<ui::Label>(ui::Rect(leftButton_->frame().maxX() + 10, 0, w - 160, h));
  nameLabel_->setTextAlignment(ui::TextAlignment::Center);
  nameLabel_->setFont(ui::Font::systemFont(14));
  nameLabel_->setLineBreakMode(ui::LineBreakMode::TruncateMiddle);
  nameLabel_->setText(kNoSongText);

  // The buttons belong to the bar, so their handlers cannot outlive it.
  leftButton_->setClickBlock([this] {
    if (changeSong_) changeSong_(-1);
  });
  rightButton_->setClickBlock([this] {
    if (changeSong_) changeSong_(1);
  });

  addSubview(leftButton_);
  addSubview(rightButton_);
  addSubview(nameLabel_);
}

ui::Color MediaControlView::controlColor(foundation::UserDefaults& defaults) {
  using SettingKey::colorComponent;
  const std::string alpha = settingText(colorComponent(SettingKey::mediaControlColor, SettingKey::ColorSuffixA), defaults);
  ui::Color color = ui::Color::whiteColor();
  if (alpha != "(null)") {
    const SettingColor c = settingColor(SettingKey::mediaControlColor, defaults);
    color = ui::Color::colorWithRed(c.red, c.green, c.blue, c.alpha);
  }
  defaults.synchronize();
  return color;
}

void MediaControlView::initColor() {
  mmColor_ = controlColor(foundation::UserDefaults::standardUserDefaults());
  nameLabel_->setTextColor(mmColor_);
}

void MediaControlView::receivedColorChangeNoti(const foundation::Notification&) { initColor(); }
