#pragma once
// Every absolute path the system names resolves under the device root, so the
// system keeps its own paths and never writes outside the root.
// The root is HOVERVERSE_ROOT (relative to the current directory if
// relative), else $XDG_DATA_HOME/hoververse/device, else
// $HOME/.local/share/hoververse/device.

#include <filesystem>
#include <string_view>

namespace foundation {

class DeviceRoot {
 public:
  static std::filesystem::path root();
  // Overrides the root for this process (tests, tools); an empty path returns
  // to the environment's choice.
  static void setRoot(const std::filesystem::path& root);
  // "/var/mobile/Library/Preferences/1" -> <root>/var/mobile/Library/Preferences/1.
  // ".." components cannot climb above the root.
  static std::filesystem::path resolve(std::string_view devicePath);
};

}  // namespace foundation
