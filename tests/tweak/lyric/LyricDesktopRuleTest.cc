// The desktop players' rule, through the text form the relay really sends
// (`describe` of the bridge's dictionary): every line comes back whole,
// whatever it holds, and a missing or unreadable line shows the player.

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "lyric/LyricManager.h"

namespace {

using foundation::Dictionary;
using foundation::Value;

constexpr std::string_view kMpv = "org.hoververse.desktop.mpv";

std::string relayedText(const Dictionary& info) { return foundation::describe(Value(info)); }

Dictionary bridgeDictionary(Value line, Value title) {
  return Dictionary{{"title", std::move(title)},
                    {"artist", Value("Someone; Else")},
                    {"albumTitle", Value("An \"album\", 2")},
                    {"playbackDuration", Value(215.5)},
                    {"playbackRate", Value(1)},
                    {"lyricLine", std::move(line)}};
}

struct Case {
  const char* what;
  std::string line;
};

TEST(LyricDesktopRule, EveryLineSurvivesTheTextFormWhole) {
  const std::string longLine(4096, 'x');
  const Case cases[] = {
      {"a plain word, written bare", "Hello"},
      {"the empty line of a pause", ""},
      {"separators of the other rules", "one; two, three; lyricLine = four;"},
      {"quotes", "she said \"stay\" and \"go\""},
      {"backslashes, one at the end", "C:\\music\\ and \\U4f60 \\\\"},
      {"emoji outside the basic plane", "🎵 la la 🎶 ♪"},
      {"Chinese", "你好，世界；再见"},
      {"line feed, tab and carriage return", "first\nsecond\tthird\r\n"},
      {"a number-like word", "42"},
      {"a fake entry after a line feed", "x\n    lyricLine = \"fake\";"},
      {"braces and parentheses", "{ (a) = <b>; }"},
      {"4 KiB", longLine},
  };
  LyricManager manager;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Dictionary info = bridgeDictionary(Value(c.line), Value("Song; \"name\" 歌"));
    EXPECT_EQ(manager.dicToLyric(Value(Dictionary{{"lyric", Value(relayedText(info))}, {"bundleId", Value(kMpv)}})),
              c.line);
    EXPECT_EQ(manager.getSongName(), "Song; \"name\" 歌");
    EXPECT_EQ(manager.musicAppIdentifier(), std::string(kMpv));
  }
}

TEST(LyricDesktopRule, WithoutAReadableLineThePlayerIsShown) {
  const Case cases[] = {
      {"no lyricLine entry", relayedText(Dictionary{{"title", Value("T")}})},
      {"only a nested lyricLine",
       relayedText(Dictionary{{"title", Value("T")}, {"inner", Value(Dictionary{{"lyricLine", Value("deep")}})}})},
      {"the line hidden in another value", relayedText(Dictionary{{"title", Value("\n    lyricLine = \"no\";")}})},
      {"an unterminated quoted value", "{\n    lyricLine = \"never ends;\n"},
      {"a quoted value not ended by a semicolon", "{\n    lyricLine = \"a\" \"b\";\n}"},
      {"a value that is not a word", "{\n    lyricLine = (\n        a\n    );\n}"},
      {"a quote escaped to the end", "{\n    lyricLine = \"abc\\\";\n}"},
      {"no text form at all", "lyricLine"},
  };
  LyricManager manager;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(manager.dicToLyric(Value(Dictionary{{"lyric", Value(c.line)},
                                                  {"bundleId", Value("org.hoververse.desktop.vlc")}})),
              "vlc");
  }
  // The song name has no fallback, and the bridge's own identifier is not a
  // player.
  EXPECT_EQ(manager.getSongName(), "");
  EXPECT_EQ(manager.dicToLyric(Value(Dictionary{{"lyric", Value(relayedText(bridgeDictionary(Value("x"), Value("T"))))},
                                                {"bundleId", Value("org.hoververse.desktop")}})),
            "");
}

TEST(LyricDesktopRule, TextsNamingTheDesktopPrefixAreMusicApps) {
  LyricManager manager;
  EXPECT_TRUE(manager.isMusicAppWithString("{ bundleIdentifier = \"org.hoververse.desktop.mpv\"; }"));
  EXPECT_FALSE(manager.isMusicAppWithString("org.hoververse.desktop"));
  EXPECT_FALSE(manager.isMusicAppWithString("org.hoververse.desktopmpv"));
}

}  // namespace
