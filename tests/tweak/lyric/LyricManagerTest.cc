#include "lyric/LyricManager.h"

#include <gtest/gtest.h>

#include "media/AudioSession.h"

namespace {

using foundation::Dictionary;
using foundation::Value;

constexpr std::string_view kNetEase = "com.netease.cloudmusic";
constexpr std::string_view kQQ = "com.tencent.QQMusic";
constexpr std::string_view kKuwo = "com.yeelion.kwplayer";
constexpr std::string_view kMigu = "com.migu.migumobilemusic";

Value relayed(std::string_view lyricText, std::string_view bundleId) {
  return Value(Dictionary{{"lyric", lyricText}, {"bundleId", bundleId}});
}

// Each test starts with no audio outputs and a fresh manager.
class LyricManagerTest : public ::testing::Test {
 protected:
  void SetUp() override { media::AudioSession::sharedInstance().setCurrentOutput(""); }
  void TearDown() override { media::AudioSession::sharedInstance().setCurrentOutput(""); }
  void wireless() { media::AudioSession::sharedInstance().setCurrentOutput("BluetoothA2DPOutput"); }

  std::optional<std::string> lyric(std::string_view text, std::string_view bundleId) {
    return manager.dicToLyric(relayed(text, bundleId));
  }
  std::optional<std::string> song(std::string_view text, std::string_view bundleId) {
    manager.dicToLyric(relayed(text, bundleId));
    return manager.getSongName();
  }

  LyricManager manager;
};

TEST_F(LyricManagerTest, NetEaseWiredTakesTheQuotedAlbumTitle) {
  const std::string piece = "\n    albumTitle = \"Hello\"";
  ASSERT_EQ(piece.size(), 25u);
  EXPECT_EQ(lyric("{\n    MPNowPlayingInfoPropertyPlaybackRate = 1;" + piece + ";\n}", kNetEase), "Hello");
  EXPECT_EQ(manager.musicAppIdentifier(), std::string(kNetEase));
}

TEST_F(LyricManagerTest, NetEaseWirelessWithoutTitleShowsTheAppName) {
  wireless();
  EXPECT_EQ(lyric("{\n    albumTitle = \"Hello\";\n}", kNetEase), "网易云音乐");
}

TEST_F(LyricManagerTest, WholeTextFormFromDescribeRoundTripsChineseLines) {
  const Dictionary nowPlaying{{"albumTitle", "晚风吹过 温柔的歌"},
                              {"artist", "歌手"},
                              {"title", "夜曲 (Live)"},
                              {"playbackDuration", 269},
                              {"MPNowPlayingInfoPropertyElapsedPlaybackTime", 37.25}};
  const std::string text = describe(Value(nowPlaying));
  ASSERT_NE(text.find("\\U665a"), std::string::npos) << text;
  EXPECT_EQ(lyric(text, kNetEase), "晚风吹过 温柔的歌");
  EXPECT_EQ(manager.getSongName(), "夜曲 (Live)");
  wireless();
  EXPECT_EQ(lyric(text, kNetEase), "夜曲 (Live)");
  EXPECT_EQ(manager.getSongName(), "晚风吹过 温柔的歌");
}

TEST_F(LyricManagerTest, QQMusicLaterArtistPieceWins) {
  const std::string text = "{\n    artist = \"first line\";\n    artist = \"second line\";\n}";
  EXPECT_EQ(lyric(text, kQQ), "second line");
}

TEST_F(LyricManagerTest, PieceOneShorterThanTheMinimumIsSkipped) {
  wireless();
  // Kuwo wireless: marker "title = ", minimum 11, from index 10, length - 10.
  EXPECT_EQ(lyric("xtitle = ab", kKuwo), "b");
  EXPECT_EQ(lyric("title = ab", kKuwo), "酷我音乐");
  // NetEase wired: minimum 21; a quoted one-letter value is exactly 21.
  media::AudioSession::sharedInstance().setCurrentOutput("");
  EXPECT_EQ(lyric("\n    albumTitle = \"a\"", kNetEase), "a");
  EXPECT_EQ(lyric("\n    albumTitle = \"\"", kNetEase), "网易云音乐");
}

TEST_F(LyricManagerTest, LengthsCountUtf16UnitsNotBytes) {
  // Raw (unescaped) CJK and a surrogate pair: 3 bytes / 4 bytes each but 1 / 2 units.
  EXPECT_EQ(lyric("\n    albumTitle = \"歌词\"", kNetEase), "歌词");
  EXPECT_EQ(lyric("\n    albumTitle = \"a\xF0\x9F\x98\x80z\"", kNetEase), "a\xF0\x9F\x98\x80z");
}

TEST_F(LyricManagerTest, KugouNeedsAlbumTitleAndStripsBraces) {
  EXPECT_EQ(lyric("  lyrics = {a}", "com.kugou.music"), "酷狗音乐");
  const std::string text = "albumTitle = x,  lyrics = {a}";
  EXPECT_EQ(lyric(text, "com.kugou.music"), "a");
  EXPECT_EQ(lyric(text, "com.kugou.kgyouth"), "a");
  // A matching piece shorter than the start index does not count.
  EXPECT_EQ(lyric("albumTitle = x,  lyrics = {b},lyrics = ", "com.kugou.music"), "b");
}

TEST_F(LyricManagerTest, MiguSplitsAtCommas) {
  EXPECT_EQ(lyric("{\n    albumTitle = x,\n    artist = \"Hello\",\n}", kMigu), "Hello");
  EXPECT_EQ(lyric("{}", kMigu), "咪咕音乐");
}

TEST_F(LyricManagerTest, UnknownAppsGiveEmptyTextNeverAFallback) {
  EXPECT_EQ(lyric("\n    artist = \"Hello\"", "com.migu.other"), "");
  EXPECT_TRUE(manager.isMusicAppWithString("com.migu.other"));
  EXPECT_EQ(lyric("\n    artist = \"Hello\"", "com.example.player"), "");
  EXPECT_EQ(manager.musicAppIdentifier(), "com.example.player");
}

TEST_F(LyricManagerTest, DictionaryWithoutLyricGivesEmptyAndKeepsTheIdentifier) {
  lyric("\n    albumTitle = \"Hello\"", kNetEase);
  EXPECT_EQ(manager.dicToLyric(Value(Dictionary{{"bundleId", kQQ}})), "");
  EXPECT_EQ(manager.musicAppIdentifier(), std::string(kNetEase));
  // The stored dictionary is still replaced: no song name from the old one.
  EXPECT_EQ(manager.getSongName(), "");
  EXPECT_EQ(manager.dicToLyric(Value()), "");
  EXPECT_EQ(manager.getSongName(), "");
}

TEST_F(LyricManagerTest, SongNameIsEmptyBeforeAnyDictionaryAndHasNoFallback) {
  EXPECT_EQ(manager.getSongName(), "");
  EXPECT_EQ(song("{\n    artist = \"x\";\n}", kNetEase), "");
}

TEST_F(LyricManagerTest, SongNameRulesPerAppAndRoute) {
  const std::string text =
      "{\n    MPNowPlayingInfoPropertyPlaybackRate = 1;\n    albumTitle = \"Album line\";\n    artist = \"Singer\";\n    title = \"Song\";\n}";
  EXPECT_EQ(song(text, kNetEase), "Song");
  EXPECT_EQ(song(text, kQQ), "Song");
  wireless();
  EXPECT_EQ(song(text, kNetEase), "Album line");
  EXPECT_EQ(song(text, kQQ), "Singer");
  EXPECT_EQ(song("albumTitle = x,lyrics = {y},  title = Song", "com.kugou.music"), "Song");
  EXPECT_EQ(song("albumTitle = x, title = Song", "com.kugou.music"), "");
}

TEST_F(LyricManagerTest, WirelessMeansTheFirstOutputIsA2dpOrAirPlay) {
  auto& session = media::AudioSession::sharedInstance();
  EXPECT_FALSE(manager.isBleToothOutput());
  session.setCurrentOutput("BluetoothA2DPOutput");
  EXPECT_TRUE(manager.isBleToothOutput());
  session.setCurrentOutput("AirPlay");
  EXPECT_TRUE(manager.isBleToothOutput());
  session.setCurrentOutput("BluetoothHFP");
  EXPECT_FALSE(manager.isBleToothOutput());
  session.setCurrentRoute({{{"Speaker", "Speaker"}, {"AirPlay", "TV"}}});
  EXPECT_FALSE(manager.isBleToothOutput());
}

TEST_F(LyricManagerTest, MusicAppTestLooksForAnySupportedIdentifier) {
  EXPECT_TRUE(manager.isMusicAppWithString("app com.kugou.kgyouth playing"));
  EXPECT_TRUE(manager.isMusicAppWithString("com.tencent.QQMusic"));
  EXPECT_FALSE(manager.isMusicAppWithString("com.tencent.qqmusic"));
  EXPECT_FALSE(manager.isMusicAppWithString(""));
}

TEST_F(LyricManagerTest, ReplaceUnicodeDecodesTheTextFormEscapes) {
  EXPECT_EQ(manager.replaceUnicode("\\U6B4C"), "歌");
  EXPECT_EQ(manager.replaceUnicode("\\u6b4c"), "歌");
  EXPECT_EQ(manager.replaceUnicode("a\\\\r\\\\nb"), "a\nb");
  EXPECT_EQ(manager.replaceUnicode("a\\r\\nb"), "a\r\nb");
  EXPECT_EQ(manager.replaceUnicode(""), "");
  EXPECT_EQ(manager.replaceUnicode("\\101"), "A");
}

TEST_F(LyricManagerTest, SharedManagerIsOneInstance) {
  EXPECT_EQ(&LyricManager::shareManager(), &LyricManager::shareManager());
}

// Mend: a lyric with a double quote is written as \" in the text form; it
// must come out with its quote instead of no value.
TEST_F(LyricManagerTest, EscapedQuoteInALineIsKept) {
  const std::string text = describe(Value(Dictionary{{"MPNowPlayingInfoPropertyPlaybackRate", 1}, {"albumTitle", "say \"hi\" 歌"}}));
  ASSERT_NE(text.find("\\\"hi\\\""), std::string::npos) << text;
  EXPECT_EQ(lyric(text, kNetEase), "say \"hi\" 歌");
  EXPECT_EQ(manager.replaceUnicode("a\\\"b"), "a\"b");
  // Bare quotes are still taken literally, and a quote after an escaped
  // backslash is a bare quote.
  EXPECT_EQ(manager.replaceUnicode("a\"b"), "a\"b");
  EXPECT_EQ(manager.replaceUnicode("a\\\\\"b"), "a\\\"b");
  // A lone trailing backslash still cannot be decoded.
  EXPECT_EQ(manager.replaceUnicode("abc\\"), std::nullopt);
}

// Mend: one-word ASCII values are written without quotes; NetEase and QQ
// Music give the text after the marker whole instead of cutting its ends.
TEST_F(LyricManagerTest, UnquotedOneWordValuesAreTakenWhole) {
  const std::string text = describe(Value(
      Dictionary{{"albumTitle", "Hello"}, {"artist", "Singer"}, {"title", "Song"}}));
  ASSERT_NE(text.find("albumTitle = Hello;"), std::string::npos) << text;
  EXPECT_EQ(lyric(text, kNetEase), "Hello");
  EXPECT_EQ(manager.getSongName(), "Song");
  EXPECT_EQ(lyric(text, kQQ), "Singer");
  EXPECT_EQ(manager.getSongName(), "Song");
  wireless();
  EXPECT_EQ(lyric(text, kNetEase), "Song");
  EXPECT_EQ(manager.getSongName(), "Hello");
  EXPECT_EQ(lyric(text, kQQ), "Song");
  EXPECT_EQ(manager.getSongName(), "Singer");
  // Short one-letter words have no minimum length.
  EXPECT_EQ(lyric("\n    title = a", kQQ), "a");
  // The last matching piece still wins, quoted or not.
  EXPECT_EQ(lyric("\n    title = One;\n    title = \"Two words\"", kQQ), "Two words");
  EXPECT_EQ(lyric("\n    title = \"Two words\";\n    title = One", kQQ), "One");
}

TEST_F(LyricManagerTest, OtherAppsKeepTheirOffsetsForUnquotedValues) {
  // Kuwo wired: from index 12 of "\n    artist = Hello" (the "= ").
  EXPECT_EQ(lyric("\n    artist = Hello", kKuwo), "= Hello");
}

}  // namespace
