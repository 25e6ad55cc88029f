#include "ui/Device.h"

namespace ui {

Device& Device::current() {
  static Device device;
  return device;
}

foundation::Value Device::valueForKey(std::string_view key) const {
  if (key == "orientation") return foundation::Value(orientation_);
  return {};
}

void Device::setValue(const foundation::Value& value, std::string_view key) {
  if (key != "orientation") return;
  orientation_ = static_cast<int>(value.integerValue());
}

void Device::reset() { *this = Device(); }

}  // namespace ui
