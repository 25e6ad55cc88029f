// The names and files the device's programs share.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string_view>
#include <utility>

#include "TempDeviceRoot.h"
#include "hostcommon/DesktopSource.h"
#include "hostcommon/DeviceBus.h"
#include "hostcommon/DeviceLock.h"
#include "hostcommon/DeviceProfile.h"
#include "hostcommon/DeviceState.h"
#include "hostcommon/MusicApp.h"

namespace {

TEST(DeviceBusTest, BusAddressesEscapeEveryByteADBusAddressCannotHoldPlainly) {
  const std::vector<std::pair<std::string, std::string>> cases{
      {"/tmp/dev/run/bus", "unix:path=/tmp/dev/run/bus"},
      {"/tmp/my device/run/bus", "unix:path=/tmp/my%20device/run/bus"},
      {"/tmp/a,b=c;d/run/bus", "unix:path=/tmp/a%2cb%3dc%3bd/run/bus"},
      {"/tmp/50%/run/bus", "unix:path=/tmp/50%25/run/bus"},
      {"/tmp/设备/run/bus", "unix:path=/tmp/%e8%ae%be%e5%a4%87/run/bus"},
      {"/tmp/$(x)'*/bus", "unix:path=/tmp/%24%28x%29%27%2a/bus"},
  };
  for (const auto& [socket, address] : cases) EXPECT_EQ(hostcommon::busAddressForSocket(socket), address);
}

TEST(DeviceBusTest, LayoutPlacesEverythingUnderTheAbsoluteRoot) {
  const hostcommon::DeviceLayout layout("/srv/phone/");
  EXPECT_EQ(layout.root(), "/srv/phone");
  EXPECT_EQ(layout.busSocket(), "/srv/phone/run/bus");
  EXPECT_EQ(layout.busAddress(), "unix:path=/srv/phone/run/bus");
  EXPECT_EQ(layout.stateFile(), "/srv/phone/run/device.plist");
  EXPECT_EQ(layout.logFile("SpringBoard"), "/srv/phone/var/log/hoververse/SpringBoard.log");

  const hostcommon::DeviceLayout relative("phone");
  EXPECT_EQ(relative.root(), std::filesystem::current_path() / "phone");

  // sun_path holds 107 bytes and a terminator; "/run/bus" adds 8.
  EXPECT_TRUE(hostcommon::DeviceLayout("/" + std::string(98, 'r')).checkSocketPath().ok());
  const auto tooLong = hostcommon::DeviceLayout("/" + std::string(99, 'r')).checkSocketPath();
  EXPECT_FALSE(tooLong.ok());
  EXPECT_NE(tooLong.message().find("is 108 bytes long"), std::string::npos) << tooLong.message();
}

TEST(DeviceBusTest, MusicAppsAndProfilesAreFoundByExactName) {
  struct AppCase {
    std::string bundle;
    std::string process;  // empty: not an app
    std::string busName;
  };
  const std::vector<AppCase> apps{
      {"com.netease.cloudmusic", "NeteaseMusic", "org.hoververse.MusicApp.com_2enetease_2ecloudmusic"},
      {"com.tencent.QQMusic", "QQMusic", "org.hoververse.MusicApp.com_2etencent_2eQQMusic"},
      {"com.kugou.kugou1002", "kugou", "org.hoververse.MusicApp.com_2ekugou_2ekugou1002"},
      {"com.kugou.kgyouth", "kugouyouth", "org.hoververse.MusicApp.com_2ekugou_2ekgyouth"},
      {"com.yeelion.kwplayer", "KuwoPlayer", "org.hoververse.MusicApp.com_2eyeelion_2ekwplayer"},
      {"com.migu.migumobilemusic", "MiguMusic", "org.hoververse.MusicApp.com_2emigu_2emigumobilemusic"},
      {"com.kugou", "", ""},
      {"com.tencent.qqmusic", "", ""},
      {"", "", ""},
  };
  for (const AppCase& c : apps) {
    const hostcommon::MusicApp* app = hostcommon::findMusicApp(c.bundle);
    EXPECT_EQ(app != nullptr ? std::string(app->processName) : "", c.process) << c.bundle;
    if (app != nullptr) {
      EXPECT_EQ(hostcommon::musicAppBusName(c.bundle), c.busName);
      EXPECT_LE(app->processName.size(), 15u) << "comm holds 15 bytes";
    }
  }
  const hostcommon::DeviceProfile* byDefault = hostcommon::findProfile(hostcommon::kDefaultProfileName);
  ASSERT_NE(byDefault, nullptr);
  EXPECT_EQ(byDefault, &hostcommon::deviceProfiles().front());
  EXPECT_TRUE(byDefault->hasTallStatusBar());
  EXPECT_FALSE(hostcommon::findProfile("iphone-8")->hasTallStatusBar());
  EXPECT_EQ(hostcommon::findProfile("ipad")->idiom, hostcommon::Idiom::pad);
  EXPECT_EQ(hostcommon::findProfile("iphone-x-12")->systemVersion, "12.4");
  EXPECT_EQ(hostcommon::findProfile("iPhone-X"), nullptr);
}

TEST(DeviceStateTest, RoundTripsAndRejectsWhatIsNotAState) {
  hvtest::TempDeviceRoot root;
  const std::filesystem::path file = root.path() / "run/device.plist";
  hostcommon::DeviceState state;
  state.busAddress = "unix:path=/x/run/bus";
  state.supervisorPid = 4242;
  state.root = root.path().string();
  state.profile = "ipad";
  state.route = "AirPlay";
  state.display = ":7";
  state.displayScale = 1.5;
  state.processes = {{"dbus-daemon", 4243, "/usr/bin/dbus-daemon", "", 0},
                     {"SpringBoard", 4250, "/b/hoververse-springboard", "", 2},
                     {"QQMusic", 4301, "/b/hoververse-musicapp", "com.tencent.QQMusic", 0}};
  ASSERT_TRUE(state.write(file).ok());
  EXPECT_EQ(hostcommon::DeviceState::read(file), state);

  EXPECT_FALSE(hostcommon::DeviceState::read(root.path() / "absent.plist").has_value());
  std::ofstream(root.path() / "garbage.plist") << "not a property list";
  EXPECT_FALSE(hostcommon::DeviceState::read(root.path() / "garbage.plist").has_value());
}

TEST(DeviceLockTest, OneHolderAtATimeAndRemovalFreesTheRoot) {
  hvtest::TempDeviceRoot root;
  const hostcommon::DeviceLayout layout(root.path());
  EXPECT_FALSE(hostcommon::DeviceLock::isHeld(layout));
  hostcommon::DeviceLock first;
  std::string error;
  ASSERT_EQ(first.acquire(layout, error), hostcommon::DeviceLock::Outcome::acquired) << error;
  first.recordOwner(::getpid());
  EXPECT_TRUE(hostcommon::DeviceLock::isHeld(layout));
  EXPECT_EQ(hostcommon::DeviceLock::recordedOwner(layout), ::getpid());
  hostcommon::DeviceLock second;
  EXPECT_EQ(second.acquire(layout, error), hostcommon::DeviceLock::Outcome::held);

  first.removeAndRelease();
  EXPECT_FALSE(std::filesystem::exists(layout.lockFile()));
  EXPECT_FALSE(hostcommon::DeviceLock::isHeld(layout));
  EXPECT_EQ(hostcommon::DeviceLock::recordedOwner(layout), 0);
  EXPECT_EQ(second.acquire(layout, error), hostcommon::DeviceLock::Outcome::acquired) << error;
}

TEST(DesktopSourceTest, EachPlayerIsOneSupportedAppWhateverItsInstance) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"org.mpris.MediaPlayer2.mpv", "org.hoververse.desktop.mpv"},
      {"org.mpris.MediaPlayer2.vlc.instance4242", "org.hoververse.desktop.vlc"},
      {"org.mpris.MediaPlayer2.chromium.instance7.tab", "org.hoververse.desktop.chromium"},
      {"org.mpris.MediaPlayer2.Lollypop", "org.hoververse.desktop.Lollypop"},
      {"org.mpris.MediaPlayer2.a.b-c_d", "org.hoververse.desktop.a_b-c_d"},
      {"org.mpris.MediaPlayer2.", ""},
      {"org.mpris.MediaPlayer2.instance3", "org.hoververse.desktop.instance3"},
      {"org.freedesktop.Notifications", ""},
      {"", ""},
  };
  for (const auto& [busName, bundle] : cases) {
    EXPECT_EQ(hostcommon::desktopBundleIdentifier(busName), bundle) << busName;
  }
}

}  // namespace
