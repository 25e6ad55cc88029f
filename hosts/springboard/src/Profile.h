#pragma once
// The device profile the home screen plays (shared with the device's other
// programs), applied to this process's screen, device and status bar.

#include "hostcommon/DeviceProfile.h"

namespace springboard {

using Profile = hostcommon::DeviceProfile;
using hostcommon::findProfile;

// Sets the screen, device and status bar of this process from the profile.
void applyProfile(const Profile& profile);

}  // namespace springboard
