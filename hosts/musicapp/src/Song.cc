#include "musicapp/Song.h"

#include <utility>

namespace musicapp {

Song Song::fromLrc(std::string_view lrcText, double duration, foundation::Data artwork) {
  Song song;
  song.lyrics = Lrc::parse(lrcText);
  song.title = song.lyrics.title;
  song.artist = song.lyrics.artist;
  song.album = song.lyrics.album;
  song.duration = duration;
  song.artwork = std::move(artwork);
  return song;
}

}  // namespace musicapp
