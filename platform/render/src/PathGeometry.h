#pragma once
// Paths into cairo, and partial strokes: a path is flattened once into
// polylines with their lengths so that the part from one length fraction to
// another (a shape layer's strokeStart..strokeEnd) can be stroked.

#include <cairo.h>

#include <vector>

#include "quartz/Path.h"

namespace render {

// Adds `path` to cr's current path (quadratic curves become cubics).
void appendPath(cairo_t* cr, const quartz::Path& path);

class FlattenedPath {
 public:
  explicit FlattenedPath(const quartz::Path& path, double tolerance = 0.02);
  double length() const { return length_; }
  // Adds the part between the fractions `from` and `to` (0..1) of the total
  // length to cr's current path; polylines wholly inside keep their closure.
  void appendPart(cairo_t* cr, double from, double to) const;

 private:
  struct Polyline {
    std::vector<quartz::Point> points;
    std::vector<double> lengths;  // cumulative, from the polyline's start
    bool closed = false;
  };
  std::vector<Polyline> polylines_;
  double length_ = 0;
};

}  // namespace render
