#include "ui/Touch.h"

#include "ui/View.h"

namespace ui {

Point Touch::locationInView(const View* v) const {
  return v ? v->convertPointFromView(screenLocation, nullptr) : screenLocation;
}

Point Touch::previousLocationInView(const View* v) const {
  return v ? v->convertPointFromView(previousScreenLocation, nullptr) : previousScreenLocation;
}

}  // namespace ui
