#include "hostcommon/DeviceProfile.h"

#include <array>

namespace hostcommon {

namespace {

constexpr std::array kProfiles{
    DeviceProfile{"iphone-x", 375, 812, 3, Idiom::phone, "iPhone10,3", "15.0", 44, 30},
    // A home-button phone: the short status bar, and a model whose button
    // events carry another token.
    DeviceProfile{"iphone-8", 375, 667, 2, Idiom::phone, "iPhone10,1", "15.0", 20, 30},
    // A system older than 13.0, which orders the windows and colours differently.
    DeviceProfile{"iphone-x-12", 375, 812, 3, Idiom::phone, "iPhone10,3", "12.4", 44, 30},
    DeviceProfile{"ipad", 1024, 1366, 2, Idiom::pad, "iPad8,1", "15.0", 20, 120},
};

}  // namespace

std::span<const DeviceProfile> deviceProfiles() { return kProfiles; }

const DeviceProfile* findProfile(std::string_view name) {
  for (const DeviceProfile& profile : kProfiles) {
    if (profile.name == name) return &profile;
  }
  return nullptr;
}

}  // namespace hostcommon
