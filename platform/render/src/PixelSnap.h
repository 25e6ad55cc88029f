#pragma once

#include <cmath>

namespace render {

// Where an axis-aligned layer's origin lands, in device pixels. Halves round
// up, so a layer moved by whole pixels keeps every pixel it draws.
inline double snapToPixel(double v) { return std::floor(v + 0.5); }

}  // namespace render
