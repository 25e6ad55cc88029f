#pragma once
// Builds the now-playing dictionary a supported music app hands to the
// now-playing info centre: the song's title, artist and album, duration,
// elapsed time, playback rate and artwork, with the line being sung in the
// field that app uses for it on the current audio route. Apps that show
// lyrics on car and Bluetooth displays move the line into the title when the
// sound goes to such a receiver, and the song name into another field; the
// home screen reads each app's line and song name from exactly these fields.
//
//   app       wired: line / song name    wireless: line / song name
//   Kuwo      artist / title             title / title (the line wins)
//   NetEase   albumTitle / title         title / albumTitle
//   QQ Music  artist / title             title / artist
//   Kugou     lyrics / title             lyrics / title
//   Migu      artist / title             artist / title
//
// A field that carries the line or the song name no longer carries its own
// value (NetEase's album, wired, is not in the dictionary).

#include <string_view>

#include "foundation/Value.h"
#include "musicapp/MusicApp.h"
#include "musicapp/Song.h"

namespace musicapp {

// What the artwork entry holds until the program puts the artwork object's
// own value there; shaped like the platform's description of one.
inline constexpr std::string_view kArtworkPlaceholder = "<MPMediaItemArtwork: 0x0>";

struct NowPlayingFields {
  std::string_view line;      // key that carries the line being sung
  std::string_view songName;  // key that carries the song's title
};

// The moment the dictionary describes.
struct NowPlayingState {
  std::string_view line;      // the line being sung; empty before the first and in pauses
  double elapsed = 0;         // seconds into the song
  bool playing = false;       // playback rate 1, else 0
  std::string_view portType;  // first output of the current route; empty for none
  foundation::Value artwork = foundation::Value(kArtworkPlaceholder);  // nil: no entry
};

class NowPlayingBuilder {
 public:
  explicit NowPlayingBuilder(MusicApp app) : app_(app) {}

  MusicApp app() const { return app_; }
  NowPlayingFields fields(bool wireless) const;
  foundation::Value build(const Song& song, const NowPlayingState& state) const;

 private:
  MusicApp app_;
};

}  // namespace musicapp
