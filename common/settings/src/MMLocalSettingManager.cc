#include "settings/MMLocalSettingManager.h"

#include "foundation/DeviceRoot.h"
#include "foundation/Once.h"
#include "foundation/PropertyList.h"
#include "settings/SettingKeys.h"

MMLocalSettingManager& MMLocalSettingManager::shared() {
  return foundation::onceInstance<MMLocalSettingManager>();
}

std::filesystem::path MMLocalSettingManager::filePath() {
  return foundation::DeviceRoot::resolve(kLocalSettingsFilePath);
}

void MMLocalSettingManager::saveValue(const foundation::Value& value, const foundation::Value& key) {
  // The platform gives no result for this save; a failed write leaves the
  // previous file in place.
  (void)saveValueChecked(value, key);
}

foundation::Status MMLocalSettingManager::saveValueChecked(const foundation::Value& value,
                                                           const foundation::Value& key) {
  if (value.isNil() || !key.isText()) return foundation::Status::success();
  const std::filesystem::path path = filePath();
  // An unreadable file and an empty dictionary both start afresh.
  foundation::Dictionary dict = foundation::readDictionaryFile(path).value_or(foundation::Dictionary{});
  dict.insert_or_assign(*key.text(), value);
  return foundation::writeDictionaryFile(path, dict, foundation::PropertyListFormat::Binary);
}

foundation::Value MMLocalSettingManager::getValueForKey(std::string_view key) const {
  return valueForKey(values(), key);
}

std::shared_ptr<const foundation::Dictionary> MMLocalSettingManager::values() const {
  return foundation::readSharedDictionaryFile(filePath());
}

foundation::Value MMLocalSettingManager::valueForKey(const std::shared_ptr<const foundation::Dictionary>& values,
                                                     std::string_view key) {
  if (!values) return foundation::Value("");
  const auto it = values->find(key);
  if (it == values->end()) return foundation::Value("");
  return it->second;
}
