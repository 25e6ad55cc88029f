#pragma once
// Defaults written into the defaults store once per start of the home-screen
// process. Values already present are left alone.

#include "foundation/UserDefaults.h"

// Before the floating window is created: "CCBundle_UserDefaults_Narv_Switch"
// becomes "1" when absent or "(null)"; "USERKEY_13_X" "20", "USERKEY_13_Y"
// "80", "USERKEY_13_width" "0.8" and "USERKEY_13_height" "40" when their
// "%@" text is empty or "(null)". Each is stored with setObject; the store is
// synchronized when anything was stored.
void applyStartupDefaults(foundation::UserDefaults& defaults = foundation::UserDefaults::standardUserDefaults());

// When the settings panel is created: a lyric colour (floating, then
// always-on, independently) whose four components are all unset (0 or less,
// or "(null)") becomes opaque white, "1" in each; then synchronize.
void applyLyricColorDefaults(foundation::UserDefaults& defaults = foundation::UserDefaults::standardUserDefaults());
