#pragma once
// The current device: interface idiom, system version and the "orientation"
// value (1 portrait, 2 upside down, 3 and 4 landscape; 0 unknown), all
// settable by hosts and tests; reset() restores the defaults (phone, "15.0",
// portrait).

#include <string>
#include <string_view>

#include "foundation/Value.h"

namespace ui {

enum class UserInterfaceIdiom { Phone = 0, Pad = 1 };

class Device {
 public:
  static Device& current();

  UserInterfaceIdiom userInterfaceIdiom() const { return idiom_; }
  void setUserInterfaceIdiom(UserInterfaceIdiom i) { idiom_ = i; }
  const std::string& systemVersion() const { return systemVersion_; }
  void setSystemVersion(std::string v) { systemVersion_ = std::move(v); }
  const std::string& model() const { return model_; }
  void setModel(std::string m) { model_ = std::move(m); }
  int orientation() const { return orientation_; }
  void setOrientation(int o) { orientation_ = o; }

  // Key-value access as the system uses it: "orientation" (a number).
  foundation::Value valueForKey(std::string_view key) const;
  void setValue(const foundation::Value& value, std::string_view key);

  void reset();

 private:
  UserInterfaceIdiom idiom_ = UserInterfaceIdiom::Phone;
  std::string systemVersion_ = "15.0";
  std::string model_ = "phone";
  int orientation_ = 1;
};

}  // namespace ui
