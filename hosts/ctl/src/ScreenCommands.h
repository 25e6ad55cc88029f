#pragma once
// hoververse-ctl's commands on the device's X server: touches made of
// pointer events injected into the server (so they travel the real input
// path: the server finds the window, the window's process its view) and the
// composited screen as a PNG. Coordinates are screen points; the device's
// scale turns them into pixels.

#include <string>
#include <string_view>
#include <vector>

#include "hostcommon/DeviceState.h"

namespace ctl {

struct ScreenTarget {
  std::string display;  // ":N"
  double scale = 1;     // pixels per point
};

// The target of a running device, or nothing (with `error`) when it has no
// X server.
bool screenTarget(const hostcommon::DeviceState& state, ScreenTarget& target, std::string& error);

// Each returns an empty text on success, else the line to print.
std::string tap(const ScreenTarget& target, double x, double y, int taps);
std::string longPress(const ScreenTarget& target, double x, double y, double seconds);
std::string drag(const ScreenTarget& target, double x1, double y1, double x2, double y2, double seconds);
std::string screenshot(const ScreenTarget& target, const std::string& file);

}  // namespace ctl
