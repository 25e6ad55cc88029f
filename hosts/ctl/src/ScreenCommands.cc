#include "ScreenCommands.h"

#include <chrono>
#include <cmath>
#include <thread>

#include "display/XTools.h"
#include "render/ImageCodec.h"

namespace ctl {

namespace {

using display::PointerAction;
using display::PointerEvent;

// A drag moves the pointer this often, as a finger reports its moves.
constexpr double kMoveInterval = 1.0 / 60;
// Between the taps of a double tap: well inside the recogniser's interval,
// long enough for the first tap to end on its own turn.
constexpr auto kTapGap = std::chrono::milliseconds(80);

PointerEvent at(const ScreenTarget& target, PointerAction action, double x, double y) {
  return {action, static_cast<int>(std::lround(x * target.scale)), static_cast<int>(std::lround(y * target.scale))};
}

std::string inject(const ScreenTarget& target, const std::vector<PointerEvent>& events) {
  std::string error;
  if (display::injectPointer(target.display, events, &error)) return {};
  return "cannot move the pointer on " + target.display + ": " + error;
}

}  // namespace

bool screenTarget(const hostcommon::DeviceState& state, ScreenTarget& target, std::string& error) {
  if (state.display.empty()) {
    error = "the device has no screen (it was started with --no-display)";
    return false;
  }
  target.display = state.display;
  target.scale = state.displayScale > 0 ? state.displayScale : 1;
  return true;
}

std::string tap(const ScreenTarget& target, double x, double y, int taps) {
  for (int i = 0; i < taps; ++i) {
    if (i > 0) std::this_thread::sleep_for(kTapGap);
    const std::string error =
        inject(target, {at(target, PointerAction::move, x, y), at(target, PointerAction::press, x, y),
                        at(target, PointerAction::release, x, y)});
    if (!error.empty()) return error;
  }
  return {};
}

std::string longPress(const ScreenTarget& target, double x, double y, double seconds) {
  std::string error = inject(target, {at(target, PointerAction::move, x, y), at(target, PointerAction::press, x, y)});
  if (!error.empty()) return error;
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  return inject(target, {at(target, PointerAction::release, x, y)});
}

std::string drag(const ScreenTarget& target, double x1, double y1, double x2, double y2, double seconds) {
  std::string error =
      inject(target, {at(target, PointerAction::move, x1, y1), at(target, PointerAction::press, x1, y1)});
  if (!error.empty()) return error;
  const int steps = std::max(2, static_cast<int>(std::lround(seconds / kMoveInterval)));
  const auto start = std::chrono::steady_clock::now();
  for (int i = 1; i <= steps; ++i) {
    const double f = static_cast<double>(i) / steps;
    // Paced by the clock, so a slow machine does not stretch the drag.
    std::this_thread::sleep_until(start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                              std::chrono::duration<double>(seconds * f)));
    error = inject(target, {at(target, PointerAction::move, x1 + (x2 - x1) * f, y1 + (y2 - y1) * f)});
    if (!error.empty()) return error;
  }
  return inject(target, {at(target, PointerAction::release, x2, y2)});
}

std::string screenshot(const ScreenTarget& target, const std::string& file) {
  std::string error;
  const auto image = display::captureRoot(target.display, &error);
  if (!image) return "cannot read the screen of " + target.display + ": " + error;
  if (!render::writePNG(*image, file)) return "cannot write " + file;
  return {};
}

}  // namespace ctl
