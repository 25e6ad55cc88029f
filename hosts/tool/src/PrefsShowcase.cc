// The preference page's part of the showcase: the page on a phone in light
// and dark, on a tablet, the warning of row B, and the font chooser.

#include <span>
#include <string>
#include <vector>

#include "Preview.h"
#include "PrefsPreview.h"
#include "Showcase.h"
#include "settings/SettingKeys.h"
#include "ui/Application.h"
#include "ui/Device.h"
#include "ui/Screen.h"
#include "ui/Window.h"

namespace tool {

namespace {

ShowcaseFrame frame(const PrefsScene& scene, std::string name, std::string caption, double shrink) {
  const auto image = renderWindow(*scene.window, 1.0);
  const std::span<const std::uint32_t> data = image->data();
  auto shown = quartz::Image::create(image->width(), image->height(), shrink,
                                     std::vector<std::uint32_t>(data.begin(), data.end()));
  return {std::move(name), std::move(caption), std::move(shown)};
}

std::vector<ShowcaseFrame> produce() {
  storeSetting(SettingKey::ROWA_SWI, "1");
  storeSetting(SettingKey::ROWB_SWI, "0");
  storeSetting(SettingKey::ROWC_FONTS, "DejaVuSerif");
  std::vector<ShowcaseFrame> frames;
  frames.push_back(frame(makePrefsScene({}), "01-light", "phone, light", 2));
  frames.push_back(frame(makePrefsScene({.dark = true}), "02-dark", "phone, dark", 2));
  frames.push_back(frame(makePrefsScene({.pad = true}), "03-tablet", "tablet: 40-point margins", 4));
  {
    PrefsScene scene = makePrefsScene({});
    std::string error;
    performPrefsAction(scene, {"switchRowB", "on"}, error);
    frames.push_back(frame(scene, "04-warning", "row B asks first", 2));
  }
  frames.push_back(frame(makePrefsScene({.fonts = true}), "05-fonts", "font chooser, each in its own face", 2));
  ui::Application::shared().setUserInterfaceStyle(ui::UserInterfaceStyle::Light);
  ui::Device::current().setUserInterfaceIdiom(ui::UserInterfaceIdiom::Phone);
  ui::Screen::main().reset();
  return frames;
}

}  // namespace

std::vector<ShowcaseSection> prefsShowcaseSections() { return {{"prefs", "Preference page", produce}}; }

}  // namespace tool
