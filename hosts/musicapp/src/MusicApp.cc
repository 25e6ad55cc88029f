#include "musicapp/MusicApp.h"

namespace musicapp {

std::optional<MusicApp> musicAppForBundle(std::string_view id) {
  // The same order as the home screen's test, so an identifier is the same
  // app on both sides.
  if (id == "com.yeelion.kwplayer") return MusicApp::kuwo;
  if (id == "com.netease.cloudmusic") return MusicApp::netEase;
  if (id == "com.tencent.QQMusic") return MusicApp::qqMusic;
  if (id.find("com.kugou") != std::string_view::npos) return MusicApp::kugou;
  if (id == "com.migu.migumobilemusic") return MusicApp::migu;
  return std::nullopt;
}

std::string_view bundleIdentifier(MusicApp app) {
  switch (app) {
    case MusicApp::kuwo: return "com.yeelion.kwplayer";
    case MusicApp::netEase: return "com.netease.cloudmusic";
    case MusicApp::qqMusic: return "com.tencent.QQMusic";
    case MusicApp::kugou: return "com.kugou.kugou1002";
    case MusicApp::migu: return "com.migu.migumobilemusic";
  }
  return {};
}

bool isWirelessRoute(std::string_view portType) {
  return portType == "BluetoothA2DPOutput" || portType == "AirPlay";
}

}  // namespace musicapp
