#pragma once
// The main screen: bounds in points (default 375 x 812) and scale (default
// 1: a point is a pixel, which offscreen rendering and tests use).
// Hosts and tests set them; reset() restores the defaults.

#include "ui/Geometry.h"

namespace ui {

// Posted on the default notification centre by a host whose screen can
// change size (a desktop's monitors), after it set the new bounds. A phone's
// screen never does, so its hosts never post it.
inline constexpr const char* kScreenModeDidChangeNotification = "UIScreenModeDidChangeNotification";

class Screen {
 public:
  static Screen& main();
  Rect bounds() const { return bounds_; }
  void setBounds(const Rect& b) { bounds_ = b; }
  double scale() const { return scale_; }
  void setScale(double s) { scale_ = s; }
  void reset();

 private:
  Rect bounds_{0, 0, 375, 812};
  double scale_ = 1;
};

}  // namespace ui
