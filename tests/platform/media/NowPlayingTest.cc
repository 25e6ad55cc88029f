#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "TempDeviceRoot.h"
#include "PrivateBus.h"
#include "foundation/RunLoop.h"
#include "ipc/BusConnection.h"
#include "media/MediaItemArtwork.h"
#include "media/NowPlayingInfoCenter.h"
#include "media/NowPlayingWatcher.h"

extern char** environ;

namespace media {
namespace {

using foundation::Dictionary;
using foundation::Value;

Dictionary song(const std::string& title, double rate) {
  return {{"title", Value(title)},
          {"artist", Value("\xe6\x9e\x97\xe9\x97\xb4\xe5\xb0\x8f\xe9\x98\x9f")},
          {"albumTitle", Value("Live")},
          {"playbackDuration", Value(269)},
          {"albumTrackNumber", Value(3)},
          {"MPNowPlayingInfoPropertyElapsedPlaybackTime", Value(37.25)},
          {"MPNowPlayingInfoPropertyPlaybackRate", Value(rate)},
          {"MPNowPlayingInfoPropertyServiceIdentifier", Value("not published")}};
}

// What the watcher gives back of song(title, rate): the published keys.
Dictionary seen(const std::string& title) {
  return {{"title", Value(title)},
          {"artist", Value("\xe6\x9e\x97\xe9\x97\xb4\xe5\xb0\x8f\xe9\x98\x9f")},
          {"albumTitle", Value("Live")},
          {"playbackDuration", Value(269)},
          {"albumTrackNumber", Value(3)}};
}

class NowPlayingTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(bus_.ok()); }

  std::shared_ptr<ipc::BusConnection> connect() {
    auto connection = ipc::BusConnection::connect(bus_.address(), loop_);
    EXPECT_TRUE(connection);
    return connection;
  }

  // Whether the watcher's now-playing app is `bundle`, playing or not, with
  // `info` (when given); waits for it with a deadline.
  bool nowPlayingBecomes(const NowPlayingWatcher& watcher, const std::string& bundle, bool playing,
                         const std::optional<Dictionary>& info = std::nullopt) {
    return testsupport::runUntil(loop_, [&] {
      auto app = watcher.nowPlayingApplication();
      return app && app->bundleIdentifier == bundle && app->isPlaying == playing &&
             (!info || app->info == *info);
    });
  }

  // Runs a program to its end while the loop keeps serving the bus; its
  // standard output, or nothing if it failed or outlived the deadline.
  std::optional<std::string> run(std::vector<std::string> args) {
    const std::string out = (root_.path() / "stdout").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return std::nullopt;
    int status = 0;
    const bool ended = testsupport::runUntil(loop_, [&] { return ::waitpid(pid, &status, WNOHANG) == pid; });
    if (!ended) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return std::nullopt;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    std::ifstream in(out);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  hvtest::TempDeviceRoot root_;
  testsupport::PrivateBus bus_;
  foundation::RunLoop loop_{std::make_shared<foundation::MonotonicClock>()};
};

TEST_F(NowPlayingTest, TheWatcherFollowsPlayersAndTheMostRecentToStartPlayingWins) {
  std::vector<std::string> calls;
  // A player already on the bus before the watcher starts.
  NowPlayingInfoCenter netease(connect(), "com.netease.cloudmusic");
  netease.setCommandHandler(RemoteCommand::nextTrack, [&] { calls.push_back("netease next"); });
  netease.setCommandHandler(RemoteCommand::previousTrack, [&] { calls.push_back("netease previous"); });
  netease.setNowPlayingInfo(Value(song("A", 1)));
  EXPECT_EQ(netease.busName().rfind("org.mpris.MediaPlayer2.com_netease_cloudmusic.instance", 0), 0u);

  NowPlayingWatcher watcher(connect());
  std::vector<NowPlayingWatcher::Changes> changes;
  watcher.setChangeHandler([&](const NowPlayingWatcher::Changes& c) { changes.push_back(c); });
  ASSERT_TRUE(nowPlayingBecomes(watcher, "com.netease.cloudmusic", true, seen("A")));
  EXPECT_EQ(watcher.nowPlayingApplication()->busName, netease.busName());

  // A new line of information, then the controls.
  changes.clear();
  netease.setNowPlayingInfo(Value(song("B", 1)));
  ASSERT_TRUE(nowPlayingBecomes(watcher, "com.netease.cloudmusic", true, seen("B")));
  EXPECT_EQ(changes, (std::vector<NowPlayingWatcher::Changes>{{false, false, true}}));
  EXPECT_TRUE(watcher.changeTrack(1));
  EXPECT_TRUE(watcher.changeTrack(-1));
  EXPECT_FALSE(watcher.changeTrack(0));
  ASSERT_TRUE(testsupport::runUntil(loop_, [&] { return calls.size() == 2; }));
  EXPECT_EQ(calls, (std::vector<std::string>{"netease next", "netease previous"}));

  {
    // Another app starts playing: it is now playing; paused, it gives way
    // to the one still playing.
    NowPlayingInfoCenter qq(connect(), "com.tencent.QQMusic");
    qq.setCommandHandler(RemoteCommand::nextTrack, [&] { calls.push_back("qq next"); });
    qq.setNowPlayingInfo(Value(song("Q", 1)));
    ASSERT_TRUE(nowPlayingBecomes(watcher, "com.tencent.QQMusic", true, seen("Q")));
    EXPECT_TRUE(watcher.changeTrack(1));
    ASSERT_TRUE(testsupport::runUntil(loop_, [&] { return calls.size() == 3; }));
    EXPECT_EQ(calls.back(), "qq next");
    EXPECT_EQ(watcher.players().size(), 2u);

    qq.setPlaybackState(PlaybackState::paused);
    ASSERT_TRUE(nowPlayingBecomes(watcher, "com.netease.cloudmusic", true));
    // Nothing plays: the last now-playing app stays, paused.
    netease.setNowPlayingInfo(Value(song("B", 0)));
    ASSERT_TRUE(nowPlayingBecomes(watcher, "com.netease.cloudmusic", false));
    // Started again, the paused app wins over the other paused one.
    changes.clear();
    qq.setPlaybackState(PlaybackState::playing);
    ASSERT_TRUE(nowPlayingBecomes(watcher, "com.tencent.QQMusic", true));
    EXPECT_EQ(changes.back(), (NowPlayingWatcher::Changes{true, true, true}));
  }
  // The playing app quits: the one left takes over.
  ASSERT_TRUE(nowPlayingBecomes(watcher, "com.netease.cloudmusic", false, seen("B")));
  EXPECT_EQ(watcher.players().size(), 1u);
  netease.setNowPlayingInfo(Value());
  ASSERT_TRUE(testsupport::runUntil(loop_, [&] {
    auto app = watcher.nowPlayingApplication();
    return app && app->info.empty() && !app->isPlaying;
  }));
}

TEST_F(NowPlayingTest, PlayerctlReadsAndControlsThePlayer) {
  std::vector<std::string> calls;
  NowPlayingInfoCenter center(connect(), "com.kugou.kugou1002");
  center.setCommandHandler(RemoteCommand::togglePlayPause, [&] {
    calls.push_back("toggle");
    center.setPlaybackState(center.playbackStatus() == "Playing" ? PlaybackState::paused
                                                                  : PlaybackState::playing);
  });
  center.setCommandHandler(RemoteCommand::nextTrack, [&] { calls.push_back("next"); });
  const foundation::Data png = {0x89, 'P', 'N', 'G', 0x0d, 0x0a, 0x1a, 0x0a, 1, 2, 3};
  auto artwork = MediaItemArtwork::initWithImage(png);
  Dictionary info = song("\xe6\x99\x9a\xe9\xa3\x8e", 1);
  info["artwork"] = artwork->value();
  center.setNowPlayingInfo(Value(info));
  artwork.reset();  // the centre keeps what its information names

  const std::string player = center.busName().substr(std::string("org.mpris.MediaPlayer2.").size());
  auto playerctl = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"playerctl", "--player=" + player});
    return run(std::move(args));
  };
  EXPECT_EQ(playerctl({"metadata", "--format", "{{title}}|{{artist}}|{{album}}|{{mpris:length}}|{{status}}"}),
            "\xe6\x99\x9a\xe9\xa3\x8e|\xe6\x9e\x97\xe9\x97\xb4\xe5\xb0\x8f\xe9\x98\x9f|Live|269000000|Playing\n");
  EXPECT_EQ(playerctl({"metadata", "mpris:trackid"}), "'/org/hoververse/track/n1'\n");  // printed as a D-Bus object path
  const std::optional<std::string> artUrl = playerctl({"metadata", "mpris:artUrl"});
  ASSERT_TRUE(artUrl.has_value());
  const std::string prefix = "file://" + root_.path().string() + "/var/run/hoververse/artwork/";
  ASSERT_EQ(artUrl->rfind(prefix, 0), 0u) << *artUrl;
  std::ifstream art(artUrl->substr(std::string("file://").size(), artUrl->size() - 8));
  EXPECT_EQ(foundation::Data(std::istreambuf_iterator<char>(art), {}), png);

  EXPECT_EQ(playerctl({"pause"}), "");
  EXPECT_EQ(playerctl({"status"}), "Paused\n");
  EXPECT_EQ(playerctl({"play-pause"}), "");
  EXPECT_EQ(playerctl({"next"}), "");
  EXPECT_EQ(calls, (std::vector<std::string>{"toggle", "toggle", "next"}));
  EXPECT_EQ(playerctl({"status"}), "Playing\n");
  // The elapsed time moves on while playing.
  const std::optional<std::string> position = playerctl({"position"});
  ASSERT_TRUE(position.has_value());
  EXPECT_GE(std::stod(*position), 37.25);
}

TEST(NowPlayingWithoutBusTest, TheCentreKeepsItsInformationAndPublishesNothing) {
  NowPlayingInfoCenter center(nullptr, "com.netease.cloudmusic");
  EXPECT_TRUE(center.nowPlayingInfo().isNil());
  EXPECT_EQ(center.playbackStatus(), "Stopped");
  center.setNowPlayingInfo(Value(Dictionary{{"title", Value("A")}}));
  EXPECT_EQ(center.nowPlayingInfo(), Value(Dictionary{{"title", Value("A")}}));
  EXPECT_EQ(center.playbackStatus(), "Playing");
  center.setNowPlayingInfo(Value("not a dictionary"));
  EXPECT_TRUE(center.nowPlayingInfo().isNil());
  EXPECT_EQ(center.busName(), "");
  NowPlayingWatcher watcher(nullptr);
  EXPECT_FALSE(watcher.nowPlayingApplication().has_value());
  EXPECT_FALSE(watcher.changeTrack(1));
}

TEST(MediaItemArtworkTest, AnArtworkIsFoundFromItsDictionaryValueWhileItLives) {
  auto jpeg = MediaItemArtwork::initWithImage({0xff, 0xd8, 0xff, 0xe0});
  auto other = MediaItemArtwork::initWithImage({'G', 'I', 'F'});
  EXPECT_EQ(jpeg->fileExtension(), "jpg");
  EXPECT_EQ(other->fileExtension(), "img");
  EXPECT_EQ(jpeg->description().rfind("<MPMediaItemArtwork: 0x", 0), 0u);
  EXPECT_EQ(MediaItemArtwork::forValue(jpeg->value()), jpeg);
  EXPECT_EQ(MediaItemArtwork::forValue(Value(Dictionary{{"artwork", jpeg->value()}})), nullptr);
  const Value stale = jpeg->value();
  jpeg.reset();
  EXPECT_EQ(MediaItemArtwork::forValue(stale), nullptr);
  EXPECT_EQ(MediaItemArtwork::forValue(other->value()), other);
}

}  // namespace
}  // namespace media
