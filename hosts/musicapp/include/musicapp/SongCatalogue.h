#pragma once
// The songs a music-app process plays, embedded in the program: short (30 to
// 90 s), with timed lyrics and artwork, chosen so that every presentation of
// a line gets exercised on the home screen: Chinese lines, English lines
// (one a single plain word), lines much wider than the floating window
// (the marquee), and lines with double quotes, backslashes and characters
// outside the Basic Multilingual Plane (the escapes of the text form).

#include <cstddef>
#include <vector>

#include "musicapp/Song.h"

namespace musicapp {

// Positions in embeddedSongs().
enum class EmbeddedSong : std::size_t { chinese, english, longLines, escapes };

// Built on each call (parsing and drawing take well under a millisecond);
// the program keeps one copy in its player.
std::vector<Song> embeddedSongs();

}  // namespace musicapp
