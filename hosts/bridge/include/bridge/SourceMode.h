#pragma once
// Where a desktop player's current line comes from. `automatic` picks per
// player: a pushed line while the player has one, else its timed lyrics
// (LRC in xesam:asText) when they parse to timed lines, else its title.

#include <optional>
#include <string_view>

namespace bridge {

enum class SourceMode { automatic, title, lrc, pushed };

// "auto", "title", "lrc" or "pushed"; no value for anything else.
std::optional<SourceMode> parseSourceMode(std::string_view text);
std::string_view sourceModeName(SourceMode mode);

}  // namespace bridge
