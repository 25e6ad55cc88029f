#include "Tweak/HomeScreen.h"

#include "alwayson/FullScreenWindow.h"
#include "floating/MMLyricSuperWindow.h"
#include "panel/LyricSettingWindow.h"

namespace {
HomeScreenState*& state() {
  static HomeScreenState* s = new HomeScreenState();  // lives as long as the process
  return s;
}
}  // namespace

HomeScreenState& homeScreen() { return *state(); }

void resetHomeScreen() {
  HomeScreenState*& s = state();
  if (s->springBoardTimer) s->springBoardTimer->invalidate();
  if (s->fullScreenWindow) s->fullScreenWindow->removeFromSuperview();
  delete s;
  s = new HomeScreenState();
}
