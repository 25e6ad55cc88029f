#include "hostcommon/DeviceBus.h"

#include <sys/un.h>

#include <system_error>

#include "ipc/BusNames.h"

namespace hostcommon {

std::string musicAppBusName(std::string_view bundleIdentifier) {
  return std::string(kMusicAppInterface) + "." + ipc::escapeBusNameElement(bundleIdentifier);
}

std::string busAddressForSocket(const std::filesystem::path& socket) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string address = "unix:path=";
  for (const char ch : socket.native()) {
    const auto c = static_cast<unsigned char>(ch);
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_' || c == '/' || c == '.';
    if (plain) {
      address += ch;
    } else {
      address += '%';
      address += kHex[c >> 4];
      address += kHex[c & 0xf];
    }
  }
  return address;
}

DeviceLayout::DeviceLayout(const std::filesystem::path& root) {
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(root, error);
  root_ = (error ? root : absolute).lexically_normal();
  // "/a/b/" normalises to "/a/b/" (an empty last part); paths built from the
  // root must not carry a doubled separator.
  if (root_.has_relative_path() && !root_.has_filename()) root_ = root_.parent_path();
}

std::filesystem::path DeviceLayout::logFile(std::string_view processName) const {
  return logDirectory() / (std::string(processName) + ".log");
}

foundation::Status DeviceLayout::checkSocketPath() const {
  const std::size_t limit = sizeof(sockaddr_un::sun_path) - 1;
  const std::size_t length = busSocket().native().size();
  if (length <= limit) return foundation::Status::success();
  return foundation::Status::failure("the bus socket " + busSocket().string() + " is " +
                                     std::to_string(length) + " bytes long; a unix socket path holds at most " +
                                     std::to_string(limit) + ": choose a shorter device root");
}

}  // namespace hostcommon
