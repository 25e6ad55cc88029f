#pragma once
// A device RGBA colour with components in 0..1, unpremultiplied.

namespace quartz {

struct Color {
  double red = 0, green = 0, blue = 0, alpha = 0;

  static Color rgba(double r, double g, double b, double a) { return {r, g, b, a}; }
  // Hue, saturation, brightness in 0..1 (hue wraps), as the platform converts.
  static Color hsba(double h, double s, double b, double a);
  static Color clear() { return {0, 0, 0, 0}; }
  static Color black() { return {0, 0, 0, 1}; }
  static Color white() { return {1, 1, 1, 1}; }

  bool isClear() const { return alpha <= 0; }
  Color withAlpha(double a) const { return {red, green, blue, a}; }
  // Straight-line interpolation of each component (animations).
  static Color lerp(const Color& from, const Color& to, double fraction);
  bool operator==(const Color&) const = default;
};

}  // namespace quartz
