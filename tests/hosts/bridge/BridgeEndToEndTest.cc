// The real hoververse-bridge with the real injected library, on a private
// bus and device root: what the home screen's message centre receives when
// a player plays timed lyrics and seeks, when lines are pushed with gdbus
// and through TrayLyric, and when a real mpv plays a song whose title is
// the line. The test serves the message centre and decodes every relayed
// message with the home screen's own LyricManager.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sdbus-c++/sdbus-c++.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "PrivateBus.h"
#include "TempDeviceRoot.h"
#include "WavFile.h"
#include "foundation/RunLoop.h"
#include "hostcommon/Deliverable.h"
#include "ipc/BusConnection.h"
#include "ipc/MessagingCenter.h"
#include "lyric/LyricManager.h"

extern char** environ;

namespace {

using foundation::Dictionary;
using foundation::Value;

// A program run for the test: stopped (SIGTERM, then reaped) when the
// object goes, unless it already ended.
class Child {
 public:
  explicit Child(const std::vector<std::string>& argv, bool quiet = true) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (quiet) posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Child() {
    if (pid_ <= 0 || exited_) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool started() const { return pid_ > 0; }
  // Whether it has ended, reaping it then.
  bool exited() {
    if (pid_ <= 0) return true;
    if (!exited_ && ::waitpid(pid_, &status_, WNOHANG) == pid_) exited_ = true;
    return exited_;
  }
  bool succeeded() { return exited() && WIFEXITED(status_) && WEXITSTATUS(status_) == 0; }
  // Asks it to end (SIGTERM) and waits, turning `loop`; whether it ended
  // cleanly (status 0, which under the sanitizers also means no leak).
  bool stop(foundation::RunLoop& loop) {
    if (pid_ <= 0 || exited()) return false;
    ::kill(pid_, SIGTERM);
    return testsupport::runUntil(loop, [&] { return exited(); }, 20.0) && succeeded();
  }

 private:
  pid_t pid_ = -1;
  int status_ = 0;
  bool exited_ = false;
};

// What the home screen would show from one relayed message.
struct Relayed {
  std::string bundleId;
  std::string line;
  std::string text;  // the dictionary's text form
};

class BridgeEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(bus_.ok());
    foundation::RunLoop::useMonotonicClock();
    ::setenv("HOVERVERSE_TWEAK_LIBRARY", HV_TWEAK_LIBRARY, 1);
    ::setenv("HOVERVERSE_ROOT", root_.path().c_str(), 1);
    std::string error;
    ASSERT_TRUE(hostcommon::installDeliverable(root_.path(), error)) << error;
    connection_ = ipc::BusConnection::connect(bus_.address(), loop());
    ASSERT_TRUE(connection_);
    centre_ = ipc::MessagingCenter::centerNamed("kXPCCenterNameKey_11292", connection_);
    centre_->registerForMessageName("hoververseNoti", [this](const std::string&, const Dictionary& userInfo) {
      LyricManager manager;
      const Value info(userInfo);
      Relayed r;
      r.line = manager.dicToLyric(info).value_or("<no value>");
      r.bundleId = userInfo.contains("bundleId") ? *userInfo.at("bundleId").text() : "";
      r.text = userInfo.contains("lyric") ? *userInfo.at("lyric").text() : "";
      relayed_.push_back(std::move(r));
    });
    ASSERT_TRUE(centre_->runServerOnCurrentThread().ok());
    daemon_ = sdbus::createProxy(connection_->connection(), "org.freedesktop.DBus", "/org/freedesktop/DBus");
  }

  void TearDown() override {
    ::unsetenv("HOVERVERSE_ROOT");
    ::unsetenv("HOVERVERSE_TWEAK_LIBRARY");
  }

  foundation::RunLoop& loop() { return foundation::RunLoop::main(); }

  bool hasOwner(const std::string& name) {
    bool owned = false;
    daemon_->callMethod("NameHasOwner").onInterface("org.freedesktop.DBus").withArguments(name).storeResultsTo(owned);
    return owned;
  }

  bool waitForOwner(const std::string& name) {
    return testsupport::runUntil(loop(), [&] { return hasOwner(name); }, 20.0);
  }

  // Waits until the last relayed message shows `line` for `bundleId`.
  bool waitForLine(const std::string& bundleId, const std::string& line, double seconds = 10.0) {
    return testsupport::runUntil(
        loop(),
        [&] { return !relayed_.empty() && relayed_.back().bundleId == bundleId && relayed_.back().line == line; },
        seconds);
  }

  std::string lastSeen() const {
    return relayed_.empty() ? "(nothing relayed)" : relayed_.back().bundleId + ": " + relayed_.back().line;
  }

  // Runs a command to its end while the loop keeps serving the bus.
  bool run(const std::vector<std::string>& argv) {
    Child child(argv);
    EXPECT_TRUE(child.started());
    EXPECT_TRUE(testsupport::runUntil(loop(), [&] { return child.exited(); }, 20.0));
    return child.succeeded();
  }

  Child startBridge() { return Child({HV_BRIDGE_PATH}, false); }

  testsupport::PrivateBus bus_;
  hvtest::TempDeviceRoot root_;
  std::shared_ptr<ipc::BusConnection> connection_;
  std::shared_ptr<ipc::MessagingCenter> centre_;
  std::unique_ptr<sdbus::IProxy> daemon_;
  std::vector<Relayed> relayed_;
};

// A small MPRIS player on the test's own connection: timed lyrics in
// xesam:asText, a Position that runs with the monotonic clock, Seeked on a
// jump.
class TestPlayer {
 public:
  TestPlayer(sdbus::IConnection& connection, std::string lyrics) : lyrics_(std::move(lyrics)) {
    const char* root = "org.mpris.MediaPlayer2";
    const char* player = "org.mpris.MediaPlayer2.Player";
    object_ = sdbus::createObject(connection, "/org/mpris/MediaPlayer2");
    object_->registerProperty("Identity").onInterface(root).withGetter([] { return std::string("Test Player"); });
    object_->registerProperty("DesktopEntry").onInterface(root).withGetter([] { return std::string("testplayer"); });
    object_->registerProperty("PlaybackStatus").onInterface(player).withGetter([] { return std::string("Playing"); });
    object_->registerProperty("Rate").onInterface(player).withGetter([] { return 1.0; });
    object_->registerProperty("Metadata").onInterface(player).withGetter([this] {
      return std::map<std::string, sdbus::Variant>{
          {"mpris:trackid", sdbus::Variant(sdbus::ObjectPath("/test/track/1"))},
          {"xesam:title", sdbus::Variant(std::string("Timed song"))},
          {"xesam:artist", sdbus::Variant(std::vector<std::string>{"Tester"})},
          {"mpris:length", sdbus::Variant(std::int64_t{120'000'000})},
          {"xesam:asText", sdbus::Variant(lyrics_)}};
    });
    object_->registerProperty("Position").onInterface(player).withGetter([this] {
      return static_cast<std::int64_t>(position() * 1e6);
    });
    object_->registerSignal("Seeked").onInterface(player).withParameters<std::int64_t>("Position");
    object_->finishRegistration();
    connection.requestName("org.mpris.MediaPlayer2.testplayer");
  }

  void seek(double seconds) {
    start_ = now() - seconds;
    object_->emitSignal("Seeked").onInterface("org.mpris.MediaPlayer2.Player").withArguments(
        static_cast<std::int64_t>(seconds * 1e6));
  }

 private:
  static double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
  }
  double position() const { return now() - start_; }

  std::string lyrics_;
  double start_ = now();
  std::unique_ptr<sdbus::IObject> object_;
};

constexpr const char* kTestPlayer = "org.hoververse.desktop.testplayer";

TEST_F(BridgeEndToEndTest, TimedLyricsPushedLinesAndTrayLyricReachTheHomeScreen) {
  TestPlayer player(connection_->connection(),
                    "[00:00.00]Alpha\n[00:01.00]Beta; \"two\"\n[00:30.00]Gamma 你好 🎵\n[01:30.00]Delta\n");
  Child bridge = startBridge();
  ASSERT_TRUE(waitForOwner("org.hoververse.Lyrics"));
  ASSERT_TRUE(waitForOwner("org.gnome.Shell.TrayLyric"));
  // The bridge is no player itself: the test's is the only one.
  std::vector<std::string> names;
  daemon_->callMethod("ListNames").onInterface("org.freedesktop.DBus").storeResultsTo(names);
  EXPECT_EQ(std::count_if(names.begin(), names.end(),
                          [](const std::string& n) { return n.starts_with("org.mpris.MediaPlayer2."); }),
            1);

  // A second bridge leaves the session to the first.
  Child second = startBridge();
  EXPECT_TRUE(testsupport::runUntil(loop(), [&] { return second.exited(); }, 20.0));
  EXPECT_FALSE(second.succeeded());

  // (a) timed lyrics, followed through a seek forward and back.
  EXPECT_TRUE(waitForLine(kTestPlayer, "Beta; \"two\"")) << lastSeen();
  player.seek(30.5);
  EXPECT_TRUE(waitForLine(kTestPlayer, "Gamma 你好 🎵")) << lastSeen();
  EXPECT_NE(relayed_.back().text.find("title = \"Timed song\";"), std::string::npos) << relayed_.back().text;
  player.seek(0.2);
  EXPECT_TRUE(waitForLine(kTestPlayer, "Alpha")) << lastSeen();

  // (b) a pushed line, by short name (gdbus reads its arguments as GVariant
  // text, so the backslash goes through busctl), then a refused mode.
  EXPECT_TRUE(run({"gdbus", "call", "--session", "--dest", "org.hoververse.Lyrics", "--object-path",
                   "/org/hoververse/Lyrics", "--method", "org.hoververse.Lyrics.SetLine", "testplayer",
                   "Pushed; {line} \"quoted\", 歌"}));
  EXPECT_TRUE(waitForLine(kTestPlayer, "Pushed; {line} \"quoted\", 歌")) << lastSeen();
  EXPECT_TRUE(run({"busctl", "--user", "call", "org.hoververse.Lyrics", "/org/hoververse/Lyrics",
                   "org.hoververse.Lyrics", "SetLine", "ss", "org.hoververse.desktop.testplayer",
                   "back\\slash \\U0041\n🎵"}));
  EXPECT_TRUE(waitForLine(kTestPlayer, "back\\slash \\U0041\n🎵")) << lastSeen();
  EXPECT_FALSE(run({"busctl", "--user", "call", "org.hoververse.Lyrics", "/org/hoververse/Lyrics",
                    "org.hoververse.Lyrics", "SetSource", "ss", "testplayer", "loud"}));

  // (c) TrayLyric, matched by the player's Identity; malformed JSON is
  // refused and the bridge goes on.
  EXPECT_FALSE(run({"gdbus", "call", "--session", "--dest", "org.gnome.Shell.TrayLyric", "--object-path",
                    "/org/gnome/Shell/TrayLyric", "--method", "org.gnome.Shell.TrayLyric.UpdateLyric",
                    "{\"content\": \"broken\""}));
  EXPECT_TRUE(run({"gdbus", "call", "--session", "--dest", "org.gnome.Shell.TrayLyric", "--object-path",
                   "/org/gnome/Shell/TrayLyric", "--method", "org.gnome.Shell.TrayLyric.UpdateLyric",
                   R"({"content": "From the tray", "time": 3.5, "start": 0.5, "sender": "test player"})"}));
  EXPECT_TRUE(waitForLine(kTestPlayer, "From the tray")) << lastSeen();

  // Cleared, the timed lyrics come back; a forced source sticks.
  EXPECT_TRUE(run({"busctl", "--user", "call", "org.hoververse.Lyrics", "/org/hoververse/Lyrics",
                   "org.hoververse.Lyrics", "Clear", "s", "org.mpris.MediaPlayer2.testplayer"}));
  EXPECT_TRUE(waitForLine(kTestPlayer, "Beta; \"two\"")) << lastSeen();
  EXPECT_TRUE(run({HV_CTL_PATH, "source", "testplayer", "title"}));
  EXPECT_TRUE(waitForLine(kTestPlayer, "Timed song")) << lastSeen();
  EXPECT_FALSE(run({HV_CTL_PATH, "source", "testplayer", "loud"}));
  EXPECT_TRUE(bridge.stop(loop()));
  EXPECT_FALSE(hasOwner("org.hoververse.Lyrics"));
}

TEST_F(BridgeEndToEndTest, ARealMpvTitleIsRelayedAndItsPauseToo) {
  const std::filesystem::path wav = root_.path() / "line.wav";
  const std::string line = "Under the moon 月光 🎵";
  testsupport::writeSilentWav(wav, line, 60);
  // Someone else serves TrayLyric already: the bridge leaves it to them.
  connection_->connection().requestName("org.gnome.Shell.TrayLyric");
  Child bridge = startBridge();
  ASSERT_TRUE(waitForOwner("org.hoververse.Lyrics"));
  std::string trayOwner;
  daemon_->callMethod("GetNameOwner")
      .onInterface("org.freedesktop.DBus")
      .withArguments(std::string("org.gnome.Shell.TrayLyric"))
      .storeResultsTo(trayOwner);
  EXPECT_EQ(trayOwner, connection_->uniqueName());
  Child mpv({"mpv", "--no-config", "--ao=null", "--vo=null", "--idle=no", "--script=" HV_MPV_MPRIS,
             wav.string()});
  ASSERT_TRUE(mpv.started());
  EXPECT_TRUE(waitForLine("org.hoververse.desktop.mpv", line, 20.0)) << lastSeen();
  EXPECT_NE(relayed_.back().text.find("playbackRate = 1;"), std::string::npos) << relayed_.back().text;

  EXPECT_TRUE(run({"playerctl", "--player=mpv", "pause"}));
  EXPECT_TRUE(testsupport::runUntil(loop(), [&] {
    return !relayed_.empty() && relayed_.back().text.find("playbackRate = 0;") != std::string::npos;
  })) << (relayed_.empty() ? "" : relayed_.back().text);
  EXPECT_EQ(relayed_.back().line, line);
  EXPECT_FALSE(mpv.exited());
  EXPECT_FALSE(bridge.exited());
}

}  // namespace
