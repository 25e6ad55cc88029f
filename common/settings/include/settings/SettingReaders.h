#pragma once
// Readers of both settings stores. Nothing is cached: every call asks its
// store again, which is how changes made elsewhere take effect.
//
// Every value is read through its "%@" text, so a missing value is the text
// "(null)", which reads as 0 and as false. Numbers: the leading decimal number
// as a single-precision value (0 when there is none). Booleans: after white
// space, a sign and leading zeros, a digit 1-9 or Y/y/T/t.

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "foundation/UserDefaults.h"
#include "foundation/Value.h"

// A colour as stored: four components, each a fraction 0..1 used unscaled; a
// missing component reads 0.
struct SettingColor {
  float red = 0, green = 0, blue = 0, alpha = 0;
  bool operator==(const SettingColor&) const = default;
};

// "%@" of a stored value ("(null)" for nil).
std::string settingText(const foundation::Value& value);
// True for the texts the start-up defaults treat as missing: "" and "(null)".
bool isMissingSettingText(std::string_view text);

// --- The defaults store (the standard one unless another is given) ---
std::string settingText(std::string_view key,
                        foundation::UserDefaults& defaults = foundation::UserDefaults::standardUserDefaults());
float settingNumber(std::string_view key,
                    foundation::UserDefaults& defaults = foundation::UserDefaults::standardUserDefaults());
bool settingBool(std::string_view key,
                 foundation::UserDefaults& defaults = foundation::UserDefaults::standardUserDefaults());
// The four keys stem + "_R", "_G", "_B", "_A".
SettingColor settingColor(std::string_view stem,
                          foundation::UserDefaults& defaults = foundation::UserDefaults::standardUserDefaults());

// --- The settings file (MMLocalSettingManager); absent keys read "" ---
std::string fileSettingText(std::string_view key);
float fileSettingNumber(std::string_view key);
bool fileSettingBool(std::string_view key);
// Several switches of the file from one reading of it (a refresh tick
// reads two, four times a second), in the order of `keys`.
template <std::size_t N>
std::array<bool, N> fileSettingBools(const std::array<std::string_view, N>& keys);

// The lyric font name every lyric view uses: the settings file's
// "USER_KEY_HVXI_BUNDLESETTING_ROWC_FONTS"; when that is missing or empty,
// "PingFangSC-Regular" is stored there and returned.
std::string lyricFontName();

// Implementation of fileSettingBools: one reading, then the keys.
std::shared_ptr<const foundation::Dictionary> fileSettingValues();
bool fileSettingBool(const std::shared_ptr<const foundation::Dictionary>& values, std::string_view key);

template <std::size_t N>
std::array<bool, N> fileSettingBools(const std::array<std::string_view, N>& keys) {
  const std::shared_ptr<const foundation::Dictionary> values = fileSettingValues();
  std::array<bool, N> out{};
  for (std::size_t i = 0; i < N; ++i) out[i] = fileSettingBool(values, keys[i]);
  return out;
}
