#pragma once
// The system's library as a host injects it: at every start the newest
// libhoververseXI.so is copied into the device root's injection folder
// (/Library/DynamicLibraries) with its filter, which names the home screen,
// every supported music app and the desktop's bridge. Found through
// HOVERVERSE_TWEAK_LIBRARY, beside the running program, in the build tree
// (tweak/Tweak/ from a program two folders down) or in the installed
// library folder (../lib/hoververse from the program's folder).

#include <filesystem>
#include <string>

namespace hostcommon {

// False, with `error`, when no library was found or it could not be copied;
// the device then runs without it.
bool installDeliverable(const std::filesystem::path& root, std::string& error);

}  // namespace hostcommon
