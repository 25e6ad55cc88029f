// The device with its real programs: hoververse-device starts the real
// SpringBoard with libhoververseXI.so injected, hoververse-ctl plays a real
// music app, and the home screen survives being killed.

#include <signal.h>

#include <string>

#include "DeviceFixture.h"
#include "foundation/UserDefaults.h"

namespace {

class RealDeviceTest : public RealProgramsFixture {
 protected:
  // The floating window's label text in a dump, from after its name on.
  static std::string floatingText(const std::string& dump) {
    const auto window = dump.find("\"name\": \"lyricWindow\"");
    if (window == std::string::npos) return {};
    const auto text = dump.find("\"text\": \"", window);
    if (text == std::string::npos) return {};
    const auto start = text + 9;
    return dump.substr(start, dump.find('"', start) - start);
  }
};

TEST_F(RealDeviceTest, ALinePlaysAndSpringBoardKilledComesBackWithItsWindowsAndGeometry) {
  const ProgramRun started = device({"start"});
  ASSERT_EQ(started.code, 0) << started.err;
  ASSERT_TRUE(eventually([&] { return floatingText(ctl({"dump"}).out) == "等待歌词..."; }, 20))
      << ctl({"dump"}).out << logOf("SpringBoard");

  const ProgramRun played = ctl({"play", "com.netease.cloudmusic", "--song", "1"});
  ASSERT_EQ(played.code, 0) << played.err;
  ASSERT_TRUE(eventually([&] {
    const std::string text = floatingText(ctl({"dump"}).out);
    return !text.empty() && text != "等待歌词...";
  }, 20)) << ctl({"dump"}).out;

  // Where the user left the window, as a drag stores it in the home
  // screen's defaults store.
  foundation::UserDefaults store(root_ / "var/mobile/Library/Preferences/com.apple.springboard.plist");
  store.setObject(foundation::Value("40.000000"), "USERKEY_13_X");
  store.setObject(foundation::Value("120.000000"), "USERKEY_13_Y");
  ASSERT_TRUE(store.synchronize());
  const pid_t springBoard = pidOf("SpringBoard");
  ASSERT_GT(springBoard, 0);
  ASSERT_EQ(::kill(springBoard, SIGKILL), 0);
  ASSERT_TRUE(eventually([&] {
    const pid_t next = pidOf("SpringBoard");
    return next > 0 && next != springBoard;
  }, 2.0));
  // Back with its three windows, the floating one where it was left.
  EXPECT_TRUE(eventually([&] {
    const std::string dump = ctl({"dump"}).out;
    return dump.find("\"settingWindow\"") != std::string::npos &&
           dump.find("\"fullScreenWindow\"") != std::string::npos &&
           dump.find("\"frame\": [40, 120,") != std::string::npos;
  }, 10)) << ctl({"dump"}).out;
}

}  // namespace
