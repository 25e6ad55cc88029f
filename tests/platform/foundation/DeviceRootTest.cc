#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "foundation/DeviceRoot.h"

namespace {

using foundation::DeviceRoot;

// Sets or clears an environment variable for one scope, then restores it.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr) ::setenv(name, value, 1);
    else ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_) ::setenv(name_, old_->c_str(), 1);
    else ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class DeviceRootTest : public ::testing::Test {
 protected:
  void TearDown() override { DeviceRoot::setRoot({}); }
};

TEST_F(DeviceRootTest, DevicePathsResolveUnderTheOverriddenRoot) {
  DeviceRoot::setRoot("/tmp/device");
  EXPECT_EQ(DeviceRoot::resolve("/var/mobile/Library/Preferences/1"),
            "/tmp/device/var/mobile/Library/Preferences/1");
  EXPECT_EQ(DeviceRoot::resolve("var/mobile"), "/tmp/device/var/mobile");
  EXPECT_EQ(DeviceRoot::resolve("/a/./b//c/"), "/tmp/device/a/b/c");
  EXPECT_EQ(DeviceRoot::resolve("/"), "/tmp/device");
  EXPECT_EQ(DeviceRoot::resolve(""), "/tmp/device");
}

TEST_F(DeviceRootTest, DotDotNeverClimbsAboveTheRoot) {
  DeviceRoot::setRoot("/tmp/device");
  EXPECT_EQ(DeviceRoot::resolve("/../../etc/passwd"), "/tmp/device/etc/passwd");
  EXPECT_EQ(DeviceRoot::resolve("/var/../../../x"), "/tmp/device/x");
  EXPECT_EQ(DeviceRoot::resolve("/var/mobile/../root"), "/tmp/device/var/root");
  EXPECT_EQ(DeviceRoot::resolve(".."), "/tmp/device");
}

TEST_F(DeviceRootTest, EnvironmentChoosesTheRootWhenNotOverridden) {
  ScopedEnv root("HOVERVERSE_ROOT", nullptr);
  ScopedEnv xdg("XDG_DATA_HOME", nullptr);
  ScopedEnv home("HOME", "/home/tester");
  EXPECT_EQ(DeviceRoot::root(), "/home/tester/.local/share/hoververse/device");
  {
    ScopedEnv data("XDG_DATA_HOME", "/data");
    EXPECT_EQ(DeviceRoot::root(), "/data/hoververse/device");
    ScopedEnv explicitRoot("HOVERVERSE_ROOT", "/explicit");
    EXPECT_EQ(DeviceRoot::root(), "/explicit");
    DeviceRoot::setRoot("/override");
    EXPECT_EQ(DeviceRoot::root(), "/override");
    DeviceRoot::setRoot({});
    EXPECT_EQ(DeviceRoot::root(), "/explicit");
  }
  // A relative XDG_DATA_HOME is not a root and falls through to HOME; a
  // relative HOVERVERSE_ROOT is taken from the current directory.
  ScopedEnv relativeData("XDG_DATA_HOME", "relative/data");
  EXPECT_EQ(DeviceRoot::root(), "/home/tester/.local/share/hoververse/device");
  ScopedEnv relativeRoot("HOVERVERSE_ROOT", "relative/root");
  EXPECT_EQ(DeviceRoot::root(), std::filesystem::current_path() / "relative/root");
}

}  // namespace
