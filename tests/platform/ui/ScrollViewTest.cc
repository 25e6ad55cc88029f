// The scroll view driven by touches: dragging, rubber-banding, the release
// animations it precomputes, and how it shares touches with controls.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "foundation/RunLoop.h"
#include "ui/Application.h"
#include "ui/Button.h"
#include "ui/ScrollView.h"
#include "ui/Slider.h"
#include "ui/Switch.h"
#include "ui/Window.h"

using namespace ui;

namespace {

struct Delegate : View, ScrollViewDelegate {
  int didScroll = 0, willBegin = 0, didEndDragging = 0, didEndDecelerating = 0, didEndAnimation = 0;
  void scrollViewDidScroll(ScrollView&) override { ++didScroll; }
  void scrollViewWillBeginDragging(ScrollView&) override { ++willBegin; }
  void scrollViewDidEndDragging(ScrollView&, bool) override { ++didEndDragging; }
  void scrollViewDidEndDecelerating(ScrollView&) override { ++didEndDecelerating; }
  void scrollViewDidEndScrollingAnimation(ScrollView&) override { ++didEndAnimation; }
};

class ScrollViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    foundation::RunLoop::useVirtualClock(0);
    Application::shared().reset();
    window = std::make_shared<Window>(Rect(0, 0, 375, 812));
    window->makeKeyAndVisible();
    scroll = std::make_shared<ScrollView>(window->bounds());
    scroll->setContentSize({375, 2000});
    scroll->setAlwaysBounceVertical(true);
    window->addSubview(scroll);
    delegate = std::make_shared<Delegate>();
    scroll->setDelegate(delegate.get());
  }
  void TearDown() override { Application::shared().reset(); }

  void advance(double s) { foundation::RunLoop::main().advance(s); }
  // One touch event, then a 60th of a second.
  void touch(TouchPhase phase, Point p) {
    Application::shared().sendTouch(phase, p);
    advance(1.0 / 60);
  }
  // A drag along `ys` at x = 200; the finger rests `hold` seconds before
  // lifting (0: it lifts while moving).
  void drag(std::vector<double> ys, double hold, double x = 200) {
    touch(TouchPhase::Began, {x, ys.front()});
    for (std::size_t i = 1; i < ys.size(); ++i) touch(TouchPhase::Moved, {x, ys[i]});
    advance(hold);
    touch(TouchPhase::Ended, {x, ys.back()});
  }
  double shownY() const { return scroll->presentationContentOffset().y; }

  std::shared_ptr<Window> window;
  std::shared_ptr<ScrollView> scroll;
  std::shared_ptr<Delegate> delegate;
};

std::vector<std::string>& record(Control& control, std::vector<std::string>& log) {
  control.addAction([&log](Control&) { log.push_back("down"); }, ControlEvent::TouchDown);
  control.addAction([&log](Control&) { log.push_back("upIn"); }, ControlEvent::TouchUpInside);
  control.addAction([&log](Control&) { log.push_back("cancel"); }, ControlEvent::TouchCancel);
  control.addAction([&log](Control&) { log.push_back("value"); }, ControlEvent::ValueChanged);
  return log;
}

}  // namespace

TEST_F(ScrollViewTest, DragScrollsContentAndAFlickDeceleratesToWhereTheModelAlreadyIs) {
  auto button = Button::buttonWithType(ButtonType::System);
  button->setFrame(Rect(20, 100, 200, 44));
  scroll->addSubview(button);

  // 12 points start the drag (and count from there), then 200 points up.
  drag({600, 588, 488, 388}, 0.3);
  EXPECT_EQ(scroll->contentOffset(), (Point{0, 200}));
  EXPECT_EQ(scroll->bounds().origin, (Point{0, 200}));
  EXPECT_EQ(button->convertPoint({0, 0}, nullptr), (Point{20, -100}));  // subviews move with the content
  EXPECT_FALSE(scroll->isDecelerating());  // the finger rested: no velocity, no animation
  EXPECT_EQ(scroll->layer()->animationForKey("scroll"), nullptr);
  EXPECT_EQ(delegate->willBegin, 1);
  EXPECT_EQ(delegate->didScroll, 2);
  EXPECT_EQ(delegate->didEndDragging, 1);

  // A flick: 30 points every 60th of a second (1800 pt/s over the last
  // tenth of a second, where the slop step counts too).
  const int scrolledBefore = delegate->didScroll;
  drag({600, 570, 540, 510, 480}, 0);
  const double released = 290;  // 200 + three 30-point steps after the start
  const double velocity = 120 / (5.0 / 60);  // the last 0.1 s: from the touch down to the lift
  const double rest = released + velocity / -(1000 * std::log(ScrollView::kDecelerationRateNormal));
  EXPECT_NEAR(scroll->contentOffset().y, rest, 1e-6);
  EXPECT_TRUE(scroll->isDecelerating());
  EXPECT_EQ(delegate->didScroll - scrolledBefore, 4);  // three steps and the rest offset, not per frame
  auto animation = std::dynamic_pointer_cast<const quartz::KeyframeAnimation>(scroll->layer()->animationForKey("scroll"));
  ASSERT_NE(animation, nullptr);
  EXPECT_EQ(animation->keyPath(), "bounds.origin");
  EXPECT_EQ(std::get<Point>(animation->values().front()), (Point{0, released}));
  EXPECT_EQ(std::get<Point>(animation->values().back()), scroll->contentOffset());
  // What the screen shows moves on, ever slower, and settles at the model.
  double previous = shownY(), previousStep = 1e9;
  for (int i = 0; i < 8; ++i) {
    advance(0.25);
    const double step = shownY() - previous;
    EXPECT_GE(step, 0);
    EXPECT_LE(step, previousStep + 1e-9);
    previous = shownY();
    previousStep = step;
  }
  advance(animation->duration());
  EXPECT_EQ(shownY(), scroll->contentOffset().y);
  EXPECT_FALSE(scroll->isDecelerating());
  EXPECT_EQ(delegate->didEndDecelerating, 1);

  // An animated offset: the model at once, one animation, one report.
  scroll->setContentOffset({0, 40}, true);
  EXPECT_EQ(scroll->contentOffset(), (Point{0, 40}));
  EXPECT_NE(scroll->layer()->animationForKey("scroll"), nullptr);
  advance(0.5);
  EXPECT_EQ(delegate->didEndAnimation, 1);

  // A delegate that is gone is not told.
  delegate.reset();
  EXPECT_EQ(scroll->delegate(), nullptr);
  drag({600, 500, 400}, 0.3);
  EXPECT_EQ(scroll->contentOffset(), (Point{0, 140}));
}

TEST_F(ScrollViewTest, PulledPastAnEdgeItResistsAndSpringsBackWithinTheContent) {
  // Down at the top: 100 points of finger show as far less content.
  touch(TouchPhase::Began, {200, 300});
  touch(TouchPhase::Moved, {200, 312});
  touch(TouchPhase::Moved, {200, 412});
  const double pulled = -812 * (1 - 1 / (100 * 0.55 / 812 + 1));
  EXPECT_NEAR(scroll->contentOffset().y, pulled, 1e-9);
  advance(0.3);
  Application::shared().sendTouch(TouchPhase::Ended, {200, 412});
  EXPECT_EQ(scroll->contentOffset(), (Point{0, 0}));  // the model is already back
  EXPECT_NEAR(shownY(), pulled, 1e-9);                // the screen is not yet
  ASSERT_NE(scroll->layer()->animationForKey("scroll"), nullptr);
  for (int i = 0; i < 30; ++i) {
    advance(0.05);
    EXPECT_LE(shownY(), 0);  // springs back without overshooting into the content
  }
  EXPECT_EQ(shownY(), 0);
  EXPECT_EQ(delegate->didEndDecelerating, 1);

  // A flick towards the bottom that would run past the end: the content
  // overshoots the end a little, then rests exactly at it.
  scroll->setContentOffset({0, 900});
  drag({700, 670, 610, 550, 490, 430}, 0);  // lifted 48 points before the end, at about 2800 pt/s
  const double end = 2000 - 812;
  EXPECT_EQ(scroll->contentOffset(), (Point{0, end}));
  double furthest = 0;
  for (int i = 0; i < 200; ++i) {
    advance(0.02);
    furthest = std::max(furthest, shownY());
  }
  EXPECT_GT(furthest, end + 5);
  EXPECT_LT(furthest, end + 200);
  EXPECT_EQ(shownY(), end);

  // Without bouncing a drag stops at the edge.
  scroll->setBounces(false);
  scroll->setContentOffset({0, 0});
  drag({300, 312, 412}, 0.3);
  EXPECT_EQ(shownY(), 0);
  EXPECT_EQ(scroll->layer()->animationForKey("scroll"), nullptr);
}

TEST_F(ScrollViewTest, AScrollThatStartsOnAButtonOrSwitchDoesNotFireIt) {
  auto button = Button::buttonWithType(ButtonType::Custom);
  button->setFrame(Rect(20, 100, 200, 44));
  auto sw = std::make_shared<Switch>(Rect(300, 200, 0, 0));
  scroll->addSubview(button);
  scroll->addSubview(sw);
  std::vector<std::string> buttonLog, switchLog;
  record(*button, buttonLog);
  record(*sw, switchLog);

  // A tap still works.
  drag({120, 120}, 0, 100);
  EXPECT_EQ(buttonLog, (std::vector<std::string>{"down", "upIn"}));

  buttonLog.clear();
  touch(TouchPhase::Began, {100, 120});
  EXPECT_TRUE(button->isHighlighted());
  touch(TouchPhase::Moved, {100, 104});  // up 16 points: the scroll takes the touch
  EXPECT_FALSE(button->isHighlighted());
  touch(TouchPhase::Moved, {100, 60});
  EXPECT_EQ(scroll->contentOffset().y, 44);
  touch(TouchPhase::Ended, {100, 60});
  EXPECT_EQ(buttonLog, (std::vector<std::string>{"down", "cancel"}));

  scroll->setContentOffset({0, 0});
  touch(TouchPhase::Began, {320, 215});
  touch(TouchPhase::Moved, {322, 245});
  touch(TouchPhase::Ended, {322, 245});
  EXPECT_EQ(switchLog, (std::vector<std::string>{"down", "cancel"}));
  EXPECT_FALSE(sw->isOn());

  // A touch that lands while the content still moves stops it where it is
  // shown, and does not reach the button the model has under the finger.
  scroll->setContentOffset({0, 300});
  drag({700, 640, 580, 520}, 0);
  advance(0.2);
  button->setFrame(Rect(20, scroll->contentOffset().y + 300, 200, 44));
  ASSERT_EQ(window->hitTest({100, 322}), scroll.get());
  const double shown = shownY();
  ASSERT_GT(scroll->contentOffset().y - shown, 100);
  buttonLog.clear();
  drag({322, 322}, 0, 100);
  EXPECT_TRUE(buttonLog.empty());
  EXPECT_EQ(scroll->contentOffset().y, shown);
  EXPECT_FALSE(scroll->isDecelerating());
}

TEST_F(ScrollViewTest, ASliderThumbDragIsTheSlidersAVerticalDragIsTheScrolls) {
  auto slider = std::make_shared<Slider>(Rect(20, 300, 300, 20));  // thumb centre on screen: (34, 310)
  scroll->addSubview(slider);
  std::vector<std::string> log;
  record(*slider, log);
  std::vector<float> values;
  slider->addAction([&](Control&) { values.push_back(slider->value()); }, ControlEvent::ValueChanged);

  // Mostly sideways, with some wobble: the scroll view gives way.
  touch(TouchPhase::Began, {34, 310});
  touch(TouchPhase::Moved, {50, 313});
  touch(TouchPhase::Moved, {120, 306});
  touch(TouchPhase::Moved, {306, 316});
  touch(TouchPhase::Ended, {306, 316});
  EXPECT_EQ(values, (std::vector<float>{static_cast<float>(16.0 / 272), static_cast<float>(86.0 / 272), 1}));
  EXPECT_EQ(scroll->contentOffset().y, 0);

  // Mostly up or down from the thumb: the page scrolls, the slider's touch
  // is cancelled and its value stays.
  log.clear();
  touch(TouchPhase::Began, {306, 310});
  touch(TouchPhase::Moved, {300, 270});
  touch(TouchPhase::Moved, {290, 200});
  EXPECT_EQ(scroll->contentOffset().y, 70);
  touch(TouchPhase::Ended, {290, 200});
  EXPECT_EQ(log, (std::vector<std::string>{"down", "cancel"}));
  EXPECT_EQ(slider->value(), 1);
}
