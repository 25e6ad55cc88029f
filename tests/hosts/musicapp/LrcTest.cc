// The LRC reader on a table of files: stamp forms, several stamps on a line,
// the offset tag wherever it stands, metadata, pauses and damaged input.

#include "musicapp/Lrc.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using musicapp::Lrc;
using musicapp::LrcLine;

struct ParseCase {
  const char* name;
  std::string input;
  std::vector<LrcLine> lines;
  std::string title = {};
  std::string artist = {};
  std::string album = {};
  double offset = 0;
};

const ParseCase kCases[] = {
    {"stamps and text", "[00:01.00]one\n[00:02.50]two\n[01:03.25]three",
     {{1, "one"}, {2.5, "two"}, {63.25, "three"}}},
    {"stamp forms", "[1:02]a\n[00:01.5]b\n[00:01.125]c\n[00:03:50]d\n[100:00.00]e",
     {{1.125, "c"}, {1.5, "b"}, {3.5, "d"}, {62, "a"}, {6000, "e"}}},
    {"several stamps on a line, sorted", "[00:05.00][00:01.00]chorus\n[00:03.00]verse",
     {{1, "chorus"}, {3, "verse"}, {5, "chorus"}}},
    {"same time keeps file order", "[00:01.00]first\n[00:01.00]second", {{1, "first"}, {1, "second"}}},
    {"offset after the lines still applies, clamped at 0",
     "[00:01.00]a\n[00:00.20]b\n[offset:+500]", {{0, "b"}, {0.5, "a"}}, "", "", "", 0.5},
    {"negative offset shows lines later", "[offset:-1000]\n[00:01.00]a", {{2, "a"}}, "", "", "", -1},
    {"unreadable or absurd offsets are ignored", "[offset:abc]\n[offset:99999999999]\n[00:01.00]a", {{1, "a"}}},
    {"metadata, value with a bracket, unknown tags",
     "[ti: Title ]\n[ar:Artist]\n[AL:Album [Deluxe]]\n[by:someone]\n[length:03:00]", {}, "Title", "Artist",
     "Album [Deluxe]"},
    {"stamp without text is a pause; blank lines are not",
     "[00:01.00]a\n[00:02.00]\n\n\n[00:03.00]   \n[00:04.00]b", {{1, "a"}, {2, ""}, {3, ""}, {4, "b"}}},
    {"damaged lines are skipped",
     "[xx:yy]letters\n[00:61.00]seconds past 59\n[00:01.00 no close\nplain text\n[]\n[:]\n"
     "[00:-1.00]negative\n[00:01.]no fraction\n[00:01.1234]four digits\n[00000:01.00]five digits\n"
     "[00:02.00]ok",
     {{2, "ok"}}},
    {"BOM, CRLF and surrounding spaces", "\xEF\xBB\xBF[ti:T]\r\n  [00:01.00]  a b  \r\n", {{1, "a b"}}, "T"},
    {"a non-stamp tag after the stamps is text", "[00:01.00][chorus] la", {{1, "[chorus] la"}}},
    {"empty input", "", {}},
};

TEST(LrcTest, ParsesTheTable) {
  for (const ParseCase& c : kCases) {
    SCOPED_TRACE(c.name);
    const Lrc lrc = Lrc::parse(c.input);
    EXPECT_EQ(lrc.lines, c.lines);
    EXPECT_EQ(lrc.title, c.title);
    EXPECT_EQ(lrc.artist, c.artist);
    EXPECT_EQ(lrc.album, c.album);
    EXPECT_DOUBLE_EQ(lrc.offset, c.offset);
  }
}

TEST(LrcTest, LineAtATimeAndTheNextLineTime) {
  const Lrc lrc = Lrc::parse("[00:01.00]a\n[00:03.00]b\n[00:03.00]c\n[00:05.00]");
  struct {
    double time;
    std::optional<std::size_t> index;
    std::optional<double> next;
  } const cases[] = {
      {0, std::nullopt, 1}, {0.999, std::nullopt, 1}, {1, 0, 3},        {2.9, 0, 3},
      {3, 2, 5},           {4.5, 2, 5},             {5, 3, std::nullopt}, {99, 3, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.time);
    EXPECT_EQ(lrc.lineIndexAt(c.time), c.index);
    EXPECT_EQ(lrc.nextLineTimeAfter(c.time), c.next);
  }
  EXPECT_EQ(Lrc{}.lineIndexAt(10), std::nullopt);
  EXPECT_EQ(Lrc{}.nextLineTimeAfter(0), std::nullopt);
}

// Every prefix of a file (a download cut short) parses into sorted lines
// that are a prefix-consistent subset of the whole.
TEST(LrcTest, TruncatedFilesGiveSortedLines) {
  const std::string file =
      "[ti:歌]\n[offset:100]\n[00:03.00][00:01.00]副歌 \"quoted\"\n[00:02.00]\n[00:04.50]end\\";
  for (std::size_t n = 0; n <= file.size(); ++n) {
    const Lrc lrc = Lrc::parse(std::string_view(file).substr(0, n));
    for (std::size_t i = 0; i < lrc.lines.size(); ++i) {
      EXPECT_GE(lrc.lines[i].time, 0) << n;
      if (i > 0) {
        EXPECT_LE(lrc.lines[i - 1].time, lrc.lines[i].time) << n;
      }
    }
  }
  const Lrc whole = Lrc::parse(file);
  EXPECT_EQ(whole.title, "歌");
  EXPECT_EQ(whole.lines, (std::vector<LrcLine>{{0.9, "副歌 \"quoted\""}, {1.9, ""}, {2.9, "副歌 \"quoted\""},
                                               {4.4, "end\\"}}));
}

}  // namespace
