// demo: the embedded now-playing sample through the lyric extraction, on
// both audio routes, without touching the device root.

#include <ostream>

#include "Commands.h"
#include "SampleNowPlaying.h"
#include "foundation/Value.h"
#include "lyric/LyricManager.h"
#include "media/AudioSession.h"
#include "settings/MMLocalSettingManager.h"
#include "settings/SettingKeys.h"

namespace tool {

int demoCommand(Arguments args, CommandIO& io) {
  if (!args.empty()) return usageError(io, "demo takes no arguments");
  io.out << "Now-playing update from " << kSampleBundleId << " (" << kSampleNowPlaying.size()
         << " bytes, embedded sample):\n"
         << kSampleNowPlaying << "\n\n";
  LyricManager& manager = LyricManager::shareManager();
  const foundation::Value update(
      foundation::Dictionary{{"lyric", kSampleNowPlaying}, {"bundleId", kSampleBundleId}});
  auto show = [](const std::optional<std::string>& text) { return text ? *text : std::string("(null)"); };
  for (const std::string_view route : {std::string_view(), media::AudioSessionPortBluetoothA2DP}) {
    media::AudioSession::sharedInstance().setCurrentOutput(route);
    const auto line = manager.dicToLyric(update);
    io.out << (route.empty() ? "Wired (no wireless output)" : "Wireless (" + std::string(route) + ")")
           << ":\n  lyric line: " << show(line) << "\n  song name:  " << show(manager.getSongName())
           << "\n";
  }
  media::AudioSession::sharedInstance().setCurrentOutput("");
  io.out << "\nSettings file: " << MMLocalSettingManager::filePath().string() << "\n"
         << "  lyrics enabled (" << SettingKey::ROWA_SWI << "): \""
         << foundation::describe(MMLocalSettingManager::shared().getValueForKey(SettingKey::ROWA_SWI))
         << "\"\n";
  return kExitOk;
}

}  // namespace tool
