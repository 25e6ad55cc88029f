#pragma once
// The devices a hoververse device can play: screen, idiom, hardware model and
// system version. Built in; the device is started with one by name and hands
// the name to its processes (HOVERVERSE_PROFILE), which look it up here.

#include <span>
#include <string_view>

namespace hostcommon {

enum class Idiom { phone, pad };

struct DeviceProfile {
  std::string_view name;
  double screenWidth;   // points, portrait
  double screenHeight;  // points, portrait
  double scale;         // pixels per point
  Idiom idiom;
  std::string_view hardwareModel;  // uname's machine field, "iPhone10,3"
  std::string_view systemVersion;  // "15.0"
  double statusBarHeight;          // 44 on phones with a notch, else 20
  // Seconds without a touch or an idle-timer reset before the screen locks
  // (or, locked, goes dark); it dims kDimLead seconds before.
  double autoLockSeconds;

  static constexpr double kDimLead = 5.0;

  bool hasTallStatusBar() const { return statusBarHeight == 44.0; }
};

inline constexpr std::string_view kDefaultProfileName = "iphone-x";

// Every built-in profile, the default first.
std::span<const DeviceProfile> deviceProfiles();
// The profile of that name; nullptr when there is none.
const DeviceProfile* findProfile(std::string_view name);

}  // namespace hostcommon
