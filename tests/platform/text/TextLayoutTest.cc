#include "text/TextLayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "TestFonts.h"
#include "text/FontDatabase.h"
#include "text/TextCaches.h"

namespace {

using quartz::Font;
using text::LineBreakMode;
using text::TextLayout;

const Font kSans = Font::fontWithName("DejaVuSans", 20);

TEST(FontDatabaseTest, SeesOnlyThePinnedFonts) {
  auto families = text::FontDatabase::shared().familyNames();
  EXPECT_NE(std::find(families.begin(), families.end(), "DejaVu Sans"), families.end());
  EXPECT_NE(std::find(families.begin(), families.end(), "WenQuanYi Micro Hei"), families.end());
  for (const std::string& f : families)
    EXPECT_TRUE(f.rfind("DejaVu", 0) == 0 || f.rfind("WenQuanYi", 0) == 0) << f;
}

TEST(FontDatabaseTest, FontNamesPerFamilyAreItsPostScriptNames) {
  auto names = text::FontDatabase::shared().fontNamesForFamilyName("DejaVu Sans");
  EXPECT_NE(std::find(names.begin(), names.end(), "DejaVuSans"), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), "DejaVuSans-Bold"), names.end());
  EXPECT_TRUE(text::FontDatabase::shared().fontNamesForFamilyName("No Such Family").empty());
}

// Families and their fonts come in the order fontconfig lists the faces, as
// its own `fc-list` prints them for the same configuration and the same
// properties asked for (fontconfig's list order follows them).
TEST(FontDatabaseTest, FamiliesAndNamesKeepFontconfigsOrder) {
  const char* command =
      "fc-list -f '%{family[0]}\t%{postscriptname}\n' : family postscriptname file index weight slant width";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command, "r"), ::pclose);
  ASSERT_TRUE(pipe);
  std::vector<std::string> families;
  std::vector<std::pair<std::string, std::string>> faces;
  char line[512];
  while (std::fgets(line, sizeof line, pipe.get()) != nullptr) {
    std::string text(line);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    const std::size_t tab = text.find('\t');
    if (tab == std::string::npos || tab == 0 || tab + 1 == text.size()) continue;
    faces.emplace_back(text.substr(0, tab), text.substr(tab + 1));
    if (std::find(families.begin(), families.end(), faces.back().first) == families.end())
      families.push_back(faces.back().first);
  }
  auto& db = text::FontDatabase::shared();
  ASSERT_GT(families.size(), 1u);
  EXPECT_EQ(db.familyNames(), families);
  for (const std::string& family : families) {
    std::vector<std::string> names;
    for (const auto& [f, name] : faces)
      if (f == family && std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    EXPECT_EQ(db.fontNamesForFamilyName(family), names) << family;
  }
}

TEST(FontDatabaseTest, ResolvesPostScriptFamilyAndSystemNames) {
  auto& db = text::FontDatabase::shared();
  EXPECT_EQ(db.resolve(Font::fontWithName("DejaVuSans-Bold", 12)).postScriptName, "DejaVuSans-Bold");
  EXPECT_EQ(db.resolve(Font::fontWithName("DejaVu Serif", 12)).postScriptName, "DejaVuSerif");
  EXPECT_EQ(db.resolve(Font::systemFont(12)).postScriptName, "DejaVuSans");
  EXPECT_EQ(db.resolve(Font::boldSystemFont(12)).postScriptName, "DejaVuSans-Bold");
}

TEST(FontDatabaseTest, UninstalledNameFallsBackToAFaceCoveringTheText) {
  auto& db = text::FontDatabase::shared();
  Font pingFang = Font::fontWithName("PingFangSC-Regular", 20);
  EXPECT_FALSE(db.isInstalled("PingFangSC-Regular"));
  EXPECT_EQ(db.resolve(pingFang).postScriptName, "DejaVuSans");
  EXPECT_EQ(db.faceForText(pingFang, "Hello").postScriptName, "DejaVuSans");
  EXPECT_EQ(db.faceForText(pingFang, "你好世界").postScriptName, "WenQuanYiMicroHei");
}

TEST(MeasureTest, WiderTextIsWiderAndSizesScaleWithThePointSize) {
  quartz::Size one = text::sizeWithFont("Hello", kSans);
  quartz::Size two = text::sizeWithFont("Hello, world", kSans);
  EXPECT_GT(one.width, 30);
  EXPECT_GT(two.width, one.width);
  EXPECT_EQ(one.height, two.height);
  // Unhinted metrics at 72 dpi: double the size, double the width (to rounding).
  quartz::Size big = text::sizeWithFont("Hello, world", Font::fontWithName("DejaVuSans", 40));
  EXPECT_NEAR(big.width, 2 * two.width, 2);
  // Whole points, as the platform reports.
  EXPECT_EQ(one.width, std::ceil(one.width));
  EXPECT_EQ(text::sizeWithFont("", kSans).width, 0);
}

TEST(MeasureTest, CjkIsMeasuredWithTheFallbackFace) {
  Font pingFang = Font::fontWithName("PingFangSC-Regular", 20);
  quartz::Size s = text::sizeWithFont("你好世界", pingFang);
  // WenQuanYi Micro Hei ideographs are one em wide.
  EXPECT_NEAR(s.width, 80, 1);
}

TEST(MeasureTest, ConstrainedWrapsWordsAndKeepsLinesThatFit) {
  std::string words = "one two three four five six seven eight nine ten";
  quartz::Size single = text::sizeWithFont(words, kSans);
  quartz::Size wrapped =
      text::sizeWithFont(words, kSans, {120, quartz::kFloatMax}, LineBreakMode::WordWrap);
  EXPECT_LE(wrapped.width, 120);
  EXPECT_GE(wrapped.height, 3 * single.height - 3);
  // A height for two lines keeps two.
  quartz::Size two = text::sizeWithFont(words, kSans, {120, single.height * 2 + 1}, LineBreakMode::WordWrap);
  EXPECT_NEAR(two.height, 2 * single.height, 2);
  // Truncating modes keep one line no wider than the constraint.
  quartz::Size cut = text::sizeWithFont(words, kSans, {120, quartz::kFloatMax}, LineBreakMode::TruncateTail);
  EXPECT_LE(cut.width, 120);
  EXPECT_EQ(cut.height, single.height);
}

TEST(MeasureTest, CharWrapBreaksInsideWordsAndWordWrapAtSpaces) {
  auto words = TextLayout::create("aaaa bbbb", kSans,
                                  {.width = 80, .numberOfLines = 0, .lineBreakMode = LineBreakMode::WordWrap});
  auto chars = TextLayout::create("aaaa bbbb", kSans,
                                  {.width = 80, .numberOfLines = 0, .lineBreakMode = LineBreakMode::CharWrap});
  ASSERT_EQ(words->lines().size(), 2u);
  EXPECT_EQ(words->lines()[1].runs.front().textStart, 5u);  // "bbbb" starts the second line
  ASSERT_GE(chars->lines().size(), 2u);
  EXPECT_GT(chars->lines()[0].runs.front().glyphs.size(), 5u);  // fills the line past the space
}

TEST(LayoutTest, TypesetLineHasRunsPerFaceWithAdvancingPositions) {
  auto line = text::typesetLine("ab你好", Font::fontWithName("PingFangSC-Regular", 20));
  ASSERT_EQ(line->lines().size(), 1u);
  const auto& runs = line->lines()[0].runs;
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].font->postScriptName(), "DejaVuSans");
  EXPECT_EQ(runs[1].font->postScriptName(), "WenQuanYiMicroHei");
  EXPECT_EQ(runs[0].glyphs.size(), 2u);
  EXPECT_EQ(runs[1].glyphs.size(), 2u);
  EXPECT_DOUBLE_EQ(runs[0].positions[0].x, 0);
  // Each glyph starts where the previous one's advance ends.
  EXPECT_NEAR(runs[0].positions[1].x, runs[0].font->advanceForGlyph(runs[0].glyphs[0]), 1e-3);
  EXPECT_NEAR(runs[1].positions[0].x, runs[0].width, 1e-3);
  EXPECT_NEAR(runs[1].positions[1].x - runs[1].positions[0].x, 20, 1e-3);
  EXPECT_NEAR(line->size().width, runs[0].width + runs[1].width, 1e-3);
  EXPECT_EQ(runs[1].textStart, 2u);
  EXPECT_EQ(runs[1].textLength, 6u);
}

TEST(LayoutTest, GlyphOutlinesAreYUpAndSpaceHasNone) {
  auto line = text::typesetLine("H ", kSans);
  const auto& run = line->lines()[0].runs[0];
  ASSERT_EQ(run.glyphs.size(), 2u);
  const quartz::Path& h = run.font->pathForGlyph(run.glyphs[0]);
  ASSERT_FALSE(h.isEmpty());
  quartz::Rect box = h.boundingBox();
  // "H" sits on the baseline and rises to the cap height (about 0.73 em).
  EXPECT_NEAR(box.minY(), 0, 0.01);
  EXPECT_NEAR(box.maxY(), 0.729 * 20, 0.2);
  EXPECT_GT(box.minX(), 0);
  EXPECT_LT(box.maxX(), run.font->advanceForGlyph(run.glyphs[0]));
  EXPECT_TRUE(run.font->pathForGlyph(run.glyphs[1]).isEmpty());
  // Every size draws the same outline, scaled.
  const auto& twice = text::typesetLine("H ", Font::fontWithName("DejaVuSans", 40))->lines()[0].runs[0];
  ASSERT_EQ(twice.glyphs[0], run.glyphs[0]);
  EXPECT_EQ(twice.font->pathForGlyph(twice.glyphs[0]), h.transformed(quartz::AffineTransform::makeScale(2, 2)));
}

TEST(LayoutTest, GlyphPathOfALineSpansItsWidth) {
  auto line = text::typesetLine("Hello 你好", Font::fontWithName("PingFangSC-Regular", 30));
  quartz::Path path = line->glyphPath();
  ASSERT_FALSE(path.isEmpty());
  quartz::Rect box = path.boundingBox();
  EXPECT_LT(box.minX(), 5);
  EXPECT_GT(box.maxX(), line->size().width - 5);
  EXPECT_LE(box.maxX(), line->size().width + 0.5);
  EXPECT_LT(box.minY(), 0);  // ideographs descend below the baseline
}

TEST(LayoutTest, TruncationInTheMiddleKeepsBothEnds) {
  auto layout = TextLayout::create("BEGIN-aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa-END", kSans,
                                   {.width = 200, .lineBreakMode = LineBreakMode::TruncateMiddle});
  ASSERT_EQ(layout->lines().size(), 1u);
  EXPECT_TRUE(layout->isTruncated());
  EXPECT_LE(layout->size().width, 200);
  const auto& runs = layout->lines()[0].runs;
  EXPECT_EQ(runs.front().textStart, 0u);
  EXPECT_EQ(runs.back().textStart + runs.back().textLength, layout->text().size());
}

TEST(LayoutTest, AlignmentPlacesLinesInTheBox) {
  auto left = TextLayout::create("Hi", kSans, {.width = 200, .alignment = text::TextAlignment::Left});
  auto centre = TextLayout::create("Hi", kSans, {.width = 200, .alignment = text::TextAlignment::Center});
  auto right = TextLayout::create("Hi", kSans, {.width = 200, .alignment = text::TextAlignment::Right});
  double w = left->lines()[0].width;
  EXPECT_DOUBLE_EQ(left->lines()[0].origin.x, 0);
  EXPECT_NEAR(centre->lines()[0].origin.x, (200 - w) / 2, 1e-6);
  EXPECT_NEAR(right->lines()[0].origin.x, 200 - w, 1e-6);
  EXPECT_NEAR(left->lines()[0].origin.y, left->lines()[0].ascent, 1e-6);
}

TEST(LayoutTest, ShrinkToFitScalesTheFontDownToTheMinimum) {
  std::string line = "A rather long lyric line that does not fit";
  double natural = text::typesetLine(line, kSans)->size().width;
  auto fit = TextLayout::create(line, kSans, {.width = natural / 2, .minimumScaleFactor = 0.25});
  EXPECT_NEAR(fit->fontScale(), 0.5, 0.01);
  EXPECT_LE(fit->size().width, natural / 2);
  EXPECT_FALSE(fit->isTruncated());
  auto floor = TextLayout::create(line, kSans, {.width = natural / 4, .minimumScaleFactor = 0.5});
  EXPECT_DOUBLE_EQ(floor->fontScale(), 0.5);
  EXPECT_TRUE(floor->isTruncated());  // still too wide at the smallest size: truncated
}

TEST(LayoutTest, StyledRunsUseTheirOwnFonts) {
  quartz::AttributedString s("small ");
  quartz::TextAttributes big;
  big.font = Font::fontWithName("DejaVuSans", 40);
  s.append("BIG", big);
  auto layout = TextLayout::create(s, Font::fontWithName("DejaVuSans", 10));
  const auto& runs = layout->lines()[0].runs;
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_DOUBLE_EQ(runs[0].font->pointSize(), 10);
  EXPECT_DOUBLE_EQ(runs[1].font->pointSize(), 40);
}

TEST(LayoutTest, IdenticalRequestsShareOneLayout) {
  auto a = TextLayout::create("cached", kSans);
  auto b = TextLayout::create("cached", kSans);
  EXPECT_EQ(a.get(), b.get());
  // Colour does not change layout, so it shares too.
  quartz::TextAttributes red;
  red.foregroundColor = quartz::Color::rgba(1, 0, 0, 1);
  auto c = TextLayout::create(quartz::AttributedString("cached", red), kSans);
  EXPECT_EQ(a.get(), c.get());
}

// A line height that keeps changing (a slider, rotations) lays lines out at
// ever new sizes; what the text caches keep stays within their limits, and
// lines laid out long ago still draw (their faces live as long as they do).
TEST(TextCacheTest, ManySizesStayWithinTheLimits) {
  using Limits = text::TextCacheLimits;
  const auto first = text::typesetLine("Hold on 风吹", Font::fontWithName("PingFangSC-Regular", 10));
  const quartz::Path firstPath = first->glyphPath();
  // Enough sizes to overflow every limit (two layouts per size).
  const int sizes = static_cast<int>(std::max(Limits::fontSizes, Limits::layouts / 2)) + 40;
  for (int i = 1; i <= sizes; ++i) {
    const Font font = Font::fontWithName("PingFangSC-Regular", 10 + i * 0.05);
    EXPECT_FALSE(text::typesetLine("Hold on 风吹", font)->glyphPath().isEmpty());
    text::sizeWithFont("Hold on 风吹", font, {120, 0}, LineBreakMode::WordWrap);
  }
  const text::TextCacheUsage usage = text::textCacheUsage();
  EXPECT_LE(usage.layouts, Limits::layouts);
  EXPECT_LE(usage.fontSizes, Limits::fontSizes);
  EXPECT_LE(usage.faces, Limits::faces);
  EXPECT_LE(usage.outlineBytes, Limits::outlineBytes);
  EXPECT_GT(usage.outlines, 0u);
  EXPECT_EQ(first->glyphPath(), firstPath);
}

// Least recently used goes first: a layout asked for again and again stays
// the same object while others come and go; one left alone is made anew.
TEST(TextCacheTest, LayoutsInUseOutliveLayoutsLeftAlone) {
  const auto used = TextLayout::create("used", kSans);
  const auto left = TextLayout::create("left alone", kSans);
  for (std::size_t i = 0; i < text::TextCacheLimits::layouts; ++i) {
    TextLayout::create("filler " + std::to_string(i), kSans);
    EXPECT_EQ(TextLayout::create("used", kSans).get(), used.get()) << i;
  }
  EXPECT_NE(TextLayout::create("left alone", kSans).get(), left.get());
}

}  // namespace
