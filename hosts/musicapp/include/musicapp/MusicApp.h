#pragma once
// The music apps a music-app process can play, named by bundle identifier,
// recognised the way the home screen recognises them: four by their exact
// identifier, Kugou (every edition) by "com.kugou" anywhere in it.

#include <optional>
#include <string_view>

namespace musicapp {

enum class MusicApp { kuwo, netEase, qqMusic, kugou, migu };

inline constexpr MusicApp kAllMusicApps[] = {MusicApp::kuwo, MusicApp::netEase, MusicApp::qqMusic,
                                             MusicApp::kugou, MusicApp::migu};

// None for an identifier that names no supported app.
std::optional<MusicApp> musicAppForBundle(std::string_view bundleIdentifier);
// The app's identifier; for Kugou its main edition, "com.kugou.kugou1002".
std::string_view bundleIdentifier(MusicApp app);

// Whether the sound goes to a receiver that shows the now-playing title
// itself (Bluetooth A2DP or AirPlay), given the port type of the current
// route's first output; the apps move the line to another field then.
bool isWirelessRoute(std::string_view portType);

}  // namespace musicapp
