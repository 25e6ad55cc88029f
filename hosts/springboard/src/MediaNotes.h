#pragma once
// The media controller's two notifications, with the texts the platform's
// notifications carry, sent through the runtime so a replacement sees them.
// The host says which app plays (its bundle identifier as the system is to
// see it: a music app's own on the device, a desktop player's on a desktop).

#include <optional>

#include "media/NowPlayingWatcher.h"

namespace springboard {

void tellMediaController(const std::optional<media::NowPlayingApplication>& app,
                         const media::NowPlayingWatcher::Changes& changes);

}  // namespace springboard
