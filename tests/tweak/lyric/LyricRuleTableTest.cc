// Every piece-scan rule of both tables at its boundary: a piece exactly as
// long as the rule's minimum is cut at the rule's index and length and, being
// later, replaces an earlier match; a piece one unit shorter is skipped, so
// the earlier match stays. A wrong minimum, index or length fails here.

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "lyric/LyricManager.h"
#include "media/AudioSession.h"

namespace {

using foundation::Dictionary;
using foundation::Value;

enum class Query { Lyric, Song };

struct Rule {
  Query query;
  std::string_view bundle;
  bool wireless;
  char separator;
  std::string_view marker;
  std::size_t minLength;
  std::size_t start;
  std::size_t trim;  // the cut is the piece's length minus this
  // NetEase and QQ Music values are quoted in the text form; the piece is
  // built as "\n    " + marker + a quoted value.
  bool quoted;
  std::string_view fallback;  // dicToLyric's text when nothing is found
};

constexpr std::string_view kKuwo = "com.yeelion.kwplayer";
constexpr std::string_view kNetEase = "com.netease.cloudmusic";
constexpr std::string_view kQQ = "com.tencent.QQMusic";
constexpr std::string_view kMigu = "com.migu.migumobilemusic";

const Rule kRules[] = {
    {Query::Lyric, kKuwo, true, ';', "title = ", 11, 10, 10, false, "酷我音乐"},
    {Query::Lyric, kKuwo, false, ';', "artist = ", 13, 12, 12, false, "酷我音乐"},
    {Query::Lyric, kNetEase, true, ';', "title = ", 16, 14, 15, true, "网易云音乐"},
    {Query::Lyric, kNetEase, false, ';', "albumTitle = ", 21, 19, 20, true, "网易云音乐"},
    {Query::Lyric, kQQ, true, ';', "title = ", 16, 14, 15, true, "QQ音乐"},
    {Query::Lyric, kQQ, false, ';', "artist = ", 17, 15, 16, true, "QQ音乐"},
    {Query::Lyric, kMigu, true, ',', "artist", 16, 15, 16, false, "咪咕音乐"},
    {Query::Lyric, kMigu, false, ',', "artist", 16, 15, 16, false, "咪咕音乐"},
    {Query::Song, kKuwo, true, ';', "title = ", 11, 10, 10, false, ""},
    {Query::Song, kKuwo, false, ';', "title = ", 11, 10, 10, false, ""},
    {Query::Song, kNetEase, true, ';', "albumTitle = ", 21, 19, 20, true, ""},
    {Query::Song, kNetEase, false, ';', "title = ", 16, 14, 15, true, ""},
    {Query::Song, kQQ, true, ';', "artist = ", 17, 15, 16, true, ""},
    {Query::Song, kQQ, false, ';', "title = ", 16, 14, 15, true, ""},
    {Query::Song, kMigu, true, ',', "title", 15, 12, 13, false, ""},
    {Query::Song, kMigu, false, ',', "title", 15, 12, 13, false, ""},
};

// A piece of exactly `length` units that holds the marker (ASCII only, so
// units are bytes).
std::string pieceOfLength(const Rule& rule, std::size_t length) {
  constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  std::string piece = rule.quoted ? "\n    " + std::string(rule.marker) + "\""
                                  : std::string(rule.marker);
  const std::size_t closing = rule.quoted ? 1 : 0;
  if (piece.size() + closing > length) return {};
  piece += kLetters.substr(0, length - piece.size() - closing);
  if (rule.quoted) piece += "\"";
  return piece;
}

std::string cut(const Rule& rule, const std::string& piece) {
  return piece.substr(rule.start, piece.size() - rule.trim);
}

std::string describeRule(const Rule& rule) {
  return std::string(rule.query == Query::Lyric ? "dicToLyric " : "getSongName ") + std::string(rule.bundle) +
         (rule.wireless ? " wireless " : " wired ") + "\"" + std::string(rule.marker) + "\"";
}

class LyricRuleTableTest : public ::testing::Test {
 protected:
  void TearDown() override { media::AudioSession::sharedInstance().setCurrentOutput(""); }

  std::optional<std::string> run(const Rule& rule, const std::string& text) {
    media::AudioSession::sharedInstance().setCurrentOutput(rule.wireless ? "AirPlay" : "Speaker");
    std::optional<std::string> line =
        manager.dicToLyric(Value(Dictionary{{"lyric", text}, {"bundleId", rule.bundle}}));
    return rule.query == Query::Lyric ? line : manager.getSongName();
  }

  LyricManager manager;
};

TEST_F(LyricRuleTableTest, PieceAtTheMinimumLengthCountsAndOneShorterDoesNot) {
  for (const Rule& rule : kRules) {
    SCOPED_TRACE(describeRule(rule));
    const std::string earlier = pieceOfLength(rule, rule.minLength + 8);
    const std::string atMinimum = pieceOfLength(rule, rule.minLength);
    const std::string shorter = pieceOfLength(rule, rule.minLength - 1);
    ASSERT_FALSE(earlier.empty());
    ASSERT_FALSE(atMinimum.empty());
    const std::string separator(1, rule.separator);

    const std::string fromEarlier = cut(rule, earlier);
    ASSERT_FALSE(fromEarlier.empty());
    EXPECT_EQ(run(rule, earlier), fromEarlier);

    // The later piece replaces the earlier one, even when its cut is empty
    // (Migu's minimum leaves nothing), and then the fallback shows.
    const std::string fromMinimum = cut(rule, atMinimum);
    EXPECT_EQ(run(rule, earlier + separator + atMinimum),
              fromMinimum.empty() ? std::string(rule.fallback) : fromMinimum);

    if (!shorter.empty()) {
      EXPECT_EQ(run(rule, earlier + separator + shorter), fromEarlier);
      EXPECT_EQ(run(rule, shorter), std::string(rule.fallback));
    }
  }
}

TEST_F(LyricRuleTableTest, WithoutTheMarkerEachAppShowsItsOwnNameAndNoSongName) {
  for (const Rule& rule : kRules) {
    SCOPED_TRACE(describeRule(rule));
    EXPECT_EQ(run(rule, "{\n    playbackRate = 1;\n}"), std::string(rule.fallback));
  }
  media::AudioSession::sharedInstance().setCurrentOutput("");
  EXPECT_EQ(manager.dicToLyric(Value(Dictionary{{"lyric", "{}"}, {"bundleId", "com.kugou.ultimate"}})),
            "酷狗音乐");
}

}  // namespace
