#pragma once
// Style readings shared by the always-on views. Nothing is cached: each
// call reads the store again.

#include "foundation/UserDefaults.h"
#include "ui/Color.h"

namespace alwayson {

// The stored "USERKEY_13_alwaysOnFontSize" when present, non-empty and at
// least 5; otherwise 14.
double fontSize(foundation::UserDefaults& defaults);
// The four "USERKEY_13_aodLyricColor" components, unscaled; missing ones 0.
ui::Color lyricColor(foundation::UserDefaults& defaults);

}  // namespace alwayson
