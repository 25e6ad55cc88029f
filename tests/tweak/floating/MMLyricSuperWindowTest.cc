// The floating window: measuring and centring, the marquee on the virtual
// clock, view choice, landscape geometry and the background colour.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FloatingTestEnvironment.h"
#include "floating/MMLyricSuperWindow.h"
#include "foundation/Clock.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Text.h"
#include "settings/MMLocalSettingManager.h"
#include "settings/SettingKeys.h"
#include "settings/SettingReaders.h"
#include "text/TextLayout.h"

namespace {

// Frames go through the layer's position and bounds, so x carries rounding
// noise far below anything visible.
constexpr double kEps = 1e-9;

const std::string kLong = "The quick brown fox jumps over the lazy dog and keeps running";  // 61 units
const std::string kShort = "Hello";

class LyricWindowTest : public FloatingTest {
 protected:
  std::shared_ptr<MMLyricSuperWindow> makeWindow(ui::Rect frame = ui::Rect(20, 80, 300, 40)) {
    return MMLyricSuperWindow::initWithFrame(frame);
  }
  static double x(const MMLyricSuperWindow& w) { return w.lyricV()->frame().x(); }
  static bool paused(const MMLyricSuperWindow& w) { return w.timer()->fireDate() == foundation::Date::distantFuture; }

  // Records the lyric view's x after each 0.01 s for `ticks` ticks.
  static std::vector<double> record(const MMLyricSuperWindow& w, int ticks) {
    std::vector<double> xs;
    for (int k = 0; k < ticks; ++k) {
      advance(0.01);
      xs.push_back(x(w));
    }
    return xs;
  }
};

// What the marquee shows after each tick, from the moment a line that does
// not fit was laid out at x = 0: a 1 s rest (100 ticks), then one step per
// tick until an edge, a 1 s rest, and so on. Positions go through a view's
// frame as the window's do, so the edge tests see the same rounding.
std::vector<double> expectedMarquee(double T, double W, double step, bool forward, int ticks) {
  ui::View probe(ui::Rect(0, 0, T, 40));
  std::vector<double> xs;
  int resume = 100;
  for (int k = 1; k <= ticks; ++k) {
    if (k >= resume) {
      ui::Rect f = probe.frame();
      f.origin.x += forward ? -step : step;
      probe.setFrame(f);
      if (forward ? f.maxX() <= W : f.x() >= 0) {
        forward = !forward;
        resume = k + 100;
      }
    }
    xs.push_back(probe.frame().x());
  }
  return xs;
}

TEST_F(LyricWindowTest, StartsEmptyAndPausedWithBothLabelViews) {
  auto window = makeWindow();
  EXPECT_EQ(window->lyric(), "");
  EXPECT_TRUE(window->forwardScroll());
  EXPECT_FALSE(window->isHP());
  EXPECT_TRUE(window->clipsToBounds());
  EXPECT_TRUE(window->timer()->isValid());
  EXPECT_DOUBLE_EQ(window->timer()->interval(), 0.01);
  EXPECT_TRUE(paused(*window));
  ASSERT_EQ(window->subviews().size(), 2u);
  EXPECT_EQ(window->subviews()[0], window->normalView());
  EXPECT_EQ(window->subviews()[1], window->gradientView());
  EXPECT_EQ(window->className(), "MMLyricSuperWindow");
  EXPECT_EQ(window->normalView()->className(), "MMNormalView");
  EXPECT_EQ(window->gradientView()->className(), "MMGradientView");
}

TEST_F(LyricWindowTest, ShortLineIsCentredAndDoesNotScroll) {
  auto window = makeWindow();
  window->setLyric(kShort);
  const double T = window->fitWidth(kShort).width;
  ASSERT_GT(T, 0);
  EXPECT_EQ(window->lyricV()->frame(), ui::Rect((300 - T) / 2, 0, T, 40));
  EXPECT_DOUBLE_EQ(window->H(), 40);
  EXPECT_EQ(foundation::RunLoop::main().pendingPerformCount(window.get()), 0u);
  advance(5);
  EXPECT_NEAR(x(*window), (300 - T) / 2, kEps);
  EXPECT_TRUE(paused(*window));
}

TEST_F(LyricWindowTest, LineExactlyAsWideAsTheWindowFitsAtZero) {
  auto window = makeWindow();
  window->setLyric(kShort);
  const double T = window->fitWidth(kShort).width;
  window->setFrame(ui::Rect(20, 80, T, 40));
  window->setLyric(kShort);
  EXPECT_NEAR(x(*window), 0, kEps);
  EXPECT_EQ(foundation::RunLoop::main().pendingPerformCount(window.get()), 0u);
  advance(3);
  EXPECT_NEAR(x(*window), 0, kEps);
  // One point narrower and it no longer fits.
  window->setFrame(ui::Rect(20, 80, T - 1, 40));
  window->setLyric(kShort);
  advance(1.0);
  EXPECT_LT(x(*window), 0);
}

TEST_F(LyricWindowTest, EmptyLineIsAnEmptyViewInTheMiddle) {
  auto window = makeWindow();
  window->setLyric("");
  EXPECT_EQ(window->lyricV()->frame(), ui::Rect(150, 0, 0, 40));
  advance(2);
  EXPECT_TRUE(paused(*window));
  EXPECT_NEAR(x(*window), 150, kEps);
}

TEST_F(LyricWindowTest, LongLineRunsTheWholeBackAndForthCycle) {
  auto window = makeWindow();
  window->setLyric(kLong);
  const double T = window->fitWidth(kLong).width;
  ASSERT_GT(T, 400);  // several seconds of scrolling each way
  const double step = foundation::utf16Length(kLong) / 20.0;
  EXPECT_NEAR(x(*window), 0, kEps);
  const int ticks = 1200;
  const std::vector<double> actual = record(*window, ticks);
  const std::vector<double> expected = expectedMarquee(T, 300, step, true, ticks);
  ASSERT_EQ(actual.size(), expected.size());
  for (int k = 0; k < ticks; ++k) ASSERT_NEAR(actual[k], expected[k], 1e-6) << "tick " << (k + 1);
  // The view never changes size while it scrolls; the line went both ways.
  EXPECT_EQ(window->lyricV()->frame().width(), T);
  EXPECT_LT(*std::min_element(actual.begin(), actual.end()) + T, 300 + 1e-9);
  EXPECT_GT(*std::min_element(actual.begin(), actual.end()) + T, 300 - step);
}

TEST_F(LyricWindowTest, StepIsOneTwentiethOfAPointPerCodeUnit) {
  auto window = makeWindow();
  const std::string forty(40, 'W');
  window->setLyric(forty);
  advance(0.99);
  EXPECT_NEAR(x(*window), 0, kEps);  // still resting
  advance(0.01);
  EXPECT_NEAR(x(*window), -2, kEps);
  advance(0.01);
  EXPECT_NEAR(x(*window), -4, kEps);

  // One code unit: 0.05 points per step, in a window narrower than the glyph.
  auto narrow = makeWindow(ui::Rect(0, 0, 5, 40));
  narrow->setLyric("W");
  advance(1.0);
  EXPECT_NEAR(x(*narrow), -0.05, kEps);
  advance(0.01);
  EXPECT_NEAR(x(*narrow), -0.1, kEps);

  // Code units, not bytes or characters: a surrogate pair counts twice.
  auto units = makeWindow(ui::Rect(0, 0, 5, 40));
  units->setLyric("\xF0\x9F\x8E\xB5\xE6\xAD\x8C");  // U+1F3B5 and one CJK character: 3 units
  advance(1.0);
  EXPECT_NEAR(x(*units), -0.15, kEps);
}

TEST_F(LyricWindowTest, SameLineTwiceRestartsFromTheBeginning) {
  auto window = makeWindow();
  window->setLyric(kLong);
  advance(1.5);
  ASSERT_LT(x(*window), -10);
  window->setLyric(kLong);
  EXPECT_NEAR(x(*window), 0, kEps);
  EXPECT_TRUE(paused(*window));
  EXPECT_EQ(foundation::RunLoop::main().pendingPerformCount(window.get()), 1u);
  advance(0.99);
  EXPECT_NEAR(x(*window), 0, kEps);
  advance(0.01);
  EXPECT_LT(x(*window), 0);
}

TEST_F(LyricWindowTest, NewLineWhileMovingRightRestsStepsRightReversesAndRestsAgain) {
  auto window = makeWindow();
  window->setLyric(kLong);
  // Run until the marquee is moving right.
  int guard = 0;
  while (window->forwardScroll() && guard++ < 5000) advance(0.01);
  advance(1.2);
  ASSERT_FALSE(window->forwardScroll());
  ASSERT_FALSE(paused(*window));

  const std::string next = kLong + " further";
  const double step = foundation::utf16Length(next) / 20.0;
  window->setLyric(next);
  EXPECT_NEAR(x(*window), 0, kEps);
  EXPECT_FALSE(window->forwardScroll());  // the direction is kept
  advance(0.99);
  EXPECT_NEAR(x(*window), 0, kEps);
  advance(0.01);
  EXPECT_NEAR(x(*window), step, kEps);  // one step right ...
  EXPECT_TRUE(window->forwardScroll());  // ... reversed ...
  EXPECT_TRUE(paused(*window));
  advance(0.99);
  EXPECT_NEAR(x(*window), step, kEps);  // ... and resting
  advance(0.01);
  EXPECT_NEAR(x(*window), 0, kEps);
  advance(0.01);
  EXPECT_NEAR(x(*window), -step, kEps);
}

TEST_F(LyricWindowTest, ANewLineCancelsTheRestOfTheOldOne) {
  auto window = makeWindow();
  window->setLyric(kLong);
  advance(0.5);
  window->setLyric(kShort);  // fits: nothing may resume the timer
  EXPECT_EQ(foundation::RunLoop::main().pendingPerformCount(window.get()), 0u);
  advance(2);
  EXPECT_TRUE(paused(*window));
  const double T = window->fitWidth(kShort).width;
  EXPECT_NEAR(x(*window), (300 - T) / 2, kEps);
}

TEST_F(LyricWindowTest, ANewLineCancelsOnlyItsOwnPendingBeganTimer) {
  auto window = makeWindow();
  auto other = makeWindow();
  window->setLyric(kLong);
  other->setLyric(kLong);
  // Another request aimed at the same window, and the other window's rest.
  bool otherSelectorRan = false;
  foundation::RunLoop::main().performAfter(0.5, window.get(), "somethingElse", foundation::Value(),
                                           [&] { otherSelectorRan = true; });
  window->setLyric(kShort);
  EXPECT_EQ(foundation::RunLoop::main().pendingPerformCount(window.get()), 1u);
  EXPECT_EQ(foundation::RunLoop::main().pendingPerformCount(other.get()), 1u);
  advance(1.0);
  EXPECT_TRUE(otherSelectorRan);
  EXPECT_TRUE(paused(*window));
  EXPECT_FALSE(paused(*other));  // the other window's marquee started
}

TEST_F(LyricWindowTest, LandscapeSwapsLengthAndLineHeight) {
  auto window = makeWindow(ui::Rect(0, 0, 40, 300));
  window->setIsHP(true);
  EXPECT_TRUE(window->isHP());
  EXPECT_DOUBLE_EQ(window->H(), 40);
  window->setLyric(kShort);
  const double T = window->fitWidth(kShort).width;
  EXPECT_EQ(window->lyricV()->frame(), ui::Rect((300 - T) / 2, 0, T, 40));

  // Back to portrait: the same frame now means H = 300 and W = 40.
  window->setIsHP(false);
  EXPECT_DOUBLE_EQ(window->H(), 300);
  EXPECT_EQ(window->lyricV()->frame().height(), 300);
}

TEST_F(LyricWindowTest, ANewFrameDoesNotRelayoutButTheMarqueeUsesIt) {
  auto window = makeWindow();
  window->setLyric(kLong);
  const ui::Rect laidOut = window->lyricV()->frame();
  window->setFrame(ui::Rect(0, 0, 200, 60));
  advance(0.5);
  EXPECT_EQ(window->lyricV()->frame(), laidOut);
  EXPECT_DOUBLE_EQ(window->H(), 40);  // not recomputed until the next layout

  const double T = laidOut.width();
  const double step = foundation::utf16Length(kLong) / 20.0;
  while (window->forwardScroll()) advance(0.01);
  // It stopped at the new right edge (200), not the old one (300).
  EXPECT_LE(x(*window) + T, 200);
  EXPECT_GT(x(*window) + T, 200 - step);
}

TEST_F(LyricWindowTest, ViewChoiceFollowsTheSwitchesAndGradientWins) {
  auto window = makeWindow();
  window->setLyric(kShort);
  EXPECT_EQ(window->lyricV(), window->normalView());
  EXPECT_EQ(window->normalView()->lyric(), kShort);

  set(SettingKey::fontPath_animation, "1");
  window->setLyric(kShort);
  auto firstOutline = window->fontPathView();
  ASSERT_TRUE(firstOutline);
  EXPECT_EQ(window->lyricV(), firstOutline);
  EXPECT_EQ(firstOutline->className(), "MMFontPathView");
  EXPECT_EQ(firstOutline->lyric(), kShort);
  window->setLyric(kShort);
  EXPECT_NE(window->fontPathView(), firstOutline);  // a new view per line
  EXPECT_EQ(firstOutline->superview(), nullptr);

  set(SettingKey::randomColor_animation, "YES");
  window->setLyric(kShort);
  EXPECT_EQ(window->lyricV(), window->gradientView());
  EXPECT_FALSE(window->fontPathView());
  EXPECT_EQ(window->gradientView()->lyric(), kShort);

  set(SettingKey::randomColor_animation, "0");
  set(SettingKey::fontPath_animation, "0");
  window->setLyric(kShort);
  EXPECT_EQ(window->lyricV(), window->normalView());
  // Only the chosen view is in the window.
  ASSERT_EQ(window->subviews().size(), 1u);
  EXPECT_EQ(window->subviews()[0], window->normalView());
}

TEST_F(LyricWindowTest, BackgroundColourFollowsTheNotificationWithoutRebuildingTheLine) {
  auto window = makeWindow();
  EXPECT_EQ(window->backgroundColor(), ui::Color::colorWithRed(0, 0, 0, 0));
  window->setLyric(kShort);
  auto view = window->lyricV();
  const auto text = window->normalView()->lyricLabel()->attributedText();

  set(SettingKey::colorComponent(SettingKey::bgColor, SettingKey::ColorSuffixR), "0.250000");
  set(SettingKey::colorComponent(SettingKey::bgColor, SettingKey::ColorSuffixB), "1");
  set(SettingKey::colorComponent(SettingKey::bgColor, SettingKey::ColorSuffixA), "0.5");
  EXPECT_EQ(window->backgroundColor(), ui::Color::colorWithRed(0, 0, 0, 0));  // not until notified
  foundation::NotificationCenter::defaultCenter().post(std::string(SettingNotification::NOTI_bgColor));
  EXPECT_EQ(window->backgroundColor(), ui::Color::colorWithRed(0.25f, 0, 1, 0.5f));
  EXPECT_EQ(window->lyricV(), view);
  EXPECT_EQ(window->normalView()->lyricLabel()->attributedText(), text);
}

TEST_F(LyricWindowTest, MeasuringStoresTheDefaultFontName) {
  auto window = makeWindow();
  EXPECT_EQ(fileSettingText(SettingKey::ROWC_FONTS), "");
  window->setLyric(kShort);
  EXPECT_EQ(fileSettingText(SettingKey::ROWC_FONTS), "PingFangSC-Regular");
  EXPECT_EQ(window->normalView()->lyricLabel()->font(), ui::Font::fontWithName("PingFangSC-Regular", 40 / 1.5));
}

TEST_F(LyricWindowTest, MeasuringUsesTheLyricFontAtTwoThirdsOfTheHeight) {
  auto window = makeWindow(ui::Rect(0, 0, 300, 60));
  window->setLyric(kShort);
  EXPECT_EQ(window->fitWidth(kShort).width, text::sizeWithFont(kShort, ui::Font::fontWithName("PingFangSC-Regular", 40)).width);
  EXPECT_EQ(window->lyricV()->frame().height(), 60);
  MMLocalSettingManager::shared().saveValue(foundation::Value("DejaVuSans-Bold"), foundation::Value(SettingKey::ROWC_FONTS));
  const double before = window->fitWidth(kShort).width;
  EXPECT_EQ(before, text::sizeWithFont(kShort, ui::Font::fontWithName("DejaVuSans-Bold", 40)).width);
}

TEST_F(LyricWindowTest, DestroyingTheWindowStopsItsTimerAndRests) {
  auto window = makeWindow();
  window->setLyric(kLong);
  auto timer = window->timer();
  const void* address = window.get();
  window.reset();
  EXPECT_FALSE(timer->isValid());
  EXPECT_EQ(foundation::RunLoop::main().pendingPerformCount(address), 0u);
  advance(3);  // nothing left to fire into a dead window
}

}  // namespace
