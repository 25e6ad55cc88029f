#include "HostWindows.h"

#include <vector>

#include "hostcommon/MusicApp.h"
#include "ui/Color.h"

namespace springboard {

HomeScreenWindow::HomeScreenWindow(ui::Rect frame, double statusBarHeight, std::vector<DockApp> apps)
    : ui::Window(frame) {
  view_ = std::make_shared<HomeScreenView>(ui::Rect{0, 0, frame.width(), frame.height()}, statusBarHeight,
                                           std::move(apps));
  addSubview(view_);
}

LockScreenWindow::LockScreenWindow(ui::Rect frame) : ui::Window(frame) {
  setBackgroundColor(ui::Color::colorWithRed(0.04, 0.05, 0.08, 1));
  timeLabel_ = std::make_shared<ui::Label>(ui::Rect{0, frame.height() * 0.12, frame.width(), 96});
  timeLabel_->setFont(ui::Font::systemFont(80));
  timeLabel_->setTextColor(ui::Color::colorWithWhite(0.92, 1));
  timeLabel_->setTextAlignment(quartz::TextAlignment::Center);
  timeLabel_->setText("09:41");
  addSubview(timeLabel_);
}

HostWindows::HostWindows(const Profile& profile, std::vector<DockApp> apps) {
  const ui::Rect screen{0, 0, profile.screenWidth, profile.screenHeight};
  homeScreen = std::make_shared<HomeScreenWindow>(screen, profile.statusBarHeight, std::move(apps));
  homeScreen->setWindowLevel(ui::WindowLevel::normal);
  homeScreen->setBackgroundColor(ui::Color::colorWithRed(0.16, 0.22, 0.34, 1));
  homeScreen->setHidden(false);
  lockScreen = std::make_shared<LockScreenWindow>(screen);
  lockScreen->setWindowLevel(kLockScreenWindowLevel);
  screenshots = std::make_shared<ScreenshotsWindow>(screen);
  screenshots->setWindowLevel(kScreenshotsWindowLevel);
  screenshots->setBackgroundColor(ui::Color::clearColor());
  screenshots->setHidden(false);
  backlight = std::make_shared<BacklightWindow>(screen);
  backlight->setWindowLevel(kBacklightWindowLevel);
  backlight->setBackgroundColor(ui::Color::blackColor());
}

void HostWindows::show(const DeviceScreen& screen) {
  lockScreen->setHidden(!screen.isLocked());
  // Never hidden: the backlight sees where touches begin even while clear.
  backlight->setAlpha(screen.backlight() == Backlight::off ? 1 : screen.backlight() == Backlight::dimmed ? kDimmedAlpha : 0);
  backlight->setHidden(false);
}

void HostWindows::setTime(const std::string& time) {
  homeScreen->homeScreen().setTime(time);
  lockScreen->setTime(time);
}

std::vector<DockApp> installedMusicApps() {
  std::vector<DockApp> apps;
  for (const hostcommon::MusicApp& app : hostcommon::musicApps()) {
    apps.push_back({std::string(app.bundleIdentifier), std::string(app.displayName)});
  }
  return apps;
}

}  // namespace springboard
