#pragma once
// Every panel test runs on a fresh virtual clock, in a fresh temporary
// device root (so the defaults store starts empty), on a phone with the
// default 375 x 812 screen. The panel is made as start-up makes it and
// opened; the user's side is played with real touches: the column is
// scrolled to the control first, as a user would, then the control is
// tapped or its thumb dragged. Every notification posted is recorded.

#include <stdlib.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/DeviceRoot.h"
#include "foundation/NotificationCenter.h"
#include "foundation/RunLoop.h"
#include "foundation/UserDefaults.h"
#include "panel/LyricSettingWindow.h"
#include "quartz/Transaction.h"
#include "ui/Application.h"
#include "ui/Device.h"
#include "ui/Screen.h"

class PanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "hv-panel-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    foundation::DeviceRoot::setRoot(root_);
    foundation::UserDefaults::resetStandardUserDefaults();
    foundation::RunLoop::useVirtualClock(0);
    ui::Device::current().reset();
    ui::Screen::main().reset();
    ui::Application::shared().reset();
    observation_ = foundation::NotificationCenter::defaultCenter().addObserver(
        "", [this](const foundation::Notification& n) { posted.push_back(n.name); });
  }

  void TearDown() override {
    panel.reset();
    observation_.reset();
    ui::Device::current().reset();
    ui::Application::shared().reset();
    foundation::UserDefaults::resetStandardUserDefaults();
    foundation::DeviceRoot::setRoot({});
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

  static foundation::UserDefaults& store() { return foundation::UserDefaults::standardUserDefaults(); }
  static void set(std::string_view key, std::string_view value) { store().setObject(foundation::Value(value), key); }
  // The stored text, "absent" when there is none.
  static std::string stored(std::string_view key) {
    const foundation::Value value = store().objectForKey(key);
    return value.text() ? *value.text() : value.isNil() ? "absent" : "not text";
  }

  // Start-up: full screen, alert level, shown, then opened and laid out.
  void open(ui::UserInterfaceIdiom idiom = ui::UserInterfaceIdiom::Phone) {
    ui::Device::current().setUserInterfaceIdiom(idiom);
    if (idiom == ui::UserInterfaceIdiom::Pad) ui::Screen::main().setBounds({0, 0, 1024, 1366});
    panel = LyricSettingWindow::initWithFrame(ui::Screen::main().bounds());
    panel->setWindowLevel(ui::WindowLevel::alert);
    panel->makeKeyAndVisible();
    panel->setAlpha(1);
    turn();
    posted.clear();
  }

  static void turn() { foundation::RunLoop::main().advance(0.05); }

  // Scrolls the column so the whole of `view` shows.
  void reveal(const ui::View& view) {
    ui::ScrollView& column = *panel->scroll();
    const double height = column.bounds().height();
    const double y = std::clamp(view.frame().midY() - height / 2, 0.0, column.maximumContentOffset().y);
    column.setContentOffset({0, y});
    turn();
  }

  void touch(ui::Point from, ui::Point to) {
    ui::Application& app = ui::Application::shared();
    app.sendTouch(ui::TouchPhase::Began, from);
    turn();
    if (from != to) {
      app.sendTouch(ui::TouchPhase::Moved, to);
      turn();
    }
    app.sendTouch(ui::TouchPhase::Ended, to);
    foundation::RunLoop::main().advance(0.5);  // the next touch is not a double tap
  }

  // A tap in the middle of `view` (or of `local`, in its bounds).
  void tap(const ui::View& view) { tapAt(view, {view.bounds().midX(), view.bounds().midY()}); }
  void tapAt(const ui::View& view, ui::Point local) {
    reveal(view);
    const ui::Point p = view.convertPoint(local, nullptr);
    touch(p, p);
  }

  // Grabs the thumb and drags it, in one horizontal move, to where `value`
  // sits on the track (the thumb's centre travels one radius in from each end).
  void drag(const ui::Slider& slider, double value) {
    reveal(slider);
    const ui::Rect thumb = slider.thumbRect();
    const double r = ui::Slider::kThumbDiameter / 2;
    const double fraction = (value - slider.minimumValue()) / (slider.maximumValue() - slider.minimumValue());
    const ui::Point from = slider.convertPoint({thumb.midX(), thumb.midY()}, nullptr);
    const ui::Point to =
        slider.convertPoint({r + fraction * (slider.bounds().width() - 2 * r), thumb.midY()}, nullptr);
    touch(from, to);
  }

  std::shared_ptr<LyricSettingWindow> panel;
  std::vector<std::string> posted;

 private:
  std::filesystem::path root_;
  foundation::Observation observation_;
};
