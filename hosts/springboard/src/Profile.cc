#include "Profile.h"

#include <array>

#include "ui/Application.h"
#include "ui/Device.h"
#include "ui/Screen.h"

namespace springboard {

namespace {
constexpr std::array<Profile, 4> kProfiles{{
    {"iphone-x", 375, 812, 3, false, "iPhone10,3", "15.0", 44},
    {"iphone-8", 375, 667, 2, false, "iPhone10,1", "15.0", 20},
    {"iphone-x-ios12", 375, 812, 3, false, "iPhone10,3", "12.4", 44},
    {"ipad", 1024, 1366, 2, true, "iPad8,5", "15.0", 24},
}};
}  // namespace

const Profile* findProfile(std::string_view name) {
  for (const Profile& p : kProfiles)
    if (p.name == name) return &p;
  return nullptr;
}

void applyProfile(const Profile& profile) {
  ui::Screen::main().setBounds({0, 0, profile.width, profile.height});
  ui::Screen::main().setScale(profile.scale);
  ui::Device& device = ui::Device::current();
  device.setUserInterfaceIdiom(profile.pad ? ui::UserInterfaceIdiom::Pad : ui::UserInterfaceIdiom::Phone);
  device.setModel(std::string(profile.model));
  device.setSystemVersion(std::string(profile.systemVersion));
  ui::Application::shared().setStatusBarFrame({0, 0, profile.width, profile.statusBarHeight});
}

}  // namespace springboard
