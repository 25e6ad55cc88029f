#include "floating/MMGradientView.h"

#include "floating/MMGradientManager.h"
#include "settings/SettingReaders.h"

std::shared_ptr<MMGradientView> MMGradientView::initWithFrame(const ui::Rect& frame) {
  auto view = std::make_shared<MMGradientView>(Tag{}, frame);
  view->addSubview(view->lyricLabel());
  return view;
}

const std::shared_ptr<ui::Label>& MMGradientView::lyricLabel() {
  if (!lyricLabel_) {
    lyricLabel_ = std::make_shared<ui::Label>();
    lyricLabel_->setFont(ui::Font::systemFont(14));
    lyricLabel_->setTextColor(ui::Color::redColor());
    lyricLabel_->setTextAlignment(ui::TextAlignment::Center);
  }
  return lyricLabel_;
}

void MMGradientView::setLyric(std::string lyric) {
  lyric_ = std::move(lyric);
  setNeedsLayout();
  layoutIfNeeded();
}

void MMGradientView::layoutSubviews() {
  ui::View::layoutSubviews();
  const std::string fontName = lyricFontName();
  ui::Label& label = *lyricLabel();
  label.setFrame(bounds());
  label.setFont(ui::Font::fontWithName(fontName, bounds().height() / 1.5));
  label.setText(lyric_);
  MMGradientManager::sharedManager().addGradientChromatoAnimationForLableText(this, &label);
}
