// The now-playing road: the relay in the music apps, the message handler in
// the home screen, the media controller's two notifications and the track
// change the always-on controls ask for.

#include <optional>
#include <string>

#include "HomeScreenParts.h"
#include "Tweak/HomeScreen.h"
#include "alwayson/FullScreenWindow.h"
#include "floating/MMLyricSuperWindow.h"
#include "foundation/UserDefaults.h"
#include "ipc/MessagingCenter.h"
#include "lyric/LyricManager.h"
#include "runtime/Class.h"
#include "runtime/Message.h"

void relayNowPlayingInfo(const foundation::Value& info) {
  const std::string& bundleId = foundation::ProcessInfo::bundleIdentifier();
  // A process without a bundle identifier cannot say who sends: not sending
  // is the sound choice, as the home screen could not read the line anyway.
  if (bundleId.empty()) return;
  foundation::Dictionary userInfo{{"lyric", foundation::Value(foundation::describe(info))},
                                  {"bundleId", foundation::Value(bundleId)}};
  ipc::MessagingCenter::centerNamed("kXPCCenterNameKey_11292")->sendMessageName("hoververseNoti", userInfo);
}

void handleMessage(const std::string& name, const foundation::Value& userInfo) {
  HomeScreenState& s = homeScreen();
  if (name == "hoververseNoti") {
    const std::optional<std::string> line = LyricManager::shareManager().dicToLyric(userInfo);
    // No line is never equal to the one shown; it reaches the windows as
    // the empty text.
    if (line && s.lyricWindow && *line == s.lyricWindow->lyric()) return;
    if (s.lyricWindow) s.lyricWindow->setLyric(line.value_or(""));
    if (!s.fullScreenWindow || s.fullScreenWindow->isHidden()) return;
    s.fullScreenWindow->fullScreenAddLyric(line.value_or(""));
    return;
  }
  if (!s.fullScreenWindow) return;
  std::optional<std::string> image;
  if (const foundation::Dictionary* entries = userInfo.dictionary()) {
    auto it = entries->find("image");
    if (it != entries->end() && it->second.isText()) image = *it->second.text();
  }
  s.fullScreenWindow->addImageBase64(image);
}

void mediaTrackChanged(const foundation::Notification& notification) {
  const std::int64_t step = foundation::describe(notification.object) == "1" ? 1 : -1;
  runtime::Object* controller = runtime::send<runtime::Object*>(runtime::getClass("SBMediaController"), "sharedInstance");
  runtime::send<bool>(controller, "changeTrack:eventSource:", step, std::int64_t{10000});
}

void nowPlayingApplicationIsPlayingDidChange(runtime::Object* notification) {
  homeScreen().isPaused = runtime::describe(notification).find("PlayingUserInfoKey = 1") == std::string::npos;
}

void nowPlayingInfoDidChange(runtime::Object* notification) {
  homeScreen().isMusicApp = LyricManager::shareManager().isMusicAppWithString(runtime::describe(notification));
}
