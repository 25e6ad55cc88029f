#pragma once
// The music apps a device can run: one program (hoververse-musicapp) started
// per bundle identifier under the app's own process name, which is also the
// name of its log file.

#include <span>
#include <string_view>

namespace hostcommon {

struct MusicApp {
  std::string_view bundleIdentifier;
  std::string_view processName;  // argv[0] and comm (at most 15 bytes)
  std::string_view displayName;
};

std::span<const MusicApp> musicApps();
// The app of exactly that bundle identifier; nullptr when unsupported.
const MusicApp* findMusicApp(std::string_view bundleIdentifier);

}  // namespace hostcommon
