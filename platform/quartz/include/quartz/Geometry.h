#pragma once
// Points, sizes, rectangles and transforms with the platform's conventions:
// origin top left, y down; transforms act on row vectors (p' = p * M), so
// concat(a, b) applies a first and b second, and rotate/scale/translate(t, …)
// apply the new operation before t.

#include <cmath>
#include <limits>

namespace quartz {

struct Point {
  double x = 0, y = 0;
  bool operator==(const Point&) const = default;
};

struct Size {
  double width = 0, height = 0;
  bool operator==(const Size&) const = default;
};

struct Rect {
  Point origin;
  Size size;
  Rect() = default;
  Rect(double x, double y, double w, double h) : origin{x, y}, size{w, h} {}
  Rect(Point o, Size s) : origin(o), size(s) {}
  double x() const { return origin.x; }
  double y() const { return origin.y; }
  double width() const { return size.width; }
  double height() const { return size.height; }
  double minX() const { return std::fmin(origin.x, origin.x + size.width); }
  double minY() const { return std::fmin(origin.y, origin.y + size.height); }
  double maxX() const { return std::fmax(origin.x, origin.x + size.width); }
  double maxY() const { return std::fmax(origin.y, origin.y + size.height); }
  double midX() const { return origin.x + size.width / 2; }
  double midY() const { return origin.y + size.height / 2; }
  bool isEmpty() const { return size.width == 0 || size.height == 0; }
  bool contains(Point p) const { return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY(); }
  Rect intersection(const Rect& other) const;  // empty Rect() when disjoint
  Rect unionWith(const Rect& other) const;
  Rect insetBy(double dx, double dy) const { return {origin.x + dx, origin.y + dy, size.width - 2 * dx, size.height - 2 * dy}; }
  bool operator==(const Rect&) const = default;
};

// 2-D affine transform [a b 0; c d 0; tx ty 1].
struct AffineTransform {
  double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

  static AffineTransform identity() { return {}; }
  static AffineTransform makeTranslation(double x, double y) { return {1, 0, 0, 1, x, y}; }
  static AffineTransform makeScale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
  static AffineTransform makeRotation(double radians);

  bool isIdentity() const { return *this == AffineTransform{}; }
  AffineTransform inverted() const;  // identity-free: returns *this when singular
  Point apply(Point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
  Size apply(Size s) const { return {a * s.width + c * s.height, b * s.width + d * s.height}; }
  Rect apply(const Rect& r) const;  // bounding box of the transformed corners
  bool operator==(const AffineTransform&) const = default;
};

AffineTransform concat(const AffineTransform& first, const AffineTransform& second);
AffineTransform translate(const AffineTransform& t, double x, double y);
AffineTransform scale(const AffineTransform& t, double sx, double sy);
AffineTransform rotate(const AffineTransform& t, double radians);

// 3-D transform, 4x4 row-vector matrix (m11 … m44) as the compositor uses.
struct Transform3D {
  double m11 = 1, m12 = 0, m13 = 0, m14 = 0;
  double m21 = 0, m22 = 1, m23 = 0, m24 = 0;
  double m31 = 0, m32 = 0, m33 = 1, m34 = 0;
  double m41 = 0, m42 = 0, m43 = 0, m44 = 1;

  static Transform3D identity() { return {}; }
  static Transform3D makeTranslation(double x, double y, double z);
  static Transform3D makeScale(double sx, double sy, double sz);
  // Rotation by `radians` about the axis (x, y, z); the axis is normalised.
  static Transform3D makeRotation(double radians, double x, double y, double z);
  static Transform3D fromAffine(const AffineTransform& t);

  bool isIdentity() const { return *this == Transform3D{}; }
  bool isAffine() const;
  // The 2-D part that an orthographic (no perspective) compositor uses:
  // x' = m11 x + m21 y + m41, y' = m12 x + m22 y + m42.
  AffineTransform affine() const { return {m11, m12, m21, m22, m41, m42}; }
  bool operator==(const Transform3D&) const = default;
};

Transform3D concat(const Transform3D& first, const Transform3D& second);
Transform3D translate(const Transform3D& t, double x, double y, double z);
Transform3D scale(const Transform3D& t, double sx, double sy, double sz);
Transform3D rotate(const Transform3D& t, double radians, double x, double y, double z);

// Largest single-precision value, which the platform uses for "unbounded".
inline constexpr double kFloatMax = 3.4028234663852886e38;

}  // namespace quartz
