// hoververse-ctl end to end against a device whose SpringBoard and music apps
// are stand-ins that log what they are asked.

#include <nlohmann/json.hpp>

#include "DeviceFixture.h"
#include "foundation/DeviceRoot.h"
#include "media/AudioSession.h"

namespace {

class CtlTest : public DeviceFixture {
 protected:
  nlohmann::json status() {
    const ProgramRun result = ctl({"status", "--json"});
    EXPECT_EQ(result.code, 0) << result.err;
    return nlohmann::json::parse(result.out, nullptr, false);
  }
  // The now-playing app's bundle identifier and state as the device reports them.
  std::string nowPlaying() {
    const nlohmann::json playing = status().value("nowPlaying", nlohmann::json());
    if (!playing.is_object()) return "nothing";
    return playing.value("bundleIdentifier", "") + " " + playing.value("state", "") + " " +
           playing.value("title", "");
  }
  std::string busAddress() const { return "unix:path=" + (root_ / "run/bus").string(); }
};

TEST_F(CtlTest, WithoutADeviceOrWithBadArgumentsSaysSoInOneLine) {
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string says;
  };
  const std::string noDevice = "no device is running at " + root_.string();
  const std::vector<Case> cases{
      {{"status"}, 1, noDevice},
      {{"env"}, 1, noDevice},
      {{"pause"}, 1, noDevice},
      {{"next"}, 1, noDevice},
      {{"route", "Speaker"}, 1, noDevice},
      {{"dump"}, 1, noDevice},
      {{"send", "hoververseNoti", "lyric=x"}, 1, noDevice},
      {{"play", "com.netease.cloudmusic"}, 1, noDevice},
      {{"play", "com.example.player"}, 1, "unknown app 'com.example.player'"},
      {{"play", "com.kugou"}, 1, "unknown app 'com.kugou'"},
      {{}, 2, "no command given"},
      {{"frobnicate"}, 2, "unknown command 'frobnicate'"},
      {{"--root"}, 2, "--root needs a folder"},
      {{"play"}, 2, "play needs a bundle identifier"},
      {{"play", "com.netease.cloudmusic", "--song", "three"}, 2, "--song takes a track number"},
      {{"play", "com.netease.cloudmusic", "--song", "-2"}, 2, "--song takes a track number"},
      {{"play", "com.netease.cloudmusic", "--song"}, 2, "unexpected argument '--song'"},
      {{"pause", "now"}, 2, "pause takes no arguments"},
      {{"route"}, 2, "route needs one port type"},
      {{"route", ""}, 2, "route needs one port type"},
      {{"send"}, 2, "send needs a message name"},
      {{"send", "hoververseNoti", "lyric"}, 2, "'lyric' is not KEY=VALUE"},
      {{"send", "hoververseNoti", "=x"}, 2, "'=x' is not KEY=VALUE"},
      {{"status", "--yaml"}, 2, "status takes only --json"},
      {{"lock"}, 1, noDevice},
      {{"rotate", "3"}, 1, noDevice},
      {{"wait-line", "x"}, 1, noDevice},
      {{"tap", "10", "20"}, 1, noDevice},
      {{"lock", "now"}, 2, "lock takes no arguments"},
      {{"rotate", "5"}, 2, "rotate takes one orientation"},
      {{"rotate", "13"}, 2, "rotate takes one orientation"},
      {{"button"}, 2, "button takes one event type"},
      {{"wait-line"}, 2, "wait-line needs the line"},
      {{"wait-line", "x", "--timeout", "soon"}, 2, "wait-line takes TEXT"},
      {{"tap", "10"}, 2, "tap takes X Y"},
      {{"doubletap", "a", "b"}, 2, "doubletap takes X Y"},
      {{"drag", "1", "2", "3", "4", "-1"}, 2, "drag takes X1 Y1 X2 Y2"},
      {{"longpress", "1", "2", "3", "4"}, 2, "longpress takes X Y"},
      {{"screenshot"}, 2, "screenshot takes the PNG file"},
  };
  for (const Case& c : cases) {
    const ProgramRun result = ctl(c.args);
    EXPECT_EQ(result.code, c.code) << testing::PrintToString(c.args);
    EXPECT_EQ(result.errLines(), 1u) << result.err;
    EXPECT_EQ(result.err.rfind("hoververse-ctl: ", 0), 0u) << result.err;
    EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "") << testing::PrintToString(c.args);
  }
}

TEST_F(CtlTest, PlaysAnAppAndControlsWhatIsPlaying) {
  startDevice();
  EXPECT_EQ(nowPlaying(), "nothing");
  const ProgramRun play = ctl({"play", "com.netease.cloudmusic", "--song", "3"});
  ASSERT_EQ(play.code, 0) << play.err;
  // play returns once the app is up.
  const pid_t app = pidOf("NeteaseMusic");
  ASSERT_GT(app, 0);
  EXPECT_TRUE(processAlive(app));
  EXPECT_TRUE(logHas("NeteaseMusic", "started argv0=NeteaseMusic root=" + root_.string() +
                                         " profile=iphone-x bus=" + busAddress() +
                                         " args=--bundle com.netease.cloudmusic --song 3 --play"));
  EXPECT_TRUE(eventually([&] { return nowPlaying() == "com.netease.cloudmusic playing Song 3"; }))
      << nowPlaying();

  struct Step {
    std::string command;
    std::string appSays;
    std::string deviceSays;
  };
  const std::vector<Step> steps{
      {"pause", "command pause song 3", "com.netease.cloudmusic paused Song 3"},
      {"resume", "command play song 3", "com.netease.cloudmusic playing Song 3"},
      {"next", "command next song 4", "com.netease.cloudmusic playing Song 4"},
      {"previous", "command previous song 3", "com.netease.cloudmusic playing Song 3"},
  };
  for (const Step& step : steps) {
    const ProgramRun result = ctl({step.command});
    EXPECT_EQ(result.code, 0) << step.command << ": " << result.err;
    EXPECT_TRUE(logHas("NeteaseMusic", step.appSays)) << logOf("NeteaseMusic");
    EXPECT_TRUE(eventually([&] { return nowPlaying() == step.deviceSays; })) << step.command << ": " << nowPlaying();
  }

  // A running app is asked to play, not started again.
  const ProgramRun again = ctl({"play", "com.netease.cloudmusic", "--song", "5"});
  EXPECT_EQ(again.code, 0) << again.err;
  EXPECT_TRUE(logHas("NeteaseMusic", "command Play song 5"));
  EXPECT_EQ(pidOf("NeteaseMusic"), app);

  // Real tools see the player through the address `env` gives.
  const ProgramRun env = ctl({"env"});
  ASSERT_EQ(env.code, 0) << env.err;
  EXPECT_EQ(env.out, "DBUS_SESSION_BUS_ADDRESS=" + busAddress() + "\nDISPLAY=" + state()->display +
                         "\nHOVERVERSE_ROOT=" + root_.string() + "\n");
  EXPECT_EQ(state()->display.rfind(':', 0), 0u) << state()->display;
  const ProgramRun players = run("env", {"DBUS_SESSION_BUS_ADDRESS=" + busAddress(), "playerctl", "status"});
  EXPECT_EQ(players.code, 0) << players.err;
  EXPECT_EQ(players.out, "Playing\n");

  // An unknown app asked of the device's object directly is an error reply.
  const ProgramRun unknown = run("busctl", {"--address=" + busAddress(), "--", "call", "org.hoververse.Device",
                                            "/org/hoververse/Device", "org.hoververse.Device", "StartApp", "sib",
                                            "com.example.player", "-1", "true"});
  EXPECT_NE(unknown.code, 0);
  EXPECT_NE(unknown.err.find("unknown app 'com.example.player'"), std::string::npos) << unknown.err;

  // Apps that end are not started again; then nothing plays.
  ASSERT_EQ(::kill(app, SIGKILL), 0);
  EXPECT_TRUE(eventually([&] { return pidOf("NeteaseMusic") == 0; }));
  EXPECT_TRUE(eventually([&] { return nowPlaying() == "nothing"; })) << nowPlaying();
  const ProgramRun pause = ctl({"pause"});
  EXPECT_EQ(pause.code, 1);
  EXPECT_EQ(pause.err, "hoververse-ctl: no music app is playing on the device\n");
  EXPECT_EQ(pidOf("NeteaseMusic"), 0);
}

TEST_F(CtlTest, AnAppThatEndsBeforeItIsUpIsOneLine) {
  ::setenv(hostcommon::kMusicAppProgramVariable, "/bin/false", 1);
  startDevice();
  const ProgramRun play = ctl({"play", "com.yeelion.kwplayer"});
  EXPECT_EQ(play.code, 1);
  EXPECT_EQ(play.errLines(), 1u) << play.err;
  EXPECT_NE(play.err.find("hoververse-ctl: KuwoPlayer exited with status 1 before it was ready (see " +
                          layout().logFile("KuwoPlayer").string() + ")"),
            std::string::npos)
      << play.err;
  EXPECT_EQ(pidOf("KuwoPlayer"), 0);
}

TEST_F(CtlTest, RouteSendAndDumpReachTheDeviceAndItsHomeScreen) {
  startDevice();
  const ProgramRun route = ctl({"route", "BluetoothA2DPOutput"});
  ASSERT_EQ(route.code, 0) << route.err;
  const ProgramRun shown = ctl({"status"});
  EXPECT_NE(shown.out.find("route:       BluetoothA2DPOutput\n"), std::string::npos) << shown.out;
  EXPECT_EQ(state()->route, "BluetoothA2DPOutput");
  const ProgramRun tooLong = ctl({"route", std::string(300, 'x')});
  EXPECT_EQ(tooLong.code, 1);
  EXPECT_EQ(tooLong.err, "hoververse-ctl: a port type is at most 256 bytes\n");
  // Every process reads the route from the device's route file.
  foundation::DeviceRoot::setRoot(root_);
  const media::AudioSessionRouteDescription read = media::AudioSession::deviceRoute();
  foundation::DeviceRoot::setRoot({});
  ASSERT_EQ(read.outputs.size(), 1u);
  EXPECT_EQ(read.outputs[0].portType, "BluetoothA2DPOutput");

  ASSERT_TRUE(logHas("SpringBoard", "ready"));
  const ProgramRun sent = ctl({"send", "hoververseNoti", "lyric=你好, world", "bundleId=com.tencent.QQMusic"});
  EXPECT_EQ(sent.code, 0) << sent.err;
  EXPECT_TRUE(logHas("SpringBoard", "message hoververseNoti bundleId=com.tencent.QQMusic lyric=你好, world\n"))
      << logOf("SpringBoard");

  // A sender that is not ctl puts a number in the user info: the home
  // screen drops it with a line and keeps serving.
  const ProgramRun hostile =
      run("busctl", {"--address=" + busAddress(), "call", "org.hoververse.MessagingCenter.kXPCCenterNameKey_5f11292",
                     "/org/hoververse/MessagingCenter/kXPCCenterNameKey_5f11292", "org.hoververse.MessagingCenter",
                     "Post", "sa{sv}", "hoververseNoti", "1", "lyric", "i", "5"});
  EXPECT_EQ(hostile.code, 0) << hostile.err;
  EXPECT_TRUE(logHas("SpringBoard", "dropped: the value of \"lyric\" is not text")) << logOf("SpringBoard");
  EXPECT_EQ(ctl({"send", "hoververseNoti", "lyric=after"}).code, 0);
  EXPECT_TRUE(logHas("SpringBoard", "message hoververseNoti lyric=after\n"));
  EXPECT_EQ(logOf("SpringBoard").find("lyric=5"), std::string::npos);

  const ProgramRun dump = ctl({"dump"});
  ASSERT_EQ(dump.code, 0) << dump.err;
  const nlohmann::json windows = nlohmann::json::parse(dump.out, nullptr, false);
  ASSERT_TRUE(windows.is_array()) << dump.out;
  EXPECT_EQ(windows.at(0).value("name", ""), "lyricWindow");

  // --root finds the device without HOVERVERSE_ROOT.
  ::unsetenv(hostcommon::kRootVariable);
  const ProgramRun byRoot = ctl({"--root", root_.string(), "status", "--json"});
  EXPECT_EQ(byRoot.code, 0) << byRoot.err;
  EXPECT_EQ(nlohmann::json::parse(byRoot.out, nullptr, false).value("route", ""), "BluetoothA2DPOutput");
  ::setenv(hostcommon::kRootVariable, root_.c_str(), 1);
}

}  // namespace
