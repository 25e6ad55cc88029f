// The bridge's model on the virtual clock: which source each player's line
// comes from, timed lyrics followed through seeks, rates and pauses, how
// long a pushed line lasts, the stored overrides and what is refused.

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "TempDeviceRoot.h"
#include "bridge/LineBridge.h"
#include "bridge/LineInput.h"
#include "foundation/RunLoop.h"
#include "foundation/UserDefaults.h"

namespace {

using foundation::Dictionary;
using foundation::Value;
using media::NowPlayingApplication;

constexpr const char* kLrc =
    "[ti:Song]\n"
    "[00:01.00]One\n"
    "[00:03.00]Two\n"
    "[00:05.00]\n"
    "[00:06.00]Three\n"
    "[00:10.00]Four\n";

NowPlayingApplication player(std::string busName, bool playing, double rate = 1.0, std::string title = "A song",
                             std::string lyrics = "", std::string trackId = "") {
  NowPlayingApplication app;
  app.busName = std::move(busName);
  app.isPlaying = playing;
  app.rate = rate;
  app.trackId = std::move(trackId);
  app.info = Dictionary{{"title", Value(std::move(title))},
                        {"artist", Value("Artist")},
                        {"albumTitle", Value("Album")},
                        {"playbackDuration", Value(200)}};
  if (!lyrics.empty()) app.info["lyrics"] = Value(std::move(lyrics));
  return app;
}

class LineBridgeTest : public ::testing::Test {
 protected:
  void SetUp() override { foundation::RunLoop::useVirtualClock(); }

  foundation::RunLoop& loop() { return foundation::RunLoop::main(); }

  bridge::LineBridge& make() {
    bridge_ = std::make_unique<bridge::LineBridge>(
        loop(), defaults_,
        [this](const std::string& id, const Dictionary& info) { published_.emplace_back(id, info); },
        [this](const std::string& busName) { reads_.push_back(busName); });
    return *bridge_;
  }

  // The last dictionary handed on, as the relay would see it.
  std::string lastLine() const {
    return published_.empty() ? "<none>" : *published_.back().second.at("lyricLine").text();
  }
  double lastRate() const {
    return published_.empty() ? -1 : published_.back().second.at("playbackRate").doubleValue();
  }

  hvtest::TempDeviceRoot root_;
  foundation::UserDefaults defaults_{root_.path() / "bridge.plist"};
  std::unique_ptr<bridge::LineBridge> bridge_;
  std::vector<std::pair<std::string, Dictionary>> published_;
  std::vector<std::string> reads_;
};

TEST_F(LineBridgeTest, TimedLinesFollowThePlayerThroughSeeksRatesAndPauses) {
  bridge::LineBridge& b = make();
  const std::string mpv = "org.mpris.MediaPlayer2.mpv";
  b.update(mpv, {player(mpv, true, 1.0, "Song", kLrc)});
  ASSERT_EQ(reads_, std::vector<std::string>{mpv});  // Position asked on start
  b.positionKnown(mpv, 0.5);
  EXPECT_EQ(b.currentSource(), bridge::SourceMode::lrc);
  EXPECT_EQ(lastLine(), "");
  EXPECT_EQ(published_.back().first, "org.hoververse.desktop.mpv");

  struct Step {
    const char* what;
    std::function<void()> act;
    std::string line;
    double rate;
  };
  const std::vector<Step> steps = {
      {"just before the first line", [&] { loop().advance(0.49); }, "", 1},
      {"at the first line", [&] { loop().advance(0.01); }, "One", 1},
      {"at the second", [&] { loop().advance(2.0); }, "Two", 1},
      {"the empty line of a pause in the song", [&] { loop().advance(2.0); }, "", 1},
      {"seek forward", [&] { b.positionKnown(mpv, 6.2); }, "Three", 1},
      {"not yet the fourth", [&] { loop().advance(3.79); }, "Three", 1},
      {"the fourth", [&] { loop().advance(0.01); }, "Four", 1},
      {"seek back", [&] { b.positionKnown(mpv, 2.0); }, "One", 1},
      {"one second on", [&] { loop().advance(1.0); }, "Two", 1},
      {"twice as fast",
       [&] {
         b.update(mpv, {player(mpv, true, 2.0, "Song", kLrc)});
         b.positionKnown(mpv, 3.0);
       },
       "Two", 2},
      {"two song seconds in one", [&] { loop().advance(0.99); }, "Two", 2},
      {"the pause line at double speed", [&] { loop().advance(0.01); }, "", 2},
      {"the third at double speed", [&] { loop().advance(0.5); }, "Three", 2},
      {"paused", [&] { b.update(mpv, {player(mpv, false, 2.0, "Song", kLrc)}); }, "Three", 0},
      {"time passes while paused", [&] { loop().advance(100); }, "Three", 0},
      {"playing at rate 0", [&] { b.update(mpv, {player(mpv, true, 0.0, "Song", kLrc)}); }, "Three", 0},
      {"time passes at rate 0", [&] { loop().advance(100); }, "Three", 0},
      {"a rate that is no number stands still",
       [&] {
         b.update(mpv, {player(mpv, true, std::nan(""), "Song", kLrc)});
         loop().advance(100);
       },
       "Three", 0},
      {"playing again",
       [&] {
         b.update(mpv, {player(mpv, true, 1.0, "Song", kLrc)});
         b.positionKnown(mpv, 9.0);
       },
       "Three", 1},
      {"the last line", [&] { loop().advance(1.0); }, "Four", 1},
      {"after the last line", [&] { loop().advance(1000); }, "Four", 1},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    const std::size_t before = published_.size();
    step.act();
    EXPECT_EQ(lastLine(), step.line);
    EXPECT_EQ(lastRate(), step.rate);
    EXPECT_EQ(b.currentLine(), step.line);
    // Handed on only when something shown changed: never twice the same.
    if (published_.size() > before && before > 0) {
      EXPECT_NE(published_[before - 1].second, published_.back().second);
    }
    EXPECT_LE(published_.size(), before + 1);
  }
  // Nothing is left waiting after the last line, so the loop is idle.
  EXPECT_EQ(loop().nextDueTime(), foundation::Date::distantFuture);
  // Every state or rate change asked for the Position again.
  EXPECT_EQ(reads_.size(), 4u);
}

TEST_F(LineBridgeTest, EachPlayerTakesItsLineFromTheChosenSource) {
  struct Case {
    const char* what;
    std::string lyrics;
    bool pushed;
    std::string mode;  // stored override, "" for none
    bridge::SourceMode source;
    std::string line;
  };
  const Case cases[] = {
      {"title only", "", false, "", bridge::SourceMode::title, "Title line"},
      {"lyrics without stamps are not timed", "just words\nmore words", false, "", bridge::SourceMode::title,
       "Title line"},
      {"timed lyrics", kLrc, false, "", bridge::SourceMode::lrc, "Two"},
      {"a pushed line wins", kLrc, true, "", bridge::SourceMode::pushed, "Pushed"},
      {"forced title over lyrics and a pushed line", kLrc, true, "title", bridge::SourceMode::title, "Title line"},
      {"forced lyrics without any", "", false, "lrc", bridge::SourceMode::lrc, ""},
      {"forced lyrics over a pushed line", kLrc, true, "lrc", bridge::SourceMode::lrc, "Two"},
      {"forced pushed without a line", kLrc, false, "pushed", bridge::SourceMode::pushed, ""},
      {"auto stored is automatic", kLrc, false, "auto", bridge::SourceMode::lrc, "Two"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    foundation::RunLoop::useVirtualClock();
    published_.clear();
    bridge::LineBridge& b = make();
    ASSERT_TRUE(b.setSource("vlc", "auto").ok());
    if (!c.mode.empty()) {
      ASSERT_TRUE(b.setSource("org.mpris.MediaPlayer2.vlc.instance3", c.mode).ok());
    }
    const std::string vlc = "org.mpris.MediaPlayer2.vlc.instance3";
    b.update(vlc, {player(vlc, true, 1.0, "Title line", c.lyrics)});
    b.positionKnown(vlc, 3.5);
    if (c.pushed) {
      ASSERT_TRUE(b.setLine("vlc", "Pushed").ok());
    }
    EXPECT_EQ(b.currentSource(), c.source);
    EXPECT_EQ(lastLine(), c.line);
    EXPECT_EQ(published_.back().first, "org.hoververse.desktop.vlc");
    EXPECT_EQ(*published_.back().second.at("title").text(), "Title line");
  }
}

TEST_F(LineBridgeTest, APushedLineLastsUntilClearedTheSongChangesOrThePlayerLeaves) {
  bridge::LineBridge& b = make();
  const std::string vlc = "org.mpris.MediaPlayer2.vlc";
  const std::string mpv = "org.mpris.MediaPlayer2.mpv";
  // Pushed before the player is there: kept for when it comes.
  ASSERT_TRUE(b.setLine("org.hoververse.desktop.vlc", "Early").ok());
  EXPECT_TRUE(published_.empty());
  b.update(vlc, {player(vlc, true, 1.0, "First", "", "/track/1")});
  EXPECT_EQ(lastLine(), "Early");
  EXPECT_EQ(published_.back().first, "org.hoververse.desktop.vlc");

  ASSERT_TRUE(b.clear("vlc").ok());
  EXPECT_EQ(lastLine(), "First");

  // The same song with another title (a player that shows lines as titles)
  // keeps the pushed line; another track ends it.
  ASSERT_TRUE(b.setLine(vlc, "Pushed").ok());
  b.update(vlc, {player(vlc, true, 1.0, "Renamed", "", "/track/1")});
  EXPECT_EQ(lastLine(), "Pushed");
  b.update(vlc, {player(vlc, true, 1.0, "Second", "", "/track/2")});
  EXPECT_EQ(lastLine(), "Second");

  // Leaving ends it too, even while another player is the one shown.
  ASSERT_TRUE(b.setLine("vlc", "Again").ok());
  EXPECT_EQ(lastLine(), "Again");
  b.update(mpv, {player(mpv, true, 1.0, "Other"), player(vlc, false, 1.0, "Second", "", "/track/2")});
  EXPECT_EQ(lastLine(), "Other");
  EXPECT_EQ(published_.back().first, "org.hoververse.desktop.mpv");
  b.update(mpv, {player(mpv, true, 1.0, "Other")});
  b.update(vlc, {player(mpv, false, 1.0, "Other"), player(vlc, true, 1.0, "Second", "", "/track/2")});
  EXPECT_EQ(lastLine(), "Second");

  // Without a player at all nothing is handed on.
  const std::size_t before = published_.size();
  b.update(std::nullopt, {});
  ASSERT_TRUE(b.setLine("vlc", "Nobody").ok());
  EXPECT_EQ(published_.size(), before);
}

TEST_F(LineBridgeTest, OverridesAreStoredAndBadModesExplained) {
  bridge::LineBridge& b = make();
  ASSERT_TRUE(b.setSource("mpv", "title").ok());
  ASSERT_TRUE(b.setSource("org.mpris.MediaPlayer2.vlc", "pushed").ok());
  const foundation::Status bad = b.setSource("mpv", "loud");
  ASSERT_FALSE(bad.ok());
  EXPECT_NE(bad.message().find("auto, title, lrc or pushed"), std::string::npos) << bad.message();
  EXPECT_FALSE(b.setSource("", "lrc").ok());
  ASSERT_TRUE(defaults_.synchronize());
  foundation::UserDefaults reread(root_.path() / "bridge.plist");
  EXPECT_EQ(reread.objectForKey("Sources"), Value(Dictionary{{"mpv", Value("title")}, {"vlc", Value("pushed")}}));

  ASSERT_TRUE(b.setSource("mpv", "auto").ok());
  ASSERT_TRUE(defaults_.synchronize());
  foundation::UserDefaults again(root_.path() / "bridge.plist");
  EXPECT_EQ(again.objectForKey("Sources"), Value(Dictionary{{"vlc", Value("pushed")}}));
}

TEST_F(LineBridgeTest, TrayLyricUpdatesFindTheirPlayer) {
  bridge::LineBridge& b = make();
  const std::string vlc = "org.mpris.MediaPlayer2.vlc";
  const std::string mpv = "org.mpris.MediaPlayer2.mpv";
  // With no player and no sender there is nobody to show the line for.
  EXPECT_FALSE(b.updateTrayLyric(R"({"content": "lost"})").ok());
  NowPlayingApplication vlcPlayer = player(vlc, false);
  vlcPlayer.identity = "VLC media player";
  b.update(mpv, {player(mpv, true), vlcPlayer});

  struct Case {
    const char* what;
    std::string json;
    bool ok;
    std::string mpvLine;  // the shown (mpv) line after the update
  };
  const Case cases[] = {
      {"sender by short name, any case", R"({"content": "to mpv", "time": 4.5, "start": 1.2, "sender": "MPV"})",
       true, "to mpv"},
      {"sender by Identity", R"({"content": "to vlc", "sender": "vlc MEDIA player"})", true, "to mpv"},
      {"unknown sender: the now-playing player", R"({"content": "unknown", "sender": "Elsewhere"})", true,
       "unknown"},
      {"no sender", R"({"content": "plain"})", true, "plain"},
      {"no content is an empty line", R"({"sender": "mpv"})", true, ""},
      {"malformed", R"({"content": "x")", false, ""},
      {"not an object", R"(["content", "x"])", false, ""},
      {"content of the wrong type", R"({"content": 5})", false, ""},
      {"time of the wrong type", R"({"content": "x", "time": "soon"})", false, ""},
      {"not UTF-8", "{\"content\": \"\xff\"}", false, ""},
      {"empty text", "", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const foundation::Status status = b.updateTrayLyric(c.json);
    EXPECT_EQ(status.ok(), c.ok) << status.message();
    if (!c.ok) {
      EXPECT_FALSE(status.message().empty());
    }
    EXPECT_EQ(lastLine(), c.mpvLine);
  }
  // The line sent to vlc shows once vlc plays.
  b.update(vlc, {player(mpv, false), vlcPlayer});
  EXPECT_EQ(published_.back().first, "org.hoververse.desktop.vlc");
  vlcPlayer.isPlaying = true;
  b.update(vlc, {player(mpv, false), vlcPlayer});
  EXPECT_EQ(lastLine(), "to vlc");
}

TEST(LineInputTest, LinesAreCutAtACharacterAndOnlyUtf8IsTaken) {
  struct Case {
    const char* what;
    std::string text;
    std::optional<std::string> accepted;
  };
  const std::string a4095(4095, 'a');
  const Case cases[] = {
      {"4 KiB stays", std::string(4096, 'a'), std::string(4096, 'a')},
      {"one byte over is cut", std::string(4097, 'a'), std::string(4096, 'a')},
      {"a three-byte character across the limit", a4095 + "你", a4095},
      {"a four-byte character across the limit", std::string(4094, 'a') + "🎵", std::string(4094, 'a')},
      {"a character ending at the limit", std::string(4093, 'a') + "你x", std::string(4093, 'a') + "你"},
      {"a lone continuation byte", "a\x80", std::nullopt},
      {"an overlong encoding", "\xc0\x80", std::nullopt},
      {"a surrogate encoded", "\xed\xa0\x80", std::nullopt},
      {"invalid past the limit too", std::string(5000, 'a') + "\xff", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string error;
    EXPECT_EQ(bridge::acceptLine(c.text, error), c.accepted);
    EXPECT_EQ(error.empty(), c.accepted.has_value());
  }

  const std::pair<std::string, std::optional<std::string>> players[] = {
      {"mpv", "org.hoververse.desktop.mpv"},
      {"org.mpris.MediaPlayer2.vlc.instance42", "org.hoververse.desktop.vlc"},
      {"org.hoververse.desktop.mpv", "org.hoververse.desktop.mpv"},
      {"Some Player", "org.hoververse.desktop.Some_Player"},
      {"", std::nullopt},
      {"org.mpris.MediaPlayer2.", std::nullopt},
      {std::string(256, 'p'), std::nullopt},
      {"\xff", std::nullopt},
  };
  for (const auto& [reference, identifier] : players) {
    SCOPED_TRACE(reference);
    std::string error;
    EXPECT_EQ(bridge::playerIdentifier(reference, error), identifier);
  }
}

}  // namespace
