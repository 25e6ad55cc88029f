#pragma once
// Turns a relayed now-playing dictionary ({"lyric": its "%@" text form,
// "bundleId": the sending app}) into the lyric line to show, and gives the
// song name from the last dictionary seen. Which field carries the line
// depends on the app and on whether the sound goes to a wireless receiver.
//
// One shared instance per process (`shareManager`); its state always
// describes the last dictionary given to `dicToLyric`. Main thread only; only
// the creation of the shared instance is guarded.
//
// "Text or no value": std::nullopt is the platform's nil, which happens when
// the cut-out text cannot be decoded (see `replaceUnicode`).

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "foundation/Value.h"

// Bundle identifiers of the supported music apps.
namespace MusicAppBundle {
inline constexpr std::string_view Kuwo = "com.yeelion.kwplayer";
inline constexpr std::string_view NetEase = "com.netease.cloudmusic";
inline constexpr std::string_view QQMusic = "com.tencent.QQMusic";
inline constexpr std::string_view KugouPrefix = "com.kugou";  // every edition
inline constexpr std::string_view Migu = "com.migu.migumobilemusic";
// Every player of a desktop session, "org.hoververse.desktop.<player>". Its
// dictionary is written by the desktop bridge: the line is the value of
// `lyricLine`, the song name that of `title`.
inline constexpr std::string_view DesktopPrefix = "org.hoververse.desktop.";
}  // namespace MusicAppBundle

class LyricManager {
 public:
  static LyricManager& shareManager();

  LyricManager() = default;

  // The line to show. Stores the dictionary first (always); takes its
  // "bundleId" as `musicAppIdentifier` when it has a "lyric" entry. Without a
  // "lyric" entry, or for an app that is not supported, the empty text; when
  // the app's field is not found, the app's own name (e.g. "网易云音乐"); for
  // a desktop player without a readable `lyricLine`, the player's name.
  std::optional<std::string> dicToLyric(const foundation::Value& dic);
  std::optional<std::string> dicToLyric(foundation::Value&& dic);

  // The song name from the last dictionary, from the field that does not
  // carry the line. Empty before any dictionary and when nothing is found.
  std::optional<std::string> getSongName() const;

  // Decodes the escapes of the text form (\Uxxxx and \uxxxx, \" \\, C
  // escapes, octal), as one old-style quoted string; a double quote that is
  // not already escaped is taken literally. The four characters \r\n left
  // after decoding become one line feed. No value when the text cannot be
  // decoded (e.g. it ends in a lone backslash).
  std::optional<std::string> replaceUnicode(std::string_view text) const;

  // Whether the text names a supported music app anywhere in it.
  bool isMusicAppWithString(std::string_view text) const;

  // Whether the first output of the audio session's current route is a
  // Bluetooth A2DP or AirPlay receiver; false with no outputs.
  bool isBleToothOutput() const;

  const std::optional<std::string>& musicAppIdentifier() const { return musicAppIdentifier_; }
  void setMusicAppIdentifier(std::optional<std::string> identifier) {
    musicAppIdentifier_ = std::move(identifier);
  }

 private:
  std::optional<std::string> lyricFromStoredDictionary();

  foundation::Value lyricInfoDic_;
  std::optional<std::string> musicAppIdentifier_;
};
