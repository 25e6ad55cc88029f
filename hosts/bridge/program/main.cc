// hoververse-bridge: the music-app role for the desktop's own players. It
// follows every MPRIS player on the session bus (DBUS_SESSION_BUS_ADDRESS),
// works out the now-playing player's current line (from its title, its timed
// lyrics or lines pushed to the bridge) and sets a now-playing dictionary
// through the runtime's MPNowPlayingInfoCenter, under that player's desktop
// bundle identifier, so the injected relay sends it to the home screen as
// that player's line. It publishes no MPRIS player of its own.

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bridge/LineBridge.h"
#include "bridge/LyricsService.h"
#include "foundation/Log.h"
#include "foundation/RunLoop.h"
#include "foundation/UserDefaults.h"
#include "hostcommon/DesktopSource.h"
#include "ipc/BusConnection.h"
#include "media/NowPlayingWatcher.h"
#include "runtime/Class.h"
#include "runtime/Loader.h"
#include "runtime/Message.h"

namespace {

// The now-playing info centre as the runtime sees it. Its own
// setNowPlayingInfo: only keeps the dictionary: a player on MPRIS would
// show twice in the desktop's media widgets.
class InfoCenterObject : public runtime::Object {
 public:
  InfoCenterObject() : runtime::Object(runtime::registerClass("MPNowPlayingInfoCenter")) {}
  foundation::Value info;
};

void registerHostClasses() {
  runtime::addMethod<void, foundation::Value>(
      &runtime::registerClass("MPNowPlayingInfoCenter"), "setNowPlayingInfo:",
      [](runtime::Object& self, const foundation::Value& info) {
        if (auto* center = dynamic_cast<InfoCenterObject*>(&self)) center->info = info;
      });
}

void logBridge(int line, const std::string& text) {
  foundation::logError("bridge", "main.cc", line, "ERROR", foundation::Value(text));
}

}  // namespace

int main(int argc, char**) {
  if (argc > 1) {
    std::fputs("usage: hoververse-bridge (no arguments; the bus is DBUS_SESSION_BUS_ADDRESS)\n", stderr);
    return 2;
  }
  const std::string self(hostcommon::kBridgeBundleIdentifier);
  foundation::ProcessInfo::setBundleIdentifier(self);
  // The store is named after the identifier at first use: take it now,
  // before any relay lends the process a player's identifier.
  foundation::UserDefaults& defaults = foundation::UserDefaults::standardUserDefaults();
  foundation::RunLoop& loop = foundation::RunLoop::main();

  registerHostClasses();
  runtime::loadInjectedLibraries(self);
  InfoCenterObject center;

  std::shared_ptr<ipc::BusConnection> bus = ipc::BusConnection::shared();
  if (!bus) {
    logBridge(__LINE__, "no session bus: set DBUS_SESSION_BUS_ADDRESS");
    return 1;
  }
  media::NowPlayingWatcher watcher(bus);
  bridge::LineBridge lines(
      loop, defaults,
      [&center, &self](const std::string& bundleIdentifier, const foundation::Dictionary& info) {
        // The relay sends under the process's identifier: lend it the
        // player's for this one message.
        foundation::ProcessInfo::setBundleIdentifier(bundleIdentifier);
        runtime::send<void>(&center, "setNowPlayingInfo:", foundation::Value(info));
        foundation::ProcessInfo::setBundleIdentifier(self);
      },
      {});
  auto readPosition = [&watcher, &lines](const std::string& busName) {
    watcher.readPosition(busName, [&lines, busName](std::optional<double> seconds) {
      if (seconds) lines.positionKnown(busName, *seconds);
    });
  };
  bridge::LineBridge* model = &lines;
  watcher.setPlayersChangedHandler([&watcher, model] {
    const std::optional<media::NowPlayingApplication> now = watcher.nowPlayingApplication();
    model->update(now ? std::optional<std::string>(now->busName) : std::nullopt, watcher.players());
  });
  watcher.setSeekedHandler([model](const std::string& busName, double position) {
    model->positionKnown(busName, position);
  });
  lines.setPositionReader(readPosition);
  bridge::LyricsService service(bus, lines);
  // One bridge per session: a second would relay every line twice.
  const std::vector<std::string>& owned = service.ownedNames();
  if (std::find(owned.begin(), owned.end(), bridge::kLyricsBusName) == owned.end()) {
    logBridge(__LINE__, std::string("another bridge serves ") + bridge::kLyricsBusName + " on this bus; leaving");
    return 1;
  }

  // SIGTERM and SIGINT end the loop, so the names are given back and
  // everything is torn down in order.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  foundation::SourceHandle stopSource;
  int stopFd = -1;
  if (::sigprocmask(SIG_BLOCK, &stopSignals, nullptr) == 0) {
    stopFd = ::signalfd(-1, &stopSignals, SFD_NONBLOCK | SFD_CLOEXEC);
    if (stopFd >= 0) {
      stopSource = loop.addFileDescriptor(stopFd, [&loop, stopFd] {
        signalfd_siginfo info{};
        while (::read(stopFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        }
        loop.stop();
      });
    }
  }

  loop.run();
  stopSource.reset();
  if (stopFd >= 0) ::close(stopFd);
  return 0;
}
