#pragma once
// Where the device finds the programs it starts. In order: the override
// variable (HOVERVERSE_SPRINGBOARD_PROGRAM, HOVERVERSE_MUSICAPP_PROGRAM: for
// tests and stand-ins), the same folder as hoververse-device (installed side
// by side), then the build tree's layout (hosts/device/hoververse-device ->
// hosts/<folder>/<file>).

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace device {

struct ProgramLocation {
  const char* overrideVariable;
  std::string_view fileName;     // "hoververse-springboard"
  std::string_view buildFolder;  // "springboard"
};

inline constexpr ProgramLocation kSpringBoardProgram{"HOVERVERSE_SPRINGBOARD_PROGRAM",
                                                     "hoververse-springboard", "springboard"};
inline constexpr ProgramLocation kMusicAppProgram{"HOVERVERSE_MUSICAPP_PROGRAM",
                                                  "hoververse-musicapp", "musicapp"};

// The executable, or nothing with `error` naming where it was looked for.
std::optional<std::filesystem::path> findProgram(const ProgramLocation& location, std::string& error);

}  // namespace device
