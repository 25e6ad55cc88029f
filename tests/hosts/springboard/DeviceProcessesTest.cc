// The now-playing road across real processes: a private bus, SpringBoard with
// libhoververseXI.so injected by its filter, and music apps playing their
// embedded songs in real time. Every wait is for a condition, with a
// deadline.

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sdbus-c++/sdbus-c++.h>

#include <fcntl.h>
#include <poll.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "PrivateBus.h"
#include "TempDeviceRoot.h"
#include "foundation/PropertyList.h"
#include "media/AudioSession.h"
#include "musicapp/SongCatalogue.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using foundation::Value;

// Polls `done` until it holds or `seconds` pass. The processes under test run
// on their own; this process has nothing to turn meanwhile.
bool waitFor(const std::function<bool()>& done, double seconds = 20) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::yield();
    ::poll(nullptr, 0, 20);  // one scheduling slice between polls, not a timed wait for the result
  }
  return true;
}

std::string slurp(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class DeviceProcessesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(bus_.ok()) << "dbus-daemon did not start";
    // The library and its filter, where the loader looks.
    const fs::path folder = root_.path() / "Library/DynamicLibraries";
    fs::create_directories(folder);
    fs::copy_file(HV_TWEAK_LIBRARY, folder / "hoververseXI.so");
    foundation::Array bundles;
    for (const char* id : {"com.apple.springboard", "com.netease.cloudmusic", "com.tencent.QQMusic",
                           "com.kugou.kugou1002", "com.yeelion.kwplayer", "com.migu.migumobilemusic"})
      bundles.push_back(Value(id));
    ASSERT_TRUE(foundation::writeDictionaryFile(
                    folder / "hoververseXI.plist",
                    {{"Filter", Value(foundation::Dictionary{{"Bundles", Value(std::move(bundles))}})}})
                    .ok());
    ::setenv("HOVERVERSE_ROOT", root_.path().c_str(), 1);
  }
  void TearDown() override {
    for (pid_t pid : children_) ::kill(pid, SIGKILL);
    for (pid_t pid : children_) ::waitpid(pid, nullptr, 0);
    ::unsetenv("HOVERVERSE_ROOT");
  }

  pid_t spawn(const char* program, const char* processName, std::vector<std::string> args, const std::string& log) {
    std::vector<std::string> all{processName};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, (root_.path() / log).c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, program, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(rc, 0) << program;
    if (rc == 0) children_.push_back(pid);
    return pid;
  }
  pid_t startSpringBoard() { return spawn(HV_SPRINGBOARD_PROGRAM, "SpringBoard", {}, "springboard.log"); }
  pid_t startMusicApp(const std::string& bundle, int song = 0) {
    return spawn(HV_MUSICAPP_PROGRAM, "MusicApp", {"--bundle", bundle, "--song", std::to_string(song), "--play"},
                 "musicapp.log");
  }
  static void setRoute(const std::string& portType) {
    ASSERT_TRUE(media::AudioSession::setDeviceRoute({{{portType, portType}}}).ok());
  }

  // SpringBoard's windows as its control object dumps them; empty while it
  // cannot answer.
  std::string dump() {
    try {
      if (!connection_) connection_ = sdbus::createSessionBusConnection();
      auto proxy = sdbus::createProxy(*connection_, "org.hoververse.SpringBoard", "/org/hoververse/SpringBoard");
      std::string json;
      proxy->callMethod("Dump").onInterface("org.hoververse.SpringBoard").withTimeout(std::chrono::seconds(2)).storeResultsTo(json);
      return json;
    } catch (const sdbus::Error&) {
      return {};
    }
  }
  // Whether the floating window's dump shows `text` as a label's text.
  bool floatingShows(const std::string& text) {
    const std::string json = dump();
    const auto window = json.find("\"name\": \"lyricWindow\"");
    if (window == std::string::npos) return false;
    return json.find("\"text\": \"" + text + "\"", window) != std::string::npos;
  }
  // Any line of the song appears in the floating window.
  bool floatingShowsALineOf(std::size_t song) {
    const std::string json = dump();
    const auto window = json.find("\"name\": \"lyricWindow\"");
    if (window == std::string::npos) return false;
    static const std::vector<musicapp::Song> songs = musicapp::embeddedSongs();
    for (const auto& line : songs.at(song).lyrics.lines)
      if (!line.text.empty() && json.find("\"text\": \"" + line.text + "\"", window) != std::string::npos)
        return true;
    return false;
  }

  hvtest::TempDeviceRoot root_;
  testsupport::PrivateBus bus_;
  std::unique_ptr<sdbus::IConnection> connection_;
  std::vector<pid_t> children_;
};

TEST_F(DeviceProcessesTest, SpringBoardStartsWithItsWindowsWaitingForALine) {
  startSpringBoard();
  ASSERT_TRUE(waitFor([&] { return floatingShows("等待歌词..."); })) << dump();
  const std::string json = dump();
  for (const char* name : {"\"settingWindow\"", "\"fullScreenWindow\"", "\"SSScreenshotsWindow\""})
    EXPECT_NE(json.find(name), std::string::npos) << name;
  // The start-up stored the default geometry in SpringBoard's own store.
  EXPECT_TRUE(waitFor([&] {
    auto store = foundation::readDictionaryFile(root_.path() / "var/mobile/Library/Preferences/com.apple.springboard.plist");
    return store && store->count("USERKEY_13_X") == 1;
  }));
}

TEST_F(DeviceProcessesTest, LinesOfEachAppAndRouteReachTheFloatingWindow) {
  // Each case plays another song, so a line left from the case before
  // cannot pass for this one. (The rules for Kuwo, Kugou and Migu cut their
  // lines out of other shapes of text than these apps' descriptions: see
  // the music app's relay table.)
  struct Case {
    const char* bundle;
    const char* route;
    int song;
  };
  startSpringBoard();
  ASSERT_TRUE(waitFor([&] { return floatingShows("等待歌词..."); }));
  for (const Case& c : {Case{"com.netease.cloudmusic", "Speaker", 0}, Case{"com.tencent.QQMusic", "BluetoothA2DPOutput", 1},
                        Case{"com.netease.cloudmusic", "AirPlay", 2}}) {
    setRoute(c.route);
    const pid_t app = startMusicApp(c.bundle, c.song);
    EXPECT_TRUE(waitFor([&] { return floatingShowsALineOf(static_cast<std::size_t>(c.song)); }))
        << c.bundle << " " << c.route << "\n" << dump();
    ::kill(app, SIGKILL);
    ::waitpid(app, nullptr, 0);
    std::erase(children_, app);
  }
}

TEST_F(DeviceProcessesTest, AMusicAppStartedFirstLogsItsMissingClassesAndReachesSpringBoardLater) {
  startMusicApp("com.netease.cloudmusic", 0);
  ASSERT_TRUE(waitFor([&] { return slurp(root_.path() / "musicapp.log").find("nil class SBLockScreenManager") != std::string::npos; }));
  const std::string log = slurp(root_.path() / "musicapp.log");
  std::vector<std::string> lines;
  for (std::size_t at = log.find("[hoververseXI: Tweak.x:876] ERROR: logos: nil class "); at != std::string::npos;
       at = log.find("[hoververseXI: Tweak.x:876] ERROR: logos: nil class ", at + 1)) {
    const auto start = at + std::string("[hoververseXI: Tweak.x:876] ERROR: logos: nil class ").size();
    lines.push_back(log.substr(start, log.find('\n', start) - start));
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"SBWallpaperController", "SBMediaController", "SBMediaController",
                                             "SpringBoard", "SpringBoard", "SBLockScreenManager"}));
  startSpringBoard();
  EXPECT_TRUE(waitFor([&] { return floatingShowsALineOf(0); })) << dump();
}

}  // namespace
