// The desktop tests' other programs, in one binary:
//   hv_desktop_helper --player   a player playing on the session bus
//                                (media::NowPlayingInfoCenter's MPRIS player);
//                                each line read on stdin is posted to the home
//                                screen's message centre as a NetEase-style
//                                "hoververseNoti"; ends at end of input
//   hv_desktop_helper --logind   logind's manager and this session on the bus
//                                (a private one standing for the system bus):
//                                "lock" / "unlock" on stdin set LockedHint
//   hv_desktop_helper            (no arguments: as the desktop host starts its
//                                bridge) appends its pid to $HV_DESKTOP_BRIDGE_LOG
//                                and runs until it is signalled

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <sdbus-c++/sdbus-c++.h>

#include <cstdlib>
#include <functional>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "foundation/RunLoop.h"
#include "foundation/Value.h"
#include "hostcommon/DeviceBus.h"
#include "ipc/BusConnection.h"
#include "ipc/MessagingCenter.h"
#include "media/NowPlayingInfoCenter.h"

namespace {

// Calls `line` with each line read on stdin until its end, on the loop.
foundation::SourceHandle readLines(foundation::RunLoop& loop, std::string& pending,
                                   std::function<void(const std::string&)> line) {
  return loop.addFileDescriptor(STDIN_FILENO, [&loop, &pending, line] {
    char buffer[4096];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
      loop.stop();
      return;
    }
    pending.append(buffer, static_cast<std::size_t>(n));
    for (auto end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
      const std::string text = pending.substr(0, end);
      pending.erase(0, end + 1);
      line(text);
    }
  });
}

int logind() {
  foundation::RunLoop& loop = foundation::RunLoop::main();
  std::shared_ptr<ipc::BusConnection> bus = ipc::BusConnection::shared();
  if (!bus) return 1;
  const sdbus::ObjectPath sessionPath("/org/freedesktop/login1/session/test");
  bool locked = false;
  auto manager = sdbus::createObject(bus->connection(), "/org/freedesktop/login1");
  manager->registerMethod("GetSession").onInterface("org.freedesktop.login1.Manager").implementedAs(
      [&](const std::string&) { return sessionPath; });
  manager->registerMethod("GetSessionByPID").onInterface("org.freedesktop.login1.Manager").implementedAs(
      [&](std::uint32_t) { return sessionPath; });
  manager->finishRegistration();
  auto session = sdbus::createObject(bus->connection(), sessionPath);
  session->registerProperty("LockedHint").onInterface("org.freedesktop.login1.Session").withGetter([&] {
    return locked;
  });
  session->finishRegistration();
  bus->connection().requestName("org.freedesktop.login1");
  std::string pending;
  foundation::SourceHandle input = readLines(loop, pending, [&](const std::string& line) {
    locked = line == "lock";
    session->emitPropertiesChangedSignal("org.freedesktop.login1.Session", {"LockedHint"});
  });
  std::cout << "ready" << std::endl;
  loop.run();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode.empty()) {
    const char* log = std::getenv("HV_DESKTOP_BRIDGE_LOG");
    if (log == nullptr) return 1;
    {
      std::ofstream out(log, std::ios::app);
      out << ::getpid() << "\n";
    }
    ::pause();
    return 0;
  }
  if (mode == "--logind") return logind();
  if (mode != "--player") return 2;

  foundation::RunLoop& loop = foundation::RunLoop::main();
  std::shared_ptr<ipc::BusConnection> bus = ipc::BusConnection::shared();
  if (!bus) return 1;
  // A player the system knows nothing of: only the desktop host's naming
  // (org.hoververse.desktop.<player>) makes it a supported app.
  media::NowPlayingInfoCenter player(bus, "org.example.player");
  player.setNowPlayingInfo(foundation::Value(foundation::Dictionary{
      {"title", foundation::Value("Stand-in song")},
      {"artist", foundation::Value("Stand-in")},
      {"albumTitle", foundation::Value("Stand-in album")},
      {"playbackDuration", foundation::Value(200)}}));
  player.setPlaybackState(media::PlaybackState::playing);
  auto center = ipc::MessagingCenter::centerNamed(hostcommon::kMessageCenterName, bus);

  std::string pending;
  foundation::SourceHandle input = readLines(loop, pending, [&](const std::string& line) {
    center->sendMessageName(
        "hoververseNoti",
        foundation::Value(foundation::Dictionary{
            {"lyric", foundation::Value(foundation::describe(foundation::Value(foundation::Dictionary{
                          {"MPNowPlayingInfoPropertyElapsedPlaybackTime", foundation::Value(1)},
                          {"albumTitle", foundation::Value(line)},
                          {"title", foundation::Value("Stand-in song")}})))},
            {"bundleId", foundation::Value("com.netease.cloudmusic")}}));
  });
  std::cout << "ready" << std::endl;
  loop.run();
  return 0;
}
