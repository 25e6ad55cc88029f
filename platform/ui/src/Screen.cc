#include "ui/Screen.h"

namespace ui {

Screen& Screen::main() {
  static Screen screen;
  return screen;
}

void Screen::reset() {
  bounds_ = Rect{0, 0, 375, 812};
  scale_ = 1;
}

}  // namespace ui
