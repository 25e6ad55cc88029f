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

quartz::Color Color::cgColor() const { return resolvedColor(Application::shared().userInterfaceStyle()); }

Color Color::colorWithAlphaComponent(double a) const {
  return dynamic(light_.withAlpha(a), dark_.withAlpha(a));
}

}  // namespace ui
