#pragma once
// What the home screen's control object tells of its windows, on the device
// and on a desktop alike.

#include <string>

namespace ui {
class Window;
}

namespace springboard {

// Every top-level window, back to front, as a JSON array of view trees;
// the system's three windows carry their "name". Each top-level window also
// has "level", "screenFrame" (its frame on the screen, [x, y, w, h]) and
// "shown" (not hidden and not fully transparent).
std::string dumpWindows();

// "lyricWindow", "settingWindow" or "fullScreenWindow" for the system's
// windows, the first of those a window holds directly otherwise (the
// screenshots window holding the always-on one); empty for any other.
std::string systemWindowName(const ui::Window& window);

}  // namespace springboard
