#include "settings/SettingReaders.h"

#include "foundation/Text.h"
#include "settings/MMLocalSettingManager.h"
#include "settings/SettingKeys.h"

std::string settingText(const foundation::Value& value) { return foundation::describe(value); }

bool isMissingSettingText(std::string_view text) { return text.empty() || text == "(null)"; }

std::string settingText(std::string_view key, foundation::UserDefaults& defaults) {
  return settingText(defaults.objectForKey(key));
}

float settingNumber(std::string_view key, foundation::UserDefaults& defaults) {
  return foundation::floatValue(settingText(key, defaults));
}

bool settingBool(std::string_view key, foundation::UserDefaults& defaults) {
  return foundation::boolValue(settingText(key, defaults));
}

SettingColor settingColor(std::string_view stem, foundation::UserDefaults& defaults) {
  using SettingKey::colorComponent;
  return {settingNumber(colorComponent(stem, SettingKey::ColorSuffixR), defaults),
          settingNumber(colorComponent(stem, SettingKey::ColorSuffixG), defaults),
          settingNumber(colorComponent(stem, SettingKey::ColorSuffixB), defaults),
          settingNumber(colorComponent(stem, SettingKey::ColorSuffixA), defaults)};
}

std::string fileSettingText(std::string_view key) {
  return settingText(MMLocalSettingManager::shared().getValueForKey(key));
}

float fileSettingNumber(std::string_view key) { return foundation::floatValue(fileSettingText(key)); }

bool fileSettingBool(std::string_view key) { return foundation::boolValue(fileSettingText(key)); }

std::shared_ptr<const foundation::Dictionary> fileSettingValues() { return MMLocalSettingManager::shared().values(); }

bool fileSettingBool(const std::shared_ptr<const foundation::Dictionary>& values, std::string_view key) {
  return foundation::boolValue(settingText(MMLocalSettingManager::valueForKey(values, key)));
}

std::string lyricFontName() {
  MMLocalSettingManager& manager = MMLocalSettingManager::shared();
  const foundation::Value stored = manager.getValueForKey(SettingKey::ROWC_FONTS);
  const bool missing = stored.isNil() || (stored.isText() && stored.text()->empty());
  if (!missing) return settingText(stored);
  std::string fallback(kDefaultLyricFontName);
  manager.saveValue(fallback, SettingKey::ROWC_FONTS);
  return fallback;
}
