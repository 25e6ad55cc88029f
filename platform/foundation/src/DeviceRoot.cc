#include "foundation/DeviceRoot.h"

#include <cstdlib>
#include <vector>

namespace foundation {

namespace {

std::filesystem::path& overrideRoot() {
  static std::filesystem::path root;
  return root;
}

// An environment variable that holds an absolute path, else nothing; the XDG
// rules ignore relative values.
const char* absoluteEnv(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] == '/' ? value : nullptr;
}

}  // namespace

std::filesystem::path DeviceRoot::root() {
  if (!overrideRoot().empty()) return overrideRoot();
  // A relative HOVERVERSE_ROOT names a folder the user pointed at from the
  // current directory; only the XDG variables ignore relative values.
  if (const char* root = std::getenv("HOVERVERSE_ROOT"); root != nullptr && root[0] != '\0') {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(root, error);
    return error ? std::filesystem::path(root) : absolute;
  }
  if (const char* data = absoluteEnv("XDG_DATA_HOME"))
    return std::filesystem::path(data) / "hoververse" / "device";
  if (const char* home = absoluteEnv("HOME"))
    return std::filesystem::path(home) / ".local" / "share" / "hoververse" / "device";
  return std::filesystem::temp_directory_path() / "hoververse" / "device";
}

void DeviceRoot::setRoot(const std::filesystem::path& root) { overrideRoot() = root; }

std::filesystem::path DeviceRoot::resolve(std::string_view devicePath) {
  // Normalise lexically so that ".." stops at the root instead of leaving it.
  std::vector<std::string_view> parts;
  std::size_t pos = 0;
  while (pos <= devicePath.size()) {
    std::size_t slash = devicePath.find('/', pos);
    if (slash == std::string_view::npos) slash = devicePath.size();
    std::string_view part = devicePath.substr(pos, slash - pos);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    pos = slash + 1;
  }
  std::string relative;
  for (std::string_view part : parts) {
    if (!relative.empty()) relative += '/';
    relative += part;
  }
  std::filesystem::path result = root();
  if (!relative.empty()) result /= relative;
  return result;
}

}  // namespace foundation
