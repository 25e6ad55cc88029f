#pragma once
// Per-test surroundings of the floating window: pinned fonts, a fresh empty
// device root (settings file and defaults store inside it), the standard
// defaults store recreated there, and a main run loop on a virtual clock.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "TestFonts.h"
#include "foundation/DeviceRoot.h"
#include "foundation/RunLoop.h"
#include "foundation/UserDefaults.h"
#include "quartz/Transaction.h"

class FloatingTest : public ::testing::Test {
 protected:
  FloatingTest() {
    std::string pattern = (std::filesystem::temp_directory_path() / "hv-floating-XXXXXX").string();
    const char* made = ::mkdtemp(pattern.data());
    root_ = made != nullptr ? std::filesystem::path(made) : std::filesystem::path();
    foundation::DeviceRoot::setRoot(root_);
    foundation::UserDefaults::resetStandardUserDefaults();
    clock_ = &foundation::RunLoop::useVirtualClock(100.0);
  }
  ~FloatingTest() override {
    foundation::UserDefaults::resetStandardUserDefaults();
    foundation::DeviceRoot::setRoot({});
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

  static foundation::UserDefaults& defaults() { return foundation::UserDefaults::standardUserDefaults(); }
  static void set(std::string_view key, std::string value) { defaults().setObject(foundation::Value(std::move(value)), key); }
  static void advance(double seconds) { foundation::RunLoop::main().advance(seconds); }
  double now() const { return clock_->now(); }

  std::filesystem::path root_;
  foundation::VirtualClock* clock_ = nullptr;
};
