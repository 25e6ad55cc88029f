#include "foundation/DeviceRoot.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
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
  const auto text = [](const char* value) { return std::string_view(value != nullptr ? value : ""); };
  const std::string_view named = text(std::getenv("HOVERVERSE_ROOT"));
  const std::string_view data = text(std::getenv("XDG_DATA_HOME"));
  const std::string_view home = text(std::getenv("HOME"));
  // Settings are read several times a second, each read resolving a path:
  // the root is remembered for the variables it came from. A relative root
  // (it depends on the current directory) and the temporary folder
  // (TMPDIR) are worked out every time.
  struct Remembered {
    std::string named, data, home;
    std::filesystem::path root;
  };
  thread_local std::optional<Remembered> remembered;
  if (remembered && remembered->named == named && remembered->data == data && remembered->home == home)
    return remembered->root;
  std::filesystem::path root;
  bool lasting = true;
  // A relative HOVERVERSE_ROOT names a folder the user pointed at from the
  // current directory; only the XDG variables ignore relative values.
  if (!named.empty()) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::path(named), error);
    root = error ? std::filesystem::path(named) : absolute;
    lasting = named.front() == '/';
  } else if (const char* xdg = absoluteEnv("XDG_DATA_HOME")) {
    root = std::filesystem::path(xdg) / "hoververse" / "device";
  } else if (const char* user = absoluteEnv("HOME")) {
    root = std::filesystem::path(user) / ".local" / "share" / "hoververse" / "device";
  } else {
    root = std::filesystem::temp_directory_path() / "hoververse" / "device";
    lasting = false;
  }
  if (lasting) remembered = Remembered{std::string(named), std::string(data), std::string(home), root};
  return root;
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
  // Joined as text: the root is absolute or as given, the rest has no
  // ".." or empty parts, so `/=`'s parsing would change nothing (and it
  // costs more than the stat that follows a settings read).
  std::string result = root().native();
  if (!relative.empty()) {
    if (!result.empty() && result.back() != '/') result += '/';
    result += relative;
  }
  return std::filesystem::path(std::move(result));
}

}  // namespace foundation
