// The glyph-outline view: path geometry, stroke style and the drawing animation.

#include <gtest/gtest.h>

#include <string>

#include "FloatingTestEnvironment.h"
#include "floating/MMFontPathView.h"
#include "quartz/Animation.h"
#include "settings/SettingKeys.h"
#include "settings/SettingReaders.h"
#include "text/TextLayout.h"

namespace {

class FontPathTest : public FloatingTest {
 protected:
  static std::shared_ptr<MMFontPathView> draw(const std::string& line, ui::Rect frame = ui::Rect(10, 0, 200, 40)) {
    auto view = MMFontPathView::initWithFrame(frame);
    view->addLyric(line);
    return view;
  }
  static const quartz::BasicAnimation& strokeAnimation(MMFontPathView& view) {
    auto a = view.fontLayer()->animationForKey("strokeEnd");
    EXPECT_TRUE(a);
    return dynamic_cast<const quartz::BasicAnimation&>(*a);
  }
};

TEST_F(FontPathTest, NothingIsDrawnBeforeTheLine) {
  auto view = MMFontPathView::initWithFrame(ui::Rect(0, 0, 100, 40));
  ASSERT_EQ(view->subviews().size(), 1u);
  EXPECT_EQ(view->subviews()[0], view->lyricLayerView());
  EXPECT_TRUE(view->lyricLayerView()->layer()->sublayers().empty());
}

TEST_F(FontPathTest, OutlineIsEveryGlyphAtTwoThirdsOfTheHeightLiftedToTheBaseline) {
  auto view = draw("Hi 歌");
  const quartz::Path& path = view->fontLayer()->path();
  ASSERT_FALSE(path.elements().empty());
  EXPECT_EQ(path.elements()[0], (quartz::Path::Element{quartz::Path::Op::MoveTo, {{0, 0}, {}, {}}}));

  // The same glyphs as the typeset line at 26.67 points, moved down by 29.63.
  const auto line = text::typesetLine("Hi 歌", quartz::Font::fontWithName("PingFangSC-Regular", 40 / 1.5));
  quartz::Path expected;
  expected.moveTo({0, 0});
  expected.addPath(line->glyphPath(), quartz::AffineTransform::makeTranslation(0, -40 / 1.35));
  EXPECT_EQ(path, expected);
  // Latin and CJK come from different faces: the run fonts, not the named one.
  ASSERT_GE(line->lines()[0].runs.size(), 2u);
  EXPECT_NE(line->lines()[0].runs.front().font->familyName(), line->lines()[0].runs.back().font->familyName());
}

TEST_F(FontPathTest, BaselineLiesAtHeightOverOnePointThreeFive) {
  // "H" sits on the baseline: its lowest outline point is the baseline.
  const quartz::Path h = MMFontPathView::outlinePath("H", "PingFangSC-Regular", 40);
  EXPECT_NEAR(h.boundingBox().minY(), -29.6296, 1e-3);
  const quartz::Path h60 = MMFontPathView::outlinePath("H", "PingFangSC-Regular", 60);
  EXPECT_NEAR(h60.boundingBox().minY(), -44.4444, 1e-3);
  // Size scales with the height: 1.5 times the cap height at 1.5 times H.
  EXPECT_NEAR(h60.boundingBox().height(), 1.5 * h.boundingBox().height(), 0.01);  // outlines are in 1/64 points
}

TEST_F(FontPathTest, LayerStyleAndPlacement) {
  set(SettingKey::colorComponent(SettingKey::hoverVerseColor, SettingKey::ColorSuffixR), "1");
  set(SettingKey::colorComponent(SettingKey::hoverVerseColor, SettingKey::ColorSuffixG), "0.5");
  set(SettingKey::colorComponent(SettingKey::hoverVerseColor, SettingKey::ColorSuffixA), "1");
  auto view = draw("Hi");
  quartz::ShapeLayer& shape = *view->fontLayer();
  EXPECT_EQ(shape.superlayer(), view->lyricLayerView()->layer().get());
  EXPECT_TRUE(shape.isGeometryFlipped());
  EXPECT_EQ(shape.bounds().size, ui::Size(0, 0));
  EXPECT_EQ(shape.frame().origin, ui::Point(0, 0));
  EXPECT_EQ(shape.strokeColor(), quartz::Color::rgba(1, 0.5, 0, 1));
  EXPECT_EQ(view->lyricColor(), quartz::Color::rgba(1, 0.5, 0, 1));
  EXPECT_TRUE(shape.fillColor().isClear());
  EXPECT_EQ(shape.lineJoin(), quartz::LineJoin::Round);
  EXPECT_FALSE(shape.masksToBounds());
  EXPECT_EQ(view->lyricLayerView()->frame(), ui::Rect(0, 0, 200, 40));
  EXPECT_EQ(fileSettingText(SettingKey::ROWC_FONTS), "PingFangSC-Regular");
}

TEST_F(FontPathTest, EmptyLineIsOnlyTheInitialMove) {
  auto view = draw("");
  EXPECT_EQ(view->fontLayer()->path().elements().size(), 1u);
  auto spaces = draw("   ");
  EXPECT_EQ(spaces->fontLayer()->path().elements().size(), 1u);
}

TEST_F(FontPathTest, LineWidthRule) {
  struct Case {
    const char* stored;
    double width;
  };
  for (const Case& c : {Case{nullptr, 1}, Case{"0", 1}, Case{"-2", 1}, Case{"2.5", 2.5}, Case{"0.500000", 0.5}}) {
    if (c.stored) set(SettingKey::fontPathLineWidth, c.stored);
    else defaults().removeObjectForKey(SettingKey::fontPathLineWidth);
    EXPECT_EQ(draw("a")->fontLayer()->lineWidth(), c.width) << (c.stored ? c.stored : "(absent)");
  }
}

TEST_F(FontPathTest, StrokeAnimationAndDurationRule) {
  struct Case {
    const char* stored;
    double seconds;
  };
  for (const Case& c : {Case{nullptr, 1}, Case{"0.05", 1}, Case{"0.1", 0.1}, Case{"3", 3}, Case{"1.500000", 1.5}}) {
    if (c.stored) set(SettingKey::fontPathDuration, c.stored);
    else defaults().removeObjectForKey(SettingKey::fontPathDuration);
    auto view = draw("a");
    const quartz::BasicAnimation& a = strokeAnimation(*view);
    EXPECT_NEAR(a.duration(), c.seconds, 1e-6) << (c.stored ? c.stored : "(absent)");
    EXPECT_EQ(a.keyPath(), "strokeEnd");
    EXPECT_EQ(a.fromValue(), quartz::AnimationValue(0.0));
    EXPECT_EQ(a.toValue(), quartz::AnimationValue(1.0));
    EXPECT_FALSE(a.timingFunction().has_value());
    EXPECT_EQ(a.repeatCount(), 0);
    EXPECT_FALSE(a.autoreverses());
    EXPECT_TRUE(a.isRemovedOnCompletion());
  }
}

TEST_F(FontPathTest, DrawingRunsOnceThenLeavesTheFullOutline) {
  set(SettingKey::fontPathDuration, "2");
  auto view = draw("a");
  advance(0.01);  // committed
  const double t0 = now();
  EXPECT_NEAR(view->fontLayer()->presentationAt(t0 + 1).strokeEnd, 0.5, 0.01);
  advance(2.5);
  EXPECT_TRUE(view->fontLayer()->animationKeys().empty());
  EXPECT_EQ(view->fontLayer()->presentationAt(now()).strokeEnd, 1);
  // Drawing again replaces the animation under the same key.
  view->drawFontLayer();
  view->drawFontLayer();
  EXPECT_EQ(view->fontLayer()->animationKeys(), std::vector<std::string>{"strokeEnd"});
  EXPECT_EQ(view->lyricLayerView()->layer()->sublayers().size(), 1u);
}

}  // namespace
