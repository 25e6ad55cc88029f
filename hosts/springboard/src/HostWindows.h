#pragma once
// The home screen's own windows, back to front: the home screen itself
// (lowest: wallpaper, status bar, dock), the lock screen (dark, the time;
// shown while locked), the screenshots window (full screen, above the lock
// screen, taking no touches itself: only what it holds does, which is how
// the always-on window shows on a locked device) and the backlight (on top
// of everything: clear when the screen is lit, translucent black when
// dimmed, black when off). The backlight is asked first where every touch
// begins and tells the host (the idle timer restarts on any touch), but
// takes none itself.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DeviceScreen.h"
#include "HomeScreenView.h"
#include "Profile.h"
#include "ScreenshotsWindow.h"
#include "WindowDump.h"
#include "ui/Label.h"
#include "ui/Window.h"

namespace springboard {

class HomeScreenWindow : public ui::Window {
 public:
  HomeScreenWindow(ui::Rect frame, double statusBarHeight, std::vector<DockApp> apps);
  std::string className() const override { return "SBHomeScreenWindow"; }
  HomeScreenView& homeScreen() { return *view_; }

 private:
  std::shared_ptr<HomeScreenView> view_;
};

class LockScreenWindow : public ui::Window {
 public:
  explicit LockScreenWindow(ui::Rect frame);
  std::string className() const override { return "SBCoverSheetWindow"; }
  void setTime(const std::string& time) { timeLabel_->setText(time); }

 private:
  std::shared_ptr<ui::Label> timeLabel_;
};

class BacklightWindow : public ui::Window {
 public:
  using ui::Window::Window;
  std::string className() const override { return "SBBacklightWindow"; }
  void setTouchHandler(std::function<void()> handler) { touched_ = std::move(handler); }
  ui::View* hitTest(ui::Point) override {
    if (touched_) touched_();
    return nullptr;
  }

 private:
  std::function<void()> touched_;
};

// Levels: the lock screen between the status bar and alerts, the
// screenshots window above alerts, the backlight above all.
inline constexpr double kLockScreenWindowLevel = 1500;
inline constexpr double kBacklightWindowLevel = 100000;
// Alpha of the backlight's black when dimmed.
inline constexpr double kDimmedAlpha = 0.5;

struct HostWindows {
  HostWindows(const Profile& profile, std::vector<DockApp> apps);
  std::shared_ptr<HomeScreenWindow> homeScreen;
  std::shared_ptr<LockScreenWindow> lockScreen;
  std::shared_ptr<ScreenshotsWindow> screenshots;
  std::shared_ptr<BacklightWindow> backlight;

  // Shows the lock screen and sets the backlight as the screen is.
  void show(const DeviceScreen& screen);
  void setTime(const std::string& time);
};

// The supported music apps, as the dock lists them.
std::vector<DockApp> installedMusicApps();

}  // namespace springboard
