#include "media/AudioSession.h"

#include <gtest/gtest.h>

#include <fstream>

#include "TempDeviceRoot.h"
#include "foundation/DeviceRoot.h"

namespace media {
namespace {

using Route = AudioSessionRouteDescription;

class AudioSessionTest : public ::testing::Test {
 protected:
  void SetUp() override { AudioSession::sharedInstance().useDeviceRoute(); }
  void TearDown() override { AudioSession::sharedInstance().useDeviceRoute(); }
  std::filesystem::path routeFile() const {
    return foundation::DeviceRoot::resolve(AudioSession::kDeviceRoutePath);
  }
  hvtest::TempDeviceRoot root_;
};

TEST_F(AudioSessionTest, TheRouteIsTheDevicesAsItsFileSaysAtEachQuery) {
  AudioSession& session = AudioSession::sharedInstance();
  EXPECT_TRUE(session.currentRoute().outputs.empty());  // no file: no outputs

  // Another process (the device, a control command) changes the route.
  ASSERT_TRUE(AudioSession::setDeviceRoute({{{"AirPlay", "Living room"}, {"Speaker", "Speaker"}}}).ok());
  EXPECT_EQ(session.currentRoute(), (Route{{{"AirPlay", "Living room"}, {"Speaker", "Speaker"}}}));
  ASSERT_TRUE(AudioSession::setDeviceRoute({{{"BluetoothA2DPOutput", "Car"}}}).ok());
  EXPECT_EQ(session.currentRoute().outputs.at(0).portType, AudioSessionPortBluetoothA2DP);

  // A pinned route ignores the file until the process follows it again.
  session.setCurrentOutput(AudioSessionPortHeadphones);
  EXPECT_EQ(session.currentRoute(), (Route{{{"Headphones", "Headphones"}}}));
  session.setCurrentOutput("");
  EXPECT_TRUE(session.currentRoute().outputs.empty());
  session.useDeviceRoute();
  EXPECT_EQ(session.currentRoute(), (Route{{{"BluetoothA2DPOutput", "Car"}}}));

  ASSERT_TRUE(AudioSession::setDeviceRoute({}).ok());
  EXPECT_TRUE(session.currentRoute().outputs.empty());
}

TEST_F(AudioSessionTest, UnreadableRouteFilesGiveNoOutputsAndNamelessPortsAreSkipped) {
  const struct {
    std::string content;
    Route expected;
  } cases[] = {
      {"not a property list", {}},
      {"<plist><array/></plist>", {}},
      {"<plist><dict><key>outputs</key><string>AirPlay</string></dict></plist>", {}},
      {"<plist><dict><key>outputs</key><array>"
       "<dict><key>portName</key><string>nameless</string></dict>"
       "<dict><key>portType</key><string>AirPlay</string></dict>"
       "</array></dict></plist>",
       {{{"AirPlay", "AirPlay"}}}},
  };
  std::filesystem::create_directories(routeFile().parent_path());
  for (const auto& c : cases) {
    std::ofstream(routeFile()) << c.content;
    EXPECT_EQ(AudioSession::deviceRoute(), c.expected) << c.content;
  }
}

}  // namespace
}  // namespace media
