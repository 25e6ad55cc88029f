#pragma once
// The road between a now-playing dictionary and MPRIS metadata, both ways:
// the player side publishes an app's dictionary as metadata, the watcher side
// turns a player's metadata back into a dictionary with the same keys.

#include <sdbus-c++/sdbus-c++.h>

#include <map>
#include <string>
#include <string_view>

#include "foundation/Value.h"

namespace media::mpris {

inline constexpr const char* kPrefix = "org.mpris.MediaPlayer2.";
inline constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";
inline constexpr const char* kRootInterface = "org.mpris.MediaPlayer2";
inline constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";
inline constexpr const char* kPropertiesInterface = "org.freedesktop.DBus.Properties";

// Now-playing keys with a meaning beyond what the metadata carries.
inline constexpr const char* kPlaybackRateKey = "MPNowPlayingInfoPropertyPlaybackRate";
inline constexpr const char* kElapsedTimeKey = "MPNowPlayingInfoPropertyElapsedPlaybackTime";
inline constexpr const char* kPersistentIdKey = "MPMediaItemPropertyPersistentID";
inline constexpr const char* kArtworkKey = "artwork";

using Metadata = std::map<std::string, sdbus::Variant>;

// `trackId` must be a valid object path; `artUrl` is left out when empty.
Metadata toMetadata(const foundation::Dictionary& info, const std::string& trackId,
                    const std::string& artUrl);
foundation::Dictionary fromMetadata(const Metadata& metadata);

}  // namespace media::mpris
