// The desktop tests' other programs, in one binary:
//   hv_desktop_helper --player   a supported player playing on the session bus
//                                (media::NowPlayingInfoCenter's MPRIS player);
//                                each line read on stdin is posted to the home
//                                screen's message centre as a NetEase-style
//                                "hoververseNoti"; ends at end of input
//   hv_desktop_helper            (no arguments: as the desktop host starts its
//                                bridge) appends its pid to $HV_DESKTOP_BRIDGE_LOG
//                                and runs until it is signalled

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
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
  if (mode != "--player") return 2;

  foundation::RunLoop& loop = foundation::RunLoop::main();
  std::shared_ptr<ipc::BusConnection> bus = ipc::BusConnection::shared();
  if (!bus) return 1;
  media::NowPlayingInfoCenter player(bus, "com.netease.cloudmusic");
  // The media controller's note must name a supported app for the system
  // to show lines; a desktop player's own identifier does not (yet), so
  // this player's album carries one.
  player.setNowPlayingInfo(foundation::Value(foundation::Dictionary{
      {"title", foundation::Value("Stand-in song")},
      {"artist", foundation::Value("Stand-in")},
      {"albumTitle", foundation::Value("com.netease.cloudmusic")},
      {"playbackDuration", foundation::Value(200)}}));
  player.setPlaybackState(media::PlaybackState::playing);
  auto center = ipc::MessagingCenter::centerNamed(hostcommon::kMessageCenterName, bus);

  std::string pending;
  foundation::SourceHandle input = loop.addFileDescriptor(STDIN_FILENO, [&] {
    char buffer[4096];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
      loop.stop();
      return;
    }
    pending.append(buffer, static_cast<std::size_t>(n));
    for (auto end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
      const std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      center->sendMessageName(
          "hoververseNoti",
          foundation::Value(foundation::Dictionary{
              {"lyric", foundation::Value(foundation::describe(foundation::Value(foundation::Dictionary{
                                                  {"MPNowPlayingInfoPropertyElapsedPlaybackTime", foundation::Value(1)},
                                                  {"albumTitle", foundation::Value(line)},
                                                  {"title", foundation::Value("Stand-in song")}})))},
              {"bundleId", foundation::Value("com.netease.cloudmusic")}}));
    }
  });
  std::cout << "ready" << std::endl;
  loop.run();
  return 0;
}
