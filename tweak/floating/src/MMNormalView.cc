#include "floating/MMNormalView.h"

#include "LyricLabel.h"
#include "settings/SettingKeys.h"
#include "settings/SettingReaders.h"

namespace {

quartz::Color lyricTextColor(foundation::UserDefaults& defaults) {
  const SettingColor c = settingColor(SettingKey::hoverVerseColor, defaults);
  return quartz::Color::rgba(c.red, c.green, c.blue, c.alpha);
}

}  // namespace

std::shared_ptr<MMNormalView> MMNormalView::initWithFrame(const ui::Rect& frame) {
  auto view = std::make_shared<MMNormalView>(Tag{}, frame);
  view->initData();
  view->initSubviews();
  return view;
}

void MMNormalView::initData() {
  userDefaults_ = &foundation::UserDefaults::standardUserDefaults();
  lyricColorObservation_ = foundation::NotificationCenter::defaultCenter().addObserver(
      std::string(SettingNotification::NOTI_Lyric_Color),
      [this](const foundation::Notification& n) { receivedLyricColorNoti(n); });
}

void MMNormalView::initSubviews() { addSubview(lyricLabel()); }

const std::shared_ptr<ui::Label>& MMNormalView::lyricLabel() {
  if (!lyricLabel_) lyricLabel_ = makeLyricLabel();
  return lyricLabel_;
}

void MMNormalView::setLyric(std::string lyric) {
  lyric_ = std::move(lyric);
  // Lays out now; a pending size-change layout is served by the same pass.
  setNeedsLayout();
  layoutIfNeeded();
}

void MMNormalView::layoutSubviews() {
  ui::View::layoutSubviews();
  const std::string fontName = lyricFontName();
  ui::Label& label = *lyricLabel();
  fitLyricLabel(label, bounds(), fontName);

  foundation::UserDefaults& defaults = *userDefaults_;
  const quartz::Color color = lyricTextColor(defaults);
  const bool shadowOn = settingBool(SettingKey::fontShadow_animation, defaults);
  const float shadowStrength = settingNumber(SettingKey::fontLayerShadow, defaults);

  ui::TextAttributes attributes;
  attributes.foregroundColor = color;
  if (shadowOn) {
    ui::Shadow shadow;
    shadow.blurRadius = kShadowBlurRadius;
    shadow.offset = {0, 0};
    shadow.color = quartz::Color::rgba(0.2, 0.2, 0.2, shadowStrength);
    attributes.shadow = shadow;
  }
  label.setAttributedText(ui::AttributedString(lyric_, attributes));
}

void MMNormalView::receivedLyricColorNoti(const foundation::Notification&) {
  lyricLabel()->setTextColor(lyricTextColor(*userDefaults_));
}
