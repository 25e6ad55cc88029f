#pragma once
// The process's audio session as far as the system asks it anything: which
// outputs the sound currently goes to. There is no audio hardware behind it;
// the host that plays the process (or a test) sets the route, and a fresh
// session has no outputs at all.

#include <string>
#include <utility>
#include <string_view>
#include <vector>

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
  static AudioSession& sharedInstance();

  const AudioSessionRouteDescription& currentRoute() const { return route_; }
  void setCurrentRoute(AudioSessionRouteDescription route) { route_ = std::move(route); }
  // Convenience for hosts and tests: one output of the given port type, or
  // no outputs when the type is empty.
  void setCurrentOutput(std::string_view portType);

 private:
  AudioSessionRouteDescription route_;
};

}  // namespace media
