#pragma once
// Keys of a now-playing dictionary as the platform spells them: the media
// item properties are short words, the now-playing properties their own
// names. Kugou's app adds a key of its own for the line.

#include <string_view>

namespace musicapp {

inline constexpr std::string_view MPMediaItemPropertyTitle = "title";
inline constexpr std::string_view MPMediaItemPropertyArtist = "artist";
inline constexpr std::string_view MPMediaItemPropertyAlbumTitle = "albumTitle";
inline constexpr std::string_view MPMediaItemPropertyPlaybackDuration = "playbackDuration";
inline constexpr std::string_view MPMediaItemPropertyArtwork = "artwork";
inline constexpr std::string_view MPNowPlayingInfoPropertyElapsedPlaybackTime =
    "MPNowPlayingInfoPropertyElapsedPlaybackTime";
inline constexpr std::string_view MPNowPlayingInfoPropertyPlaybackRate = "MPNowPlayingInfoPropertyPlaybackRate";
inline constexpr std::string_view KugouLyricsKey = "lyrics";

}  // namespace musicapp
