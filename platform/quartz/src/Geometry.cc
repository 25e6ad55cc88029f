#include "quartz/Geometry.h"

#include <algorithm>

namespace quartz {

Rect Rect::intersection(const Rect& other) const {
  double x0 = std::max(minX(), other.minX());
  double y0 = std::max(minY(), other.minY());
  double x1 = std::min(maxX(), other.maxX());
  double y1 = std::min(maxY(), other.maxY());
  if (x1 <= x0 || y1 <= y0) return Rect();
  return Rect(x0, y0, x1 - x0, y1 - y0);
}

Rect Rect::unionWith(const Rect& other) const {
  if (isEmpty()) return other;
  if (other.isEmpty()) return *this;
  double x0 = std::min(minX(), other.minX());
  double y0 = std::min(minY(), other.minY());
  double x1 = std::max(maxX(), other.maxX());
  double y1 = std::max(maxY(), other.maxY());
  return Rect(x0, y0, x1 - x0, y1 - y0);
}

AffineTransform AffineTransform::makeRotation(double radians) {
  double c = std::cos(radians), s = std::sin(radians);
  return {c, s, -s, c, 0, 0};
}

AffineTransform AffineTransform::inverted() const {
  double det = a * d - b * c;
  if (det == 0) return *this;
  AffineTransform r;
  r.a = d / det;
  r.b = -b / det;
  r.c = -c / det;
  r.d = a / det;
  r.tx = -(tx * r.a + ty * r.c);
  r.ty = -(tx * r.b + ty * r.d);
  return r;
}

Rect AffineTransform::apply(const Rect& r) const {
  Point p[4] = {apply(Point{r.minX(), r.minY()}), apply(Point{r.maxX(), r.minY()}),
                apply(Point{r.minX(), r.maxY()}), apply(Point{r.maxX(), r.maxY()})};
  double x0 = p[0].x, x1 = p[0].x, y0 = p[0].y, y1 = p[0].y;
  for (const Point& q : p) {
    x0 = std::min(x0, q.x);
    x1 = std::max(x1, q.x);
    y0 = std::min(y0, q.y);
    y1 = std::max(y1, q.y);
  }
  return Rect(x0, y0, x1 - x0, y1 - y0);
}

AffineTransform concat(const AffineTransform& t1, const AffineTransform& t2) {
  return {t1.a * t2.a + t1.b * t2.c,
          t1.a * t2.b + t1.b * t2.d,
          t1.c * t2.a + t1.d * t2.c,
          t1.c * t2.b + t1.d * t2.d,
          t1.tx * t2.a + t1.ty * t2.c + t2.tx,
          t1.tx * t2.b + t1.ty * t2.d + t2.ty};
}

AffineTransform translate(const AffineTransform& t, double x, double y) {
  return concat(AffineTransform::makeTranslation(x, y), t);
}
AffineTransform scale(const AffineTransform& t, double sx, double sy) {
  return concat(AffineTransform::makeScale(sx, sy), t);
}
AffineTransform rotate(const AffineTransform& t, double radians) {
  return concat(AffineTransform::makeRotation(radians), t);
}

Transform3D Transform3D::makeTranslation(double x, double y, double z) {
  Transform3D t;
  t.m41 = x;
  t.m42 = y;
  t.m43 = z;
  return t;
}

Transform3D Transform3D::makeScale(double sx, double sy, double sz) {
  Transform3D t;
  t.m11 = sx;
  t.m22 = sy;
  t.m33 = sz;
  return t;
}

Transform3D Transform3D::makeRotation(double radians, double x, double y, double z) {
  double len = std::sqrt(x * x + y * y + z * z);
  if (len == 0) return identity();
  x /= len;
  y /= len;
  z /= len;
  double c = std::cos(radians), s = std::sin(radians), t = 1 - c;
  Transform3D r;
  // Row-vector form: a positive angle turns +x towards +y (clockwise on a
  // y-down screen), matching the affine rotation.
  r.m11 = t * x * x + c;
  r.m12 = t * x * y + s * z;
  r.m13 = t * x * z - s * y;
  r.m21 = t * x * y - s * z;
  r.m22 = t * y * y + c;
  r.m23 = t * y * z + s * x;
  r.m31 = t * x * z + s * y;
  r.m32 = t * y * z - s * x;
  r.m33 = t * z * z + c;
  return r;
}

Transform3D Transform3D::fromAffine(const AffineTransform& a) {
  Transform3D t;
  t.m11 = a.a;
  t.m12 = a.b;
  t.m21 = a.c;
  t.m22 = a.d;
  t.m41 = a.tx;
  t.m42 = a.ty;
  return t;
}

bool Transform3D::isAffine() const {
  return m13 == 0 && m14 == 0 && m23 == 0 && m24 == 0 && m31 == 0 && m32 == 0 && m33 == 1 &&
         m34 == 0 && m43 == 0 && m44 == 1;
}

Transform3D concat(const Transform3D& a, const Transform3D& b) {
  const double A[4][4] = {{a.m11, a.m12, a.m13, a.m14},
                          {a.m21, a.m22, a.m23, a.m24},
                          {a.m31, a.m32, a.m33, a.m34},
                          {a.m41, a.m42, a.m43, a.m44}};
  const double B[4][4] = {{b.m11, b.m12, b.m13, b.m14},
                          {b.m21, b.m22, b.m23, b.m24},
                          {b.m31, b.m32, b.m33, b.m34},
                          {b.m41, b.m42, b.m43, b.m44}};
  double R[4][4];
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      double s = 0;
      for (int k = 0; k < 4; ++k) s += A[i][k] * B[k][j];
      R[i][j] = s;
    }
  return {R[0][0], R[0][1], R[0][2], R[0][3], R[1][0], R[1][1], R[1][2], R[1][3],
          R[2][0], R[2][1], R[2][2], R[2][3], R[3][0], R[3][1], R[3][2], R[3][3]};
}

Transform3D translate(const Transform3D& t, double x, double y, double z) {
  return concat(Transform3D::makeTranslation(x, y, z), t);
}
Transform3D scale(const Transform3D& t, double sx, double sy, double sz) {
  return concat(Transform3D::makeScale(sx, sy, sz), t);
}
Transform3D rotate(const Transform3D& t, double radians, double x, double y, double z) {
  return concat(Transform3D::makeRotation(radians, x, y, z), t);
}

}  // namespace quartz
