#include "display/Monitor.h"

namespace display {

const Monitor* chooseMonitor(const std::vector<Monitor>& monitors, const std::string& name, bool* found) {
  if (found) *found = false;
  if (!name.empty()) {
    for (const Monitor& m : monitors) {
      if (m.name == name) {
        if (found) *found = true;
        return &m;
      }
    }
  }
  for (const Monitor& m : monitors)
    if (m.primary) return &m;
  return monitors.empty() ? nullptr : &monitors.front();
}

quartz::Rect screenBoundsOn(const Monitor& monitor, double scale) {
  return {0, 0, monitor.width / scale, monitor.height / scale};
}

quartz::Point rootPixelFor(quartz::Point screenPoint, const Monitor& monitor, double scale) {
  return {monitor.x + screenPoint.x * scale, monitor.y + screenPoint.y * scale};
}

quartz::Point screenPointFor(quartz::Point rootPixel, const Monitor& monitor, double scale) {
  return {(rootPixel.x - monitor.x) / scale, (rootPixel.y - monitor.y) / scale};
}

}  // namespace display
