// What the watcher tells those who follow a song's time: a player's
// Identity, Rate and track id, its Position read on request, its Seeked
// jumps, and a Rate change reported as such.

#include <gtest/gtest.h>
#include <sdbus-c++/sdbus-c++.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "PrivateBus.h"
#include "foundation/RunLoop.h"
#include "ipc/BusConnection.h"
#include "media/NowPlayingWatcher.h"

namespace media {
namespace {

TEST(NowPlayingWatcherTimingTest, RateIdentityTrackPositionAndSeeksArePassedOn) {
  testsupport::PrivateBus bus;
  ASSERT_TRUE(bus.ok());
  foundation::RunLoop loop(std::make_shared<foundation::MonotonicClock>());
  auto playerSide = ipc::BusConnection::connect(bus.address(), loop);
  auto watcherSide = ipc::BusConnection::connect(bus.address(), loop);
  ASSERT_TRUE(playerSide && watcherSide);

  const char* root = "org.mpris.MediaPlayer2";
  const char* player = "org.mpris.MediaPlayer2.Player";
  double rate = 2.0;
  auto object = sdbus::createObject(playerSide->connection(), "/org/mpris/MediaPlayer2");
  object->registerProperty("Identity").onInterface(root).withGetter([] { return std::string("Raw Player"); });
  object->registerProperty("PlaybackStatus").onInterface(player).withGetter([] { return std::string("Playing"); });
  object->registerProperty("Rate").onInterface(player).withGetter([&] { return rate; });
  object->registerProperty("Position").onInterface(player).withGetter([] { return std::int64_t{12'500'000}; });
  object->registerProperty("Metadata").onInterface(player).withGetter([] {
    return std::map<std::string, sdbus::Variant>{{"mpris:trackid", sdbus::Variant(sdbus::ObjectPath("/raw/track/7"))},
                                                 {"xesam:title", sdbus::Variant(std::string("T"))}};
  });
  object->registerSignal("Seeked").onInterface(player).withParameters<std::int64_t>("Position");
  object->finishRegistration();
  const std::string name = "org.mpris.MediaPlayer2.raw";
  playerSide->connection().requestName(name);

  NowPlayingWatcher watcher(watcherSide);
  std::vector<NowPlayingWatcher::Changes> changes;
  int playersChanged = 0;
  std::vector<std::pair<std::string, double>> seeks;
  watcher.setChangeHandler([&](const NowPlayingWatcher::Changes& c) { changes.push_back(c); });
  watcher.setPlayersChangedHandler([&] { ++playersChanged; });
  watcher.setSeekedHandler([&](const std::string& busName, double position) { seeks.emplace_back(busName, position); });

  ASSERT_TRUE(testsupport::runUntil(loop, [&] { return watcher.players().size() == 1; }));
  const NowPlayingApplication seen = watcher.players().front();
  EXPECT_EQ(seen.identity, "Raw Player");
  EXPECT_EQ(seen.rate, 2.0);
  EXPECT_EQ(seen.trackId, "/raw/track/7");
  EXPECT_GT(playersChanged, 0);

  std::optional<double> position;
  ASSERT_TRUE(watcher.readPosition(name, [&](std::optional<double> seconds) { position = seconds; }));
  ASSERT_TRUE(testsupport::runUntil(loop, [&] { return position.has_value(); }));
  EXPECT_EQ(*position, 12.5);
  EXPECT_FALSE(watcher.readPosition("org.mpris.MediaPlayer2.absent", [](std::optional<double>) {}));

  object->emitSignal("Seeked").onInterface(player).withArguments(std::int64_t{3'000'000});
  ASSERT_TRUE(testsupport::runUntil(loop, [&] { return !seeks.empty(); }));
  EXPECT_EQ(seeks, (std::vector<std::pair<std::string, double>>{{name, 3.0}}));

  changes.clear();
  rate = 0.5;
  object->emitPropertiesChangedSignal(player, {"Rate"});
  ASSERT_TRUE(testsupport::runUntil(loop, [&] { return !changes.empty(); }));
  EXPECT_EQ(changes.back(), (NowPlayingWatcher::Changes{false, false, false, true}));
  EXPECT_EQ(watcher.nowPlayingApplication()->rate, 0.5);
  object.reset();
}

}  // namespace
}  // namespace media
