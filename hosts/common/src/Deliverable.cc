#include "hostcommon/Deliverable.h"

#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <system_error>
#include <vector>

#include "foundation/PropertyList.h"
#include "hostcommon/DesktopSource.h"
#include "hostcommon/MusicApp.h"

namespace hostcommon {

namespace {

constexpr const char* kOverrideVariable = "HOVERVERSE_TWEAK_LIBRARY";
constexpr const char* kFileName = "libhoververseXI.so";

std::optional<std::filesystem::path> findLibrary(std::string& error) {
  if (const char* chosen = std::getenv(kOverrideVariable); chosen != nullptr && *chosen != '\0') return chosen;
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) {
    error = "cannot tell where this program is: " + ec.message();
    return std::nullopt;
  }
  const std::filesystem::path folder = self.parent_path();
  for (const std::filesystem::path& candidate :
       {folder / kFileName, (folder / "../../tweak/Tweak" / kFileName).lexically_normal(),
        (folder / "../lib/hoververse" / kFileName).lexically_normal()}) {
    if (std::filesystem::is_regular_file(candidate, ec)) return candidate;
  }
  error = std::string("no ") + kFileName + " beside " + folder.string() + " or in the build tree; set " +
          kOverrideVariable + " to choose one";
  return std::nullopt;
}

}  // namespace

bool installDeliverable(const std::filesystem::path& root, std::string& error) {
  const std::optional<std::filesystem::path> library = findLibrary(error);
  if (!library) return false;
  const std::filesystem::path folder = root / "Library/DynamicLibraries";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  // Copy beside, then rename: a process starting meanwhile never maps a
  // half-written library.
  const std::filesystem::path target = folder / "hoververseXI.so";
  const std::filesystem::path temporary = folder / ".hoververseXI.so.new";
  std::filesystem::copy_file(*library, temporary, std::filesystem::copy_options::overwrite_existing, ec);
  if (!ec) std::filesystem::rename(temporary, target, ec);
  if (ec) {
    std::filesystem::remove(temporary);
    error = "cannot install " + library->string() + " into " + folder.string() + ": " + ec.message();
    return false;
  }
  std::vector<std::string> names{"com.apple.springboard"};
  for (const MusicApp& app : musicApps()) names.emplace_back(app.bundleIdentifier);
  names.emplace_back(kBridgeBundleIdentifier);
  foundation::Array bundles(names.begin(), names.end());
  const foundation::Status written = foundation::writeDictionaryFile(
      folder / "hoververseXI.plist",
      {{"Filter", foundation::Value(foundation::Dictionary{{"Bundles", foundation::Value(std::move(bundles))}})}});
  if (!written.ok()) {
    error = written.message();
    return false;
  }
  return true;
}

}  // namespace hostcommon
