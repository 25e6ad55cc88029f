#include "quartz/Animation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace quartz {

// ---- Timing -----------------------------------------------------------------

namespace {

double bezier(double p1, double p2, double t) {
  // One coordinate of a cubic Bezier from 0 to 1 with control values p1, p2.
  const double u = 1 - t;
  return 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t;
}

double bezierSlope(double p1, double p2, double t) {
  const double u = 1 - t;
  return 3 * u * u * p1 + 6 * u * t * (p2 - p1) + 3 * t * t * (1 - p2);
}

}  // namespace

double TimingFunction::evaluate(double x) const {
  x = std::clamp(x, 0.0, 1.0);
  if (c1x == c1y && c2x == c2y) return x;  // a straight line
  // Solve bezier_x(t) = x: Newton steps, then bisection if they stall.
  double t = x;
  for (int i = 0; i < 8; ++i) {
    const double err = bezier(c1x, c2x, t) - x;
    if (std::fabs(err) < 1e-9) return bezier(c1y, c2y, t);
    const double slope = bezierSlope(c1x, c2x, t);
    if (std::fabs(slope) < 1e-9) break;
    t -= err / slope;
  }
  double lo = 0, hi = 1;
  t = x;
  for (int i = 0; i < 60; ++i) {
    const double v = bezier(c1x, c2x, t);
    if (std::fabs(v - x) < 1e-10) break;
    if (v < x) lo = t; else hi = t;
    t = (lo + hi) / 2;
  }
  return bezier(c1y, c2y, t);
}

// ---- Interpolation ----------------------------------------------------------

namespace {

double lerp(double a, double b, double f) { return a + (b - a) * f; }

using Vec3 = std::array<double, 3>;
using Quat = std::array<double, 4>;  // x, y, z, w

double dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// Row-vector transform = [rows of scale/shear times rotation] then translation,
// with rotation rows R1..R3 orthonormal:
//   row1 = sx R1; row2 = sy R2 + a R1; row3 = sz R3 + b R1 + c R2.
struct Decomposed {
  Vec3 translation{};
  Vec3 scale{};
  double a = 0, b = 0, c = 0;
  Quat rotation{0, 0, 0, 1};
  std::array<double, 4> perspective{};  // m14, m24, m34, m44
};

Quat quatFromRows(const Vec3& r1, const Vec3& r2, const Vec3& r3) {
  const double m[3][3] = {{r1[0], r1[1], r1[2]}, {r2[0], r2[1], r2[2]}, {r3[0], r3[1], r3[2]}};
  Quat q;
  const double trace = m[0][0] + m[1][1] + m[2][2];
  if (trace > 0) {
    const double s = std::sqrt(trace + 1.0) * 2;
    q = {(m[1][2] - m[2][1]) / s, (m[2][0] - m[0][2]) / s, (m[0][1] - m[1][0]) / s, 0.25 * s};
  } else if (m[0][0] > m[1][1] && m[0][0] > m[2][2]) {
    const double s = std::sqrt(1.0 + m[0][0] - m[1][1] - m[2][2]) * 2;
    q = {0.25 * s, (m[0][1] + m[1][0]) / s, (m[2][0] + m[0][2]) / s, (m[1][2] - m[2][1]) / s};
  } else if (m[1][1] > m[2][2]) {
    const double s = std::sqrt(1.0 + m[1][1] - m[0][0] - m[2][2]) * 2;
    q = {(m[0][1] + m[1][0]) / s, 0.25 * s, (m[1][2] + m[2][1]) / s, (m[2][0] - m[0][2]) / s};
  } else {
    const double s = std::sqrt(1.0 + m[2][2] - m[0][0] - m[1][1]) * 2;
    q = {(m[2][0] + m[0][2]) / s, (m[1][2] + m[2][1]) / s, 0.25 * s, (m[0][1] - m[1][0]) / s};
  }
  return q;
}

void rowsFromQuat(const Quat& q, Vec3& r1, Vec3& r2, Vec3& r3) {
  const double x = q[0], y = q[1], z = q[2], w = q[3];
  r1 = {1 - 2 * (y * y + z * z), 2 * (x * y + z * w), 2 * (x * z - y * w)};
  r2 = {2 * (x * y - z * w), 1 - 2 * (x * x + z * z), 2 * (y * z + x * w)};
  r3 = {2 * (x * z + y * w), 2 * (y * z - x * w), 1 - 2 * (x * x + y * y)};
}

bool decompose(const Transform3D& m, Decomposed& out) {
  Vec3 r1{m.m11, m.m12, m.m13}, r2{m.m21, m.m22, m.m23}, r3{m.m31, m.m32, m.m33};
  out.translation = {m.m41, m.m42, m.m43};
  out.perspective = {m.m14, m.m24, m.m34, m.m44};
  const double sx = std::sqrt(dot(r1, r1));
  if (sx < 1e-12) return false;
  Vec3 R1{r1[0] / sx, r1[1] / sx, r1[2] / sx};
  const double a = dot(r2, R1);
  Vec3 t2{r2[0] - a * R1[0], r2[1] - a * R1[1], r2[2] - a * R1[2]};
  const double sy = std::sqrt(dot(t2, t2));
  if (sy < 1e-12) return false;
  Vec3 R2{t2[0] / sy, t2[1] / sy, t2[2] / sy};
  const double b = dot(r3, R1), c = dot(r3, R2);
  Vec3 t3{r3[0] - b * R1[0] - c * R2[0], r3[1] - b * R1[1] - c * R2[1], r3[2] - b * R1[2] - c * R2[2]};
  double sz = std::sqrt(dot(t3, t3));
  if (sz < 1e-12) return false;
  Vec3 R3{t3[0] / sz, t3[1] / sz, t3[2] / sz};
  // A reflection: fold it into the z scale so that R stays a rotation.
  const Vec3 cross{R1[1] * R2[2] - R1[2] * R2[1], R1[2] * R2[0] - R1[0] * R2[2], R1[0] * R2[1] - R1[1] * R2[0]};
  if (dot(cross, R3) < 0) {
    sz = -sz;
    R3 = {-R3[0], -R3[1], -R3[2]};
  }
  out.scale = {sx, sy, sz};
  out.a = a;
  out.b = b;
  out.c = c;
  out.rotation = quatFromRows(R1, R2, R3);
  return true;
}

Transform3D recompose(const Decomposed& d) {
  Vec3 R1, R2, R3;
  rowsFromQuat(d.rotation, R1, R2, R3);
  Transform3D m;
  auto row = [&](int i) {
    Vec3 r{};
    for (int k = 0; k < 3; ++k) {
      if (i == 0) r[k] = d.scale[0] * R1[k];
      if (i == 1) r[k] = d.scale[1] * R2[k] + d.a * R1[k];
      if (i == 2) r[k] = d.scale[2] * R3[k] + d.b * R1[k] + d.c * R2[k];
    }
    return r;
  };
  const Vec3 a = row(0), b = row(1), c = row(2);
  m.m11 = a[0]; m.m12 = a[1]; m.m13 = a[2]; m.m14 = d.perspective[0];
  m.m21 = b[0]; m.m22 = b[1]; m.m23 = b[2]; m.m24 = d.perspective[1];
  m.m31 = c[0]; m.m32 = c[1]; m.m33 = c[2]; m.m34 = d.perspective[2];
  m.m41 = d.translation[0]; m.m42 = d.translation[1]; m.m43 = d.translation[2]; m.m44 = d.perspective[3];
  return m;
}

Quat slerp(Quat a, const Quat& b, double f) {
  double cosTheta = a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3];
  if (cosTheta < 0) {  // the shorter way round
    for (double& v : a) v = -v;
    cosTheta = -cosTheta;
  }
  double wa, wb;
  if (cosTheta > 0.9995) {
    wa = 1 - f;
    wb = f;
  } else {
    const double theta = std::acos(std::clamp(cosTheta, -1.0, 1.0));
    const double s = std::sin(theta);
    wa = std::sin((1 - f) * theta) / s;
    wb = std::sin(f * theta) / s;
  }
  Quat q{wa * a[0] + wb * b[0], wa * a[1] + wb * b[1], wa * a[2] + wb * b[2], wa * a[3] + wb * b[3]};
  const double n = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
  for (double& v : q) v /= n;
  return q;
}

Transform3D lerpMatrix(const Transform3D& a, const Transform3D& b, double f) {
  Transform3D r;
  const double* pa = &a.m11;
  const double* pb = &b.m11;
  double* pr = &r.m11;
  for (int i = 0; i < 16; ++i) pr[i] = lerp(pa[i], pb[i], f);
  return r;
}

Transform3D interpolateTransform(const Transform3D& from, const Transform3D& to, double f) {
  if (f <= 0) return from;
  if (f >= 1) return to;
  Decomposed a, b;
  if (!decompose(from, a) || !decompose(to, b)) return lerpMatrix(from, to, f);
  Decomposed r;
  for (int i = 0; i < 3; ++i) {
    r.translation[i] = lerp(a.translation[i], b.translation[i], f);
    r.scale[i] = lerp(a.scale[i], b.scale[i], f);
  }
  for (int i = 0; i < 4; ++i) r.perspective[i] = lerp(a.perspective[i], b.perspective[i], f);
  r.a = lerp(a.a, b.a, f);
  r.b = lerp(a.b, b.b, f);
  r.c = lerp(a.c, b.c, f);
  r.rotation = slerp(a.rotation, b.rotation, f);
  return recompose(r);
}

struct Interpolator {
  double f;
  AnimationValue operator()(double a, double b) const { return lerp(a, b, f); }
  AnimationValue operator()(Point a, Point b) const { return Point{lerp(a.x, b.x, f), lerp(a.y, b.y, f)}; }
  AnimationValue operator()(Size a, Size b) const {
    return Size{lerp(a.width, b.width, f), lerp(a.height, b.height, f)};
  }
  AnimationValue operator()(const Rect& a, const Rect& b) const {
    return Rect(lerp(a.x(), b.x(), f), lerp(a.y(), b.y(), f), lerp(a.width(), b.width(), f),
                lerp(a.height(), b.height(), f));
  }
  AnimationValue operator()(const Transform3D& a, const Transform3D& b) const {
    return interpolateTransform(a, b, f);
  }
  AnimationValue operator()(const Color& a, const Color& b) const { return Color::lerp(a, b, f); }
  AnimationValue operator()(const std::vector<Color>& a, const std::vector<Color>& b) const {
    if (a.size() != b.size()) return f < 0.5 ? a : b;
    std::vector<Color> out(a.size());
    for (std::size_t i = 0; i < a.size(); ++i) out[i] = Color::lerp(a[i], b[i], f);
    return out;
  }
};

}  // namespace

AnimationValue interpolate(const AnimationValue& from, const AnimationValue& to, double fraction) {
  if (from.index() != to.index()) return fraction < 0.5 ? from : to;
  return std::visit(
      [&](const auto& a) -> AnimationValue {
        using T = std::decay_t<decltype(a)>;
        return Interpolator{fraction}(a, std::get<T>(to));
      },
      from);
}

// ---- Animation timing -------------------------------------------------------

bool Animation::isInfinite() const {
  return std::isinf(repeatCount_) || repeatCount_ >= kFloatMax * 0.999;
}

double Animation::activeDuration() const {
  if (isInfinite()) return std::numeric_limits<double>::infinity();
  const double cycle = effectiveDuration() * (autoreverses_ ? 2 : 1);
  const double count = repeatCount_ > 0 ? repeatCount_ : 1;
  return cycle * count;
}

std::optional<double> Animation::progressAt(double t) const {
  const double d = effectiveDuration();
  const double cycle = d * (autoreverses_ ? 2 : 1);
  const double active = activeDuration();
  const double local = t - beginTime_;
  double pos;
  if (local < 0) {
    if (fillMode_ != FillMode::Backwards && fillMode_ != FillMode::Both) return std::nullopt;
    pos = 0;
  } else if (local >= active) {
    if (fillMode_ != FillMode::Forwards && fillMode_ != FillMode::Both) return std::nullopt;
    // The state at the very end of the last (possibly partial) cycle.
    const double cycles = active / cycle;
    const double whole = std::floor(cycles);
    pos = cycles - whole > 1e-12 ? (cycles - whole) * cycle : cycle;
  } else {
    pos = std::fmod(local, cycle);
  }
  double u = pos / d;
  if (u > 1) u = 2 - u;  // the way back of an autoreversed cycle
  u = std::clamp(u, 0.0, 1.0);
  return timing_ ? timing_->evaluate(u) : u;
}

std::optional<AnimationValue> Animation::valueAt(double t, const AnimationValue& base) const {
  const std::optional<double> p = progressAt(t);
  if (!p) return std::nullopt;
  return valueAtFraction(*p, &base);
}

std::optional<AnimationValue> Animation::valueAt(double t) const {
  const std::optional<double> p = progressAt(t);
  if (!p) return std::nullopt;
  return valueAtFraction(*p, nullptr);
}

std::optional<AnimationValue> BasicAnimation::valueAtFraction(double fraction, const AnimationValue* base) const {
  const AnimationValue* from = from_ ? &*from_ : base;
  const AnimationValue* to = to_ ? &*to_ : base;
  if (from == nullptr || to == nullptr) return std::nullopt;
  return interpolate(*from, *to, fraction);
}

std::optional<AnimationValue> KeyframeAnimation::valueAtFraction(double f, const AnimationValue*) const {
  const std::size_t n = values_.size();
  if (n == 0) return std::nullopt;
  if (n == 1) return values_[0];
  auto keyTime = [&](std::size_t i) {
    return keyTimes_.size() == n ? keyTimes_[i] : static_cast<double>(i) / static_cast<double>(n - 1);
  };
  // Before the first key time the first value holds; after the last, the last.
  if (f <= keyTime(0)) return values_[0];
  if (f >= keyTime(n - 1)) return values_[n - 1];
  std::size_t i = 0;
  while (i + 2 < n && f >= keyTime(i + 1)) ++i;
  if (mode_ == CalculationMode::Discrete) return values_[i];
  const double span = keyTime(i + 1) - keyTime(i);
  double local = span > 0 ? (f - keyTime(i)) / span : 1.0;
  if (i < segmentTiming_.size()) local = segmentTiming_[i].evaluate(local);
  return interpolate(values_[i], values_[i + 1], local);
}

}  // namespace quartz
