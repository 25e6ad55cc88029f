#include "floating/MMGradientHPView.h"

#include "LyricLabel.h"
#include "floating/MMGradientManager.h"
#include "settings/SettingKeys.h"
#include "settings/SettingReaders.h"

std::shared_ptr<MMGradientHPView> MMGradientHPView::initWithFrame(const ui::Rect& frame) {
  auto view = std::make_shared<MMGradientHPView>(Tag{}, frame);
  view->addSubview(view->lyricLabel());
  return view;
}

const std::shared_ptr<ui::Label>& MMGradientHPView::lyricLabel() {
  if (!lyricLabel_) lyricLabel_ = makeLyricLabel();
  return lyricLabel_;
}

void MMGradientHPView::setLyric(std::string lyric) {
  lyric_ = std::move(lyric);
  setNeedsLayout();
  layoutIfNeeded();
}

double MMGradientHPView::fontSize() {
  const std::string text = settingText(SettingKey::alwaysOnFontSize);
  const float size = settingNumber(SettingKey::alwaysOnFontSize);
  if (isMissingSettingText(text) || size < 5) return 28;
  return 2.0 * size;
}

void MMGradientHPView::layoutSubviews() {
  ui::View::layoutSubviews();
  const std::string fontName = lyricFontName();
  ui::Label& label = *lyricLabel();
  label.setFont(ui::Font::fontWithName(fontName, fontSize()));
  label.setFrame(bounds());
  label.setText(lyric_);
  MMFullScreenGradientHPManager::sharedManager().addGradientChromatoAnimationForLableText(this, &label);
}
