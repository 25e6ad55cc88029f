// The system's screen on one monitor of a desktop: which monitor, and how
// its points map to root pixels.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/Monitor.h"

namespace {

using display::Monitor;

const std::vector<Monitor> kMonitors{
    {"DP-1", 0, 0, 1920, 1080, false},
    {"HDMI-1", 1920, 120, 2560, 1440, true},
    {"eDP-1", -1280, 0, 1280, 800, false},
};

TEST(MonitorTest, ANamedMonitorElseThePrimaryElseTheFirst) {
  struct Case {
    std::vector<Monitor> monitors;
    std::string wanted;
    std::string chosen;  // empty: none
    bool found;
  };
  std::vector<Monitor> noPrimary = kMonitors;
  noPrimary[1].primary = false;
  const std::vector<Case> cases{
      {kMonitors, "eDP-1", "eDP-1", true},   {kMonitors, "", "HDMI-1", false},
      {kMonitors, "VGA-1", "HDMI-1", false}, {noPrimary, "", "DP-1", false},
      {noPrimary, "gone", "DP-1", false},    {{}, "DP-1", "", false},
  };
  for (const Case& c : cases) {
    bool found = !c.found;
    const Monitor* chosen = display::chooseMonitor(c.monitors, c.wanted, &found);
    EXPECT_EQ(chosen ? chosen->name : "", c.chosen) << "wanted '" << c.wanted << "'";
    EXPECT_EQ(found, c.found) << "wanted '" << c.wanted << "'";
  }
}

TEST(MonitorTest, PointsMapToRootPixelsFromTheMonitorsCornerAtTheScale) {
  struct Case {
    Monitor monitor;
    double scale;
    quartz::Rect bounds;
    quartz::Point point, pixel;
  };
  const std::vector<Case> cases{
      {kMonitors[0], 1, {0, 0, 1920, 1080}, {10, 20}, {10, 20}},
      {kMonitors[1], 2, {0, 0, 1280, 720}, {100, 50.5}, {2120, 221}},
      {kMonitors[2], 1.5, {0, 0, 1280 / 1.5, 800 / 1.5}, {0, 0}, {-1280, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(display::screenBoundsOn(c.monitor, c.scale), c.bounds) << c.monitor.name;
    EXPECT_EQ(display::rootPixelFor(c.point, c.monitor, c.scale), c.pixel) << c.monitor.name;
    EXPECT_EQ(display::screenPointFor(c.pixel, c.monitor, c.scale), c.point) << c.monitor.name;
  }
}

}  // namespace
