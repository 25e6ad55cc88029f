// hoververse-springboard: the home-screen process ("SpringBoard"). It plays
// the operating system's home screen: registers the host classes, loads the
// libraries injected into it, finishes launching (through the runtime, so a
// replacement runs), follows the music apps' MPRIS players and tells its
// media controller, answers the device's control command (Dump) and announces
// each line the floating window shows (the LineShown signal).

#include <sys/prctl.h>

#include <sdbus-c++/sdbus-c++.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "HostClasses.h"
#include "HostWindows.h"
#include "LineAnnouncer.h"
#include "Profile.h"
#include "hostcommon/DeviceBus.h"
#include "foundation/Log.h"
#include "foundation/RunLoop.h"
#include "foundation/UserDefaults.h"
#include "ipc/BusConnection.h"
#include "media/NowPlayingWatcher.h"
#include "quartz/Image.h"
#include "render/ImageCodec.h"
#include "runtime/Loader.h"
#include "runtime/Message.h"

namespace {

constexpr const char* kBundleIdentifier = "com.apple.springboard";

void logLine(const std::string& text) {
  foundation::logError("SpringBoard", __FILE__, __LINE__, "ERROR", foundation::Value(text));
}

// The media controller's two notifications, with the texts the platform's
// notifications carry.
void tellMediaController(const media::NowPlayingWatcher& watcher, const media::NowPlayingWatcher::Changes& changes) {
  const auto app = watcher.nowPlayingApplication();
  const std::string bundle = app ? app->bundleIdentifier : "";
  if (changes.application || changes.playing) {
    foundation::Dictionary userInfo{
        {"kMRMediaRemoteNowPlayingApplicationIsPlayingUserInfoKey", foundation::Value(app && app->isPlaying ? 1 : 0)},
        {"kMRMediaRemoteNowPlayingApplicationDisplayIDUserInfoKey", foundation::Value(bundle)}};
    springboard::DescribedObject note(
        "NSConcreteNotification",
        "NSConcreteNotification {name = kMRMediaRemoteNowPlayingApplicationIsPlayingDidChangeNotification; userInfo = " +
            foundation::describe(foundation::Value(userInfo)) + "}");
    runtime::send<void>(springboard::mediaController(), "_mediaRemoteNowPlayingApplicationIsPlayingDidChange:",
                        static_cast<runtime::Object*>(&note));
  }
  if (changes.application || changes.info) {
    foundation::Dictionary userInfo{{"kMRMediaRemoteNowPlayingApplicationDisplayIDUserInfoKey", foundation::Value(bundle)},
                                    {"kMRMediaRemoteNowPlayingInfo", foundation::Value(app ? app->info : foundation::Dictionary{})}};
    springboard::DescribedObject note(
        "NSConcreteNotification",
        "NSConcreteNotification {name = kMRMediaRemoteNowPlayingInfoDidChangeNotification; userInfo = " +
            foundation::describe(foundation::Value(userInfo)) + "}");
    runtime::send<void>(springboard::mediaController(), "_mediaRemoteNowPlayingInfoDidChange:",
                        static_cast<runtime::Object*>(&note));
  }
}

}  // namespace

int main(int argc, char** argv) {
  const char* profileName = std::getenv(hostcommon::kProfileVariable);
  const springboard::Profile* profile =
      springboard::findProfile(profileName != nullptr ? profileName : hostcommon::kDefaultProfileName);
  if (profile == nullptr || argc > 1) {
    std::fprintf(stderr, "usage: %s (no arguments; HOVERVERSE_PROFILE names the device profile)\n", argv[0]);
    return 2;
  }
  ::prctl(PR_SET_NAME, hostcommon::kSpringBoardProcessName, 0, 0, 0);
  foundation::ProcessInfo::setBundleIdentifier(kBundleIdentifier);
  foundation::RunLoop& loop = foundation::RunLoop::main();
  springboard::applyProfile(*profile);
  quartz::Image::setDecoder([](std::span<const std::uint8_t> bytes) { return render::decodeImage(bytes); });

  std::shared_ptr<ipc::BusConnection> bus = ipc::BusConnection::shared();
  std::unique_ptr<media::NowPlayingWatcher> watcher = std::make_unique<media::NowPlayingWatcher>(bus);
  springboard::HostActions actions;
  actions.changeTrack = [&watcher](std::int64_t step) { return watcher->changeTrack(step > 0 ? 1 : -1); };
  springboard::registerHostClasses(std::move(actions));
  runtime::loadInjectedLibraries(kBundleIdentifier);

  springboard::HostWindows windows(*profile);
  watcher->setChangeHandler([&watcher](const media::NowPlayingWatcher::Changes& changes) {
    tellMediaController(*watcher, changes);
  });

  std::unique_ptr<sdbus::IObject> control;
  if (bus) {
    try {
      control = sdbus::createObject(bus->connection(), hostcommon::kSpringBoardObjectPath);
      control->registerMethod("Dump").onInterface(hostcommon::kSpringBoardInterface).implementedAs([] {
        return springboard::dumpWindows();
      });
      control->registerSignal("LineShown").onInterface(hostcommon::kSpringBoardInterface).withParameters<std::string, std::uint64_t>();
      control->finishRegistration();
      bus->connection().requestName(hostcommon::kSpringBoardBusName);
    } catch (const sdbus::Error& error) {
      logLine("cannot serve the control object: " + error.getMessage());
    }
  }

  // The floating window's line, announced with the monotonic time of the
  // turn that set it.
  springboard::LineAnnouncer announcer(loop, [&control](const std::string& text, std::chrono::nanoseconds at) {
    if (!control) return;
    try {
      control->emitSignal("LineShown").onInterface(hostcommon::kSpringBoardInterface)
          .withArguments(text, static_cast<std::uint64_t>(at.count()));
    } catch (const sdbus::Error& error) {
      logLine("cannot announce the line: " + error.getMessage());
    }
  });

  runtime::Object& app = springboard::application();
  runtime::send<void>(app, "applicationDidFinishLaunching:", &app);
  loop.run();
  return 0;
}
