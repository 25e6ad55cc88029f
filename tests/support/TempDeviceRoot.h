#pragma once
// A fresh, empty device root for one test; removed (and the root override
// dropped) when the test ends.

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "foundation/DeviceRoot.h"

namespace hvtest {

class TempDeviceRoot {
 public:
  TempDeviceRoot() {
    std::string pattern = (std::filesystem::temp_directory_path() / "hv-device-XXXXXX").string();
    char* made = ::mkdtemp(pattern.data());
    path_ = made != nullptr ? std::filesystem::path(made) : std::filesystem::path();
    foundation::DeviceRoot::setRoot(path_);
  }
  TempDeviceRoot(const TempDeviceRoot&) = delete;
  TempDeviceRoot& operator=(const TempDeviceRoot&) = delete;
  ~TempDeviceRoot() {
    foundation::DeviceRoot::setRoot({});
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace hvtest
