#pragma once
// The home-screen process as the tool plays it: its bundle identifier, which
// names its defaults store ("/var/mobile/Library/Preferences/<id>.plist"
// under the device root). The settings panel, the floating window and the
// always-on window all live in that process and share that store.

#include <string_view>

namespace tool {

inline constexpr std::string_view kHomeScreenBundleIdentifier = "com.apple.springboard";

// Makes this process the home screen: sets the bundle identifier and drops
// the standard defaults store so the next use opens the home screen's file
// under the current device root.
void becomeHomeScreen();

}  // namespace tool
