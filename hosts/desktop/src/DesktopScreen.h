#pragma once
// The system's screen on a desktop: one monitor of the X screen (the one
// asked for by name, else the primary), its size in points as ui::Screen's
// bounds and its corner as the display's origin. When the monitors change
// it chooses again (a monitor that went away gives way to the primary) and
// the system's refresh tick keeps its windows on the new screen. The stage
// can borrow another monitor while it shows.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "display/Monitor.h"
#include "display/XDisplay.h"
#include "foundation/RunLoop.h"

namespace desktop {

class DesktopScreen {
 public:
  // `display` may be null (headless): the screen is then 1280 x 720 pixels.
  DesktopScreen(foundation::RunLoop& loop, display::XDisplay* display, std::string wanted, double scale);
  ~DesktopScreen();
  DesktopScreen(const DesktopScreen&) = delete;
  DesktopScreen& operator=(const DesktopScreen&) = delete;
  static constexpr double kPollSeconds = 2.0;

  // Chooses again from the display's monitors and applies the choice.
  void refresh();
  // The stage's monitor while it shows ("": the screen's own). False when
  // no monitor has that name.
  bool setStageMonitor(const std::string& name);
  const std::string& stageMonitor() const { return stage_; }
  bool hasMonitor(const std::string& name) const;
  std::vector<std::string> monitorNames() const;

  const display::Monitor& current() const { return current_; }
  // Called after the screen moved or changed size.
  void setChangeHandler(std::function<void()> handler) { changed_ = std::move(handler); }

 private:
  void apply(const display::Monitor& monitor);

  display::XDisplay* display_;
  std::string wanted_;
  std::string stage_;
  double scale_;
  std::vector<display::Monitor> monitors_;
  display::Monitor current_;
  std::function<void()> changed_;
  std::shared_ptr<foundation::Timer> poll_;
};

}  // namespace desktop
