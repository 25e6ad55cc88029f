// The panel's behaviour: creation, what each control stores and posts, the
// colour editor and the two groups of exclusive animation switches. The
// controls themselves and the layout are in LyricSettingWindowControls.cc.

#include "panel/LyricSettingWindow.h"

#include <array>

#include "foundation/Text.h"
#include "foundation/UserDefaults.h"
#include "settings/SettingDefaults.h"
#include "settings/SettingKeys.h"
#include "settings/SettingReaders.h"
#include "ui/Device.h"

namespace {

foundation::UserDefaults& store() { return foundation::UserDefaults::standardUserDefaults(); }

void post(std::string_view name) { foundation::NotificationCenter::defaultCenter().post(std::string(name)); }

// The colour targets the segmented control chooses between, by index.
struct ColorTarget {
  std::string_view stem;
  std::string_view notification;  // empty: nothing observes it live
  float minimumAlpha;
};
constexpr std::array<ColorTarget, 4> kColorTargets{{
    {SettingKey::hoverVerseColor, SettingNotification::NOTI_Lyric_Color, 0.2f},
    {SettingKey::bgColor, SettingNotification::NOTI_bgColor, 0.001f},
    {SettingKey::aodLyricColor, {}, 0.2f},
    {SettingKey::mediaControlColor, SettingNotification::MediaCOntrol_Color_Change_Niti, 0.2f},
}};

const ColorTarget* colorTarget(std::int64_t colorType) {
  if (colorType < 0 || colorType >= static_cast<std::int64_t>(kColorTargets.size())) return nullptr;
  return &kColorTargets[static_cast<std::size_t>(colorType)];
}

std::string_view switchText(bool on) { return on ? "1" : "0"; }

}  // namespace

std::shared_ptr<LyricSettingWindow> LyricSettingWindow::initWithFrame(const ui::Rect& frame) {
  auto panel = std::make_shared<LyricSettingWindow>(Tag{}, frame);
  panel->setBackgroundColor(ui::Color::colorWithRed(242.0 / 255, 242.0 / 255, 242.0 / 255, 1));
  panel->initData();
  panel->initSubview();
  panel->setUserInteractionEnabled(true);
  return panel;
}

void LyricSettingWindow::initData() {
  aodSwitchObservation_ = foundation::NotificationCenter::defaultCenter().addObserver(
      std::string(SettingNotification::CCBundle_aod_switch_changed_noti),
      [this](const foundation::Notification& notification) { receivedNoti(notification); });
  applyLyricColorDefaults(store());
  setColorType(0);
}

bool LyricSettingWindow::isIpad() const {
  return ui::Device::current().userInterfaceIdiom() == ui::UserInterfaceIdiom::Pad;
}

void LyricSettingWindow::setIsHP(bool isHP) {
  isHP_ = isHP;
  layoutSubviews();
}

void LyricSettingWindow::receivedNoti(const foundation::Notification&) {
  foundation::UserDefaults& defaults = store();
  const bool on = settingBool(SettingKey::alwaysOn, defaults);
  defaults.synchronize();
  alwaysOnSwitch()->setOn(on);
}

// ---- Plain switches and sliders ----

void LyricSettingWindow::storeSwitch(std::string_view key, const ui::Switch& sender) {
  foundation::UserDefaults& defaults = store();
  defaults.setValue(foundation::Value(switchText(sender.isOn())), key);
  defaults.synchronize();
}

void LyricSettingWindow::storeSlider(std::string_view key, const ui::Slider& sender) {
  foundation::UserDefaults& defaults = store();
  defaults.setValue(foundation::Value(foundation::decimalText(static_cast<double>(sender.value()))), key);
  defaults.synchronize();
}

void LyricSettingWindow::floatLockChaged(ui::Switch& sender) { storeSwitch(SettingKey::lock, sender); }

void LyricSettingWindow::alwaysOnChaged(ui::Switch& sender) {
  storeSwitch(SettingKey::alwaysOn, sender);
  post(SettingNotification::SettingVC_aod_switch_changed_noti);
}

void LyricSettingWindow::alwaysMediaControlChaged(ui::Switch& sender) {
  storeSwitch(SettingKey::alwaysOnMediaControl, sender);
}

void LyricSettingWindow::alwaysOnHPChaged(ui::Switch& sender) { storeSwitch(SettingKey::alwaysOnShowHP, sender); }

void LyricSettingWindow::alwaysOnDoubleTapGesSwitchChaged(ui::Switch& sender) {
  storeSwitch(SettingKey::alwaysOnDoubleTapGes, sender);
}

void LyricSettingWindow::shortCutOpenAPPSwitchChaged(ui::Switch& sender) {
  storeSwitch(SettingKey::shortCutOpenAPPS, sender);
}

void LyricSettingWindow::alwaysOnFontSizeSliderChanged(ui::Slider& sender) {
  storeSlider(SettingKey::alwaysOnFontSize, sender);
  post(SettingNotification::NOTI_alwaysOnFontSize);
}

void LyricSettingWindow::floatWidthSliderChanged(ui::Slider& sender) { storeSlider(SettingKey::width, sender); }

void LyricSettingWindow::floatHeightSliderChanged(ui::Slider& sender) { storeSlider(SettingKey::height, sender); }

void LyricSettingWindow::floatCornerSliderChanged(ui::Slider& sender) { storeSlider(SettingKey::corner, sender); }

void LyricSettingWindow::fontLayerShadowSliderChanged(ui::Slider& sender) {
  storeSlider(SettingKey::fontLayerShadow, sender);
}

void LyricSettingWindow::fontPathLineWidthSliderChanged(ui::Slider& sender) {
  storeSlider(SettingKey::fontPathLineWidth, sender);
}

void LyricSettingWindow::fontPathDurationSliderChanged(ui::Slider& sender) {
  storeSlider(SettingKey::fontPathDuration, sender);
}

void LyricSettingWindow::smashDurationSliderChanged(ui::Slider& sender) {
  storeSlider(SettingKey::smashDuration, sender);
}

// ---- Colour editor ----

void LyricSettingWindow::segmentedChanged(ui::SegmentedControl& sender) { setColorType(sender.selectedSegmentIndex()); }

void LyricSettingWindow::setColorType(std::int64_t colorType) {
  colorType_ = colorType;
  foundation::UserDefaults& defaults = store();
  if (const ColorTarget* target = colorTarget(colorType)) {
    // The minimum first: moving it re-clamps the value, which is then
    // replaced by the stored one (shown clamped, never stored back).
    lyricAslider()->setMinimumValue(target->minimumAlpha);
    const SettingColor color = settingColor(target->stem, defaults);
    lyricAslider()->setValue(color.alpha);
    lyricRslider()->setValue(color.red);
    lyricGslider()->setValue(color.green);
    lyricBslider()->setValue(color.blue);
  }
  defaults.synchronize();
  preViewTintColor();
}

void LyricSettingWindow::storeColorComponent(std::string_view suffix, const ui::Slider& sender) {
  foundation::UserDefaults& defaults = store();
  if (const ColorTarget* target = colorTarget(colorType_)) {
    defaults.setValue(foundation::Value(foundation::decimalText(static_cast<double>(sender.value()))),
                      SettingKey::colorComponent(target->stem, suffix));
    // Observers read the value back from the store, where it already is.
    if (!target->notification.empty()) post(target->notification);
  }
  defaults.synchronize();
  preViewTintColor();
}

void LyricSettingWindow::lyricAsliderChanged(ui::Slider& sender) {
  storeColorComponent(SettingKey::ColorSuffixA, sender);
}

void LyricSettingWindow::lyricRsliderChanged(ui::Slider& sender) {
  storeColorComponent(SettingKey::ColorSuffixR, sender);
}

void LyricSettingWindow::lyricGsliderChanged(ui::Slider& sender) {
  storeColorComponent(SettingKey::ColorSuffixG, sender);
}

void LyricSettingWindow::lyricBsliderChanged(ui::Slider& sender) {
  storeColorComponent(SettingKey::ColorSuffixB, sender);
}

void LyricSettingWindow::preViewTintColor() {
  ui::Color color = ui::Color::whiteColor();
  if (const ColorTarget* target = colorTarget(colorType_)) {
    foundation::UserDefaults& defaults = store();
    const SettingColor c = settingColor(target->stem, defaults);
    color = ui::Color::colorWithRed(c.red, c.green, c.blue, c.alpha);
    defaults.synchronize();
  }
  previewColorBtn()->setBackgroundColor(color);
}

// ---- Exclusive animation switches ----

void LyricSettingWindow::fontShadowSwitchSwitchChaged(ui::Switch& sender) { setAnimtion("shadow", sender.isOn()); }

void LyricSettingWindow::randomColorSwitchChaged(ui::Switch& sender) { setAnimtion("color", sender.isOn()); }

void LyricSettingWindow::fontPathSwitchChaged(ui::Switch& sender) { setAnimtion("path", sender.isOn()); }

void LyricSettingWindow::setAnimtion(std::string_view name, bool isOn) {
  struct Effect {
    std::string_view name;
    std::string_view key;
    const std::shared_ptr<ui::Switch>& (LyricSettingWindow::*control)();
  };
  const std::array<Effect, 3> effects{{
      {"shadow", SettingKey::fontShadow_animation, &LyricSettingWindow::fontShadowSwitch},
      {"color", SettingKey::randomColor_animation, &LyricSettingWindow::randomColorSwitch},
      {"path", SettingKey::fontPath_animation, &LyricSettingWindow::fontPathSwitch},
  }};
  bool known = false;
  for (const Effect& effect : effects) known = known || effect.name == name;
  if (!known) return;

  foundation::UserDefaults& defaults = store();
  for (const Effect& effect : effects)
    defaults.setValue(foundation::Value(switchText(effect.name == name && isOn)), effect.key);
  defaults.synchronize();
  // Setting a switch from code sends no value change, so no handler runs again.
  for (const Effect& effect : effects) (this->*effect.control)()->setOn(effect.name == name && isOn);
}

void LyricSettingWindow::aodGradientSwitchChaged(ui::Switch& sender) {
  foundation::UserDefaults& defaults = store();
  defaults.setValue(foundation::Value(switchText(sender.isOn())), SettingKey::aod_gradientAnimation);
  defaults.setValue(foundation::Value("0"), SettingKey::aod_smashAnimation);
  defaults.synchronize();
  aodSmashAnimationSwitch()->setOn(false);
}

void LyricSettingWindow::aodSmashAnimationSwitchChaged(ui::Switch& sender) {
  foundation::UserDefaults& defaults = store();
  defaults.setValue(foundation::Value(switchText(sender.isOn())), SettingKey::aod_smashAnimation);
  defaults.setValue(foundation::Value("0"), SettingKey::aod_gradientAnimation);
  defaults.synchronize();
  aodGradientAnimationSwitch()->setOn(false);
}

void LyricSettingWindow::closeBtnAction(ui::Control&) { setAlpha(0); }
