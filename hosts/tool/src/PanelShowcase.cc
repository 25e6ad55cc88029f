// The settings panel's part of the showcase: opened on a phone (top of the
// column and scrolled to the bottom), turned for landscape, and on a tablet.

#include <span>
#include <string>
#include <vector>

#include "PanelPreview.h"
#include "Preview.h"
#include "Showcase.h"
#include "panel/LyricSettingWindow.h"
#include "settings/SettingKeys.h"
#include "ui/Device.h"
#include "ui/Screen.h"

namespace tool {

namespace {

// A panel that has been used: some options on, a warm lyric colour in the
// preview, sizes away from their ends.
void storeUsedSettings() {
  storeSetting(SettingKey::alwaysOn, "1");
  storeSetting(SettingKey::alwaysOnMediaControl, "1");
  storeSetting(SettingKey::randomColor_animation, "1");
  storeSetting(SettingKey::fontPath_animation, "0");
  storeSetting(SettingKey::fontShadow_animation, "0");
  storeSetting(SettingKey::aod_smashAnimation, "1");
  storeSetting(SettingKey::aod_gradientAnimation, "0");
  storeSetting(SettingKey::alwaysOnFontSize, "24.000000");
  storeSetting(SettingKey::width, "0.800000");
  storeSetting(SettingKey::height, "40.000000");
  storeSetting(SettingKey::corner, "8.000000");
  storeSetting(SettingKey::smashDuration, "1.500000");
  storeSetting(SettingKey::colorComponent(SettingKey::hoverVerseColor, SettingKey::ColorSuffixR), "0.950000");
  storeSetting(SettingKey::colorComponent(SettingKey::hoverVerseColor, SettingKey::ColorSuffixG), "0.550000");
  storeSetting(SettingKey::colorComponent(SettingKey::hoverVerseColor, SettingKey::ColorSuffixB), "0.250000");
  storeSetting(SettingKey::colorComponent(SettingKey::hoverVerseColor, SettingKey::ColorSuffixA), "1.000000");
}

// Full-resolution frames, shown smaller on the contact sheet by `shrink`.
ShowcaseFrame frame(const LyricSettingWindow& panel, std::string name, std::string caption, double shrink) {
  const auto image = renderWindow(panel, 1.0);
  const std::span<const std::uint32_t> data = image->data();
  auto shown = quartz::Image::create(image->width(), image->height(), shrink,
                                     std::vector<std::uint32_t>(data.begin(), data.end()));
  return {std::move(name), std::move(caption), std::move(shown)};
}

std::vector<ShowcaseFrame> produce() {
  storeUsedSettings();
  std::vector<ShowcaseFrame> frames;
  {
    auto panel = makeSettingPanel(false, false);
    frames.push_back(frame(*panel, "01-portrait", "phone, opened", 2));
    scrollPanelTo(*panel, panel->scroll()->maximumContentOffset().y);
    frames.push_back(frame(*panel, "02-portrait-bottom", "scrolled to the close button", 2));
  }
  {
    auto panel = makeSettingPanel(false, true);
    frames.push_back(frame(*panel, "03-landscape", "landscape, as the turned device shows it", 2));
  }
  {
    auto panel = makeSettingPanel(true, false);
    frames.push_back(frame(*panel, "04-tablet", "tablet: no landscape row, larger ranges", 4));
  }
  ui::Device::current().setUserInterfaceIdiom(ui::UserInterfaceIdiom::Phone);
  ui::Screen::main().reset();
  return frames;
}

}  // namespace

std::vector<ShowcaseSection> panelShowcaseSections() { return {{"panel", "Settings panel", produce}}; }

}  // namespace tool
