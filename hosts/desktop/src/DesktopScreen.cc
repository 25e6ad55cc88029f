#include "DesktopScreen.h"

#include "foundation/Log.h"
#include "ui/Screen.h"

namespace desktop {

DesktopScreen::DesktopScreen(foundation::RunLoop& loop, display::XDisplay* display, std::string wanted, double scale)
    : display_(display), wanted_(std::move(wanted)), scale_(scale) {
  current_ = {"headless", 0, 0, static_cast<int>(1280 * scale), static_cast<int>(720 * scale), true};
  refresh();
  if (display_ != nullptr) {
    display_->setMonitorsChangedHandler([this] { refresh(); });
    // Monitors a user defines (xrandr --setmonitor) change without any
    // notification: a look every few seconds catches those (one round trip).
    // It need not be punctual: it waits for a turn the system makes anyway.
    poll_ = loop.scheduledTimer(kPollSeconds, true, [this](foundation::Timer&) { refresh(); });
    poll_->setTolerance(kPollSeconds / 2);
  }
}

DesktopScreen::~DesktopScreen() {
  if (poll_) poll_->invalidate();
  if (display_ != nullptr) display_->setMonitorsChangedHandler({});
}

void DesktopScreen::refresh() {
  if (display_ == nullptr) {
    apply(current_);
    return;
  }
  monitors_ = display_->monitors();
  bool found = false;
  const display::Monitor* chosen = display::chooseMonitor(monitors_, stage_.empty() ? wanted_ : stage_, &found);
  if (chosen == nullptr) return;  // no monitor at all (all outputs off): stay
  if (!wanted_.empty() && stage_.empty() && !found && !(*chosen == current_)) {
    foundation::logError("hoververse", __FILE__, __LINE__, "INFO",
                         foundation::Value("no monitor " + wanted_ + " now: showing on " + chosen->name));
  }
  apply(*chosen);
}

bool DesktopScreen::setStageMonitor(const std::string& name) {
  if (!name.empty() && !hasMonitor(name)) return false;
  if (name == stage_) return true;
  stage_ = name;
  refresh();
  return true;
}

bool DesktopScreen::hasMonitor(const std::string& name) const {
  for (const display::Monitor& m : monitors_)
    if (m.name == name) return true;
  return false;
}

std::vector<std::string> DesktopScreen::monitorNames() const {
  std::vector<std::string> names;
  for (const display::Monitor& m : monitors_) names.push_back(m.name);
  return names;
}

void DesktopScreen::apply(const display::Monitor& monitor) {
  const bool same = monitor == current_ && ui::Screen::main().bounds() == display::screenBoundsOn(monitor, scale_);
  current_ = monitor;
  ui::Screen::main().setBounds(display::screenBoundsOn(monitor, scale_));
  ui::Screen::main().setScale(scale_);
  if (display_ != nullptr) display_->setOrigin(monitor.x, monitor.y);
  if (!same && changed_) changed_();
}

}  // namespace desktop
