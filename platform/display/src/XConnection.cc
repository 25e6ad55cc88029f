#include "XConnection.h"

#include <cstdio>

namespace display::x {

std::string displayLabel(const std::string& name) {
  if (!name.empty()) return name;
  const char* env = std::getenv("DISPLAY");
  return env && *env ? std::string(env) : std::string("$DISPLAY (unset)");
}

Connection connect(const std::string& name, xcb_screen_t** screen, std::string* error) {
  int screenNumber = 0;
  Connection c(xcb_connect(name.empty() ? nullptr : name.c_str(), &screenNumber));
  if (const int code = xcb_connection_has_error(c.get()); code != 0) {
    if (error) *error = "cannot connect to X display " + displayLabel(name) + " (xcb error " + std::to_string(code) + ")";
    return nullptr;
  }
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c.get()));
  for (int i = 0; i < screenNumber && it.rem > 0; ++i) xcb_screen_next(&it);
  if (it.rem <= 0) {
    if (error) *error = "X display " + displayLabel(name) + " has no screen " + std::to_string(screenNumber);
    return nullptr;
  }
  if (screen) *screen = it.data;
  return c;
}

bool roundTrip(xcb_connection_t* c) {
  Owned<xcb_get_input_focus_reply_t> reply(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  return reply != nullptr;
}

std::string describeError(const xcb_generic_error_t& e) {
  static const char* const names[] = {"Success", "BadRequest", "BadValue", "BadWindow", "BadPixmap",
                                      "BadAtom", "BadCursor", "BadFont", "BadMatch", "BadDrawable",
                                      "BadAccess", "BadAlloc", "BadColormap", "BadGContext", "BadIDChoice",
                                      "BadName", "BadLength", "BadImplementation"};
  std::string name = e.error_code < std::size(names) ? names[e.error_code] : "error " + std::to_string(e.error_code);
  char detail[96];
  std::snprintf(detail, sizeof detail, " (request %u.%u, resource 0x%x)", e.major_code, e.minor_code, e.resource_id);
  return name + detail;
}

}  // namespace display::x
