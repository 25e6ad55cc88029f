#pragma once

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "quartz/Geometry.h"

namespace render {

// Where an axis-aligned layer's origin lands, in device pixels. Halves round
// up, so a layer moved by whole pixels keeps every pixel it draws.
inline double snapToPixel(double v) { return std::floor(v + 0.5); }

// The path of a layer's background and clip: its bounds, corners rounded.
inline void roundedRect(cairo_t* cr, const quartz::Rect& r, double radius) {
  radius = std::min({radius, std::fabs(r.width()) / 2, std::fabs(r.height()) / 2});
  if (radius <= 0) {
    cairo_rectangle(cr, r.x(), r.y(), r.width(), r.height());
    return;
  }
  double x0 = r.minX(), y0 = r.minY(), x1 = r.maxX(), y1 = r.maxY();
  cairo_new_sub_path(cr);
  cairo_arc(cr, x1 - radius, y0 + radius, radius, -M_PI / 2, 0);
  cairo_arc(cr, x1 - radius, y1 - radius, radius, 0, M_PI / 2);
  cairo_arc(cr, x0 + radius, y1 - radius, radius, M_PI / 2, M_PI);
  cairo_arc(cr, x0 + radius, y0 + radius, radius, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

}  // namespace render
