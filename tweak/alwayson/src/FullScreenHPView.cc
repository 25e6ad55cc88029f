#include "alwayson/FullScreenHPView.h"

#include "AlwaysOnStyle.h"
#include "foundation/Text.h"
#include "quartz/Geometry.h"
#include "settings/SettingKeys.h"
#include "settings/SettingReaders.h"
#include "text/TextLayout.h"

namespace {
constexpr const char* kBeganTimerAction = "beganTimer";
}

std::shared_ptr<FullScreenHPView> FullScreenHPView::initWithFrame(const ui::Rect& frame) {
  auto view = std::make_shared<FullScreenHPView>(Tag{}, frame);
  view->initData();
  view->initSubviews();
  view->initTimer();
  return view;
}

FullScreenHPView::~FullScreenHPView() {
  if (timer_) timer_->invalidate();
  foundation::RunLoop::main().cancelPreviousPerformRequests(this);
}

void FullScreenHPView::initData() {
  forwardScroll_ = true;
  setClipsToBounds(true);
  lyric_ = "";
  step_ = 0;
}

void FullScreenHPView::initSubviews() {
  addSubview(label());
  gradientHPView_ = MMGradientHPView::initWithFrame({});
  addSubview(gradientHPView_);
}

void FullScreenHPView::initTimer() {
  // The timer's action only runs while the strip lives: the destructor
  // invalidates it.
  timer_ = foundation::RunLoop::main().scheduledTimer(kInterval, true,
                                                       [this](foundation::Timer&) { refresh(); });
  pauseTimer();
}

const std::shared_ptr<ui::Label>& FullScreenHPView::label() {
  if (!label_) {
    const ui::Rect f = frame();
    label_ = std::make_shared<ui::Label>(ui::Rect(30, 200, f.width() - 60, f.height() - 400));
    label_->setTextAlignment(ui::TextAlignment::Center);
  }
  return label_;
}

void FullScreenHPView::beganTimer() { timer_->setFireDate(foundation::Date::distantPast); }

void FullScreenHPView::pauseTimer() { timer_->setFireDate(foundation::Date::distantFuture); }

void FullScreenHPView::scheduleResume() {
  foundation::RunLoop::main().performAfter(kRest, this, kBeganTimerAction, {}, [this] { beganTimer(); });
}

void FullScreenHPView::setLyric(std::string lyric) {
  lyric_ = std::move(lyric);
  step_ = static_cast<double>(foundation::utf16Length(lyric_)) / 20.0;
  reloadUI();
}

ui::Font FullScreenHPView::stripFont() {
  const std::string name = lyricFontName();
  foundation::UserDefaults& defaults = foundation::UserDefaults::standardUserDefaults();
  defaults.synchronize();
  const std::string stored = settingText(SettingKey::alwaysOnFontSize, defaults);
  const float value = foundation::floatValue(stored);
  const double size = isMissingSettingText(stored) || value < 5 ? 28 : 2.0 * value;
  return ui::Font::fontWithName(name, size);
}

double FullScreenHPView::fitWidth(const std::string& text) {
  return text::sizeWithFont(text, stripFont(), {quartz::kFloatMax, stripThickness()}, ui::LineBreakMode::CharWrap)
      .width;
}

void FullScreenHPView::reloadUI() {
  foundation::UserDefaults& defaults = foundation::UserDefaults::standardUserDefaults();
  const ui::Font font = stripFont();
  const ui::Color color = alwayson::lyricColor(defaults);
  const bool gradient = settingBool(SettingKey::aod_gradientAnimation, defaults);

  label()->setFont(font);
  label_->setTextColor(color);

  foundation::RunLoop::main().cancelPreviousPerformRequests(this, kBeganTimerAction, {});
  pauseTimer();

  const double length = stripLength();
  const double thickness = stripThickness();
  const double needed = fitWidth(lyric_);
  if (needed <= length) {
    label_->setFrame({(length - needed) / 2, 0, needed, thickness});
  } else {
    label_->setFrame({0, 0, needed, thickness});
    scheduleResume();
  }

  if (gradient) {
    gradientHPView_->setHidden(false);
    label_->setHidden(true);
    gradientHPView_->setFrame(label_->frame());
    gradientHPView_->setLyric(lyric_);
    bringSubviewToFront(gradientHPView_.get());
    lyricV_ = gradientHPView_.get();
  } else {
    gradientHPView_->setHidden(true);
    label_->setHidden(false);
    lyricV_ = label_.get();
  }
  label_->setText(lyric_);
}

void FullScreenHPView::refresh() {
  const double step = step_;
  // Before the first line there is nothing to move; the ends are then
  // judged from an empty frame, as a message to nothing reads.
  ui::Rect f = lyricV_ != nullptr ? lyricV_->frame() : ui::Rect();
  if (forwardScroll_) {
    f.origin.x -= step;
    if (lyricV_ != nullptr) lyricV_->setFrame(f);
    if (f.maxX() <= stripLength()) {
      forwardScroll_ = false;
      pauseTimer();
      scheduleResume();
    }
  } else {
    f.origin.x += step;
    if (lyricV_ != nullptr) lyricV_->setFrame(f);
    if (f.x() >= 0) {
      forwardScroll_ = true;
      pauseTimer();
      scheduleResume();
    }
  }
}
