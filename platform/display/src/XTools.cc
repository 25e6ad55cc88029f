#include "display/XTools.h"

#include <xcb/xtest.h>

#include <cstring>

#include "XConnection.h"

namespace display {

std::shared_ptr<const quartz::Image> captureRoot(const std::string& displayName, std::string* error) {
  xcb_screen_t* screen = nullptr;
  x::Connection c = x::connect(displayName, &screen, error);
  if (!c) return nullptr;
  const int width = screen->width_in_pixels;
  const int height = screen->height_in_pixels;
  xcb_generic_error_t* rawError = nullptr;
  x::Owned<xcb_get_image_reply_t> reply(xcb_get_image_reply(
      c.get(), xcb_get_image(c.get(), XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, 0, 0, static_cast<std::uint16_t>(width),
                             static_cast<std::uint16_t>(height), ~0u),
      &rawError));
  x::Owned<xcb_generic_error_t> failure(rawError);
  if (!reply) {
    if (error) *error = "cannot read the root window of " + x::displayLabel(displayName) +
                        (failure ? ": " + x::describeError(*failure) : std::string());
    return nullptr;
  }
  // Depths 24 and 32 are stored as 32-bit words in the server's byte order;
  // every server this runs against is local, so that is ours.
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  const int length = xcb_get_image_data_length(reply.get());
  if ((reply->depth != 24 && reply->depth != 32) || length < 0 || static_cast<std::size_t>(length) < count * 4) {
    if (error)
      *error = "the root window of " + x::displayLabel(displayName) + " has depth " + std::to_string(reply->depth) +
               " and " + std::to_string(length) + " bytes; expected depth 24 or 32 with " + std::to_string(count * 4);
    return nullptr;
  }
  std::vector<std::uint32_t> pixels(count);
  std::memcpy(pixels.data(), xcb_get_image_data(reply.get()), count * 4);
  for (std::uint32_t& p : pixels) p |= 0xff000000u;
  return quartz::Image::create(width, height, 1.0, std::move(pixels));
}

bool injectPointer(const std::string& displayName, const std::vector<PointerEvent>& events, std::string* error) {
  xcb_screen_t* screen = nullptr;
  x::Connection c = x::connect(displayName, &screen, error);
  if (!c) return false;
  const xcb_query_extension_reply_t* test = xcb_get_extension_data(c.get(), &xcb_test_id);
  if (!test || !test->present) {
    if (error) *error = "X display " + x::displayLabel(displayName) + " has no XTEST extension";
    return false;
  }
  for (const PointerEvent& e : events) {
    xcb_test_fake_input(c.get(), XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, screen->root, static_cast<std::int16_t>(e.x),
                        static_cast<std::int16_t>(e.y), 0);
    if (e.action == PointerAction::press)
      xcb_test_fake_input(c.get(), XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    else if (e.action == PointerAction::release)
      xcb_test_fake_input(c.get(), XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
  }
  if (!x::roundTrip(c.get())) {
    if (error) *error = "the connection to " + x::displayLabel(displayName) + " broke while injecting";
    return false;
  }
  return true;
}

}  // namespace display
