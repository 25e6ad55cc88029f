#pragma once
// What the X display does differently on a user's desktop, kept apart from
// the device's path: the window manager's atoms, the properties that make a
// window a managed, undecorated, always-on-top overlay that never takes the
// focus, whether a compositing manager runs (its _NET_WM_CM_S<n> selection
// has an owner: XFixes tells when that changes) and the RandR monitors.
// Holds no windows; XDisplay asks it to describe the ones it creates.

#include <xcb/xcb.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "display/Monitor.h"

namespace display::x {

class DesktopWindowing {
 public:
  // Interns the atoms and subscribes the root to RandR and compositor
  // changes where the server has those extensions. False, with *error,
  // when the server does not answer.
  bool setUp(xcb_connection_t* c, xcb_screen_t* screen, std::string* error);

  // What a window is on the desktop.
  struct Role {
    std::string name;        // WM_NAME / _NET_WM_NAME
    bool fullScreen = false; // the stage: _NET_WM_STATE_FULLSCREEN
  };
  // Sets the window manager's properties of a new, unmapped `window`.
  void describe(xcb_window_t window, const Role& role, int x, int y, int width, int height) const;
  // Tells the window manager the size and position the window asks for, so
  // a manager that places by hints keeps it where the system put it.
  void setNormalHints(xcb_window_t window, int x, int y, int width, int height) const;

  // Whether a compositing manager owns the screen's selection now.
  bool compositorRunning() const;
  std::vector<Monitor> monitors() const;

  enum class Change { none, compositor, monitors };
  // What an event tells, if it is one of ours.
  Change classify(const xcb_generic_event_t& e) const;

 private:
  xcb_connection_t* c_ = nullptr;
  xcb_window_t root_ = XCB_NONE;
  bool randr15_ = false;
  // Monitor names by atom: an atom's name never changes, so each is asked once.
  mutable std::map<xcb_atom_t, std::string> atomNames_;
  std::uint8_t randrEvent_ = 0;
  bool xfixes_ = false;
  std::uint8_t xfixesEvent_ = 0;
  struct Atoms {
    xcb_atom_t cmSelection, netWmState, above, skipTaskbar, skipPager, fullScreen, windowType, typeUtility,
        typeNormal, motifHints, netWmName, utf8String;
  } atoms_{};
};

}  // namespace display::x
