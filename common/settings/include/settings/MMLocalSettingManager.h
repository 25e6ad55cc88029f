#pragma once
// The settings file "/var/mobile/Library/Preferences/1" (under the device
// root): the only channel between the preference pane and the home-screen
// process. Stateless: every read opens and parses the file again, so a value
// the other process saved is seen at the next read; every save is a whole
// read-modify-write written atomically (the later of two saves wins). Saves
// write a binary property list, the quickest form to parse on every read;
// files in XML read just as well.

#include <filesystem>
#include <memory>
#include <string_view>

#include "foundation/PropertyList.h"
#include "foundation/Status.h"
#include "foundation/Value.h"

class MMLocalSettingManager {
 public:
  // The single instance, created once (thread-safe) and never released.
  static MMLocalSettingManager& shared();

  // Stores one key. A nil value, or a key that is not text (nil), is ignored.
  // An absent, unreadable or empty file is replaced by a dictionary holding
  // only this key. Write failures are not reported (the old file stays).
  void saveValue(const foundation::Value& value, const foundation::Value& key);
  // The same, telling whether the file was written (tools report it).
  // Ignored arguments count as success.
  foundation::Status saveValueChecked(const foundation::Value& value, const foundation::Value& key);

  // The stored value, or the empty text "" when the key or the file is
  // absent or the file cannot be read.
  foundation::Value getValueForKey(std::string_view key) const;
  // What one reading of the file holds, for a caller that reads several
  // keys at once; null when the file is absent or cannot be read.
  std::shared_ptr<const foundation::Dictionary> values() const;
  // A key of such a reading, as getValueForKey gives it.
  static foundation::Value valueForKey(const std::shared_ptr<const foundation::Dictionary>& values,
                                       std::string_view key);

  // The real path of the settings file under the current device root.
  static std::filesystem::path filePath();
};
