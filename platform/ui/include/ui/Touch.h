#pragma once
// One finger's touch as the view system delivers it. Touches enter through
// Application::sendTouch in screen coordinates; one finger at a time.

#include "ui/Geometry.h"

namespace ui {

class View;
class Window;

enum class TouchPhase { Began, Moved, Ended, Cancelled };

struct Touch {
  TouchPhase phase = TouchPhase::Began;
  Point screenLocation;          // now
  Point previousScreenLocation;  // at the previous event of this touch
  Point beganScreenLocation;     // where the touch began
  double timestamp = 0;          // run-loop time of this event
  int tapCount = 1;              // quick successive taps at the same place
  Window* window = nullptr;      // the window the touch began in
  View* view = nullptr;          // the view hit when it began (may be null)

  // The location in `v`'s bounds space; null = screen coordinates.
  Point locationInView(const View* v) const;
  Point previousLocationInView(const View* v) const;
};

}  // namespace ui
