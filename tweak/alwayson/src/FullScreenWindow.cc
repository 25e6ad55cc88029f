#include "alwayson/FullScreenWindow.h"

#include <span>
#include <vector>

#include "AlwaysOnStyle.h"
#include "floating/MMGradientManager.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Text.h"
#include "lyric/LyricManager.h"
#include "quartz/Image.h"
#include "settings/SettingKeys.h"
#include "settings/SettingReaders.h"
#include "ui/Device.h"

namespace {

std::shared_ptr<ui::Label> makeLyricLabel(const ui::Rect& bounds) {
  auto label = std::make_shared<ui::Label>(ui::Rect(30, 200, bounds.width() - 60, bounds.height() - 400));
  label->setNumberOfLines(0);
  label->setLineBreakMode(ui::LineBreakMode::WordWrap);
  label->setTextAlignment(ui::TextAlignment::Center);
  return label;
}

}  // namespace

std::shared_ptr<FullScreenWindow> FullScreenWindow::initWithFrame(const ui::Rect& frame) {
  auto window = std::make_shared<FullScreenWindow>(Tag{}, frame);
  window->setBackgroundColor(ui::Color::blackColor());
  window->initData();
  window->initSubview();
  return window;
}

void FullScreenWindow::initData() {
  userDefaults_ = &foundation::UserDefaults::standardUserDefaults();
  currentImgBase64Str_ = std::string();
}

const std::shared_ptr<ui::Label>& FullScreenWindow::label() {
  if (!label_) label_ = makeLyricLabel(bounds());
  return label_;
}

const std::shared_ptr<ui::Label>& FullScreenWindow::gradientLabel() {
  if (!gradientLabel_) gradientLabel_ = makeLyricLabel(bounds());
  return gradientLabel_;
}

const std::shared_ptr<ui::Label>& FullScreenWindow::dateLabel() {
  if (!dateLabel_) {
    dateLabel_ = std::make_shared<ui::Label>(ui::Rect(30, 100, bounds().width() - 60, 50));
    dateLabel_->setTextAlignment(ui::TextAlignment::Center);
    dateLabel_->setTextColor(ui::Color::whiteColor());
    dateLabel_->setHidden(true);
  }
  return dateLabel_;
}

void FullScreenWindow::initSubview() {
  const double W = bounds().width();
  const double H = bounds().height();
  addSubview(label());
  addSubview(gradientLabel());

  smashView_ = NarvSmashView::initWithFrame({30, 200, W - 60, H - 400});
  smashView_->setHidden(true);
  addSubview(smashView_);

  addSubview(dateLabel());

  // Centred on the screen centre; after the quarter turn it runs the full
  // height of the screen and is a quarter of it thick.
  hpView_ = FullScreenHPView::initWithFrame({(W - H) / 2, 3 * H / 8, H, H / 4});
  hpView_->setTransform(ui::AffineTransform::makeRotation(1.5707963267948966));
  hpView_->setHidden(true);
  addSubview(hpView_);

  initArtwork();
  initMediaItems();
}

void FullScreenWindow::initArtwork() {
  // A square just above the control bar, centred, clear of the lyric area
  // (which ends 200 points above the bottom) and of the bar (60 points).
  const double W = bounds().width();
  const double H = bounds().height();
  artImgView_ = std::make_shared<ui::ImageView>(
      ui::Rect((W - kArtworkSide) / 2, H - 70 - kArtworkSide, kArtworkSide, kArtworkSide));
  artImgView_->setContentMode(ui::ContentMode::ScaleAspectFill);
  artImgView_->setClipsToBounds(true);
  artImgView_->layer()->setCornerRadius(8);
  artImgView_->setHidden(true);
  addSubview(artImgView_);
}

void FullScreenWindow::initMediaItems() {
  const double W = bounds().width();
  const double H = bounds().height();
  mediaControlView_ = MediaControlView::initWithFrame({10, H - 60, W - 20, 40});
  mediaControlView_->setHidden(true);
  mediaControlView_->setChangeSong(&FullScreenWindow::changeSongHandler);
  addSubview(mediaControlView_);
}

void FullScreenWindow::changeSongHandler(std::int64_t direction) {
  foundation::NotificationCenter::defaultCenter().post(
      std::string(SettingNotification::Noti_MediaTrack_Changed),
      foundation::Value(foundation::format("%ld", static_cast<long>(direction))));
}

double FullScreenWindow::fontSize(foundation::UserDefaults& defaults) { return alwayson::fontSize(defaults); }

void FullScreenWindow::fullScreenAddLyric(const std::string& lyric) {
  const std::string fontName = lyricFontName();
  foundation::UserDefaults& defaults = *userDefaults_;
  const ui::Color color = alwayson::lyricColor(defaults);
  const bool gradient = settingBool(SettingKey::aod_gradientAnimation, defaults);
  const double size = alwayson::fontSize(defaults);
  const bool mediaControl = settingBool(SettingKey::alwaysOnMediaControl, defaults);
  const bool smash = settingBool(SettingKey::aod_smashAnimation, defaults);

  label()->setTextColor(color);

  // A tablet is never held for the sideways strip.
  const std::string sidewaysText = ui::Device::current().userInterfaceIdiom() == ui::UserInterfaceIdiom::Pad
                                       ? std::string("0")
                                       : settingText(SettingKey::alwaysOnShowHP, defaults);
  const bool sideways = foundation::boolValue(sidewaysText);

  const ui::Font font = ui::Font::fontWithName(fontName, size);
  label_->setFont(font);
  gradientLabel()->setFont(font);

  if (sideways) {
    hpView_->setHidden(false);
    label_->setHidden(true);
    smashView_->setHidden(true);
    gradientLabel_->setHidden(true);
    hpView_->setLyric(lyric);
    hpView_->beganTimer();
  } else if (gradient) {
    hpView_->setHidden(true);
    label_->setHidden(true);
    smashView_->setHidden(true);
    gradientLabel_->setHidden(false);
    gradientLabel_->setText(lyric);
    MMFullScreenGradientManager::sharedManager().addGradientChromatoAnimationForLableText(this,
                                                                                         gradientLabel_.get());
  } else if (smash) {
    hpView_->setHidden(true);
    label_->setHidden(true);
    gradientLabel_->setHidden(true);
    smashView_->setHidden(false);
    smashView_->preSmashWithText(lyric);
  } else {
    hpView_->setHidden(true);
    smashView_->setHidden(true);
    gradientLabel_->setHidden(true);
    label_->setHidden(false);
    label_->setText(lyric);
  }

  if (sideways) {
    artImgView_->setHidden(true);
    mediaControlView_->setHidden(true);
  } else if (mediaControl) {
    artImgView_->setHidden(false);
    mediaControlView_->setHidden(false);
    mediaControlView_->nameLabel()->setText(LyricManager::shareManager().getSongName().value_or(""));
  } else {
    artImgView_->setHidden(true);
    mediaControlView_->setHidden(true);
  }
}

void FullScreenWindow::addImageBase64(const std::optional<std::string>& base64) {
  if (base64 && currentImgBase64Str_ && *base64 == *currentImgBase64Str_) return;
  if (base64 && !userDefaults_->objectForKey(SettingKey::alwaysOnMediaControl).isNil()) {
    const std::vector<std::uint8_t> bytes = foundation::base64Decode(*base64);
    artImgView_->setImage(quartz::Image::decode(std::span<const std::uint8_t>(bytes)));
  }
  currentImgBase64Str_ = base64;
}
