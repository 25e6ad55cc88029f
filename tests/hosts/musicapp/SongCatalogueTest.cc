// The embedded songs are what the device plays: each must be playable (30 to
// 90 s, lines in order inside it), carry a decodable artwork, and do the job
// it is in the catalogue for.

#include "musicapp/SongCatalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "TestFonts.h"
#include "foundation/Text.h"
#include "musicapp/Artwork.h"
#include "quartz/Font.h"
#include "render/ImageCodec.h"
#include "text/TextLayout.h"

namespace {

using musicapp::EmbeddedSong;
using musicapp::Song;

const Song& pick(const std::vector<Song>& songs, EmbeddedSong which) {
  return songs.at(static_cast<std::size_t>(which));
}

bool anyLine(const Song& song, bool (*test)(const std::string&)) {
  return std::any_of(song.lyrics.lines.begin(), song.lyrics.lines.end(),
                     [&](const musicapp::LrcLine& line) { return test(line.text); });
}

TEST(SongCatalogueTest, EverySongIsPlayable) {
  const std::vector<Song> songs = musicapp::embeddedSongs();
  ASSERT_EQ(songs.size(), 4u);
  std::set<std::string> titles;
  for (const Song& song : songs) {
    SCOPED_TRACE(song.title);
    EXPECT_TRUE(titles.insert(song.title).second);
    EXPECT_FALSE(song.artist.empty());
    EXPECT_FALSE(song.album.empty());
    EXPECT_GE(song.duration, 30);
    EXPECT_LE(song.duration, 90);
    ASSERT_GE(song.lyrics.lines.size(), 5u);
    double previous = 0;
    for (const musicapp::LrcLine& line : song.lyrics.lines) {
      // Strictly later than the one before, and after the song's start, so
      // every line is its own moment.
      EXPECT_GT(line.time, previous) << line.text;
      EXPECT_LT(line.time, song.duration) << line.text;
      EXPECT_TRUE(foundation::isValidUtf8(line.text));
      previous = line.time;
    }
  }
}

TEST(SongCatalogueTest, EachSongCoversWhatItIsThereFor) {
  const std::vector<Song> songs = musicapp::embeddedSongs();
  const auto hasCjk = [](const std::string& t) {
    for (const char16_t u : foundation::toUtf16(t)) {
      if (u >= 0x4E00 && u <= 0x9FFF) return true;
    }
    return false;
  };
  const auto isPause = [](const std::string& t) { return t.empty(); };
  EXPECT_TRUE(anyLine(pick(songs, EmbeddedSong::chinese), hasCjk));
  EXPECT_TRUE(anyLine(pick(songs, EmbeddedSong::chinese), isPause));
  EXPECT_FALSE(anyLine(pick(songs, EmbeddedSong::english), hasCjk));
  EXPECT_DOUBLE_EQ(pick(songs, EmbeddedSong::english).lyrics.offset, 0.25);

  const Song& escapes = pick(songs, EmbeddedSong::escapes);
  EXPECT_TRUE(anyLine(escapes, [](const std::string& t) { return t.find('"') != std::string::npos; }));
  EXPECT_TRUE(anyLine(escapes, [](const std::string& t) { return t.find('\\') != std::string::npos; }));
  // Outside the Basic Multilingual Plane: a four-byte UTF-8 sequence.
  EXPECT_TRUE(anyLine(escapes, [](const std::string& t) {
    return std::any_of(t.begin(), t.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xF8) == 0xF0; });
  }));
  EXPECT_NE(escapes.title.find('"'), std::string::npos);
}

// The floating window is 0.8 × 375 points wide by default and its lines are
// set at a third less than its 40-point height; the long song's long lines
// overflow it several times over, so the marquee runs.
TEST(SongCatalogueTest, LongLinesOverflowTheFloatingWindow) {
  const std::vector<Song> songs = musicapp::embeddedSongs();
  const quartz::Font font = quartz::Font::fontWithName("PingFangSC-Regular", 40 / 1.5);
  const double window = 0.8 * 375;
  int overflowing = 0;
  for (const musicapp::LrcLine& line : pick(songs, EmbeddedSong::longLines).lyrics.lines) {
    const double width = text::sizeWithFont(line.text, font).width;
    if (width > 2 * window) ++overflowing;
  }
  EXPECT_EQ(overflowing, 2);
}

TEST(SongCatalogueTest, ArtworkIsAPngOfTheStyle) {
  const musicapp::ArtworkStyle style{48, {255, 0, 0}, {0, 0, 255}, {0, 255, 0}};
  const foundation::Data png = musicapp::drawArtwork(style);
  const auto image = render::decodeImage(png);
  ASSERT_NE(image, nullptr);
  ASSERT_EQ(image->width(), 48);
  ASSERT_EQ(image->height(), 48);
  EXPECT_EQ(image->pixelAt(0, 0), 0xFFFF0000u);    // top: red
  EXPECT_EQ(image->pixelAt(0, 47), 0xFF0000FFu);   // bottom: blue
  EXPECT_EQ(image->pixelAt(24, 24), 0xFF00FF00u);  // the disc: green
  EXPECT_EQ(musicapp::drawArtwork({0, {}, {}, {}}), foundation::Data());

  for (const Song& song : musicapp::embeddedSongs()) {
    const auto art = render::decodeImage(song.artwork);
    ASSERT_NE(art, nullptr) << song.title;
    EXPECT_EQ(art->width(), 64);
    EXPECT_LT(song.artwork.size(), 4096u) << song.title;  // small enough to travel as a message
  }
}

}  // namespace
