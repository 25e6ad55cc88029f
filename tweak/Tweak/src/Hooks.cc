// The hook table, installed in this order by the library's initialiser.
// Each replacement keeps the host's implementation and calls it where the
// table says: first, last, twice, or never.

#include <cstdint>
#include <string>

#include "HomeScreenParts.h"
#include "Tweak/HomeScreen.h"
#include "foundation/Log.h"
#include "foundation/Text.h"
#include "runtime/Class.h"
#include "runtime/Message.h"

namespace {

using runtime::Object;

constinit runtime::Original<void, std::int64_t, double, std::int64_t> origOrientationChange;
constinit runtime::Original<void, Object*> origIsPlayingDidChange;
constinit runtime::Original<void, Object*> origInfoDidChange;
constinit runtime::Original<Object*, Object*> origInitWithImage;
constinit runtime::Original<void, foundation::Value> origSetNowPlayingInfo;
constinit runtime::Original<void, Object*> origDidFinishLaunching;
constinit runtime::Original<void, Object*> origHandlePhysicalButtonEvent;
constinit runtime::Original<void, std::int64_t, Object*> origLockUI;

void logNilClass(const char* className) {
  foundation::logError(kLibraryTag, kHookFileName, kNilClassLine, "ERROR",
                       foundation::Value(foundation::format("logos: nil class %s", className)));
}

// The class, or one "nil class" line per replacement that was to go there.
runtime::Class* hookedClass(const char* name, int replacements) {
  runtime::Class* cls = runtime::getClass(name);
  if (cls == nullptr)
    for (int i = 0; i < replacements; ++i) logNilClass(name);
  return cls;
}

void addSpringBoardMethods(runtime::Class* springBoard) {
  using foundation::Notification;
  using foundation::Value;
  runtime::addMethod<void, std::string, Value>(
      springBoard, "handleMessage:withUserInfo:",
      [](Object&, const std::string& name, const Value& userInfo) { handleMessage(name, userInfo); });
  runtime::addMethod<void, Notification>(springBoard, "mediaTrackChanged:",
                                         [](Object&, const Notification& n) { mediaTrackChanged(n); });
  auto gesture = [](void (*handler)(ui::GestureRecognizer&)) {
    return [handler](Object&, ui::GestureRecognizer* const& recognizer) {
      if (recognizer != nullptr) handler(*recognizer);
    };
  };
  runtime::addMethod<void, ui::GestureRecognizer*>(springBoard, "longGesAction:", gesture(longGesAction));
  runtime::addMethod<void, ui::GestureRecognizer*>(springBoard, "handleDoubleTap:", gesture(handleDoubleTap));
  runtime::addMethod<void, ui::GestureRecognizer*>(springBoard, "tapAction:", gesture(tapAction));
  runtime::addMethod<void, ui::GestureRecognizer*>(springBoard, "pan:", gesture(pan));
  runtime::addMethod<void>(springBoard, "refreshTimer", [](Object&) { refreshTimer(); });
}

}  // namespace

void installHooks() {
  if (runtime::Class* cls = hookedClass("SBWallpaperController", 1)) {
    runtime::hookMessage<void, std::int64_t, double, std::int64_t>(
        cls, "activeInterfaceOrientationDidChangeToOrientation:willAnimateWithDuration:fromOrientation:",
        [](Object& self, const std::int64_t& orientation, const double& duration, const std::int64_t& from) {
          origOrientationChange(self, orientation, duration, from);
          if (!homeScreen().isStarted) return;
          orientationDidChange(orientation);
          origOrientationChange(self, orientation, duration, from);
        },
        &origOrientationChange);
  }
  if (runtime::Class* cls = hookedClass("SBMediaController", 2)) {
    runtime::hookMessage<void, Object*>(
        cls, "_mediaRemoteNowPlayingApplicationIsPlayingDidChange:",
        [](Object&, Object* const& notification) { nowPlayingApplicationIsPlayingDidChange(notification); },
        &origIsPlayingDidChange);
    runtime::hookMessage<void, Object*>(
        cls, "_mediaRemoteNowPlayingInfoDidChange:",
        [](Object& self, Object* const& notification) {
          origInfoDidChange(self, notification);
          nowPlayingInfoDidChange(notification);
        },
        &origInfoDidChange);
  }
  if (runtime::Class* cls = hookedClass("MPMediaItemArtwork", 1)) {
    runtime::hookMessage<Object*, Object*>(
        cls, "initWithImage:",
        [](Object& self, Object* const& image) { return origInitWithImage(self, image); },
        &origInitWithImage);
  }
  if (runtime::Class* cls = hookedClass("MPNowPlayingInfoCenter", 1)) {
    runtime::hookMessage<void, foundation::Value>(
        cls, "setNowPlayingInfo:",
        [](Object& self, const foundation::Value& info) {
          origSetNowPlayingInfo(self, info);
          relayNowPlayingInfo(info);
        },
        &origSetNowPlayingInfo);
  }
  runtime::Class* springBoard = hookedClass("SpringBoard", 1);
  if (springBoard != nullptr) {
    runtime::hookMessage<void, Object*>(
        springBoard, "applicationDidFinishLaunching:",
        [](Object& self, Object* const& application) {
          origDidFinishLaunching(self, application);
          launchHook(self);
        },
        &origDidFinishLaunching);
  }
  addSpringBoardMethods(springBoard);  // nothing happens without the class
  if (springBoard != nullptr) {
    runtime::hookMessage<void, Object*>(
        springBoard, "_handlePhysicalButtonEvent:",
        [](Object& self, Object* const& event) {
          origHandlePhysicalButtonEvent(self, event);
          physicalButtonEvent(event);
          origHandlePhysicalButtonEvent(self, event);
        },
        &origHandlePhysicalButtonEvent);
  } else {
    logNilClass("SpringBoard");
  }
  if (runtime::Class* cls = hookedClass("SBLockScreenManager", 1)) {
    runtime::hookMessage<void, std::int64_t, Object*>(
        cls, "lockUIFromSource:withOptions:",
        [](Object& self, const std::int64_t& source, Object* const& options) {
          lockUI(self);
          origLockUI(self, source, options);
        },
        &origLockUI);
  }
}
