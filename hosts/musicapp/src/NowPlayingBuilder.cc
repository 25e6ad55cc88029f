#include "musicapp/NowPlayingBuilder.h"

#include <string>
#include <utility>

#include "musicapp/NowPlayingKeys.h"

namespace musicapp {

NowPlayingFields NowPlayingBuilder::fields(bool wireless) const {
  switch (app_) {
    case MusicApp::kuwo:
      return wireless ? NowPlayingFields{MPMediaItemPropertyTitle, MPMediaItemPropertyTitle}
                      : NowPlayingFields{MPMediaItemPropertyArtist, MPMediaItemPropertyTitle};
    case MusicApp::netEase:
      return wireless ? NowPlayingFields{MPMediaItemPropertyTitle, MPMediaItemPropertyAlbumTitle}
                      : NowPlayingFields{MPMediaItemPropertyAlbumTitle, MPMediaItemPropertyTitle};
    case MusicApp::qqMusic:
      return wireless ? NowPlayingFields{MPMediaItemPropertyTitle, MPMediaItemPropertyArtist}
                      : NowPlayingFields{MPMediaItemPropertyArtist, MPMediaItemPropertyTitle};
    case MusicApp::kugou:
      return {KugouLyricsKey, MPMediaItemPropertyTitle};
    case MusicApp::migu:
      return {MPMediaItemPropertyArtist, MPMediaItemPropertyTitle};
  }
  return {MPMediaItemPropertyTitle, MPMediaItemPropertyTitle};
}

foundation::Value NowPlayingBuilder::build(const Song& song, const NowPlayingState& state) const {
  foundation::Dictionary info;
  info[std::string(MPMediaItemPropertyTitle)] = song.title;
  info[std::string(MPMediaItemPropertyArtist)] = song.artist;
  info[std::string(MPMediaItemPropertyAlbumTitle)] = song.album;
  info[std::string(MPMediaItemPropertyPlaybackDuration)] = song.duration;
  info[std::string(MPNowPlayingInfoPropertyElapsedPlaybackTime)] = state.elapsed;
  info[std::string(MPNowPlayingInfoPropertyPlaybackRate)] = state.playing ? 1.0 : 0.0;
  if (!state.artwork.isNil()) info[std::string(MPMediaItemPropertyArtwork)] = state.artwork;

  const NowPlayingFields where = fields(isWirelessRoute(state.portType));
  info[std::string(where.songName)] = song.title;
  info[std::string(where.line)] = state.line;  // last: where both share a key, the line wins
  return foundation::Value(std::move(info));
}

}  // namespace musicapp
