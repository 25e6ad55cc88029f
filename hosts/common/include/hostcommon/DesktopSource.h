#pragma once
// The names the desktop's programs agree on. On a desktop the music apps are
// the session's MPRIS players: each one is presented to the system as a
// supported app of its own, "org.hoververse.desktop.<player>", both by the
// desktop host's media controller (which follows the players) and by the
// bridge, which relays that player's lines under the same identifier.

#include <string>
#include <string_view>

namespace hostcommon {

// Every desktop player's bundle identifier starts with this.
inline constexpr std::string_view kDesktopBundlePrefix = "org.hoververse.desktop.";
// The bridge process's own bundle identifier (what the injection filter
// names); it relays each line under the player's identifier.
inline constexpr std::string_view kBridgeBundleIdentifier = "org.hoververse.desktop";

// "org.mpris.MediaPlayer2.mpv" and "org.mpris.MediaPlayer2.vlc.instance42"
// give "org.hoververse.desktop.mpv" and "org.hoververse.desktop.vlc": the
// player's name without the instance suffix, reduced to letters, digits,
// '-' and '_' (anything else becomes '_'), so a second instance of a player
// keeps the first one's identifier. Empty for a name that is not an MPRIS
// player's.
std::string desktopBundleIdentifier(std::string_view mprisBusName);

}  // namespace hostcommon
