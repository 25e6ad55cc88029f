// The floating window's part of the showcase: the embedded song in each
// presentation, with the marquee caught at several moments.

#include <cstdio>
#include <string>

#include "Preview.h"
#include "Showcase.h"
#include "floating/MMLyricSuperWindow.h"
#include "settings/SettingKeys.h"

namespace tool {

namespace {

enum class Look { Plain, Shadow, Gradient, Outline };

constexpr double kFrameScale = 2;

void storeLook(Look look) {
  storeSetting(SettingKey::randomColor_animation, look == Look::Gradient ? "1" : "0");
  storeSetting(SettingKey::fontPath_animation, look == Look::Outline ? "1" : "0");
  storeSetting(SettingKey::fontShadow_animation, look == Look::Shadow ? "1" : "0");
  storeSetting(SettingKey::fontLayerShadow, "0.900000");
  storeSetting(SettingKey::fontPathLineWidth, "1.000000");
  storeSetting(SettingKey::fontPathDuration, "1.000000");
}

std::string secondsText(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", seconds);
  return text;
}

std::vector<ShowcaseFrame> produce(Look look) {
  storeLook(look);
  auto window = makeFloatingWindow(std::nullopt, false);
  const std::vector<std::string>& song = showcaseSong();
  std::vector<ShowcaseFrame> frames;

  // Each line is shown from its own start; the frames are taken at these
  // moments after it (a long line's marquee rests 1 s, then moves).
  const std::vector<std::vector<double>> moments = {
      {0.5},
      look == Look::Outline    ? std::vector<double>{0.3, 0.6, 1.2}
      : look == Look::Gradient ? std::vector<double>{0.5, 4.0, 8.0, 12.0}  // the colours flow on
                               : std::vector<double>{0.5},
      {1.2},
      {0.5, 2.0, 3.5, 5.5, 7.0},
      {0.5, 3.0},
  };
  for (std::size_t line = 0; line < song.size(); ++line) {
    window->setLyric(song[line]);
    double shown = 0;
    for (double at : moments[line]) {
      runFor(at - shown);
      shown = at;
      auto image = renderWindow(*window, kFrameScale);
      char name[48];
      std::snprintf(name, sizeof name, "%02zu-line%zu-%04.1fs", frames.size() + 1, line + 1, at);
      frames.push_back({name, "line " + std::to_string(line + 1) + " at " + secondsText(at), overWallpaper(*image)});
    }
  }
  return frames;
}

}  // namespace

std::vector<ShowcaseSection> floatingShowcaseSections() {
  return {
      {"floating/plain", "Floating window: plain label", [] { return produce(Look::Plain); }},
      {"floating/shadow", "Floating window: plain label with shadow", [] { return produce(Look::Shadow); }},
      {"floating/gradient", "Floating window: moving colour gradient", [] { return produce(Look::Gradient); }},
      {"floating/outline", "Floating window: glyph outline being stroked", [] { return produce(Look::Outline); }},
  };
}

}  // namespace tool
