#pragma once
// One playable song: what the now-playing information names, how long it
// plays, its timed lyrics and its cover artwork. Plain data, copied freely.

#include <string>
#include <string_view>

#include "foundation/Value.h"
#include "musicapp/Lrc.h"

namespace musicapp {

struct Song {
  std::string title;
  std::string artist;
  std::string album;
  double duration = 0;  // seconds; lines stamped at or after it never show
  Lrc lyrics;
  foundation::Data artwork;  // encoded PNG, as handed to the artwork object

  // Title, artist and album come from the LRC's ti, ar and al tags.
  static Song fromLrc(std::string_view lrcText, double duration, foundation::Data artwork);
};

}  // namespace musicapp
