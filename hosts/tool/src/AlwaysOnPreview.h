#pragma once
// The always-on window in previews and in the showcase: built as start-up
// builds it (full screen, alert level), shown as locking shows it.

#include <memory>
#include <string>
#include <vector>

#include "Commands.h"
#include "Showcase.h"

class FullScreenWindow;

namespace tool {

// Sets the device idiom and the main screen for it, then creates the window
// with the screen's bounds, at the alert level, visible.
std::shared_ptr<FullScreenWindow> makeAlwaysOnWindow(bool pad);

// Gives the song name to the lyric manager the way a relayed now-playing
// update from NetEase Cloud Music would (the name in "title").
void feedSongName(const std::string& song);

int previewAlwaysOnCommand(Arguments args, CommandIO& io);

// The always-on window in each mode: plain, gradient, shatter caught
// mid-animation, sideways, and with the control bar and artwork.
std::vector<ShowcaseSection> alwaysOnShowcaseSections();

}  // namespace tool
