#pragma once
// What the bridge accepts from other processes: texts must be valid UTF-8
// (anything else is refused, never repaired), a line is kept to its first
// 4 KiB cut at a character boundary, and a player is named by its MPRIS bus
// name, its short name ("mpv") or its desktop bundle identifier.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace bridge {

inline constexpr std::size_t kMaxLineBytes = 4096;

// The line as it will be shown; no value, with `error`, when it is not UTF-8.
std::optional<std::string> acceptLine(std::string_view text, std::string& error);

// The desktop bundle identifier ("org.hoververse.desktop.mpv") a player
// reference names; no value, with `error`, for an empty, overlong or
// non-UTF-8 reference.
std::optional<std::string> playerIdentifier(std::string_view reference, std::string& error);

// "mpv" for "org.hoververse.desktop.mpv": the key of the player's source
// override.
std::string shortName(std::string_view bundleIdentifier);

}  // namespace bridge
