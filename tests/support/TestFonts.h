#pragma once
// Pins fontconfig to the test fonts (tests/support/fonts.conf: DejaVu and
// WenQuanYi Micro Hei only) so that measured text and rendered images are
// the same on every machine. Including this header pins the fonts before
// main() runs; pinFonts() may also be called explicitly, but it only works
// before the first use of fontconfig in the process.

#include <cstdlib>
#include <string>

namespace hvtest {

inline std::string supportDirectory() {
  if (const char* root = std::getenv("HV_SOURCE_DIR"); root && *root) return std::string(root) + "/tests/support";
  std::string here = __FILE__;
  return here.substr(0, here.find_last_of('/'));
}

inline bool pinFonts() {
  static const bool pinned = [] {
    std::string conf = supportDirectory() + "/fonts.conf";
    return setenv("FONTCONFIG_FILE", conf.c_str(), 1) == 0;
  }();
  return pinned;
}

// Runs during static initialisation of every test binary that includes this header.
inline const bool kFontsPinned = pinFonts();

}  // namespace hvtest
