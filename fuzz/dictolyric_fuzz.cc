// Lyric extraction on arbitrary now-playing texts. The first byte picks the
// app (its low seven bits, modulo the number of apps; the last one a desktop
// player) and whether the audio route is wireless (its top bit); the rest is
// the text form.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <string_view>

#include "foundation/Text.h"
#include "foundation/Value.h"
#include "lyric/LyricManager.h"
#include "media/AudioSession.h"

namespace {
constexpr std::string_view kBundles[] = {
    "com.yeelion.kwplayer", "com.netease.cloudmusic", "com.tencent.QQMusic", "com.kugou.kgyouth",
    "com.migu.migumobilemusic", "com.migu.other", "com.example.player", "com.kugou", "org.hoververse.desktop.mpv"};

void checkUtf8(const std::optional<std::string>& text) {
  if (text && !foundation::isValidUtf8(*text)) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view bundle = kBundles[(data[0] & 0x7f) % std::size(kBundles)];
  media::AudioSession::sharedInstance().setCurrentOutput((data[0] & 0x80) != 0 ? "AirPlay" : "");
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

  LyricManager& manager = LyricManager::shareManager();
  checkUtf8(manager.dicToLyric(foundation::Dictionary{{"lyric", text}, {"bundleId", bundle}}));
  checkUtf8(manager.getSongName());
  if (manager.musicAppIdentifier() != bundle) std::abort();
  return 0;
}
