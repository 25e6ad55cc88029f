#include "settings/SettingDefaults.h"

#include <array>
#include <string_view>

#include "settings/SettingKeys.h"
#include "settings/SettingReaders.h"

void applyStartupDefaults(foundation::UserDefaults& defaults) {
  bool stored = false;
  // The control-centre switch counts only nil and "(null)" as missing: an
  // empty text is a value someone stored (and reads as off).
  if (settingText(SettingKey::CCBundle_UserDefaults_Narv_Switch, defaults) == "(null)") {
    defaults.setObject("1", SettingKey::CCBundle_UserDefaults_Narv_Switch);
    stored = true;
  }
  struct Default {
    std::string_view key;
    std::string_view text;
  };
  static constexpr std::array<Default, 4> kDefaults{{
      {SettingKey::X, "20"},
      {SettingKey::Y, "80"},
      {SettingKey::width, "0.8"},
      {SettingKey::height, "40"},
  }};
  for (const Default& d : kDefaults) {
    if (isMissingSettingText(settingText(d.key, defaults))) {
      defaults.setObject(d.text, d.key);
      stored = true;
    }
  }
  if (stored) defaults.synchronize();
}

namespace {

bool isUnsetComponent(const std::string& text) {
  return text == "(null)" || foundation::Value(text).floatValue() <= 0;
}

void whitenWhenUnset(foundation::UserDefaults& defaults, std::string_view stem) {
  static constexpr std::array<std::string_view, 4> kSuffixes{
      SettingKey::ColorSuffixR, SettingKey::ColorSuffixG, SettingKey::ColorSuffixB, SettingKey::ColorSuffixA};
  for (const std::string_view suffix : kSuffixes) {
    if (!isUnsetComponent(settingText(SettingKey::colorComponent(stem, suffix), defaults))) return;
  }
  for (const std::string_view suffix : kSuffixes) {
    defaults.setValue("1", SettingKey::colorComponent(stem, suffix));
  }
}

}  // namespace

void applyLyricColorDefaults(foundation::UserDefaults& defaults) {
  whitenWhenUnset(defaults, SettingKey::hoverVerseColor);
  whitenWhenUnset(defaults, SettingKey::aodLyricColor);
  defaults.synchronize();
}
