#pragma once
// The device's audio session as far as the system asks it anything: which
// outputs the sound currently goes to. There is no audio hardware behind it.
// The route is one for the whole device: it lives in the route file under
// the device root (kDeviceRoutePath), which every process reads at each query
// and the device or a control command writes; no file means no outputs.
// A process may instead pin a route of its own (tools, tests, fuzzers), and
// then the file does not affect it.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/Status.h"

namespace media {

// Port types as the platform names them.
inline constexpr std::string_view AudioSessionPortBuiltInSpeaker = "Speaker";
inline constexpr std::string_view AudioSessionPortBuiltInReceiver = "Receiver";
inline constexpr std::string_view AudioSessionPortHeadphones = "Headphones";
inline constexpr std::string_view AudioSessionPortLineOut = "LineOut";
inline constexpr std::string_view AudioSessionPortHDMI = "HDMIOutput";
inline constexpr std::string_view AudioSessionPortUSBAudio = "USBAudio";
inline constexpr std::string_view AudioSessionPortCarAudio = "CarAudio";
inline constexpr std::string_view AudioSessionPortBluetoothA2DP = "BluetoothA2DPOutput";
inline constexpr std::string_view AudioSessionPortBluetoothHFP = "BluetoothHFP";
inline constexpr std::string_view AudioSessionPortBluetoothLE = "BluetoothLE";
inline constexpr std::string_view AudioSessionPortAirPlay = "AirPlay";

struct AudioSessionPortDescription {
  std::string portType;
  std::string portName;
  bool operator==(const AudioSessionPortDescription&) const = default;
};

struct AudioSessionRouteDescription {
  std::vector<AudioSessionPortDescription> outputs;
  bool operator==(const AudioSessionRouteDescription&) const = default;
};

// One per process, never destroyed. Main thread only, like everything the
// system does.
class AudioSession {
 public:
  static constexpr std::string_view kDeviceRoutePath = "/var/run/hoververse/AudioRoute.plist";

  static AudioSession& sharedInstance();

  // The pinned route, else the device's route as its file says now. The
  // reference stays valid until the next call.
  const AudioSessionRouteDescription& currentRoute() const;
  // Pins this process's route; nothing is written.
  void setCurrentRoute(AudioSessionRouteDescription route);
  // Pins one output of the given port type, or no outputs when it is empty.
  void setCurrentOutput(std::string_view portType);
  // Follows the device's route again.
  void useDeviceRoute();

  // The device-wide route file: { outputs = ({ portType = …; portName = …; }); }.
  // Reading an absent or unreadable file gives no outputs; writing is atomic.
  static AudioSessionRouteDescription deviceRoute();
  static foundation::Status setDeviceRoute(const AudioSessionRouteDescription& route);

 private:
  bool pinned_ = false;
  mutable AudioSessionRouteDescription route_;
};

}  // namespace media
