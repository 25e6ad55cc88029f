#include "HostWindows.h"

#include <cmath>
#include <nlohmann/json.hpp>
#include <string_view>
#include <vector>

#include "hostcommon/MusicApp.h"
#include "ui/Application.h"
#include "ui/Color.h"
#include "ui/TreeDump.h"

namespace springboard {

ui::View* ScreenshotsWindow::hitTest(ui::Point p) {
  ui::View* hit = ui::Window::hitTest(p);
  return hit == this ? nullptr : hit;
}

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

namespace {

// JSON text in the shape ui::treeJson writes (", " and ": " between items,
// integral numbers without a fraction), so readers of the trees see one form.
void writeJson(const nlohmann::ordered_json& value, std::string& out) {
  if (value.is_object()) {
    out += "{";
    bool first = true;
    for (const auto& [key, item] : value.items()) {
      if (!first) out += ", ";
      first = false;
      out += nlohmann::json(key).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + ": ";
      writeJson(item, out);
    }
    out += "}";
  } else if (value.is_array()) {
    out += "[";
    for (std::size_t i = 0; i < value.size(); ++i) {
      if (i > 0) out += ", ";
      writeJson(value[i], out);
    }
    out += "]";
  } else if (value.is_number_float() && std::abs(value.get<double>()) < 1e15 &&
             value.get<double>() == std::trunc(value.get<double>())) {
    out += std::to_string(static_cast<long long>(value.get<double>()));
  } else {
    out += value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
  }
}

// Adds, to every window in the tree (windows may hold windows: the
// screenshots window holds the always-on one), where it is on the screen and
// whether a user sees it: it and every view holding it neither hidden nor
// fully transparent.
void addWindowFields(const ui::View& view, nlohmann::ordered_json& tree, bool holdersShown) {
  const bool shown = holdersShown && !view.isHidden() && view.alpha() >= 0.01;
  if (const auto* window = dynamic_cast<const ui::Window*>(&view)) {
    const ui::Rect frame = window->convertRect(window->bounds(), nullptr);
    tree["level"] = window->windowLevel();
    tree["screenFrame"] = {frame.x(), frame.y(), frame.width(), frame.height()};
    tree["shown"] = shown;
  }
  nlohmann::ordered_json& subviews = tree["subviews"];
  for (std::size_t i = 0; i < view.subviews().size() && i < subviews.size(); ++i) {
    addWindowFields(*view.subviews()[i], subviews[i], shown);
  }
}

}  // namespace

std::string dumpWindows() {
  std::string out = "[";
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
    nlohmann::ordered_json tree = nlohmann::ordered_json::parse(ui::treeJson(*window, names), nullptr, false);
    if (tree.is_discarded()) continue;
    addWindowFields(*window, tree, true);
    if (out.size() > 1) out += ", ";
    writeJson(tree, out);
  }
  return out + "]";
}

}  // namespace springboard
