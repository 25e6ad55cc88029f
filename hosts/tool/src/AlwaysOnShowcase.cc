// The always-on window's part of the showcase: the embedded song in each
// presentation mode on a 375 x 812 phone screen.

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "AlwaysOnPreview.h"
#include "Preview.h"
#include "Showcase.h"
#include "alwayson/FullScreenWindow.h"
#include "foundation/Text.h"
#include "render/ImageCodec.h"
#include "settings/SettingKeys.h"

namespace tool {

namespace {

enum class Mode { Plain, Gradient, Shatter, Sideways, Controls };

void storeMode(Mode mode) {
  storeSetting(SettingKey::alwaysOnShowHP, mode == Mode::Sideways ? "1" : "0");
  storeSetting(SettingKey::aod_gradientAnimation, mode == Mode::Gradient ? "1" : "0");
  storeSetting(SettingKey::aod_smashAnimation, mode == Mode::Shatter ? "1" : "0");
  storeSetting(SettingKey::alwaysOnMediaControl, mode == Mode::Controls ? "1" : "0");
  storeSetting(SettingKey::smashDuration, "1.500000");
  storeSetting(SettingKey::alwaysOnFontSize, "24.000000");
  for (const char* c : {"_R", "_G", "_B", "_A"}) storeSetting(SettingKey::colorComponent(SettingKey::aodLyricColor, c), "1");
  // A warm control colour so the bar reads as the user's choice.
  storeSetting(SettingKey::colorComponent(SettingKey::mediaControlColor, "_R"), "1.000000");
  storeSetting(SettingKey::colorComponent(SettingKey::mediaControlColor, "_G"), "0.780000");
  storeSetting(SettingKey::colorComponent(SettingKey::mediaControlColor, "_B"), "0.400000");
  storeSetting(SettingKey::colorComponent(SettingKey::mediaControlColor, "_A"), "1.000000");
}

// Cover artwork drawn here, so the showcase needs no file: a square with a
// diagonal colour wash and a ring, as PNG bytes in Base64.
std::string artworkBase64() {
  constexpr int kSide = 240;
  std::vector<std::uint32_t> pixels(kSide * kSide);
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const double u = static_cast<double>(x) / kSide, v = static_cast<double>(y) / kSide;
      const double r = std::hypot(u - 0.5, v - 0.5);
      const bool ring = r > 0.26 && r < 0.3;
      const auto red = static_cast<std::uint32_t>(ring ? 250 : 40 + 150 * u);
      const auto green = static_cast<std::uint32_t>(ring ? 235 : 30 + 60 * v);
      const auto blue = static_cast<std::uint32_t>(ring ? 210 : 90 + 120 * (1 - u));
      pixels[static_cast<std::size_t>(y * kSide + x)] = 0xff000000u | red << 16 | green << 8 | blue;
    }
  }
  const auto image = quartz::Image::create(kSide, kSide, 1.0, std::move(pixels));
  const std::vector<std::uint8_t> png = render::encodePNG(*image);
  return foundation::base64Encode(png.data(), png.size());
}

// Full-resolution frames, shown at half size on the contact sheet.
ShowcaseFrame frame(const FullScreenWindow& window, std::string name, std::string caption) {
  const auto image = renderWindow(window, 1.0);
  const std::span<const std::uint32_t> data = image->data();
  auto half = quartz::Image::create(image->width(), image->height(), 2.0,
                                    std::vector<std::uint32_t>(data.begin(), data.end()));
  return {std::move(name), std::move(caption), std::move(half)};
}

std::string at(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f s", seconds);
  return text;
}

std::vector<ShowcaseFrame> produce(Mode mode) {
  storeMode(mode);
  const std::vector<std::string>& song = showcaseSong();
  feedSongName("夜曲 (Live) - 一首很长很长的歌名，在中间被省略");
  auto window = makeAlwaysOnWindow(false);
  if (mode == Mode::Controls) window->addImageBase64(artworkBase64());
  std::vector<ShowcaseFrame> frames;
  char name[64];

  if (mode == Mode::Shatter) {
    // The previous line is displayed, then the next one breaks it up.
    window->fullScreenAddLyric(song[3]);
    runFor(1.8);
    window->fullScreenAddLyric(song[1]);
    double shown = 0;
    for (double moment : {0.0, 0.15, 0.4, 0.7, 1.0, 1.6}) {
      runFor(moment - shown);
      shown = moment;
      std::snprintf(name, sizeof name, "%02zu-shatter-%04.2fs", frames.size() + 1, moment);
      frames.push_back(frame(*window, name, "next line at " + at(moment)));
    }
    return frames;
  }

  // A short line and a long one.
  for (std::size_t line : {std::size_t{1}, std::size_t{3}}) {
    window->fullScreenAddLyric(song[line]);
    const std::vector<double> moments = mode == Mode::Gradient   ? std::vector<double>{0.5, 6.0}
                                        : mode == Mode::Sideways ? std::vector<double>{0.5, 2.5}
                                                                 : std::vector<double>{0.5};
    double shown = 0;
    for (double moment : moments) {
      runFor(moment - shown);
      shown = moment;
      std::snprintf(name, sizeof name, "%02zu-line%zu-%04.1fs", frames.size() + 1, line + 1, moment);
      frames.push_back(frame(*window, name, "line " + std::to_string(line + 1) + " at " + at(moment)));
    }
  }
  return frames;
}

}  // namespace

std::vector<ShowcaseSection> alwaysOnShowcaseSections() {
  return {
      {"alwayson/plain", "Always-on: plain label", [] { return produce(Mode::Plain); }},
      {"alwayson/gradient", "Always-on: moving colour gradient", [] { return produce(Mode::Gradient); }},
      {"alwayson/shatter", "Always-on: shatter, caught mid-animation", [] { return produce(Mode::Shatter); }},
      {"alwayson/sideways", "Always-on: sideways strip for landscape", [] { return produce(Mode::Sideways); }},
      {"alwayson/controls", "Always-on: with artwork and the control bar", [] { return produce(Mode::Controls); }},
  };
}

}  // namespace tool
