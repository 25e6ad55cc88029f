#pragma once
// The system's library as the device injects it: at every start the newest
// libhoververseXI.so is copied into the device root's injection folder
// (/Library/DynamicLibraries) with its filter, which names the home screen
// and every supported music app. Found through HOVERVERSE_TWEAK_LIBRARY,
// beside hoververse-device, or in the build tree (tweak/Tweak/).

#include <filesystem>
#include <string>

namespace device {

// False, with `error`, when no library was found or it could not be copied;
// the device then runs without it.
bool installDeliverable(const std::filesystem::path& root, std::string& error);

}  // namespace device
