#include "musicapp/SongCatalogue.h"

#include <string_view>

#include "musicapp/Artwork.h"

namespace musicapp {
namespace {

// A repeated chorus (two stamps on one line) and pauses between verses.
constexpr std::string_view kChinese = R"lrc([ti:纸船与晚灯]
[ar:河畔小队]
[al:旧街的风]
[00:00.50]纸船与晚灯 - 河畔小队
[00:04.00]傍晚的风把街灯一盏盏点亮
[00:09.20]我把写好的信折成一只小船
[00:14.40]放进巷口那条慢慢流的小河
[00:19.60][00:35.20]晚灯啊 请替我照亮它的方向
[00:24.80][00:40.40]哪怕只走到下一座桥也好
[00:30.00]
[00:45.60]
)lrc";

// The offset tag moves every line a quarter second earlier, onto whole
// seconds; "Ooh" is a plain word, which the text form writes unquoted.
constexpr std::string_view kEnglish = R"lrc([ti:Lanterns on the Water]
[ar:The Quiet Harbour]
[al:Small Hours]
[offset:+250]
[00:02.25]Lanterns on the water
[00:06.25]Drifting where the river bends
[00:10.25]Every light a little promise
[00:14.25]That the evening never ends
[00:18.25]Ooh
[00:20.25]Hold the rope and count to seven
[00:24.25]Let the current take the rest
[00:28.25]
[00:32.25]Lanterns on the water
[00:36.25]Still the light I love the best
)lrc";

// Two lines several times wider than a 300-point window at the floating
// window's default height.
constexpr std::string_view kLongLines = R"lrc([ti:海岸线 Coastline]
[ar:林间信号]
[al:远行]
[00:01.00]沿着海岸线
[00:05.00]我们沿着没有尽头的海岸线一直走到天亮 也不肯回头看一眼来时的路
[00:14.00]潮水记得每一个脚印
[00:19.00]The longest road along the coastline never asks us where we are going tonight
[00:28.00]远方
)lrc";

// Double quotes, backslashes (one before "u", which the home screen reads as
// an escape), text that looks like C escapes, and emoji outside the Basic
// Multilingual Plane, in the lines and in the title.
constexpr std::string_view kEscapes = R"lrc([ti:Say "Cheese" \o/ 📷]
[ar:Backslash Club]
[al:Escape Characters]
[00:01.00]She said "stay" and I said "go"
[00:06.00]\o/ we wave from the very last row
[00:11.00]🎧 headphones on under a 🌙 moon
[00:16.00]a path like C:\songs\new\tab that never ends
[00:21.00]¯\_(ツ)_/¯ said the "quiet" one
[00:26.00]home is C:\users\you
[00:31.00]"quotes" and \\ two slashes
)lrc";

}  // namespace

std::vector<Song> embeddedSongs() {
  std::vector<Song> songs;
  songs.push_back(Song::fromLrc(kChinese, 48, drawArtwork({64, {233, 164, 92}, {92, 52, 120}, {250, 232, 180}})));
  songs.push_back(Song::fromLrc(kEnglish, 40, drawArtwork({64, {24, 46, 96}, {12, 18, 40}, {255, 196, 87}})));
  songs.push_back(Song::fromLrc(kLongLines, 34, drawArtwork({64, {120, 200, 220}, {20, 90, 140}, {240, 240, 230}})));
  songs.push_back(Song::fromLrc(kEscapes, 36, drawArtwork({64, {250, 120, 160}, {140, 40, 200}, {30, 30, 30}})));
  return songs;
}

}  // namespace musicapp
