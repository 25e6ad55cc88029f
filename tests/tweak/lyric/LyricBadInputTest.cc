// Now-playing texts come from other processes: huge, broken or hostile input
// must give a line, the app's name or no value, and never crash.

#include <gtest/gtest.h>

#include <random>

#include "foundation/Text.h"
#include "lyric/LyricManager.h"
#include "media/AudioSession.h"

namespace {

using foundation::Dictionary;
using foundation::Value;

const char* const kBundles[] = {"com.yeelion.kwplayer", "com.netease.cloudmusic",
                                "com.tencent.QQMusic",  "com.kugou.music",
                                "com.migu.migumobilemusic", "com.example"};

// Runs every app and both routes over the text; every answer must be valid
// UTF-8 (or no value).
void runEverywhere(const std::string& text) {
  LyricManager manager;
  for (const char* route : {"", "AirPlay"}) {
    media::AudioSession::sharedInstance().setCurrentOutput(route);
    for (const char* bundle : kBundles) {
      const auto line = manager.dicToLyric(Value(Dictionary{{"lyric", text}, {"bundleId", bundle}}));
      if (line) {
        EXPECT_TRUE(foundation::isValidUtf8(*line)) << bundle;
      }
      const auto song = manager.getSongName();
      if (song) {
        EXPECT_TRUE(foundation::isValidUtf8(*song)) << bundle;
      }
    }
  }
  media::AudioSession::sharedInstance().setCurrentOutput("");
}

TEST(LyricBadInput, OneMegabyteTextStillGivesTheLastLine) {
  std::string text = "{\n";
  while (text.size() < (1u << 20)) text += "    albumTitle = \"\\U6b4c line\";\n";
  text += "    albumTitle = \"last\";\n}";
  LyricManager manager;
  EXPECT_EQ(manager.dicToLyric(Value(Dictionary{{"lyric", text}, {"bundleId", "com.netease.cloudmusic"}})),
            "last");
  runEverywhere(text);
  runEverywhere(std::string(1u << 20, '\\'));
  runEverywhere(std::string(1u << 20, '"'));
}

TEST(LyricBadInput, InvalidUtf8IsReplacedNotPassedOn) {
  LyricManager manager;
  const std::string text = "\n    albumTitle = \"a\xff\xc3(\xED\xA0\x80z\"";
  const auto line = manager.dicToLyric(Value(Dictionary{{"lyric", text}, {"bundleId", "com.netease.cloudmusic"}}));
  ASSERT_TRUE(line.has_value());
  EXPECT_TRUE(foundation::isValidUtf8(*line));
  runEverywhere(text);
  runEverywhere("\xF0\x9F\x98");
}

TEST(LyricBadInput, StrayBackslashesAndQuotesGiveALineOrNoValue) {
  LyricManager manager;
  auto netEase = [&](std::string_view value) {
    return manager.dicToLyric(Value(Dictionary{
        {"lyric", "\n    albumTitle = \"" + std::string(value) + "\""}, {"bundleId", "com.netease.cloudmusic"}}));
  };
  EXPECT_EQ(netEase("a\\"), std::nullopt);  // ends in a lone backslash
  EXPECT_EQ(netEase("\"\"\""), "\"\"\"");
  EXPECT_EQ(netEase("\\\\\\"), std::nullopt);
  EXPECT_EQ(netEase("\\\\"), "\\");
  for (const char* text : {"\\", "\"", "\\\"", "\";\";\"", "title = \\", "albumTitle = \"\\U",
                           "artist = \"\\U12", "lyrics = {\\}albumTitle", "artist,,,,,,,,,,,,,,,,\\"}) {
    runEverywhere(text);
  }
}

TEST(LyricBadInput, TextsCutMidEscapeDecodeWhatIsThere) {
  LyricManager manager;
  EXPECT_EQ(manager.replaceUnicode("\\U6b"), "k");
  EXPECT_EQ(manager.replaceUnicode("\\U"), std::string(1, '\0'));
  EXPECT_EQ(manager.replaceUnicode("\\Ud83d"), "\xEF\xBF\xBD");  // half a pair
  EXPECT_EQ(manager.replaceUnicode("\\1"), "\x01");
  const std::string full = "{\n    albumTitle = \"\\U665a\\U98ce \\\"\\U6b4c\\\"\";\n}";
  for (std::size_t cut = 0; cut <= full.size(); ++cut) runEverywhere(full.substr(0, cut));
}

TEST(LyricBadInput, RandomBytesNeverCrash) {
  std::mt19937 random(1234);
  const std::string alphabet = "\\\"Uu{};,= \n0123456789abcdefltirs\xff\xe6\xad\x8c";
  for (int round = 0; round < 300; ++round) {
    std::string text;
    const int length = static_cast<int>(random() % 200);
    for (int i = 0; i < length; ++i) text.push_back(alphabet[random() % alphabet.size()]);
    runEverywhere(text);
  }
}

}  // namespace
