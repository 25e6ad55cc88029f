#include "floating/MMLyricSuperWindow.h"

#include "foundation/Clock.h"
#include "foundation/Text.h"
#include "quartz/Geometry.h"
#include "settings/SettingKeys.h"
#include "settings/SettingReaders.h"
#include "text/TextLayout.h"

std::shared_ptr<MMLyricSuperWindow> MMLyricSuperWindow::initWithFrame(const ui::Rect& frame) {
  auto window = std::make_shared<MMLyricSuperWindow>(Tag{}, frame);
  window->initData();
  window->initSubviews();
  window->initTimer();
  return window;
}

MMLyricSuperWindow::~MMLyricSuperWindow() {
  // The loop may already be gone (a test replaced it); the timer knows.
  if (timer_ && timer_->isValid()) {
    timer_->invalidate();
    runLoop_->cancelPreviousPerformRequests(this);
  }
}

void MMLyricSuperWindow::initData() {
  forwardScroll_ = true;
  setClipsToBounds(true);
  lyric_.clear();
  userDefaults_ = &foundation::UserDefaults::standardUserDefaults();
  receivedBGColorNoti({});
  bgColorObservation_ = foundation::NotificationCenter::defaultCenter().addObserver(
      std::string(SettingNotification::NOTI_bgColor),
      [this](const foundation::Notification& n) { receivedBGColorNoti(n); });
}

void MMLyricSuperWindow::initSubviews() {
  normalView_ = MMNormalView::initWithFrame({});
  addSubview(normalView_);
  gradientView_ = MMGradientView::initWithFrame({});
  addSubview(gradientView_);
}

void MMLyricSuperWindow::initTimer() {
  runLoop_ = &foundation::RunLoop::main();
  timer_ = runLoop_->scheduledTimer(kTimerInterval, true, [this](foundation::Timer&) { refresh(); });
  pauseTimer();
}

void MMLyricSuperWindow::beganTimer() { timer_->setFireDate(foundation::Date::distantPast); }

void MMLyricSuperWindow::pauseTimer() { timer_->setFireDate(foundation::Date::distantFuture); }

void MMLyricSuperWindow::scheduleBeganTimer() {
  runLoop_->performAfter(kRestSeconds, this, kBeganTimerSelector, foundation::Value(), [this] { beganTimer(); });
}

void MMLyricSuperWindow::setLyric(std::string lyric) {
  lyric_ = std::move(lyric);
  step_ = static_cast<double>(foundation::utf16Length(lyric_)) / 20.0;
  reloadUI();
}

void MMLyricSuperWindow::setIsHP(bool isHP) {
  isHP_ = isHP;
  reloadUI();
}

double MMLyricSuperWindow::availableLength() const { return isHP_ ? frame().height() : frame().width(); }

ui::Size MMLyricSuperWindow::fitWidth(const std::string& text) {
  const quartz::Font font = quartz::Font::fontWithName(lyricFontName(), H_ / 1.5);
  return text::sizeWithFont(text, font, ui::Size{quartz::kFloatMax, H_}, quartz::LineBreakMode::CharWrap);
}

void MMLyricSuperWindow::reloadUI() {
  // 1. Geometry as seen on screen.
  const ui::Rect screenFrame = frame();
  H_ = isHP_ ? screenFrame.width() : screenFrame.height();
  const double W = availableLength();

  // 2. Presentation switches.
  const bool gradientMode = settingBool(SettingKey::randomColor_animation, *userDefaults_);
  const bool outlineMode = settingBool(SettingKey::fontPath_animation, *userDefaults_);

  // 3. Stop the previous line's marquee; the direction is kept.
  runLoop_->cancelPreviousPerformRequests(this, kBeganTimerSelector, foundation::Value());
  pauseTimer();

  // 4-5. Measure; centre a line that fits, else rest at the start.
  const double T = fitWidth(lyric_).width;
  double x = 0;
  if (T <= W) {
    x = (W - T) / 2;
  } else {
    scheduleBeganTimer();
  }

  // 6. Drop the previous line's view.
  normalView_->removeFromSuperview();
  gradientView_->removeFromSuperview();
  if (fontPathView_) fontPathView_->removeFromSuperview();
  fontPathView_.reset();

  // 7. Choose the view: gradient, else outline, else plain.
  const ui::Rect lineFrame(x, 0, T, H_);
  std::shared_ptr<ui::View> chosen;
  if (gradientMode) {
    gradientView_->setFrame(lineFrame);
    gradientView_->setLyric(lyric_);
    chosen = gradientView_;
  } else if (outlineMode) {
    fontPathView_ = MMFontPathView::initWithFrame(lineFrame);
    fontPathView_->addLyric(lyric_);
    chosen = fontPathView_;
  } else {
    normalView_->setFrame(lineFrame);
    normalView_->setLyric(lyric_);
    chosen = normalView_;
  }

  // 8.
  addSubview(chosen);
  lyricV_ = std::move(chosen);
}

void MMLyricSuperWindow::refresh() {
  if (!lyricV_) return;
  const double W = availableLength();
  const double step = step_;
  ui::Rect f = lyricV_->frame();
  if (forwardScroll_) {
    f.origin.x -= step;
    lyricV_->setFrame(f);
    if (f.maxX() <= W) {
      forwardScroll_ = false;
      pauseTimer();
      scheduleBeganTimer();
    }
  } else {
    f.origin.x += step;
    lyricV_->setFrame(f);
    if (f.x() >= 0) {
      forwardScroll_ = true;
      pauseTimer();
      scheduleBeganTimer();
    }
  }
}

void MMLyricSuperWindow::receivedBGColorNoti(const foundation::Notification&) {
  const SettingColor c = settingColor(SettingKey::bgColor, *userDefaults_);
  setBackgroundColor(ui::Color::colorWithRed(c.red, c.green, c.blue, c.alpha));
}
