// The road of a line from the music app to the home screen: the app builds
// its now-playing dictionary, the relay writes it with "%@" (describe) into
// {"lyric": text, "bundleId": id}, and the home screen's LyricManager, with
// the same audio route, extracts the line and the song name. Run for every
// app, every kind of route, and every line of every embedded song (Chinese,
// a plain word, quotes, backslashes, emoji, pauses).
//
// What the home screen shows is not always the line: Kuwo's cut starts two or
// three units early, inside the " = " before the value, and Kugou's and
// Migu's rules split the text at commas, which the text form does not write
// between entries, so the whole description shows. The table records what
// happens for each app, so a change in either side shows up here.

#include "musicapp/NowPlayingBuilder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/Text.h"
#include "lyric/LyricManager.h"
#include "media/AudioSession.h"
#include "musicapp/MusicApp.h"
#include "musicapp/NowPlayingKeys.h"
#include "musicapp/SongCatalogue.h"

namespace {

using foundation::Dictionary;
using foundation::Value;
using musicapp::MusicApp;
using musicapp::NowPlayingBuilder;
using musicapp::Song;
using ::testing::HasSubstr;

// How a value the app put in a field comes out on the home screen.
enum class Shows {
  value,      // the value itself (for an empty line, the app's own name)
  afterKey,   // `tail` + the value as the text form writes it ("…" unless a plain word)
  wholeText,  // every entry of the description, this one (`tail` + value) among them
};

struct AppRoute {
  MusicApp app;
  bool wireless;
  Shows line;
  std::string_view lineTail;
  Shows song;
  std::string_view songTail;
  bool songIsTheLine;  // the song name's field carries the line
  std::string_view appName;
};

const AppRoute kAppRoutes[] = {
    {MusicApp::kuwo, false, Shows::afterKey, "= ", Shows::afterKey, " = ", false, "酷我音乐"},
    {MusicApp::kuwo, true, Shows::afterKey, " = ", Shows::afterKey, " = ", true, "酷我音乐"},
    {MusicApp::netEase, false, Shows::value, "", Shows::value, "", false, "网易云音乐"},
    {MusicApp::netEase, true, Shows::value, "", Shows::value, "", false, "网易云音乐"},
    {MusicApp::qqMusic, false, Shows::value, "", Shows::value, "", false, "QQ音乐"},
    {MusicApp::qqMusic, true, Shows::value, "", Shows::value, "", false, "QQ音乐"},
    {MusicApp::kugou, false, Shows::wholeText, "lyrics = ", Shows::wholeText, "title = ", false, "酷狗音乐"},
    {MusicApp::kugou, true, Shows::wholeText, "lyrics = ", Shows::wholeText, "title = ", false, "酷狗音乐"},
    {MusicApp::migu, false, Shows::wholeText, "artist = ", Shows::wholeText, "title = ", false, "咪咕音乐"},
    {MusicApp::migu, true, Shows::wholeText, "artist = ", Shows::wholeText, "title = ", false, "咪咕音乐"},
};

// Port types of the first output; "" is a route with no outputs. Only A2DP
// and AirPlay count as wireless, on both sides.
const std::string_view kWiredPorts[] = {"", "Speaker", "Headphones", "BluetoothHFP"};
const std::string_view kWirelessPorts[] = {"BluetoothA2DPOutput", "AirPlay"};

// The home screen decodes the text form's escapes after turning every "\u"
// into "\U", so a backslash written before a lower-case u comes out before
// an upper-case U.
std::string asShown(std::string_view value) { return foundation::replaceAll(value, "\\u", "\\U"); }

bool isPlainWord(std::string_view value) {
  if (value.empty()) return false;
  for (const char c : value) {
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')) return false;
  }
  return true;
}

std::string asWritten(std::string_view value) {
  return isPlainWord(value) ? std::string(value) : "\"" + asShown(value) + "\"";
}

void expectShown(const std::optional<std::string>& shown, Shows how, std::string_view tail,
                 const std::string& value, std::string_view whenEmpty) {
  switch (how) {
    case Shows::value:
      EXPECT_EQ(shown, value.empty() ? std::string(whenEmpty) : asShown(value));
      break;
    case Shows::afterKey:
      EXPECT_EQ(shown, std::string(tail) + asWritten(value));
      break;
    case Shows::wholeText:
      ASSERT_TRUE(shown.has_value());
      EXPECT_NE(*shown, value);
      EXPECT_THAT(*shown, HasSubstr("\n    " + std::string(tail) + asWritten(value) + ";\n"));
      EXPECT_THAT(*shown, HasSubstr("playbackDuration = "));
      break;
  }
}

class NowPlayingRelayTest : public ::testing::Test {
 protected:
  void TearDown() override { media::AudioSession::sharedInstance().setCurrentOutput(""); }

  // The relay's user info for one update, as the music app sends it.
  static Value relayed(const Value& nowPlaying, MusicApp app) {
    return Value(Dictionary{{"lyric", describe(nowPlaying)}, {"bundleId", musicapp::bundleIdentifier(app)}});
  }

  LyricManager manager;
};

TEST_F(NowPlayingRelayTest, EveryAppRouteAndLineReachesTheHomeScreen) {
  const std::vector<Song> songs = musicapp::embeddedSongs();
  int checked = 0;
  for (const AppRoute& ar : kAppRoutes) {
    const NowPlayingBuilder builder(ar.app);
    const auto ports = ar.wireless ? std::vector<std::string_view>(std::begin(kWirelessPorts), std::end(kWirelessPorts))
                                   : std::vector<std::string_view>(std::begin(kWiredPorts), std::end(kWiredPorts));
    for (const std::string_view port : ports) {
      media::AudioSession::sharedInstance().setCurrentOutput(port);
      for (const Song& song : songs) {
        std::vector<musicapp::LrcLine> moments = song.lyrics.lines;
        moments.insert(moments.begin(), {0, ""});  // before the first line
        for (const musicapp::LrcLine& moment : moments) {
          SCOPED_TRACE(std::string(musicapp::bundleIdentifier(ar.app)) + " on \"" + std::string(port) +
                       "\": " + song.title + " / \"" + moment.text + "\"");
          const Value nowPlaying = builder.build(song, {moment.text, moment.time, true, port});
          expectShown(manager.dicToLyric(relayed(nowPlaying, ar.app)), ar.line, ar.lineTail, moment.text,
                      ar.appName);
          EXPECT_EQ(manager.musicAppIdentifier(), std::string(musicapp::bundleIdentifier(ar.app)));
          expectShown(manager.getSongName(), ar.song, ar.songTail, ar.songIsTheLine ? moment.text : song.title,
                      "");
          ++checked;
        }
      }
    }
  }
  // 32 lines and 4 moments before a first line; 5 apps on 4 wired ports and
  // on 2 wireless ones.
  EXPECT_EQ(checked, 36 * 5 * (4 + 2));
}

// The whole text the relay carries for one update, wired and wireless: the
// media item keys, the now-playing keys, the artwork placeholder, and the
// line and song name swapping fields.
TEST_F(NowPlayingRelayTest, TheRelayedTextOfOneUpdate) {
  const Song song = musicapp::embeddedSongs()[static_cast<std::size_t>(musicapp::EmbeddedSong::escapes)];
  const NowPlayingBuilder netEase(MusicApp::netEase);
  const std::string line = song.lyrics.lines[2].text;
  ASSERT_EQ(line, "🎧 headphones on under a 🌙 moon");
  EXPECT_EQ(describe(netEase.build(song, {line, 11, true, "Headphones"})),
            "{\n"
            "    MPNowPlayingInfoPropertyElapsedPlaybackTime = 11;\n"
            "    MPNowPlayingInfoPropertyPlaybackRate = 1;\n"
            "    albumTitle = \"\\Ud83c\\Udfa7 headphones on under a \\Ud83c\\Udf19 moon\";\n"
            "    artist = \"Backslash Club\";\n"
            "    artwork = \"<MPMediaItemArtwork: 0x0>\";\n"
            "    playbackDuration = 36;\n"
            "    title = \"Say \\\"Cheese\\\" \\\\o/ \\Ud83d\\Udcf7\";\n"
            "}");
  EXPECT_EQ(describe(netEase.build(song, {line, 12.75, false, "AirPlay", Value()})),
            "{\n"
            "    MPNowPlayingInfoPropertyElapsedPlaybackTime = 12.75;\n"
            "    MPNowPlayingInfoPropertyPlaybackRate = 0;\n"
            "    albumTitle = \"Say \\\"Cheese\\\" \\\\o/ \\Ud83d\\Udcf7\";\n"
            "    artist = \"Backslash Club\";\n"
            "    playbackDuration = 36;\n"
            "    title = \"\\Ud83c\\Udfa7 headphones on under a \\Ud83c\\Udf19 moon\";\n"
            "}");
}

// The builder and the home screen agree on which routes are wireless.
TEST_F(NowPlayingRelayTest, WirelessMeansWhatTheHomeScreenMeans) {
  for (const std::string_view port : {"", "Speaker", "Receiver", "Headphones", "LineOut", "HDMIOutput", "USBAudio",
                                      "CarAudio", "BluetoothA2DPOutput", "BluetoothHFP", "BluetoothLE", "AirPlay"}) {
    SCOPED_TRACE(port);
    media::AudioSession::sharedInstance().setCurrentOutput(port);
    EXPECT_EQ(musicapp::isWirelessRoute(port), manager.isBleToothOutput());
  }
}

TEST_F(NowPlayingRelayTest, BundleIdentifiersAreRecognisedAsOnTheHomeScreen) {
  for (const MusicApp app : musicapp::kAllMusicApps) {
    const std::string_view id = musicapp::bundleIdentifier(app);
    EXPECT_EQ(musicapp::musicAppForBundle(id), app) << id;
    EXPECT_TRUE(manager.isMusicAppWithString(id)) << id;
  }
  EXPECT_EQ(musicapp::musicAppForBundle("com.kugou.kgyouth"), MusicApp::kugou);
  EXPECT_EQ(musicapp::musicAppForBundle("com.migu.other"), std::nullopt);
  EXPECT_EQ(musicapp::musicAppForBundle("com.tencent.qqmusic"), std::nullopt);
  EXPECT_EQ(musicapp::musicAppForBundle(""), std::nullopt);
}

// A ";" inside a line ends the piece the home screen cuts, and the cut still
// drops one unit for the closing quote it expects: NetEase and QQ Music show
// the text before the ";" less its last character.
TEST_F(NowPlayingRelayTest, SemicolonInALineCutsItShort) {
  const Song song = Song::fromLrc("[ti:Song]\n[00:01.00]wait; then go", 30, {});
  for (const MusicApp app : {MusicApp::netEase, MusicApp::qqMusic}) {
    const Value nowPlaying = NowPlayingBuilder(app).build(song, {song.lyrics.lines[0].text, 1, true, "Speaker"});
    EXPECT_EQ(manager.dicToLyric(relayed(nowPlaying, app)), "wai");
  }
}

}  // namespace
