#include "ui/Color.h"

#include "ui/Application.h"

namespace ui {

Color Color::colorWithDynamicProvider(const std::function<Color(UserInterfaceStyle)>& provider) {
  Color c;
  c.light_ = provider(UserInterfaceStyle::Light).light_;
  c.dark_ = provider(UserInterfaceStyle::Dark).dark_;
  return c;
}

Color Color::dynamic(const quartz::Color& light, const quartz::Color& dark) {
  Color c;
  c.light_ = light;
  c.dark_ = dark;
  return c;
}

Color Color::secondaryLabelColor() {
  return dynamic(quartz::Color::rgba(60 / 255.0, 60 / 255.0, 67 / 255.0, 0.6),
                 quartz::Color::rgba(235 / 255.0, 235 / 255.0, 245 / 255.0, 0.6));
}

Color Color::systemGroupedBackgroundColor() {
  return dynamic(quartz::Color::rgba(242 / 255.0, 242 / 255.0, 247 / 255.0, 1), quartz::Color::black());
}

Color Color::separatorColor() {
  return dynamic(quartz::Color::rgba(60 / 255.0, 60 / 255.0, 67 / 255.0, 0.29),
                 quartz::Color::rgba(84 / 255.0, 84 / 255.0, 88 / 255.0, 0.6));
}

Color Color::systemBlueColor() {
  return dynamic(quartz::Color::rgba(0, 122 / 255.0, 1, 1), quartz::Color::rgba(10 / 255.0, 132 / 255.0, 1, 1));
}

Color Color::systemPinkColor() {
  return dynamic(quartz::Color::rgba(1, 45 / 255.0, 85 / 255.0, 1), quartz::Color::rgba(1, 55 / 255.0, 95 / 255.0, 1));
}

Color Color::systemGrayColor() {
  return dynamic(quartz::Color::rgba(142 / 255.0, 142 / 255.0, 147 / 255.0, 1),
                 quartz::Color::rgba(142 / 255.0, 142 / 255.0, 147 / 255.0, 1));
}

quartz::Color Color::cgColor() const { return resolvedColor(Application::shared().userInterfaceStyle()); }

Color Color::colorWithAlphaComponent(double a) const {
  return dynamic(light_.withAlpha(a), dark_.withAlpha(a));
}

}  // namespace ui
