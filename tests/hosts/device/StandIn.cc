// A stand-in for the device's own programs in the device tests: started by
// hoververse-device as SpringBoard (no --bundle) or as a music app
// (--bundle ID [--song N] [--play]), it serves the same bus objects the real
// programs do, in the simplest way, and says on stdout (which the device
// logs) what it was started with and what it was asked to do, so tests can
// check the device and hoververse-ctl from the logs.
//
// HV_STANDIN_IGNORE_TERM=1 makes it ignore SIGTERM (the stop's SIGKILL path);
// HV_STANDIN_GRANDCHILD=1 makes SpringBoard start a `sleep` of its own (the
// process group is stopped with it).

#include <sdbus-c++/sdbus-c++.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/RunLoop.h"
#include "foundation/Value.h"
#include "hostcommon/DeviceBus.h"
#include "ipc/BusConnection.h"
#include "ipc/MessagingCenter.h"
#include "media/NowPlayingInfoCenter.h"

extern char** environ;

namespace {

std::string env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "(unset)";
}

void say(const std::string& line) { std::cout << line << std::endl; }

struct MusicApp {
  std::string bundle;
  int song = 0;
  bool playing = false;
  std::unique_ptr<media::NowPlayingInfoCenter> center;
  std::unique_ptr<sdbus::IObject> object;

  void publish() {
    center->setNowPlayingInfo(foundation::Value(foundation::Dictionary{
        {"title", foundation::Value("Song " + std::to_string(song))},
        {"artist", foundation::Value("Stand-in")},
        {"playbackDuration", foundation::Value(200)}}));
    center->setPlaybackState(playing ? media::PlaybackState::playing : media::PlaybackState::paused);
  }
  void command(const std::string& name, int songDelta, bool play) {
    song += songDelta;
    playing = play;
    say("command " + name + " song " + std::to_string(song));
    publish();
  }
};

}  // namespace

int main(int argc, char** argv) {
  ::prctl(PR_SET_NAME, argv[0]);
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string joined;
  for (const std::string& arg : args) joined += (joined.empty() ? "" : " ") + arg;
  say(std::string("started argv0=") + argv[0] + " root=" + env("HOVERVERSE_ROOT") +
      " profile=" + env("HOVERVERSE_PROFILE") + " bus=" + env("DBUS_SESSION_BUS_ADDRESS") + " args=" + joined + " display=" + env("DISPLAY"));
  if (env("HV_STANDIN_IGNORE_TERM") == "1") ::signal(SIGTERM, SIG_IGN);

  foundation::RunLoop& loop = foundation::RunLoop::main();
  auto connection = ipc::BusConnection::connectToDeviceBus(loop);
  if (!connection) {
    say("no bus");
    return 1;
  }
  sdbus::IConnection& bus = connection->connection();

  MusicApp app;
  std::shared_ptr<ipc::MessagingCenter> messages;
  std::unique_ptr<sdbus::IObject> springBoard;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--bundle" && i + 1 < args.size()) app.bundle = args[++i];
    if (args[i] == "--song" && i + 1 < args.size()) app.song = std::stoi(args[++i]);
    if (args[i] == "--play") app.playing = true;
  }
  if (!app.bundle.empty()) {
    app.center = std::make_unique<media::NowPlayingInfoCenter>(connection, app.bundle);
    app.center->setCommandHandler(media::RemoteCommand::play, [&] { app.command("play", 0, true); });
    app.center->setCommandHandler(media::RemoteCommand::pause, [&] { app.command("pause", 0, false); });
    app.center->setCommandHandler(media::RemoteCommand::nextTrack, [&] { app.command("next", 1, app.playing); });
    app.center->setCommandHandler(media::RemoteCommand::previousTrack,
                                  [&] { app.command("previous", -1, app.playing); });
    app.publish();
    app.object = sdbus::createObject(bus, hostcommon::kMusicAppObjectPath);
    app.object->registerMethod("Play").onInterface(hostcommon::kMusicAppInterface).implementedAs([&](std::int32_t song) {
      if (song >= 0) app.song = song;
      app.command("Play", 0, true);
    });
    app.object->finishRegistration();
    // Last, as the device takes this name to mean the app is up.
    bus.requestName(hostcommon::musicAppBusName(app.bundle));
  } else {
    if (env("HV_STANDIN_GRANDCHILD") == "1") {
      pid_t pid = 0;
      char sleepName[] = "sleep";
      char forever[] = "1000";
      char* sleepArgs[] = {sleepName, forever, nullptr};
      if (::posix_spawnp(&pid, "sleep", nullptr, nullptr, sleepArgs, environ) == 0) {
        say("grandchild " + std::to_string(pid));
      }
    }
    messages = ipc::MessagingCenter::centerNamed(hostcommon::kMessageCenterName, connection);
    messages->registerForMessageName("hoververseNoti", [](const std::string& name, const foundation::Dictionary& info) {
      std::string line = "message " + name;
      for (const auto& [key, value] : info) line += " " + key + "=" + foundation::describe(value);
      say(line);
    });
    if (auto status = messages->runServerOnCurrentThread(); !status) say("no message centre: " + status.message());
    springBoard = sdbus::createObject(bus, hostcommon::kSpringBoardObjectPath);
    springBoard->registerMethod("Dump").onInterface(hostcommon::kSpringBoardInterface).implementedAs([] {
      return std::string(R"([{"class": "MMLyricSuperWindow", "name": "lyricWindow", "subviews": []}])");
    });
    springBoard->finishRegistration();
    bus.requestName(hostcommon::kSpringBoardBusName);
  }
  say("ready");
  loop.run();
  return 0;
}
