#include "bridge/LineInput.h"

#include "foundation/Text.h"
#include "hostcommon/DesktopSource.h"

namespace bridge {

namespace {
constexpr std::size_t kMaxReferenceBytes = 255;
constexpr std::string_view kMprisPrefix = "org.mpris.MediaPlayer2.";
}  // namespace

std::optional<std::string> acceptLine(std::string_view text, std::string& error) {
  if (!foundation::isValidUtf8(text)) {
    error = "the line is not valid UTF-8";
    return std::nullopt;
  }
  if (text.size() <= kMaxLineBytes) return std::string(text);
  std::size_t end = kMaxLineBytes;
  // Back to the first byte of the character the limit falls in.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return std::string(text.substr(0, end));
}

std::optional<std::string> playerIdentifier(std::string_view reference, std::string& error) {
  if (reference.empty() || reference.size() > kMaxReferenceBytes || !foundation::isValidUtf8(reference)) {
    error = "a player is named by its MPRIS bus name, its short name (such as mpv) or its bundle identifier "
            "(1 to 255 bytes of UTF-8), not '" +
            (foundation::isValidUtf8(reference) ? std::string(reference.substr(0, 64)) : std::string("?")) + "'";
    return std::nullopt;
  }
  std::string busName;
  if (reference.starts_with(kMprisPrefix)) {
    busName = reference;
  } else if (reference.starts_with(hostcommon::kDesktopBundlePrefix)) {
    busName = std::string(kMprisPrefix) + std::string(reference.substr(hostcommon::kDesktopBundlePrefix.size()));
  } else {
    busName = std::string(kMprisPrefix) + std::string(reference);
  }
  std::string identifier = hostcommon::desktopBundleIdentifier(busName);
  if (identifier.empty()) {
    error = "'" + std::string(reference) + "' names no player";
    return std::nullopt;
  }
  return identifier;
}

std::string shortName(std::string_view bundleIdentifier) {
  if (bundleIdentifier.starts_with(hostcommon::kDesktopBundlePrefix)) {
    return std::string(bundleIdentifier.substr(hostcommon::kDesktopBundlePrefix.size()));
  }
  return std::string(bundleIdentifier);
}

}  // namespace bridge
