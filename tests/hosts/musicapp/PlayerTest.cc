// The player on the virtual clock: every listener call is recorded with the
// time, the song, the position and the line, and each scenario's record is
// compared whole.

#include "musicapp/Player.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/Text.h"
#include "musicapp/SongCatalogue.h"

namespace {

using musicapp::Player;
using musicapp::PlayerEvent;
using musicapp::Song;

const char* eventName(PlayerEvent event) {
  switch (event) {
    case PlayerEvent::line: return "line";
    case PlayerEvent::play: return "play";
    case PlayerEvent::pause: return "pause";
    case PlayerEvent::seek: return "seek";
    case PlayerEvent::trackChange: return "track";
  }
  return "?";
}

// Song A (10 s): lines at 1 and 3, a pause at 6, a line past its end.
// Song B (5 s): a line at its very start and one at 2.
std::vector<Song> twoSongs() {
  return {Song::fromLrc("[ti:A]\n[00:01.00]a1\n[00:03.00]a2\n[00:06.00]\n[00:12.00]never", 10, {}),
          Song::fromLrc("[ti:B]\n[00:00.00]b1\n[00:02.00]b2", 5, {})};
}

class PlayerTest : public ::testing::Test {
 protected:
  PlayerTest() : clock(foundation::RunLoop::useVirtualClock()), player(foundation::RunLoop::main(), twoSongs()) {
    player.setListener([this](PlayerEvent event) {
      record.push_back(foundation::format("%.2f %s %s@%.2f '%s'", clock.now(), eventName(event),
                                          player.currentSong().title.c_str(), player.position(),
                                          std::string(player.currentLine()).c_str()));
    });
  }
  void advance(double seconds) { foundation::RunLoop::main().advance(seconds); }

  foundation::VirtualClock& clock;
  Player player;
  std::vector<std::string> record;
};

TEST_F(PlayerTest, LinesChangeAtTheirTimesAndTheEndMovesOnAndWraps) {
  player.play();
  advance(32);
  EXPECT_EQ(record, (std::vector<std::string>{
                        "0.00 play A@0.00 ''",
                        "1.00 line A@1.00 'a1'",
                        "3.00 line A@3.00 'a2'",
                        "6.00 line A@6.00 ''",
                        "10.00 track B@0.00 'b1'",
                        "12.00 line B@2.00 'b2'",
                        "15.00 track A@0.00 ''",
                        "16.00 line A@1.00 'a1'",
                        "18.00 line A@3.00 'a2'",
                        "21.00 line A@6.00 ''",
                        "25.00 track B@0.00 'b1'",
                        "27.00 line B@2.00 'b2'",
                        "30.00 track A@0.00 ''",
                        "31.00 line A@1.00 'a1'",
                    }));
  EXPECT_DOUBLE_EQ(player.position(), 2);
  // One timer at a time: the next line, nothing between.
  EXPECT_DOUBLE_EQ(foundation::RunLoop::main().nextDueTime(), 33);
}

TEST_F(PlayerTest, PauseHoldsThePositionAndResumeGoesOnFromIt) {
  player.play();
  advance(2);
  player.pause();
  player.pause();  // already paused: nothing
  advance(10);
  EXPECT_DOUBLE_EQ(player.position(), 2);
  EXPECT_EQ(foundation::RunLoop::main().nextDueTime(), foundation::Date::distantFuture);
  player.play();
  player.play();  // already playing: nothing
  advance(1.5);
  player.togglePlayPause();
  EXPECT_EQ(record, (std::vector<std::string>{
                        "0.00 play A@0.00 ''",
                        "1.00 line A@1.00 'a1'",
                        "2.00 pause A@2.00 'a1'",
                        "12.00 play A@2.00 'a1'",
                        "13.00 line A@3.00 'a2'",
                        "13.50 pause A@3.50 'a2'",
                    }));
  EXPECT_FALSE(player.isPlaying());
}

TEST_F(PlayerTest, SeekJumpsToTheLineAtTheNewPosition) {
  player.play();
  advance(0.5);
  player.seek(5.5);   // forward, within a2
  advance(1);         // reaches the pause at 6
  player.seek(0.25);  // back before the first line
  player.seek(-3);    // clamped to the start
  player.pause();
  player.seek(3);     // while paused: moves, nothing plays
  advance(5);
  player.play();
  player.seek(99);    // clamped to the end: the next song at once
  advance(0);
  EXPECT_EQ(record, (std::vector<std::string>{
                        "0.00 play A@0.00 ''",
                        "0.50 seek A@5.50 'a2'",
                        "1.00 line A@6.00 ''",
                        "1.50 seek A@0.25 ''",
                        "1.50 seek A@0.00 ''",
                        "1.50 pause A@0.00 ''",
                        "1.50 seek A@3.00 'a2'",
                        "6.50 play A@3.00 'a2'",
                        "6.50 seek A@10.00 ''",
                        "6.50 track B@0.00 'b1'",
                    }));
}

TEST_F(PlayerTest, NextAndPreviousWrapAndKeepThePlayState) {
  player.next();      // paused: B, nothing plays
  advance(3);
  player.previous();  // A
  player.previous();  // wraps to B, the last
  player.play();
  advance(2.5);
  player.next();      // wraps to A, playing, from its start
  advance(1);
  EXPECT_EQ(record, (std::vector<std::string>{
                        "0.00 track B@0.00 'b1'",
                        "3.00 track A@0.00 ''",
                        "3.00 track B@0.00 'b1'",
                        "3.00 play B@0.00 'b1'",
                        "5.00 line B@2.00 'b2'",
                        "5.50 track A@0.00 ''",
                        "6.50 line A@1.00 'a1'",
                    }));
  EXPECT_EQ(player.songIndex(), 0u);
}

TEST_F(PlayerTest, ListenerMayCallBackIntoThePlayer) {
  // A listener that pauses at the first line, as a remote pause would.
  player.setListener([this](PlayerEvent event) {
    record.push_back(eventName(event));
    if (event == PlayerEvent::line) player.pause();
  });
  player.play();
  advance(20);
  EXPECT_EQ(record, (std::vector<std::string>{"play", "line", "pause"}));
  EXPECT_DOUBLE_EQ(player.position(), 1);
}

// The embedded catalogue played through once: every line is announced at
// its own time, in order, and the last song wraps to the first.
TEST(PlayerCatalogueTest, EveryEmbeddedLineIsAnnouncedAtItsTime) {
  foundation::RunLoop::useVirtualClock();
  foundation::RunLoop& loop = foundation::RunLoop::main();
  const std::vector<Song> songs = musicapp::embeddedSongs();
  Player player(loop, songs);
  std::vector<std::string> heard;
  player.setListener([&](PlayerEvent event) {
    if (event != PlayerEvent::line) return;
    heard.push_back(foundation::format("%zu %.2f %s", player.songIndex(), player.position(),
                                       std::string(player.currentLine()).c_str()));
  });
  double total = 0;
  std::vector<std::string> expected;
  for (std::size_t i = 0; i < songs.size(); ++i) {
    for (const musicapp::LrcLine& line : songs[i].lyrics.lines) {
      expected.push_back(foundation::format("%zu %.2f %s", i, line.time, line.text.c_str()));
    }
    total += songs[i].duration;
  }
  player.play();
  loop.advance(total);
  EXPECT_EQ(heard, expected);
  EXPECT_EQ(player.songIndex(), 0u);
  EXPECT_DOUBLE_EQ(player.position(), 0);
}

}  // namespace
