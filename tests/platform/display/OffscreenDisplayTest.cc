#include "display/OffscreenDisplay.h"

#include <gtest/gtest.h>

#include "TestFonts.h"
#include "foundation/RunLoop.h"
#include "ui/Application.h"

namespace {

using ui::Color;

std::shared_ptr<ui::Window> window(ui::Rect frame, Color c, double level = ui::WindowLevel::normal) {
  auto w = std::make_shared<ui::Window>(frame);
  w->setBackgroundColor(c);
  w->setWindowLevel(level);
  w->setHidden(false);
  return w;
}

class OffscreenDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    foundation::RunLoop::useVirtualClock(10);
    ui::Application::shared().reset();
  }
};

TEST_F(OffscreenDisplayTest, ComposesVisibleWindowsByLevelAtTheirFrames) {
  display::OffscreenDisplay screen({200, 200}, 1);
  auto alert = window({50, 50, 100, 100}, Color::colorWithRed(0, 0, 1, 1), ui::WindowLevel::alert);
  auto normal = window({0, 0, 100, 100}, Color::colorWithRed(1, 0, 0, 1));  // shown later, but lower level
  auto hidden = window({0, 0, 200, 200}, Color::colorWithRed(0, 1, 0, 1), ui::WindowLevel::alert + 1);
  hidden->setHidden(true);
  ASSERT_TRUE(screen.renderFrame());
  auto img = screen.screenImage();
  EXPECT_EQ(img->pixelAt(25, 25), 0xffff0000u);
  EXPECT_EQ(img->pixelAt(75, 75), 0xff0000ffu);   // the alert window is in front
  EXPECT_EQ(img->pixelAt(175, 175), 0xff000000u); // no window: black
  ASSERT_EQ(screen.windowsDrawn().size(), 2u);
  EXPECT_EQ(screen.windowsDrawn().front(), normal.get());
  auto own = screen.windowImage(*alert);
  ASSERT_TRUE(own);
  EXPECT_EQ(own->width(), 100);
  EXPECT_EQ(own->pixelAt(0, 0), 0xff0000ffu);
  EXPECT_FALSE(screen.windowImage(*hidden));
}

TEST_F(OffscreenDisplayTest, UnchangedScreenComposesNothingAndChangesShow) {
  display::OffscreenDisplay screen({100, 100}, 1);
  auto w = window({0, 0, 50, 50}, Color::colorWithRed(1, 0, 0, 1));
  EXPECT_TRUE(screen.renderFrame());
  EXPECT_FALSE(screen.renderFrame());
  w->setFrame({50, 50, 50, 50});  // moved: composed again
  EXPECT_TRUE(screen.renderFrame());
  EXPECT_EQ(screen.screenImage()->pixelAt(10, 10), 0xff000000u);
  EXPECT_EQ(screen.screenImage()->pixelAt(60, 60), 0xffff0000u);
  w->setAlpha(0.5);
  EXPECT_TRUE(screen.renderFrame());
  EXPECT_NEAR(static_cast<int>((screen.screenImage()->pixelAt(60, 60) >> 16) & 0xff), 128, 1);
  w->setHidden(true);
  EXPECT_TRUE(screen.renderFrame());
  EXPECT_EQ(screen.screenImage()->pixelAt(60, 60), 0xff000000u);
}

class RecordingView : public ui::View {
 public:
  using ui::View::View;
  std::vector<std::pair<ui::TouchPhase, ui::Point>> events;
  void touchesBegan(const ui::Touch& t) override { events.emplace_back(t.phase, t.locationInView(this)); }
  void touchesMoved(const ui::Touch& t) override { events.emplace_back(t.phase, t.locationInView(this)); }
  void touchesEnded(const ui::Touch& t) override { events.emplace_back(t.phase, t.locationInView(this)); }
};

TEST_F(OffscreenDisplayTest, TouchesReachTheViewUnderTheScreenPoint) {
  display::OffscreenDisplay screen({200, 200}, 1);
  auto w = window({100, 100, 100, 100}, Color::colorWithRed(1, 1, 1, 1));
  auto view = std::make_shared<RecordingView>(ui::Rect{10, 10, 50, 50});
  w->addSubview(view);
  EXPECT_FALSE(screen.tap({5, 5}));  // no window there
  EXPECT_TRUE(screen.touchBegan({120, 130}));
  EXPECT_TRUE(screen.touchMoved({125, 131}));
  EXPECT_TRUE(screen.touchEnded({126, 132}));
  using P = ui::TouchPhase;
  std::vector<std::pair<P, ui::Point>> expected = {
      {P::Began, {10, 20}}, {P::Moved, {15, 21}}, {P::Ended, {16, 22}}};
  EXPECT_EQ(view->events, expected);
}

}  // namespace
