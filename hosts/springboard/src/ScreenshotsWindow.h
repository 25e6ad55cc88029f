#pragma once
// The screenshots window: full screen, clear, above the lock screen, taking
// no touches itself (only what it holds does). It is where the system puts
// its always-on window, on the device and on a desktop.

#include <string>

#include "ui/Window.h"

namespace springboard {

class ScreenshotsWindow : public ui::Window {
 public:
  using ui::Window::Window;
  std::string className() const override { return "SSScreenshotsWindow"; }
  ui::View* hitTest(ui::Point p) override;
};

// Above alerts (the system's windows), below the backlight.
inline constexpr double kScreenshotsWindowLevel = 2500;

}  // namespace springboard
