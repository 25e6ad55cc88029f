#include "Profile.h"

#include <string>

#include "ui/Application.h"
#include "ui/Device.h"
#include "ui/Screen.h"

namespace springboard {

void applyProfile(const Profile& profile) {
  ui::Screen::main().setBounds({0, 0, profile.screenWidth, profile.screenHeight});
  ui::Screen::main().setScale(profile.scale);
  ui::Device& device = ui::Device::current();
  device.setUserInterfaceIdiom(profile.idiom == hostcommon::Idiom::pad ? ui::UserInterfaceIdiom::Pad
                                                                       : ui::UserInterfaceIdiom::Phone);
  device.setModel(std::string(profile.hardwareModel));
  device.setSystemVersion(std::string(profile.systemVersion));
  ui::Application::shared().setStatusBarFrame({0, 0, profile.screenWidth, profile.statusBarHeight});
}

}  // namespace springboard
