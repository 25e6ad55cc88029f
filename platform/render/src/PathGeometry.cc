#include "PathGeometry.h"

#include <algorithm>
#include <cmath>

#include "CairoPtr.h"

namespace render {

void appendPath(cairo_t* cr, const quartz::Path& path) {
  quartz::Point current{0, 0};
  for (const quartz::Path::Element& e : path.elements()) {
    switch (e.op) {
      case quartz::Path::Op::MoveTo:
        cairo_move_to(cr, e.points[0].x, e.points[0].y);
        current = e.points[0];
        break;
      case quartz::Path::Op::LineTo:
        cairo_line_to(cr, e.points[0].x, e.points[0].y);
        current = e.points[0];
        break;
      case quartz::Path::Op::QuadTo: {
        const quartz::Point c = e.points[0], p = e.points[1];
        cairo_curve_to(cr, current.x + 2.0 / 3.0 * (c.x - current.x), current.y + 2.0 / 3.0 * (c.y - current.y),
                       p.x + 2.0 / 3.0 * (c.x - p.x), p.y + 2.0 / 3.0 * (c.y - p.y), p.x, p.y);
        current = p;
        break;
      }
      case quartz::Path::Op::CubicTo:
        cairo_curve_to(cr, e.points[0].x, e.points[0].y, e.points[1].x, e.points[1].y, e.points[2].x,
                       e.points[2].y);
        current = e.points[2];
        break;
      case quartz::Path::Op::Close: {
        cairo_close_path(cr);
        double x = 0, y = 0;
        if (cairo_has_current_point(cr)) cairo_get_current_point(cr, &x, &y);
        current = {x, y};
        break;
      }
    }
  }
}

FlattenedPath::FlattenedPath(const quartz::Path& path, double tolerance) {
  // cairo flattens curves to the tolerance in user space at an identity matrix.
  SurfacePtr scratch(cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1));
  ContextPtr cr(cairo_create(scratch.get()));
  cairo_set_tolerance(cr.get(), tolerance);
  appendPath(cr.get(), path);
  cairo_path_t* flat = cairo_copy_path_flat(cr.get());
  Polyline* current = nullptr;
  auto add = [&](double x, double y) {
    if (!current) return;
    quartz::Point p{x, y};
    double l = current->lengths.empty()
                   ? 0
                   : current->lengths.back() + std::hypot(p.x - current->points.back().x, p.y - current->points.back().y);
    current->points.push_back(p);
    current->lengths.push_back(l);
  };
  for (int i = 0; i < flat->num_data; i += flat->data[i].header.length) {
    const cairo_path_data_t& h = flat->data[i];
    switch (h.header.type) {
      case CAIRO_PATH_MOVE_TO:
        polylines_.emplace_back();
        current = &polylines_.back();
        add(flat->data[i + 1].point.x, flat->data[i + 1].point.y);
        break;
      case CAIRO_PATH_LINE_TO:
        add(flat->data[i + 1].point.x, flat->data[i + 1].point.y);
        break;
      case CAIRO_PATH_CLOSE_PATH:
        if (current && !current->points.empty()) {
          current->closed = true;
          quartz::Point first = current->points.front();
          add(first.x, first.y);
        }
        break;
      case CAIRO_PATH_CURVE_TO:  // not produced by a flat copy
        break;
    }
  }
  cairo_path_destroy(flat);
  for (const Polyline& p : polylines_) length_ += p.lengths.empty() ? 0 : p.lengths.back();
}

void FlattenedPath::appendPart(cairo_t* cr, double from, double to) const {
  double start = std::clamp(from, 0.0, 1.0) * length_;
  double end = std::clamp(to, 0.0, 1.0) * length_;
  if (end <= start) return;
  double offset = 0;  // length before the current polyline
  for (const Polyline& p : polylines_) {
    double total = p.lengths.empty() ? 0 : p.lengths.back();
    double a = start - offset, b = end - offset;
    offset += total;
    if (p.points.size() < 2 || b <= 0 || a >= total) continue;
    if (a <= 0 && b >= total) {  // whole polyline
      cairo_move_to(cr, p.points[0].x, p.points[0].y);
      for (std::size_t i = 1; i < p.points.size(); ++i) cairo_line_to(cr, p.points[i].x, p.points[i].y);
      if (p.closed) cairo_close_path(cr);
      continue;
    }
    auto pointAt = [&p](double l, std::size_t& segment) {
      segment = static_cast<std::size_t>(std::upper_bound(p.lengths.begin(), p.lengths.end(), l) - p.lengths.begin());
      segment = std::clamp<std::size_t>(segment, 1, p.points.size() - 1);
      double l0 = p.lengths[segment - 1], l1 = p.lengths[segment];
      double f = l1 > l0 ? (l - l0) / (l1 - l0) : 0;
      const quartz::Point& q0 = p.points[segment - 1];
      const quartz::Point& q1 = p.points[segment];
      return quartz::Point{q0.x + (q1.x - q0.x) * f, q0.y + (q1.y - q0.y) * f};
    };
    a = std::max(a, 0.0);
    b = std::min(b, total);
    std::size_t sa = 0, sb = 0;
    quartz::Point pa = pointAt(a, sa);
    quartz::Point pb = pointAt(b, sb);
    cairo_move_to(cr, pa.x, pa.y);
    for (std::size_t i = sa; i < sb; ++i) cairo_line_to(cr, p.points[i].x, p.points[i].y);
    cairo_line_to(cr, pb.x, pb.y);
  }
}

}  // namespace render
