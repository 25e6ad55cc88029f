#include "ScreenshotsWindow.h"

namespace springboard {

ui::View* ScreenshotsWindow::hitTest(ui::Point p) {
  ui::View* hit = ui::Window::hitTest(p);
  return hit == this ? nullptr : hit;
}

}  // namespace springboard
