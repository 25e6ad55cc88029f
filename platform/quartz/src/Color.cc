#include "quartz/Color.h"

#include <cmath>

namespace quartz {

Color Color::hsba(double h, double s, double b, double a) {
  h = h - std::floor(h);  // hue wraps
  if (s <= 0) return {b, b, b, a};
  double sector = h * 6;
  int i = static_cast<int>(std::floor(sector)) % 6;
  double f = sector - std::floor(sector);
  double p = b * (1 - s);
  double q = b * (1 - s * f);
  double t = b * (1 - s * (1 - f));
  switch (i) {
    case 0: return {b, t, p, a};
    case 1: return {q, b, p, a};
    case 2: return {p, b, t, a};
    case 3: return {p, q, b, a};
    case 4: return {t, p, b, a};
    default: return {b, p, q, a};
  }
}

Color Color::lerp(const Color& from, const Color& to, double f) {
  return {from.red + (to.red - from.red) * f, from.green + (to.green - from.green) * f,
          from.blue + (to.blue - from.blue) * f, from.alpha + (to.alpha - from.alpha) * f};
}

}  // namespace quartz
