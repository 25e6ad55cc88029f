#include "quartz/Path.h"

#include <algorithm>
#include <cmath>

namespace quartz {

void Path::moveTo(Point p) { elements_.push_back({Op::MoveTo, {p, {}, {}}}); }
void Path::lineTo(Point p) { elements_.push_back({Op::LineTo, {p, {}, {}}}); }
void Path::quadTo(Point c, Point e) { elements_.push_back({Op::QuadTo, {c, e, {}}}); }
void Path::cubicTo(Point c1, Point c2, Point e) { elements_.push_back({Op::CubicTo, {c1, c2, e}}); }
void Path::close() { elements_.push_back({Op::Close, {}}); }

static int pointCount(Path::Op op) {
  switch (op) {
    case Path::Op::MoveTo:
    case Path::Op::LineTo: return 1;
    case Path::Op::QuadTo: return 2;
    case Path::Op::CubicTo: return 3;
    case Path::Op::Close: return 0;
  }
  return 0;
}

void Path::addPath(const Path& other, const AffineTransform& t) {
  elements_.reserve(elements_.size() + other.elements_.size());
  const bool identity = t.isIdentity();
  for (Element e : other.elements_) {
    if (!identity)
      for (int i = 0; i < pointCount(e.op); ++i) e.points[i] = t.apply(e.points[i]);
    elements_.push_back(e);
  }
}

void Path::addRect(const Rect& r) {
  moveTo({r.minX(), r.minY()});
  lineTo({r.maxX(), r.minY()});
  lineTo({r.maxX(), r.maxY()});
  lineTo({r.minX(), r.maxY()});
  close();
}

// Quarter circles as cubic Beziers.
static constexpr double kKappa = 0.5522847498307936;

void Path::addRoundedRect(const Rect& r, double radius) {
  radius = std::min({radius, std::fabs(r.width()) / 2, std::fabs(r.height()) / 2});
  if (radius <= 0) {
    addRect(r);
    return;
  }
  const double x0 = r.minX(), y0 = r.minY(), x1 = r.maxX(), y1 = r.maxY();
  const double k = radius * kKappa;
  moveTo({x0 + radius, y0});
  lineTo({x1 - radius, y0});
  cubicTo({x1 - radius + k, y0}, {x1, y0 + radius - k}, {x1, y0 + radius});
  lineTo({x1, y1 - radius});
  cubicTo({x1, y1 - radius + k}, {x1 - radius + k, y1}, {x1 - radius, y1});
  lineTo({x0 + radius, y1});
  cubicTo({x0 + radius - k, y1}, {x0, y1 - radius + k}, {x0, y1 - radius});
  lineTo({x0, y0 + radius});
  cubicTo({x0, y0 + radius - k}, {x0 + radius - k, y0}, {x0 + radius, y0});
  close();
}

void Path::addEllipse(const Rect& r) {
  const double cx = r.midX(), cy = r.midY();
  const double rx = std::fabs(r.width()) / 2, ry = std::fabs(r.height()) / 2;
  const double kx = rx * kKappa, ky = ry * kKappa;
  moveTo({cx + rx, cy});
  cubicTo({cx + rx, cy + ky}, {cx + kx, cy + ry}, {cx, cy + ry});
  cubicTo({cx - kx, cy + ry}, {cx - rx, cy + ky}, {cx - rx, cy});
  cubicTo({cx - rx, cy - ky}, {cx - kx, cy - ry}, {cx, cy - ry});
  cubicTo({cx + kx, cy - ry}, {cx + rx, cy - ky}, {cx + rx, cy});
  close();
}

Rect Path::boundingBox() const {
  bool any = false;
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  for (const Element& e : elements_) {
    for (int i = 0; i < pointCount(e.op); ++i) {
      const Point& p = e.points[i];
      if (!any) {
        x0 = x1 = p.x;
        y0 = y1 = p.y;
        any = true;
      } else {
        x0 = std::min(x0, p.x);
        x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y);
        y1 = std::max(y1, p.y);
      }
    }
  }
  return any ? Rect(x0, y0, x1 - x0, y1 - y0) : Rect();
}

Path Path::transformed(const AffineTransform& t) const {
  Path p;
  p.addPath(*this, t);
  return p;
}

}  // namespace quartz
