#include "HostWindows.h"

#include <string_view>
#include <vector>

#include "ui/Application.h"
#include "ui/Color.h"
#include "ui/TreeDump.h"

namespace springboard {

ui::View* ScreenshotsWindow::hitTest(ui::Point p) {
  ui::View* hit = ui::Window::hitTest(p);
  return hit == this ? nullptr : hit;
}

HostWindows::HostWindows(const Profile& profile) {
  const ui::Rect screen{0, 0, profile.screenWidth, profile.screenHeight};
  homeScreen = std::make_shared<HomeScreenWindow>(screen);
  homeScreen->setWindowLevel(ui::WindowLevel::normal);
  homeScreen->setBackgroundColor(ui::Color::colorWithRed(0.16, 0.22, 0.34, 1));
  homeScreen->setHidden(false);
  screenshots = std::make_shared<ScreenshotsWindow>(screen);
  screenshots->setWindowLevel(kScreenshotsWindowLevel);
  screenshots->setBackgroundColor(ui::Color::clearColor());
  screenshots->setHidden(false);
}

std::string dumpWindows() {
  std::string out = "[";
  bool first = true;
  for (ui::Window* window : ui::Application::shared().windows()) {
    if (window->superview() != nullptr) continue;  // dumped inside its holder
    ui::ViewNames names;
    auto nameOf = [](std::string_view cls) -> const char* {
      if (cls == "MMLyricSuperWindow") return "lyricWindow";
      if (cls == "LyricSettingWindow") return "settingWindow";
      if (cls == "FullScreenWindow") return "fullScreenWindow";
      return nullptr;
    };
    std::vector<const ui::View*> pending{window};
    while (!pending.empty()) {
      const ui::View* v = pending.back();
      pending.pop_back();
      if (const char* name = nameOf(v->className())) names[v] = name;
      for (const auto& sub : v->subviews()) pending.push_back(sub.get());
    }
    if (!first) out += ", ";
    first = false;
    out += ui::treeJson(*window, names);
  }
  return out + "]";
}

}  // namespace springboard
