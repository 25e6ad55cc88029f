#pragma once
// A fresh, empty device root for one settings test, removed afterwards, with
// the standard defaults store recreated inside it.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "foundation/DeviceRoot.h"
#include "foundation/UserDefaults.h"
#include "settings/MMLocalSettingManager.h"

class SettingsTestRoot {
 public:
  SettingsTestRoot() {
    std::string pattern = (std::filesystem::temp_directory_path() / "hv-settings-XXXXXX").string();
    const char* made = ::mkdtemp(pattern.data());
    path_ = made != nullptr ? std::filesystem::path(made) : std::filesystem::path();
    foundation::DeviceRoot::setRoot(path_);
    foundation::UserDefaults::resetStandardUserDefaults();
  }
  SettingsTestRoot(const SettingsTestRoot&) = delete;
  SettingsTestRoot& operator=(const SettingsTestRoot&) = delete;
  ~SettingsTestRoot() {
    foundation::UserDefaults::resetStandardUserDefaults();
    foundation::DeviceRoot::setRoot({});
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }

  // Replaces the settings file with raw bytes.
  static void writeSettingsFile(const std::string& bytes) {
    const std::filesystem::path file = MMLocalSettingManager::filePath();
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
  }

 private:
  std::filesystem::path path_;
};
