#pragma once
// An embedded now-playing update for demos and benchmarks: what NetEase
// Cloud Music's now-playing dictionary looks like in its "%@" text form
// (about 1.5 KB, Chinese written as \Uxxxx). Wired, the lyric line is its
// album title; wireless, its title.

#include <string_view>

namespace tool {

inline constexpr std::string_view kSampleBundleId = "com.netease.cloudmusic";
extern const std::string_view kSampleNowPlaying;

}  // namespace tool
