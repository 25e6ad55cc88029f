#include "alwayson/NarvSmashView.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <set>
#include <vector>

#include "AlwaysOnTestEnv.h"
#include "foundation/Random.h"
#include "ui/ImageView.h"
#include "ui/Window.h"

namespace {

std::vector<ui::ImageView*> tiles(const ui::View& view) {
  std::vector<ui::ImageView*> out;
  for (const auto& v : view.subviews())
    if (auto* tile = dynamic_cast<ui::ImageView*>(v.get())) out.push_back(tile);
  return out;
}

// Premultiplied ARGB channels.
int channel(std::uint32_t pixel, int shift) { return static_cast<int>((pixel >> shift) & 0xff); }

class NarvSmashViewTest : public AlwaysOnTest {
 protected:
  void SetUp() override {
    AlwaysOnTest::SetUp();
    window = std::make_shared<ui::Window>(ui::Rect(0, 0, 375, 812));
    view = NarvSmashView::initWithFrame({30, 200, 315, 412});
    window->addSubview(view);
    window->setHidden(false);
    set("USERKEY_13_aodLyricColor_R", "1");
    set("USERKEY_13_aodLyricColor_G", "1");
    set("USERKEY_13_aodLyricColor_B", "1");
    set("USERKEY_13_aodLyricColor_A", "1");
    set("USERKEY_13_smashDuration", "1.000000");
    set("USERKEY_13_alwaysOnFontSize", "30");
  }
  std::shared_ptr<ui::Window> window;
  std::shared_ptr<NarvSmashView> view;
};

TEST_F(NarvSmashViewTest, CreationState) {
  auto fresh = NarvSmashView::initWithFrame({0, 0, 100, 50});
  EXPECT_DOUBLE_EQ(fresh->animationDuration(), 1.0);
  const ui::Label& label = *fresh->lyricLabel();
  EXPECT_EQ(label.frame(), ui::Rect(0, 0, 100, 50));
  EXPECT_EQ(label.text(), "");
  EXPECT_EQ(label.numberOfLines(), 0);
  EXPECT_EQ(label.font(), ui::Font::systemFont(40));
  EXPECT_EQ(label.textColor().cgColor(), quartz::Color::white());
  EXPECT_TRUE(tiles(*fresh).empty());

  // Without a frame there is nothing to snapshot, yet the grid is made.
  auto empty = NarvSmashView::init();
  empty->preSmashWithText("x");
  EXPECT_EQ(tiles(*empty).size(), 100u);
  advance(1.5);
  EXPECT_EQ(empty->lyricLabel()->text(), "x");
}

TEST_F(NarvSmashViewTest, HundredTilesShareOneSnapshotEachShowingItsCell) {
  view->preSmashWithText("第一行");
  const auto cut = tiles(*view);
  ASSERT_EQ(cut.size(), 100u);
  const double w = 315, h = 412;
  const auto image = cut[0]->image();
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->width(), 315);
  EXPECT_EQ(image->height(), 412);
  for (int i = 0; i < 100; ++i) {
    const int c = i % 10, r = i / 10;
    const ui::ImageView& tile = *cut[static_cast<std::size_t>(i)];
    SCOPED_TRACE(i);
    EXPECT_EQ(tile.image(), image) << "one image shared, never copied";
    const ui::Rect rect = tile.layer()->contentsRect();
    EXPECT_NEAR(rect.x(), 0.1 * c, 1e-12);
    EXPECT_NEAR(rect.y(), 0.1 * r, 1e-12);
    EXPECT_NEAR(rect.width(), 0.1, 1e-12);
    EXPECT_NEAR(rect.height(), 0.1, 1e-12);
    // The model already holds the smash transform, so the cell is checked
    // through the untransformed geometry: centre and size.
    EXPECT_NEAR(tile.center().x, 0.1 * w * c + 0.05 * w, 1e-9);
    EXPECT_NEAR(tile.center().y, 0.1 * h * r + 0.05 * h, 1e-9);
    EXPECT_NEAR(tile.bounds().width(), 0.1 * w, 1e-9);
    EXPECT_NEAR(tile.bounds().height(), 0.1 * h, 1e-9);
  }
  // Tiles lie above the label.
  EXPECT_EQ(view->subviews().front(), view->lyricLabel());
}

TEST_F(NarvSmashViewTest, ExactlyHundredTilesAfterQuickLines) {
  view->preSmashWithText("one");
  EXPECT_EQ(tiles(*view).size(), 100u);
  advance(0.1);
  view->preSmashWithText("two");
  EXPECT_EQ(tiles(*view).size(), 100u);
  view->preSmashWithText("three");
  EXPECT_EQ(tiles(*view).size(), 100u);
}

TEST_F(NarvSmashViewTest, CompletionOfAnOlderShatterClearsNewerTiles) {
  int finished = 0;
  view->setSmashFinishedBlock([&] { ++finished; });
  view->preSmashWithText("one");
  advance(0.5);
  view->preSmashWithText("two");
  ASSERT_EQ(tiles(*view).size(), 100u);
  // The second shatter would run until 1.5 s; the first one's end at 1.0 s
  // removes every tile on the view, the second line's too.
  advance(0.6);
  EXPECT_TRUE(tiles(*view).empty());
  EXPECT_GE(finished, 1);
  advance(1.0);
  EXPECT_TRUE(tiles(*view).empty());
  EXPECT_EQ(view->lyricLabel()->text(), "two");
}

TEST_F(NarvSmashViewTest, TilesLeaveWhenTheShatterEnds) {
  int finished = 0;
  view->setSmashFinishedBlock([&] { ++finished; });
  view->preSmashWithText("one");
  advance(0.9);
  EXPECT_EQ(tiles(*view).size(), 100u);
  EXPECT_EQ(finished, 0);
  advance(0.2);
  EXPECT_TRUE(tiles(*view).empty());
  EXPECT_EQ(finished, 1);
}

TEST_F(NarvSmashViewTest, TextArrivesAfterPointTwoSecondsAndBothDelayedUpdatesShowTheLatestLine) {
  view->preSmashWithText("one");
  EXPECT_EQ(view->lyricLabel()->text(), "");
  advance(0.1);
  view->preSmashWithText("two");
  std::vector<std::string> seen;
  for (int i = 0; i < 4; ++i) {
    advance(0.05);
    seen.push_back(view->lyricLabel()->text());
  }
  // t = 0.15: blank; 0.2: the first delayed update already shows "two";
  // 0.25, 0.3: the second one shows "two" again.
  EXPECT_EQ(seen, (std::vector<std::string>{"", "two", "two", "two"}));
  EXPECT_EQ(view->lyric(), "two");
}

TEST_F(NarvSmashViewTest, StyleComesFromTheSettingsOnEveryLine) {
  set("USERKEY_13_aodLyricColor_G", "0");
  set("USERKEY_13_alwaysOnFontSize", "4.9");
  set("USERKEY_13_smashDuration", "0.5");
  view->preSmashWithText("x");
  EXPECT_EQ(view->lyricLabel()->textColor().cgColor(), quartz::Color::rgba(1, 0, 1, 1));
  EXPECT_EQ(view->lyricLabel()->font(), ui::Font::fontWithName("PingFangSC-Regular", 14));
  EXPECT_DOUBLE_EQ(view->animationDuration(), 0.5);
  set("USERKEY_13_alwaysOnFontSize", "5");
  view->preSmashWithText("y");
  EXPECT_EQ(view->lyricLabel()->font().pointSize, 5);
}

TEST_F(NarvSmashViewTest, TilesSpinDriftFadeAndShrinkTogether) {
  // A fixed random sequence: angle, x, y for each tile in turn.
  std::uint32_t next = 0;
  foundation::setRandomSource([&] { return next++; });
  view->preSmashWithText("x");
  const auto cut = tiles(*view);
  ASSERT_EQ(cut.size(), 100u);
  const quartz::Layer& first = *cut[0]->layer();
  EXPECT_EQ(first.transform(), NarvSmashView::configTransform3DWithRotateAngle(1, 2, 3));
  EXPECT_EQ(cut[1]->layer()->transform(), NarvSmashView::configTransform3DWithRotateAngle(4, 5, 6));

  // The movement comes from the view animation block, with its default curve.
  auto move = first.animationForKey("transform");
  ASSERT_NE(move, nullptr);
  EXPECT_DOUBLE_EQ(move->duration(), 1.0);

  for (const char* key : {NarvSmashView::kFadeKey, NarvSmashView::kShrinkKey}) {
    SCOPED_TRACE(key);
    auto animation = std::dynamic_pointer_cast<const quartz::BasicAnimation>(first.animationForKey(key));
    ASSERT_NE(animation, nullptr);
    EXPECT_DOUBLE_EQ(animation->duration(), 1.0);
    EXPECT_EQ(animation->fillMode(), quartz::FillMode::Forwards);
    EXPECT_FALSE(animation->isRemovedOnCompletion());
    EXPECT_EQ(animation->fromValue(), std::optional<quartz::AnimationValue>(1.0));
    EXPECT_EQ(animation->toValue(), std::optional<quartz::AnimationValue>(0.0));
  }
  EXPECT_EQ(first.animationForKey(NarvSmashView::kFadeKey)->keyPath(), "opacity");
  EXPECT_EQ(first.animationForKey(NarvSmashView::kShrinkKey)->keyPath(), "transform.scale");

  // Half-way the tile is translucent and smaller; at the end it is gone.
  advance(0.5);
  const quartz::LayerState mid = quartz::presentationAt(first.committed(), now());
  EXPECT_GT(mid.opacity, 0.0);
  EXPECT_LT(mid.opacity, 1.0);
  const quartz::LayerState end = quartz::presentationAt(first.committed(), now() + 0.49);
  EXPECT_LT(end.opacity, 0.02);
}

TEST_F(NarvSmashViewTest, TransformRotatesAboutTheDiagonalThenTranslates) {
  const quartz::Transform3D t = NarvSmashView::configTransform3DWithRotateAngle(90, 7, 11);
  // Translation applied last: the origin goes to (7, 11, 0) whatever the turn.
  EXPECT_DOUBLE_EQ(t.m41, 7);
  EXPECT_DOUBLE_EQ(t.m42, 11);
  EXPECT_DOUBLE_EQ(t.m43, 0);
  // The axis (1, 1, 1) is left in place by the rotation.
  const double x = t.m11 + t.m21 + t.m31, y = t.m12 + t.m22 + t.m32, z = t.m13 + t.m23 + t.m33;
  EXPECT_NEAR(x, 1, 1e-12);
  EXPECT_NEAR(y, 1, 1e-12);
  EXPECT_NEAR(z, 1, 1e-12);
  EXPECT_EQ(NarvSmashView::configTransform3DWithRotateAngle(0, 3, 4), quartz::Transform3D::makeTranslation(3, 4, 0));
}

TEST_F(NarvSmashViewTest, RandomNumbersAreOffByOneAsWritten) {
  for (int i = 0; i < 50; ++i) {
    EXPECT_EQ(NarvSmashView::getRandomNumber(0, 0), 1);
    EXPECT_EQ(NarvSmashView::getRandomNumber(5, 5), 6);
  }
  std::set<double> seen;
  for (int i = 0; i < 5000; ++i) {
    const double v = NarvSmashView::getRandomNumber(0, 360);
    ASSERT_GE(v, 1);
    ASSERT_LE(v, 361);
    ASSERT_EQ(v, std::floor(v));
    seen.insert(v);
  }
  EXPECT_GT(seen.size(), 300u) << "the kernel source spreads over the range";

  // The ends of the range, from chosen random words.
  std::vector<std::uint32_t> words{0, 360, 361, 0xFFFFFFFFu};
  std::size_t at = 0;
  foundation::setRandomSource([&] { return words[at++ % words.size()]; });
  EXPECT_EQ(NarvSmashView::getRandomNumber(0, 360), 1);
  EXPECT_EQ(NarvSmashView::getRandomNumber(0, 360), 361);
  EXPECT_EQ(NarvSmashView::getRandomNumber(0, 360), 1);
  EXPECT_EQ(NarvSmashView::getRandomNumber(0, 360), 0xFFFFFFFFu % 361 + 1);
  // Unsigned arithmetic: a negative start wraps rather than going below 0.
  words = {0};
  EXPECT_EQ(NarvSmashView::getRandomNumber(-5, 5), 4294967292.0);
}

TEST_F(NarvSmashViewTest, RandomRangesSpanningTheWholeWordDoNotDivideByZero) {
  // (0, -1) and (INT_MIN, INT_MAX) make the span to - from + 1 wrap to 0;
  // the remainder by zero leaves the word whole, as the hardware does.
  std::vector<std::uint32_t> words{7, 0xFFFFFFFFu, 5};
  std::size_t at = 0;
  foundation::setRandomSource([&] { return words[at++ % words.size()]; });
  EXPECT_EQ(NarvSmashView::getRandomNumber(0, -1), 8);
  EXPECT_EQ(NarvSmashView::getRandomNumber(0, -1), 0) << "0xFFFFFFFF + 1 wraps to 0";
  EXPECT_EQ(NarvSmashView::getRandomNumber(std::numeric_limits<int>::min(), std::numeric_limits<int>::max()),
            2147483654.0);
  // A reversed range: span (uint)INT_MIN - (uint)INT_MAX + 1 = 2.
  words = {3};
  EXPECT_EQ(NarvSmashView::getRandomNumber(std::numeric_limits<int>::max(), std::numeric_limits<int>::min()),
            2147483647.0 + 1 + 1);
}

TEST_F(NarvSmashViewTest, FadeAndShrinkRunOnceForTheConfiguredTime) {
  set("USERKEY_13_smashDuration", "0.75");
  view->preSmashWithText("x");
  for (const quartz::BasicAnimation& animation : {view->getAnimation(), view->getScaleAnimation()}) {
    SCOPED_TRACE(animation.keyPath());
    EXPECT_DOUBLE_EQ(animation.duration(), static_cast<double>(0.75f));
    EXPECT_EQ(animation.repeatCount(), 1);
    EXPECT_FALSE(animation.isRemovedOnCompletion());
    EXPECT_EQ(animation.fillMode(), quartz::FillMode::Forwards);
  }
  // Forwards fill: past its end a tile (model opacity 1) stays invisible.
  advance(0.5);
  ASSERT_EQ(tiles(*view).size(), 100u);
  const quartz::Layer& tile = *tiles(*view)[0]->layer();
  EXPECT_EQ(tile.opacity(), 1);
  EXPECT_EQ(quartz::presentationAt(tile.committed(), now() + 0.5).opacity, 0);
}

TEST_F(NarvSmashViewTest, SnapshotShowsThePreviousLineInThePreviousStyle) {
  // The first line shatters a blank label.
  view->preSmashWithText("第一行歌词");
  const auto blank = tiles(*view)[0]->image();
  bool anyInk = false;
  for (std::uint32_t p : blank->data()) anyInk |= p != 0;
  EXPECT_FALSE(anyInk);

  advance(1.5);  // the text is displayed in opaque white
  set("USERKEY_13_aodLyricColor_R", "0");
  set("USERKEY_13_aodLyricColor_G", "0");  // the next line is blue
  view->preSmashWithText("第二行");
  const auto shot = tiles(*view)[0]->image();
  int white = 0, blue = 0;
  for (std::uint32_t p : shot->data()) {
    if (channel(p, 24) < 200) continue;
    if (channel(p, 16) > 200 && channel(p, 8) > 200) ++white;
    if (channel(p, 16) < 50 && channel(p, 0) > 200) ++blue;
  }
  EXPECT_GT(white, 50) << "the line as last displayed";
  EXPECT_EQ(blue, 0);
  EXPECT_EQ(view->lyricLabel()->text(), "") << "blank until the delay ends";
}

TEST_F(NarvSmashViewTest, ZeroDurationRemovesTilesAtOnceAndStillShowsTheLine) {
  foundation::UserDefaults::standardUserDefaults().removeObjectForKey("USERKEY_13_smashDuration");
  view->preSmashWithText("line");
  EXPECT_DOUBLE_EQ(view->animationDuration(), 0);
  EXPECT_EQ(tiles(*view).size(), 100u);
  advance(0.05);
  EXPECT_TRUE(tiles(*view).empty());
  EXPECT_EQ(view->lyricLabel()->text(), "");
  advance(0.2);
  EXPECT_EQ(view->lyricLabel()->text(), "line");
}

}  // namespace
