#pragma once
// A monitor of an X screen as RandR reports it, and how the screen the
// system sees maps onto one: on a desktop the system's screen (ui::Screen,
// in points) is one monitor, its origin at the monitor's top-left corner on
// the root window, one point `scale` root pixels. Plain values and pure
// functions, so the mapping is tested without a server.

#include <string>
#include <vector>

#include "quartz/Geometry.h"

namespace display {

struct Monitor {
  std::string name;  // RandR's name of the monitor ("DP-1", "screen")
  int x = 0, y = 0;  // its top-left corner on the root, pixels
  int width = 0, height = 0;
  bool primary = false;

  bool operator==(const Monitor&) const = default;
};

// The monitor named `name`; with an empty name, or none of that name, the
// primary one, else the first. Null only when there are none. `*found`
// (optional) says whether a named monitor was there.
const Monitor* chooseMonitor(const std::vector<Monitor>& monitors, const std::string& name, bool* found = nullptr);

// The system's screen on `monitor`: origin zero, the monitor's size in points.
quartz::Rect screenBoundsOn(const Monitor& monitor, double scale);

// A point of the system's screen as a root pixel, and back.
quartz::Point rootPixelFor(quartz::Point screenPoint, const Monitor& monitor, double scale);
quartz::Point screenPointFor(quartz::Point rootPixel, const Monitor& monitor, double scale);

}  // namespace display
