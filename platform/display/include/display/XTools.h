#pragma once
// Small one-shot X clients for the device's control tool and for tests: each
// call opens its own connection to the named display (empty: $DISPLAY),
// does its work, waits for the server to have handled it, and closes.

#include <memory>
#include <string>
#include <vector>

#include "quartz/Image.h"

namespace display {

// The root window's pixels as the screen shows them (under a compositing
// manager, the composited result), opaque, at scale 1. Null with the reason
// in *error when the display cannot be read.
std::shared_ptr<const quartz::Image> captureRoot(const std::string& displayName, std::string* error);

enum class PointerAction { press, move, release };

// One pointer event at a root pixel: the pointer moves there, then button 1
// is pressed or released (or nothing, for move).
struct PointerEvent {
  PointerAction action;
  int x;
  int y;
};

// Injects the events in order through the XTEST extension, as if from the
// real pointer, so they reach whichever window the server finds there.
bool injectPointer(const std::string& displayName, const std::vector<PointerEvent>& events, std::string* error);

}  // namespace display
