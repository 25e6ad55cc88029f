#pragma once
// Every always-on test runs on a fresh virtual clock, in a fresh temporary
// device root (so both settings stores start empty), on a phone with the
// default 375 x 812 screen and the kernel's random source.

#include <stdlib.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "TestFonts.h"
#include "foundation/DeviceRoot.h"
#include "foundation/Random.h"
#include "foundation/RunLoop.h"
#include "foundation/UserDefaults.h"
#include "quartz/Transaction.h"
#include "ui/Application.h"
#include "ui/Device.h"
#include "ui/Screen.h"

class AlwaysOnTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "hv-alwayson-XXXXXX").string();
    const char* made = ::mkdtemp(pattern.data());
    ASSERT_NE(made, nullptr);
    root_ = made;
    foundation::DeviceRoot::setRoot(root_);
    foundation::UserDefaults::resetStandardUserDefaults();
    // From 0, as previews start: the shatter's animations are committed at
    // time 0 and must still run.
    clock_ = &foundation::RunLoop::useVirtualClock(kStart);
    ui::Device::current().reset();
    ui::Screen::main().reset();
    ui::Application::shared().reset();
    foundation::setRandomSource({});
  }

  void TearDown() override {
    foundation::setRandomSource({});
    ui::Device::current().reset();
    foundation::UserDefaults::resetStandardUserDefaults();
    foundation::DeviceRoot::setRoot({});
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

  static void set(std::string_view key, std::string_view value) {
    foundation::UserDefaults::standardUserDefaults().setObject(foundation::Value(value), key);
  }

  // Moves virtual time on, firing timers, delayed blocks and commits.
  static void advance(double seconds) { foundation::RunLoop::main().advance(seconds); }
  static double now() { return foundation::RunLoop::main().now(); }
  // Lets one turn pass so that what was set is committed (on screen).
  static void turn() { foundation::RunLoop::main().runOnce(); }

  static constexpr double kStart = 0;
  foundation::VirtualClock* clock_ = nullptr;

 private:
  std::filesystem::path root_;
};
