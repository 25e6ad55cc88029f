#include "hostcommon/DesktopSource.h"

namespace hostcommon {

std::string desktopBundleIdentifier(std::string_view mprisBusName) {
  constexpr std::string_view kMprisPrefix = "org.mpris.MediaPlayer2.";
  if (!mprisBusName.starts_with(kMprisPrefix)) return {};
  std::string_view player = mprisBusName.substr(kMprisPrefix.size());
  if (const std::size_t instance = player.find(".instance"); instance != std::string_view::npos) {
    player = player.substr(0, instance);
  }
  if (player.empty()) return {};
  std::string id(kDesktopBundlePrefix);
  for (const char c : player) {
    const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    id.push_back(kept ? c : '_');
  }
  return id;
}

}  // namespace hostcommon
