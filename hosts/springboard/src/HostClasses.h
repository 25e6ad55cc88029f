#pragma once
// The home screen's own classes, registered with the runtime under the names
// an injected library looks up, with the methods it may replace. The host
// calls those methods through the runtime only, so a replacement decides
// when the host's implementation runs.

#include <functional>
#include <string>

#include "runtime/Object.h"

namespace springboard {

// An object whose "%@" is a fixed text: the notifications and events the
// host passes to hookable methods, whose receivers read only their text.
class DescribedObject : public runtime::Object {
 public:
  DescribedObject(const char* className, std::string description);
  std::string description() const override { return description_; }

 private:
  std::string description_;
};

// What the host's own implementations do beyond nothing.
struct HostActions {
  std::function<bool(std::int64_t step)> changeTrack;  // next (+1) or previous (-1)
  std::function<void()> resetIdleTimer;
  std::function<void()> wakeScreen;
  std::function<void()> didLock;  // the host's own lock, after any hook
};

// Registers SpringBoard, SBWallpaperController, SBMediaController,
// SBLockScreenManager, SBIdleTimerGlobalCoordinator, MPNowPlayingInfoCenter
// and MPMediaItemArtwork with their methods.
void registerHostClasses(HostActions actions);

// The single instances the host keeps (created by registerHostClasses).
runtime::Object& application();
runtime::Object& wallpaperController();
runtime::Object& mediaController();
runtime::Object& lockScreenManager();

}  // namespace springboard
