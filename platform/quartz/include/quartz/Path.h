#pragma once
// A resolution-independent path: subpaths of lines, quadratic and cubic
// curves, closed or open. Glyph outlines, shape layers and custom drawing use it.

#include <vector>

#include "quartz/Geometry.h"

namespace quartz {

// Stroke styles shared by shape layers and recorded drawing.
enum class LineJoin { Miter, Round, Bevel };
enum class LineCap { Butt, Round, Square };

class Path {
 public:
  enum class Op { MoveTo, LineTo, QuadTo, CubicTo, Close };
  struct Element {
    Op op;
    Point points[3];  // MoveTo/LineTo: [0]; QuadTo: [0] control, [1] end; CubicTo: [0],[1] controls, [2] end
  };

  void moveTo(Point p);
  void lineTo(Point p);
  void quadTo(Point control, Point end);
  void cubicTo(Point control1, Point control2, Point end);
  void close();
  // Appends every element of `other`, transformed.
  void addPath(const Path& other, const AffineTransform& transform = {});
  void addRect(const Rect& r);
  void addRoundedRect(const Rect& r, double radius);
  void addEllipse(const Rect& r);

  const std::vector<Element>& elements() const { return elements_; }
  bool isEmpty() const { return elements_.empty(); }
  // Bounding box of every point, control points included.
  Rect boundingBox() const;
  Path transformed(const AffineTransform& t) const;
  bool operator==(const Path&) const = default;

 private:
  std::vector<Element> elements_;
};

inline bool operator==(const Path::Element& a, const Path::Element& b) {
  if (a.op != b.op) return false;
  for (int i = 0; i < 3; ++i)
    if (!(a.points[i] == b.points[i])) return false;
  return true;
}

}  // namespace quartz
