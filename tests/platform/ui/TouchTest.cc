#include <gtest/gtest.h>

#include <numbers>

#include "foundation/RunLoop.h"
#include "ui/Application.h"
#include "ui/GestureRecognizer.h"
#include "ui/Label.h"
#include "ui/Window.h"

using namespace ui;
using S = GestureRecognizerState;

namespace {

class TouchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    foundation::RunLoop::useVirtualClock(0);
    Application::shared().reset();
  }
  void TearDown() override { Application::shared().reset(); }
  foundation::RunLoop& loop() { return foundation::RunLoop::main(); }
  void tap(Point p) {
    Application::shared().sendTouch(TouchPhase::Began, p);
    Application::shared().sendTouch(TouchPhase::Ended, p);
  }
};

struct TouchLog : View {
  using View::View;
  std::vector<TouchPhase> phases;
  void touchesBegan(const Touch&) override { phases.push_back(TouchPhase::Began); }
  void touchesMoved(const Touch&) override { phases.push_back(TouchPhase::Moved); }
  void touchesEnded(const Touch&) override { phases.push_back(TouchPhase::Ended); }
  void touchesCancelled(const Touch&) override { phases.push_back(TouchPhase::Cancelled); }
};

}  // namespace

TEST_F(TouchTest, HitTestSkipsHiddenTransparentAndInert) {
  auto root = std::make_shared<View>(Rect(0, 0, 100, 100));
  auto a = std::make_shared<View>(Rect(0, 0, 50, 50));
  root->addSubview(a);
  EXPECT_EQ(root->hitTest({10, 10}), a.get());
  a->setAlpha(0.009);
  EXPECT_EQ(root->hitTest({10, 10}), root.get());
  a->setAlpha(0.01);
  EXPECT_EQ(root->hitTest({10, 10}), a.get());
  a->setHidden(true);
  EXPECT_EQ(root->hitTest({10, 10}), root.get());
  a->setHidden(false);
  a->setUserInteractionEnabled(false);
  EXPECT_EQ(root->hitTest({10, 10}), root.get());
  auto label = std::make_shared<Label>(Rect(0, 0, 50, 50));
  root->addSubview(label);  // labels take no touches by default
  EXPECT_EQ(root->hitTest({10, 10}), root.get());
  EXPECT_EQ(root->hitTest({150, 10}), nullptr);
}

TEST_F(TouchTest, SubviewsOutsideBoundsAreNotHit) {
  auto root = std::make_shared<View>(Rect(0, 0, 100, 100));
  auto outside = std::make_shared<View>(Rect(120, 0, 50, 50));
  root->addSubview(outside);
  EXPECT_EQ(root->hitTest({130, 10}), nullptr);
}

TEST_F(TouchTest, TouchGoesToFrontmostWindowThatHits) {
  auto low = std::make_shared<Window>(Rect(0, 0, 375, 812));
  auto high = std::make_shared<Window>(Rect(20, 80, 300, 40));
  high->setWindowLevel(WindowLevel::alert);
  low->makeKeyAndVisible();
  high->setHidden(false);
  int lowTaps = 0, highTaps = 0;
  low->addGestureRecognizer(std::make_shared<TapGestureRecognizer>([&](GestureRecognizer&) { ++lowTaps; }));
  high->addGestureRecognizer(std::make_shared<TapGestureRecognizer>([&](GestureRecognizer&) { ++highTaps; }));
  tap({100, 100});
  loop().advance(1);
  tap({100, 300});
  EXPECT_EQ(highTaps, 1);
  EXPECT_EQ(lowTaps, 1);
  high->setAlpha(0);  // a fully transparent window takes no touches
  loop().advance(1);
  tap({100, 100});
  EXPECT_EQ(lowTaps, 2);
}

TEST_F(TouchTest, WindowsOrderedByLevelThenShowOrder) {
  auto a = std::make_shared<Window>(), b = std::make_shared<Window>(), c = std::make_shared<Window>();
  a->setWindowLevel(WindowLevel::alert);
  a->setHidden(false);
  b->setHidden(false);
  c->setHidden(false);
  b->setHidden(true);
  b->setHidden(false);  // shown again: in front of c
  std::vector<Window*> mine;
  for (Window* w : Application::shared().visibleWindows())
    if (w == a.get() || w == b.get() || w == c.get()) mine.push_back(w);
  EXPECT_EQ(mine, (std::vector<Window*>{c.get(), b.get(), a.get()}));
}

TEST_F(TouchTest, TapInTurnedWindowUsesWindowCoordinates) {
  auto w = std::make_shared<Window>(Rect(20, 80, 300, 40));
  w->setTransform(AffineTransform::makeRotation(std::numbers::pi / 2));
  w->setHidden(false);
  Point where;
  auto tapRecognizer = std::make_shared<TapGestureRecognizer>([&](GestureRecognizer& r) { where = r.locationInView(r.view()); });
  w->addGestureRecognizer(tapRecognizer);
  // On screen the window now spans x 150..190, y -50..250.
  tap({170, 0});
  EXPECT_NEAR(where.x, 50, 1e-9);
  EXPECT_NEAR(where.y, 20, 1e-9);
}

TEST_F(TouchTest, DoubleTapNeedsSecondTapInTime) {
  auto w = std::make_shared<Window>(Rect(0, 0, 375, 812));
  w->setHidden(false);
  auto doubleTap = std::make_shared<TapGestureRecognizer>();
  doubleTap->setNumberOfTapsRequired(2);
  int recognized = 0;
  doubleTap->addTarget([&](GestureRecognizer&) { ++recognized; });
  w->addGestureRecognizer(doubleTap);
  tap({100, 100});
  loop().advance(0.2);
  tap({102, 101});
  EXPECT_EQ(recognized, 1);
  EXPECT_EQ(doubleTap->stateHistory(), (std::vector<S>{S::Ended}));
  loop().advance(1);
  tap({100, 100});
  loop().advance(0.4);  // too slow
  tap({100, 100});
  EXPECT_EQ(recognized, 1);
  EXPECT_EQ(doubleTap->stateHistory(), (std::vector<S>{S::Ended, S::Failed}));
  EXPECT_EQ(doubleTap->state(), S::Possible);
}

TEST_F(TouchTest, PanStatesAndTranslation) {
  auto w = std::make_shared<Window>(Rect(0, 0, 375, 812));
  w->setHidden(false);
  auto view = std::make_shared<TouchLog>(Rect(0, 0, 375, 812));
  w->addSubview(view);
  auto pan = std::make_shared<PanGestureRecognizer>();
  std::vector<std::pair<S, Point>> seen;
  pan->addTarget([&](GestureRecognizer& r) {
    seen.emplace_back(r.state(), static_cast<PanGestureRecognizer&>(r).translationInView(nullptr));
  });
  w->addGestureRecognizer(pan);
  auto& app = Application::shared();
  app.sendTouch(TouchPhase::Began, {100, 100});
  app.sendTouch(TouchPhase::Moved, {105, 100});  // within the 10-point slop
  app.sendTouch(TouchPhase::Moved, {120, 100});
  app.sendTouch(TouchPhase::Moved, {130, 90});
  app.sendTouch(TouchPhase::Ended, {130, 90});
  EXPECT_EQ(seen, (std::vector<std::pair<S, Point>>{{S::Began, {20, 0}}, {S::Changed, {30, -10}}, {S::Ended, {30, -10}}}));
  // The view saw the touch until the pan took it.
  EXPECT_EQ(view->phases, (std::vector<TouchPhase>{TouchPhase::Began, TouchPhase::Moved, TouchPhase::Cancelled}));
  EXPECT_EQ(pan->state(), S::Possible);
}

TEST_F(TouchTest, LongPressOnRunLoopClock) {
  auto w = std::make_shared<Window>(Rect(0, 0, 375, 812));
  w->setHidden(false);
  auto press = std::make_shared<LongPressGestureRecognizer>();
  auto tapRecognizer = std::make_shared<TapGestureRecognizer>();
  w->addGestureRecognizer(press);
  w->addGestureRecognizer(tapRecognizer);
  auto& app = Application::shared();
  app.sendTouch(TouchPhase::Began, {50, 50});
  loop().advance(0.49);
  EXPECT_EQ(press->state(), S::Possible);
  loop().advance(0.02);
  EXPECT_EQ(press->state(), S::Began);
  EXPECT_EQ(tapRecognizer->state(), S::Failed);  // excluded by the long press
  app.sendTouch(TouchPhase::Moved, {55, 50});
  app.sendTouch(TouchPhase::Ended, {55, 50});
  EXPECT_EQ(press->stateHistory(), (std::vector<S>{S::Began, S::Changed, S::Ended}));
  EXPECT_EQ(tapRecognizer->state(), S::Possible);

  // A short press is a tap, and the long press fails.
  app.sendTouch(TouchPhase::Began, {50, 50});
  loop().advance(0.1);
  app.sendTouch(TouchPhase::Ended, {50, 50});
  EXPECT_EQ(press->stateHistory().back(), S::Failed);
  EXPECT_EQ(tapRecognizer->stateHistory().back(), S::Ended);
  loop().advance(1);
  EXPECT_EQ(press->stateHistory().back(), S::Failed);  // the old timer fired nothing
}

TEST_F(TouchTest, RecognisersOfAViewDestroyedMidTouchRunNoActions) {
  // Actions capture their view raw, as system code does; under ASan a call
  // after the view is gone would be a use after free.
  struct Counter : View {
    using View::View;
    int taps = 0;
  };
  auto w = std::make_shared<Window>(Rect(0, 0, 375, 812));
  w->setHidden(false);
  std::vector<std::string> fired;
  auto addTarget = [&](const std::string& name, std::shared_ptr<GestureRecognizer> r) {
    auto view = std::make_shared<Counter>(Rect(0, 0, 100, 100));
    Counter* raw = view.get();
    r->addTarget([&fired, raw, name](GestureRecognizer&) {
      ++raw->taps;
      fired.push_back(name);
    });
    view->addGestureRecognizer(std::move(r));
    w->addSubview(view);
    return std::weak_ptr<Counter>(view);
  };
  auto& app = Application::shared();

  // A tap whose view goes between touch-down and lift.
  auto tapView = addTarget("tap", std::make_shared<TapGestureRecognizer>());
  app.sendTouch(TouchPhase::Began, {50, 50});
  tapView.lock()->removeFromSuperview();
  ASSERT_TRUE(tapView.expired());
  app.sendTouch(TouchPhase::Ended, {50, 50});

  // A long press whose view goes before its timer fires, and a pan mid-drag.
  auto pressView = addTarget("press", std::make_shared<LongPressGestureRecognizer>());
  app.sendTouch(TouchPhase::Began, {50, 50});
  pressView.lock()->removeFromSuperview();
  loop().advance(1);
  app.sendTouch(TouchPhase::Ended, {50, 50});
  auto panView = addTarget("pan", std::make_shared<PanGestureRecognizer>());
  app.sendTouch(TouchPhase::Began, {50, 50});
  app.sendTouch(TouchPhase::Moved, {80, 50});
  panView.lock()->removeFromSuperview();
  app.sendTouch(TouchPhase::Moved, {90, 50});
  app.sendTouch(TouchPhase::Ended, {90, 50});
  EXPECT_EQ(fired, (std::vector<std::string>{"pan"}));  // the move before it went
}
