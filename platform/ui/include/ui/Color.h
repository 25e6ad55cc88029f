#pragma once
// A view-level colour. Most colours are fixed; dynamic colours have one value
// for the light and one for the dark interface style and are resolved with
// the application's current style when handed to a layer (views re-resolve
// theirs when the style changes).

#include <functional>

#include "quartz/Color.h"

namespace ui {

enum class UserInterfaceStyle { Unspecified, Light, Dark };

class Color {
 public:
  Color() = default;  // clear
  Color(const quartz::Color& c) : light_(c), dark_(c) {}  // NOLINT: fixed colours convert implicitly

  static Color colorWithRed(double r, double g, double b, double a) { return Color(quartz::Color::rgba(r, g, b, a)); }
  static Color colorWithHue(double h, double s, double b, double a) { return Color(quartz::Color::hsba(h, s, b, a)); }
  static Color colorWithWhite(double w, double a) { return Color(quartz::Color::rgba(w, w, w, a)); }
  static Color colorWithDynamicProvider(const std::function<Color(UserInterfaceStyle)>& provider);
  static Color dynamic(const quartz::Color& light, const quartz::Color& dark);

  static Color blackColor() { return colorWithWhite(0, 1); }
  static Color darkGrayColor() { return colorWithWhite(1.0 / 3.0, 1); }
  static Color grayColor() { return colorWithWhite(0.5, 1); }
  static Color lightGrayColor() { return colorWithWhite(2.0 / 3.0, 1); }
  static Color whiteColor() { return colorWithWhite(1, 1); }
  static Color clearColor() { return colorWithWhite(0, 0); }
  static Color redColor() { return colorWithRed(1, 0, 0, 1); }
  static Color orangeColor() { return colorWithRed(1, 0.5, 0, 1); }
  static Color yellowColor() { return colorWithRed(1, 1, 0, 1); }
  static Color greenColor() { return colorWithRed(0, 1, 0, 1); }
  static Color cyanColor() { return colorWithRed(0, 1, 1, 1); }
  static Color blueColor() { return colorWithRed(0, 0, 1, 1); }
  static Color purpleColor() { return colorWithRed(0.5, 0, 0.5, 1); }
  static Color magentaColor() { return colorWithRed(1, 0, 1, 1); }
  static Color brownColor() { return colorWithRed(0.6, 0.4, 0.2, 1); }
  // Dynamic system colours (light, dark).
  static Color systemBackgroundColor() { return dynamic(quartz::Color::white(), quartz::Color::black()); }
  static Color labelColor() { return dynamic(quartz::Color::black(), quartz::Color::white()); }
  static Color secondaryLabelColor();
  static Color systemGroupedBackgroundColor();
  static Color separatorColor();
  static Color systemBlueColor();
  static Color systemPinkColor();
  static Color systemGrayColor();

  bool isDynamic() const { return !(light_ == dark_); }
  quartz::Color resolvedColor(UserInterfaceStyle style) const { return style == UserInterfaceStyle::Dark ? dark_ : light_; }
  // Resolved with Application::shared().userInterfaceStyle().
  quartz::Color cgColor() const;
  Color colorWithAlphaComponent(double a) const;
  bool operator==(const Color&) const = default;

 private:
  quartz::Color light_;
  quartz::Color dark_;
};

}  // namespace ui
