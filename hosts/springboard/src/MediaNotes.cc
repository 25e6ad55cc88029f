#include "MediaNotes.h"

#include <string>

#include "HostClasses.h"
#include "foundation/Value.h"
#include "runtime/Message.h"

namespace springboard {

void tellMediaController(const std::optional<media::NowPlayingApplication>& app,
                         const media::NowPlayingWatcher::Changes& changes) {
  const std::string bundle = app ? app->bundleIdentifier : "";
  if (changes.application || changes.playing) {
    foundation::Dictionary userInfo{
        {"kMRMediaRemoteNowPlayingApplicationIsPlayingUserInfoKey", foundation::Value(app && app->isPlaying ? 1 : 0)},
        {"kMRMediaRemoteNowPlayingApplicationDisplayIDUserInfoKey", foundation::Value(bundle)}};
    DescribedObject note(
        "NSConcreteNotification",
        "NSConcreteNotification {name = kMRMediaRemoteNowPlayingApplicationIsPlayingDidChangeNotification; userInfo = " +
            foundation::describe(foundation::Value(userInfo)) + "}");
    runtime::send<void>(mediaController(), "_mediaRemoteNowPlayingApplicationIsPlayingDidChange:",
                        static_cast<runtime::Object*>(&note));
  }
  if (changes.application || changes.info) {
    foundation::Dictionary userInfo{{"kMRMediaRemoteNowPlayingApplicationDisplayIDUserInfoKey", foundation::Value(bundle)},
                                    {"kMRMediaRemoteNowPlayingInfo", foundation::Value(app ? app->info : foundation::Dictionary{})}};
    DescribedObject note(
        "NSConcreteNotification",
        "NSConcreteNotification {name = kMRMediaRemoteNowPlayingInfoDidChangeNotification; userInfo = " +
            foundation::describe(foundation::Value(userInfo)) + "}");
    runtime::send<void>(mediaController(), "_mediaRemoteNowPlayingInfoDidChange:",
                        static_cast<runtime::Object*>(&note));
  }
}

}  // namespace springboard
