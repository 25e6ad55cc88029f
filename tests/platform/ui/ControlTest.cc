// The standard controls driven by touches through the application, as a
// user's finger drives them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/RunLoop.h"
#include "ui/Application.h"
#include "ui/Button.h"
#include "ui/SegmentedControl.h"
#include "ui/Slider.h"
#include "ui/Switch.h"
#include "ui/TreeDump.h"
#include "ui/Window.h"

using namespace ui;

namespace {

// Every control event a control sends, by name, in order.
std::vector<std::string>& record(Control& control, std::vector<std::string>& log) {
  const std::pair<ControlEvent, const char*> names[] = {
      {ControlEvent::TouchDown, "down"},          {ControlEvent::TouchDragInside, "dragIn"},
      {ControlEvent::TouchDragOutside, "dragOut"}, {ControlEvent::TouchDragEnter, "enter"},
      {ControlEvent::TouchDragExit, "exit"},      {ControlEvent::TouchUpInside, "upIn"},
      {ControlEvent::TouchUpOutside, "upOut"},    {ControlEvent::TouchCancel, "cancel"},
      {ControlEvent::ValueChanged, "value"},
  };
  for (const auto& [event, name] : names) {
    std::string n = name;
    control.addAction([&log, n](Control&) { log.push_back(n); }, event);
  }
  return log;
}

class ControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    foundation::RunLoop::useVirtualClock(0);
    Application::shared().reset();
    window = std::make_shared<Window>(Rect(0, 0, 375, 812));
    window->makeKeyAndVisible();
  }
  void TearDown() override { Application::shared().reset(); }

  bool touch(TouchPhase phase, Point p) {
    const bool taken = Application::shared().sendTouch(phase, p);
    foundation::RunLoop::main().advance(1.0 / 60);
    return taken;
  }
  void tap(Point p) {
    touch(TouchPhase::Began, p);
    touch(TouchPhase::Ended, p);
  }

  std::shared_ptr<Window> window;
};

}  // namespace

TEST_F(ControlTest, SwitchTapTogglesAndSendsOneValueChangedCodeSendsNone) {
  auto sw = std::make_shared<Switch>(Rect(300, 100, 50, 20));
  window->addSubview(sw);
  EXPECT_EQ(sw->frame(), Rect(300, 100, 51, 31));  // the natural size, whatever was asked
  std::vector<std::string> log;
  record(*sw, log);
  const Point offKnob = sw->knobLayer()->position();

  tap({320, 115});
  EXPECT_TRUE(sw->isOn());
  EXPECT_EQ(log, (std::vector<std::string>{"down", "value", "upIn"}));
  // The knob slides over (an animation from where it was), no jump.
  auto slide = std::dynamic_pointer_cast<const quartz::BasicAnimation>(sw->knobLayer()->animationForKey("position"));
  ASSERT_NE(slide, nullptr);
  EXPECT_EQ(std::get<Point>(*slide->fromValue()), offKnob);
  EXPECT_GT(sw->knobLayer()->position().x, offKnob.x);

  log.clear();
  sw->setOn(false, true);
  sw->setOn(true, false);
  sw->setOn(false, false);
  EXPECT_TRUE(log.empty());
  EXPECT_FALSE(sw->isOn());
  EXPECT_EQ(sw->knobLayer()->position(), offKnob);

  // A drag to the left on a switch that is off leaves it off, silently; a
  // drag to the right turns it on.
  touch(TouchPhase::Began, {330, 115});
  touch(TouchPhase::Moved, {310, 115});
  touch(TouchPhase::Ended, {305, 115});
  EXPECT_FALSE(sw->isOn());
  touch(TouchPhase::Began, {305, 115});
  touch(TouchPhase::Moved, {340, 115});
  touch(TouchPhase::Ended, {345, 115});
  EXPECT_TRUE(sw->isOn());
  EXPECT_EQ(std::count(log.begin(), log.end(), "value"), 1);
}

TEST_F(ControlTest, SliderDragSendsClampedValuePerMoveAndTrackDoesNotJump) {
  // 200 wide: the thumb's centre travels from x 34 to x 206 on screen.
  auto slider = std::make_shared<Slider>(Rect(20, 100, 200, 20));
  window->addSubview(slider);
  slider->setMinimumValue(10);
  slider->setMaximumValue(20);
  slider->setValue(15);
  EXPECT_EQ(slider->thumbRect().midX(), 100);  // halfway along the travel
  std::vector<float> values;
  slider->addAction([&](Control& c) { values.push_back(static_cast<Slider&>(c).value()); }, ControlEvent::ValueChanged);

  // Grabbed 3 points right of the thumb's centre: the thumb keeps that
  // offset. The thumb centres asked for (screen x): 3/4, past the right
  // end twice, 1/4, past the left end.
  touch(TouchPhase::Began, {123, 110});
  for (double x : {163.0, 400.0, 401.0, 77.0, -50.0}) touch(TouchPhase::Moved, {x + 3, 110});
  touch(TouchPhase::Ended, {-47, 110});
  EXPECT_EQ(values, (std::vector<float>{17.5f, 20, 20, 12.5f, 10}));
  EXPECT_EQ(slider->value(), 10);

  // The track away from the thumb: nothing moves, nothing is sent.
  values.clear();
  touch(TouchPhase::Began, {200, 110});
  touch(TouchPhase::Moved, {150, 110});
  touch(TouchPhase::Ended, {150, 110});
  EXPECT_TRUE(values.empty());
  EXPECT_EQ(slider->value(), 10);

  // Not continuous: one event on release, with the final value.
  slider->setContinuous(false);
  touch(TouchPhase::Began, {34, 110});
  touch(TouchPhase::Moved, {60, 110});
  touch(TouchPhase::Moved, {120, 110});
  touch(TouchPhase::Ended, {120, 110});
  EXPECT_EQ(values, (std::vector<float>{15}));
}

TEST_F(ControlTest, SliderShowsValuesClampedToItsRange) {
  struct Case {
    float minimum, maximum, set;
    float value, shownMinimum, shownMaximum;
  };
  const Case cases[] = {
      {0, 1, 0.5f, 0.5f, 0, 1},     {0, 1, 2, 1, 0, 1},        {0, 1, -3, 0, 0, 1},
      {14, 50, 0, 14, 14, 50},      {0.2f, 1, 0.001f, 0.2f, 0.2f, 1},
      {5, 2, 3, 2, 2, 2},  // minimum 5 raises the maximum to 5; maximum 2 then lowers the minimum
      {0, 1, std::nanf(""), 0, 0, 1},
  };
  for (const Case& c : cases) {
    Slider s(Rect(0, 0, 100, 31));
    s.setMinimumValue(c.minimum);
    s.setMaximumValue(c.maximum);
    s.setValue(c.set);
    EXPECT_EQ(s.value(), c.value) << c.minimum << ".." << c.maximum << " set " << c.set;
    EXPECT_EQ(s.minimumValue(), c.shownMinimum);
    EXPECT_EQ(s.maximumValue(), c.shownMaximum);
  }
  // Moving an end re-clamps the value shown, as the colour editor relies on.
  Slider alpha(Rect(0, 0, 100, 31));
  alpha.setMinimumValue(0.001f);
  alpha.setValue(0.001f);
  alpha.setMinimumValue(0.2f);
  EXPECT_EQ(alpha.value(), 0.2f);
  alpha.setMaximumValue(0.1f);
  EXPECT_EQ(alpha.value(), 0.1f);
  EXPECT_EQ(alpha.minimumValue(), 0.1f);
}

TEST_F(ControlTest, SegmentedTapOnAnotherSegmentSelectsItTapOnSelectedSendsNothing) {
  auto seg = std::make_shared<SegmentedControl>(std::vector<std::string>{"歌词颜色", "背景颜色", "熄屏歌词颜色", "媒体控制颜色"},
                                                Rect(10, 300, 360, 30));
  window->addSubview(seg);
  seg->setSelectedSegmentIndex(0);
  std::vector<std::string> log;
  record(*seg, log);
  std::vector<long> selected;
  seg->addAction([&](Control& c) { selected.push_back(static_cast<SegmentedControl&>(c).selectedSegmentIndex()); },
                 ControlEvent::ValueChanged);

  tap({10 + 90 * 2 + 45, 315});  // the third segment
  tap({10 + 90 * 2 + 5, 315});   // the same one again
  tap({10 + 90 * 1 + 45, 315});
  EXPECT_EQ(selected, (std::vector<long>{2, 1}));
  EXPECT_EQ(std::count(log.begin(), log.end(), "upIn"), 3);
  EXPECT_EQ(seg->selectionLayer()->frame(), seg->rectForSegment(1).insetBy(2, 2));

  seg->setSelectedSegmentIndex(3);
  seg->setSelectedSegmentIndex(7);  // out of range: nothing selected
  EXPECT_EQ(seg->selectedSegmentIndex(), SegmentedControl::noSegment);
  EXPECT_EQ(selected.size(), 2u);
}

TEST_F(ControlTest, ButtonHighlightsWhilePressedAndFiresOnlyWhenReleasedInside) {
  auto button = Button::buttonWithType(ButtonType::System);
  button->setFrame(Rect(100, 400, 100, 40));
  button->setTitle("颜色预览区域", ControlState::Normal);
  button->setTitle("pressed", ControlState::Highlighted);
  window->addSubview(button);
  std::vector<std::string> log;
  record(*button, log);

  touch(TouchPhase::Began, {150, 420});
  EXPECT_TRUE(button->isHighlighted());
  EXPECT_EQ(button->titleLabel()->text(), "pressed");
  EXPECT_DOUBLE_EQ(button->titleLabel()->alpha(), 0.2);  // the system type dims
  touch(TouchPhase::Moved, {150, 540});  // 100 points below: outside even with the platform's slop
  EXPECT_FALSE(button->isHighlighted());
  touch(TouchPhase::Moved, {150, 480});  // within 70 points of the edge: inside again
  EXPECT_TRUE(button->isHighlighted());
  touch(TouchPhase::Ended, {150, 480});
  EXPECT_FALSE(button->isHighlighted());
  EXPECT_EQ(button->titleLabel()->text(), "颜色预览区域");
  EXPECT_DOUBLE_EQ(button->titleLabel()->alpha(), 1);

  touch(TouchPhase::Began, {150, 420});
  touch(TouchPhase::Moved, {150, 700});
  touch(TouchPhase::Ended, {150, 700});
  EXPECT_EQ(log, (std::vector<std::string>{"down", "dragOut", "exit", "dragIn", "enter", "upIn",  //
                                           "down", "dragOut", "exit", "upOut"}));

  // Custom type: white by default, the set colours per state, never dimmed.
  auto close = Button::buttonWithType(ButtonType::Custom);
  close->setTitleColor(Color::whiteColor(), ControlState::Normal);
  close->setTitleColor(Color::grayColor(), ControlState::Highlighted);
  close->setTitle("关闭", ControlState::Normal);
  close->setHighlighted(true);
  EXPECT_EQ(close->titleLabel()->text(), "关闭");
  EXPECT_EQ(close->titleLabel()->textColor(), Color::grayColor());
  EXPECT_DOUBLE_EQ(close->titleLabel()->alpha(), 1);
}

TEST_F(ControlTest, DisabledControlsTakeNoTouches) {
  auto sw = std::make_shared<Switch>(Rect(10, 10, 0, 0));
  auto button = Button::buttonWithType(ButtonType::Custom);
  button->setFrame(Rect(10, 60, 100, 40));
  window->addSubview(sw);
  window->addSubview(button);
  std::vector<std::string> log;
  record(*sw, log);
  record(*button, log);
  sw->setEnabled(false);
  button->setEnabled(false);
  EXPECT_EQ(window->hitTest({20, 20}), window.get());  // passes through to the superview
  tap({20, 20});
  tap({50, 80});
  EXPECT_FALSE(sw->isOn());
  EXPECT_TRUE(log.empty());
  // Disabling during a press ends it without events.
  button->setEnabled(true);
  touch(TouchPhase::Began, {50, 80});
  button->setEnabled(false);
  touch(TouchPhase::Ended, {50, 80});
  EXPECT_EQ(log, (std::vector<std::string>{"down"}));
  EXPECT_FALSE(button->isHighlighted());
}

namespace {
struct Target : View {
  int calls = 0;
  void pressed(Button&) { ++calls; }
  void changed(Control&) { ++calls; }
};
}  // namespace

TEST_F(ControlTest, ActionsNeverRunOnADestroyedTarget) {
  auto button = Button::buttonWithType(ButtonType::Custom);
  button->setFrame(Rect(0, 0, 100, 40));
  window->addSubview(button);
  auto target = std::make_shared<Target>();
  int calls = 0;
  button->addTarget(target.get(), &Target::pressed, ControlEvent::TouchUpInside);
  button->addTarget(std::weak_ptr<const void>(target), [&](Control&) { ++calls; }, ControlEvent::TouchUpInside);
  tap({50, 20});
  EXPECT_EQ(target->calls, 1);
  EXPECT_EQ(calls, 1);

  // The target dies while the finger is down: nothing of it runs (ASan
  // would report the call otherwise), and its actions are gone.
  touch(TouchPhase::Began, {50, 20});
  target.reset();
  touch(TouchPhase::Ended, {50, 20});
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(button->allControlEvents().empty());

  // An action that releases the control itself and another target.
  auto other = std::make_shared<Target>();
  std::weak_ptr<Button> weakButton = button;
  button->addAction([&](Control&) { button->removeFromSuperview(); button.reset(); other.reset(); },
                    ControlEvent::TouchUpInside);
  auto* raw = other.get();
  button->addTarget(raw, &Target::changed, ControlEvent::TouchUpInside);
  tap({50, 20});
  EXPECT_TRUE(weakButton.expired());
  EXPECT_EQ(other, nullptr);

  // removeTarget drops only that target's actions for those events.
  auto sw = std::make_shared<Switch>();
  auto keep = std::make_shared<Target>();
  sw->addTarget(keep.get(), &Target::changed, ControlEvent::ValueChanged | ControlEvent::TouchDown);
  sw->addAction([](Control&) {}, ControlEvent::TouchCancel);
  sw->removeTarget(keep.get(), ControlEvent::TouchDown);
  EXPECT_EQ(sw->allControlEvents(), ControlEvent::ValueChanged | ControlEvent::TouchCancel);
  sw->sendActionsForControlEvents(ControlEvent::ValueChanged);
  EXPECT_EQ(keep->calls, 1);
}

TEST_F(ControlTest, TreeDumpsCarryControlState) {
  auto sw = std::make_shared<Switch>(Rect(0, 0, 0, 0));
  sw->setOn(true);
  auto slider = std::make_shared<Slider>(Rect(0, 40, 100, 20));
  slider->setMinimumValue(0.1f);
  slider->setValue(0.25f);
  auto seg = std::make_shared<SegmentedControl>(std::vector<std::string>{"a", "b"}, Rect(0, 70, 100, 30));
  seg->setSelectedSegmentIndex(1);
  auto button = Button::buttonWithType(ButtonType::Custom);
  button->setTitle("关闭", ControlState::Normal);
  for (auto v : std::vector<std::shared_ptr<View>>{sw, slider, seg, button}) window->addSubview(v);
  const std::string json = treeJson(*window);
  for (const char* field : {R"("class": "Switch", "frame": [0, 0, 51, 31], "alpha": 1, "hidden": false, "on": true)",
                            R"("value": 0.25, "minimumValue": 0.1, "maximumValue": 1)",
                            R"("selectedSegmentIndex": 1, "segments": ["a", "b"])", R"("title": "关闭")"})
    EXPECT_NE(json.find(field), std::string::npos) << field << "\n" << json;
  // The text dump names the control's parts; the knob sits on the right.
  EXPECT_NE(dumpTree(*window).find("Switch frame=(0, 0, 51, 31) on=true\n"
                                   "    + SwitchTrack frame=(0, 0, 51, 31)\n"
                                   "    + SwitchKnob frame=(22, 2, 27, 27)\n"),
            std::string::npos)
      << dumpTree(*window);
}
