#include "floating/MMGradientView.h"

#include "LyricLabel.h"
#include "floating/MMGradientManager.h"
#include "settings/SettingReaders.h"

std::shared_ptr<MMGradientView> MMGradientView::initWithFrame(const ui::Rect& frame) {
  auto view = std::make_shared<MMGradientView>(Tag{}, frame);
  view->addSubview(view->lyricLabel());
  return view;
}

const std::shared_ptr<ui::Label>& MMGradientView::lyricLabel() {
  if (!lyricLabel_) lyricLabel_ = makeLyricLabel();
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
  fitLyricLabel(label, bounds(), fontName);
  label.setText(lyric_);
  MMGradientManager::sharedManager().addGradientChromatoAnimationForLableText(this, &label);
}
