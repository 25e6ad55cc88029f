#include "alwayson/FullScreenHPView.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "AlwaysOnTestEnv.h"
#include "alwayson/FullScreenWindow.h"
#include "foundation/Clock.h"
#include "text/TextLayout.h"

namespace {

class FullScreenHPViewTest : public AlwaysOnTest {
 protected:
  // A strip placed and turned as the always-on window places it, for a
  // screen of height `length`.
  static std::shared_ptr<FullScreenHPView> strip(double length, double width = 375) {
    auto view = FullScreenHPView::initWithFrame({(width - length) / 2, 3 * length / 8, length, length / 4});
    view->setTransform(ui::AffineTransform::makeRotation(1.5707963267948966));
    return view;
  }
  static bool paused(const FullScreenHPView& v) { return v.timer()->fireDate() == foundation::Date::distantFuture; }
  static std::size_t pending(const FullScreenHPView& v) {
    return foundation::RunLoop::main().pendingPerformCount(&v);
  }
  // x of the moving view, sampled every half tick (so that each 0.01 s tick
  // is seen on its own) for `seconds`, with runs of equal values collapsed.
  static std::vector<double> track(const FullScreenHPView& v, double seconds) {
    std::vector<double> xs;
    const int samples = static_cast<int>(std::lround(seconds / 0.005));
    for (int i = 0; i < samples; ++i) {
      advance(0.005);
      const double x = v.lyricV()->frame().x();
      if (xs.empty() || std::fabs(xs.back() - x) > 1e-9) xs.push_back(x);
    }
    return xs;
  }
};

TEST_F(FullScreenHPViewTest, MeasuresLengthAndThicknessFromItsTurnedFrame) {
  auto view = strip(812);
  EXPECT_NEAR(view->stripLength(), 812, 1e-9);
  EXPECT_NEAR(view->stripThickness(), 203, 1e-9);
  EXPECT_TRUE(view->clipsToBounds());
  EXPECT_TRUE(view->forwardScroll());
  EXPECT_TRUE(paused(*view));
  EXPECT_EQ(view->lyric(), "");
}

TEST_F(FullScreenHPViewTest, FontIsTwiceTheAlwaysOnSizeOr28) {
  EXPECT_EQ(FullScreenHPView::stripFont(), ui::Font::fontWithName("PingFangSC-Regular", 28));
  set("USERKEY_13_alwaysOnFontSize", "4.9");
  EXPECT_EQ(FullScreenHPView::stripFont().pointSize, 28);
  set("USERKEY_13_alwaysOnFontSize", "");
  EXPECT_EQ(FullScreenHPView::stripFont().pointSize, 28);
  set("USERKEY_13_alwaysOnFontSize", "5");
  EXPECT_EQ(FullScreenHPView::stripFont().pointSize, 10);
  set("USERKEY_13_alwaysOnFontSize", "12");
  EXPECT_EQ(FullScreenHPView::stripFont().pointSize, 24);
}

TEST_F(FullScreenHPViewTest, LineAsLongAsTheStripIsCentredAtZeroAndNotScheduled) {
  const std::string line = "A line that fills the strip";
  const double needed = text::sizeWithFont(line, FullScreenHPView::stripFont()).width;
  auto view = strip(needed);
  ASSERT_EQ(view->fitWidth(line), view->stripLength());
  view->setLyric(line);
  EXPECT_EQ(view->label()->frame().x(), 0);
  EXPECT_EQ(view->label()->frame().width(), needed);
  EXPECT_EQ(view->label()->text(), line);
  EXPECT_TRUE(paused(*view));
  EXPECT_EQ(pending(*view), 0u);
  advance(3);
  EXPECT_EQ(view->label()->frame().x(), 0);
}

TEST_F(FullScreenHPViewTest, FittingLineStartedByTheWindowStepsOnceAndRests) {
  set("USERKEY_13_alwaysOnShowHP", "1");
  auto window = FullScreenWindow::initWithFrame({0, 0, 375, 812});
  window->fullScreenAddLyric("short line");  // 10 characters: step 0.5
  FullScreenHPView& view = *window->hpView();
  const double centred = view.label()->frame().x();
  EXPECT_GT(centred, 0);
  EXPECT_EQ(view.timer()->fireDate(), foundation::Date::distantPast);
  const std::vector<double> xs = track(view, 3.5);
  const std::vector<double> expected{centred - 0.5, centred, centred - 0.5, centred};
  ASSERT_EQ(xs.size(), expected.size());
  for (std::size_t i = 0; i < xs.size(); ++i) EXPECT_NEAR(xs[i], expected[i], 1e-9) << i;
  EXPECT_TRUE(view.forwardScroll());
}

TEST_F(FullScreenHPViewTest, LongLineRunsToTheEndRestsAndRunsBack) {
  const std::string line(400, 'm');  // 400 characters: 20 points a tick
  auto view = strip(812);
  view->setLyric(line);
  const double width = view->label()->frame().width();
  ASSERT_GT(width, 812 + 200);
  EXPECT_EQ(view->label()->frame().x(), 0);
  EXPECT_EQ(pending(*view), 1u) << "resumes by itself after one second";
  EXPECT_TRUE(paused(*view));

  view->beganTimer();
  const double start = now();
  // (time, x) at every change of x.
  std::vector<std::pair<double, double>> moves;
  double x = 0;
  while (now() < start + 12) {
    advance(0.005);
    const double nx = view->lyricV()->frame().x();
    if (std::fabs(nx - x) > 1e-9) moves.emplace_back(now(), nx);
    x = nx;
  }
  // Forward in steps of 20 until the end reaches the strip's end ...
  std::size_t i = 0;
  double previous = 0;
  while (i < moves.size() && moves[i].second < previous) {
    EXPECT_NEAR(previous - moves[i].second, 20, 1e-6) << i;
    previous = moves[i].second;
    ++i;
    if (previous + width <= 812) break;
  }
  ASSERT_LT(i, moves.size());
  EXPECT_LE(previous + width, 812);
  EXPECT_GT(previous + 20 + width, 812) << "stops at the first step past the end";
  // ... rests one second, then runs back in steps of 20.
  EXPECT_NEAR(moves[i].first - moves[i - 1].first, 1.0, 0.015);
  EXPECT_NEAR(moves[i].second - previous, 20, 1e-6);
  EXPECT_NEAR(moves[i + 1].second - moves[i].second, 20, 1e-6);
  EXPECT_NEAR(moves[i + 1].first - moves[i].first, 0.01, 1e-6);
}

TEST_F(FullScreenHPViewTest, NewLineWhileRestingCancelsThePendingResume) {
  const std::string line(400, 'm');
  auto view = strip(812);
  view->setLyric(line);
  EXPECT_EQ(pending(*view), 1u);
  view->setLyric("short");
  EXPECT_EQ(pending(*view), 0u);
  EXPECT_TRUE(paused(*view));
  advance(2);
  EXPECT_TRUE(paused(*view));
}

TEST_F(FullScreenHPViewTest, DirectionSurvivesANewLine) {
  auto view = strip(812);
  view->setLyric("short line");  // fits: one step forward turns it round
  view->beganTimer();
  advance(0.005);
  ASSERT_FALSE(view->forwardScroll());
  view->setLyric("another line");
  EXPECT_FALSE(view->forwardScroll()) << "not reset by the new line";
  const double centred = view->lyricV()->frame().x();
  view->beganTimer();
  advance(0.005);
  EXPECT_NEAR(view->lyricV()->frame().x(), centred + 12.0 / 20, 1e-9) << "moves back, towards the end";
  EXPECT_TRUE(view->forwardScroll());
}

TEST_F(FullScreenHPViewTest, PlainLabelTakesTheAlwaysOnColour) {
  set("USERKEY_13_aodLyricColor_G", "0.5");
  set("USERKEY_13_aodLyricColor_A", "1");
  auto view = strip(812);
  view->setLyric("line");
  EXPECT_EQ(view->label()->textColor().cgColor(), quartz::Color::rgba(0, 0.5, 0, 1));
  EXPECT_EQ(view->label()->font(), FullScreenHPView::stripFont());
}

TEST_F(FullScreenHPViewTest, EmptyLineTurnsAndRestsWithoutMoving) {
  auto view = strip(812);
  view->setLyric("");
  view->beganTimer();
  const double x = view->lyricV()->frame().x();
  const bool before = view->forwardScroll();
  advance(0.005);
  EXPECT_EQ(view->lyricV()->frame().x(), x);
  EXPECT_NE(view->forwardScroll(), before);
  EXPECT_TRUE(paused(*view));
}

TEST_F(FullScreenHPViewTest, GradientViewTakesTheLabelsFrameAndScrolls) {
  set("USERKEY_13_aod_gradientAnimation", "1");
  const std::string line(400, 'm');
  auto view = strip(812);
  view->setLyric(line);
  const auto& gradient = view->gradientHPView();
  EXPECT_FALSE(gradient->isHidden());
  EXPECT_TRUE(view->label()->isHidden());
  EXPECT_EQ(view->label()->text(), line) << "the hidden label still gets the text";
  EXPECT_EQ(gradient->frame(), view->label()->frame());
  EXPECT_EQ(gradient->lyric(), line);
  EXPECT_EQ(view->lyricV(), gradient.get());
  EXPECT_EQ(view->subviews().back(), gradient);
  view->beganTimer();
  advance(0.005);  // the first tick only
  EXPECT_NEAR(gradient->frame().x(), -20, 1e-9);
  EXPECT_EQ(view->label()->frame().x(), 0);

  set("USERKEY_13_aod_gradientAnimation", "0");
  view->setLyric("plain");
  EXPECT_TRUE(gradient->isHidden());
  EXPECT_FALSE(view->label()->isHidden());
  EXPECT_EQ(view->lyricV(), view->label().get());
}

}  // namespace
