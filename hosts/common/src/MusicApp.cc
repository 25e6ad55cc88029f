#include "hostcommon/MusicApp.h"

#include <array>

namespace hostcommon {

namespace {

constexpr std::array kApps{
    MusicApp{"com.yeelion.kwplayer", "KuwoPlayer", "酷我音乐"},
    MusicApp{"com.netease.cloudmusic", "NeteaseMusic", "网易云音乐"},
    MusicApp{"com.tencent.QQMusic", "QQMusic", "QQ音乐"},
    MusicApp{"com.kugou.kugou1002", "kugou", "酷狗音乐"},
    MusicApp{"com.kugou.kgyouth", "kugouyouth", "酷狗音乐概念版"},
    MusicApp{"com.migu.migumobilemusic", "MiguMusic", "咪咕音乐"},
};

}  // namespace

std::span<const MusicApp> musicApps() { return kApps; }

const MusicApp* findMusicApp(std::string_view bundleIdentifier) {
  for (const MusicApp& app : kApps) {
    if (app.bundleIdentifier == bundleIdentifier) return &app;
  }
  return nullptr;
}

}  // namespace hostcommon
