#pragma once
// Device profiles: the screen, interface idiom, hardware model, system
// version and status bar of the device the home screen plays.

#include <string>
#include <string_view>

namespace springboard {

struct Profile {
  std::string_view name;
  double width, height, scale;  // screen in points, pixels per point
  bool pad;                     // interface idiom
  std::string_view model;       // hardware model name
  std::string_view systemVersion;
  double statusBarHeight;       // 44 on phones with a notch
};

const Profile* findProfile(std::string_view name);
// Sets the screen, device and status bar of this process from the profile.
void applyProfile(const Profile& profile);

}  // namespace springboard
