#pragma once
// The home screen's own windows: the home screen itself (lowest) and the
// screenshots window, full screen above the lock screen, which takes no
// touches itself (only what it holds does).

#include <memory>
#include <string>

#include "Profile.h"
#include "ui/Window.h"

namespace springboard {

class ScreenshotsWindow : public ui::Window {
 public:
  using ui::Window::Window;
  std::string className() const override { return "SSScreenshotsWindow"; }
  ui::View* hitTest(ui::Point p) override;
};

class HomeScreenWindow : public ui::Window {
 public:
  using ui::Window::Window;
  std::string className() const override { return "SBHomeScreenWindow"; }
};

struct HostWindows {
  explicit HostWindows(const Profile& profile);
  std::shared_ptr<HomeScreenWindow> homeScreen;
  std::shared_ptr<ScreenshotsWindow> screenshots;
};

// Level of the screenshots window: above alerts and the lock screen.
inline constexpr double kScreenshotsWindowLevel = 2500;

// Every top-level window, back to front, as a JSON array of view trees;
// the system's three windows carry their "name".
std::string dumpWindows();

}  // namespace springboard
