#pragma once
// What the home screen draws in its lowest window: a wallpaper, the status
// bar with the device clock's time, and the dock holding the installed
// music apps (an icon and a name each). Tapping an icon "opens" the app: the
// icon counts its launches (tree dumps show "launches") and the view tells
// its handler, which the host wires to the device.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/Label.h"
#include "ui/View.h"

namespace springboard {

struct DockApp {
  std::string bundleIdentifier;
  std::string name;
};

// One app in the dock: a rounded square with the name's first letter, the
// name under it, coloured by its place in the dock. Takes taps; the whole
// cell is the target.
class AppIconView : public ui::View {
 public:
  AppIconView(ui::Rect frame, DockApp app, std::size_t place);
  std::string className() const override { return "SBIconView"; }
  const DockApp& app() const { return app_; }
  int launches() const { return launches_; }
  void launch();
  void addDebugFields(ui::DebugFields& fields) const override;

 private:
  DockApp app_;
  int launches_ = 0;
};

class HomeScreenView : public ui::View {
 public:
  HomeScreenView(ui::Rect frame, double statusBarHeight, std::vector<DockApp> apps);
  std::string className() const override { return "SBHomeScreenView"; }

  // "09:41": what the status bar shows; the host updates it from its clock.
  void setTime(const std::string& time);
  std::string time() const { return timeLabel_->text(); }
  void setAppOpenHandler(std::function<void(const DockApp&)> handler) { openHandler_ = std::move(handler); }
  const std::vector<std::shared_ptr<AppIconView>>& icons() const { return icons_; }

 private:
  std::shared_ptr<ui::Label> timeLabel_;
  std::vector<std::shared_ptr<AppIconView>> icons_;
  std::function<void(const DockApp&)> openHandler_;
};

}  // namespace springboard
