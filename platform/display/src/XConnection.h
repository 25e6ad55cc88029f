#pragma once
// Owning handles for xcb: the connection, and replies and events (which xcb
// allocates with malloc), plus the few helpers every X tool of this module
// repeats (connecting with a readable error, one round trip).

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace display::x {

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <class T>
using Owned = std::unique_ptr<T, FreeDeleter>;

struct ConnectionDeleter {
  void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};
using Connection = std::unique_ptr<xcb_connection_t, ConnectionDeleter>;

// Connects to `name` ($DISPLAY when empty). On failure returns null and says
// why in *error (which may be null).
Connection connect(const std::string& name, xcb_screen_t** screen, std::string* error);

// Sends a request that has a reply and waits for it, so every request sent
// before has been handled by the server. False when the connection broke.
bool roundTrip(xcb_connection_t* c);

// "BadWindow (request 12.0, resource 0x…)" for log lines.
std::string describeError(const xcb_generic_error_t& e);

// The display's name for messages: "$DISPLAY" when empty.
std::string displayLabel(const std::string& name);

}  // namespace display::x
