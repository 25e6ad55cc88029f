#include "media/AudioSession.h"

#include <gtest/gtest.h>

namespace media {
namespace {

TEST(AudioSession, SharedSessionStartsWithNoOutputsAndKeepsTheRouteItIsGiven) {
  AudioSession& session = AudioSession::sharedInstance();
  EXPECT_EQ(&session, &AudioSession::sharedInstance());
  EXPECT_TRUE(session.currentRoute().outputs.empty());

  session.setCurrentRoute({{{"AirPlay", "Living room"}, {"Speaker", "Speaker"}}});
  ASSERT_EQ(AudioSession::sharedInstance().currentRoute().outputs.size(), 2u);
  EXPECT_EQ(AudioSession::sharedInstance().currentRoute().outputs[0].portType, AudioSessionPortAirPlay);

  session.setCurrentOutput(AudioSessionPortBluetoothA2DP);
  ASSERT_EQ(session.currentRoute().outputs.size(), 1u);
  EXPECT_EQ(session.currentRoute().outputs[0].portType, "BluetoothA2DPOutput");

  session.setCurrentOutput("");
  EXPECT_TRUE(session.currentRoute().outputs.empty());
}

}  // namespace
}  // namespace media
