#pragma once
// A window shown as a base image with a sprite over it, composed by the X
// server with RENDER: the two images go to the server once, and every frame
// after is three small requests (base, then the sprite at its place, into an
// off-screen frame; then the frame into the window, so a compositing manager
// never sees the base alone), whatever the window's size.

#include <xcb/render.h>
#include <xcb/xcb.h>

#include <cstddef>
#include <cstdint>
#include <optional>

#include "render/Canvas.h"
#include "render/LayerSplit.h"

namespace display::x {

// Plain PutImage of the rectangle [x0, x1) × [y0, y1) of `image` into
// `drawable` at the same place, in as many requests as the server's
// maximum request length needs.
void putRows(xcb_connection_t* c, xcb_drawable_t drawable, xcb_gcontext_t gc, std::uint8_t depth,
             std::size_t maxRequestBytes, const render::Canvas& image, int x0, int y0, int x1, int y1);

class ServerComposition {
 public:
  // The picture formats, or nothing when the server lacks RENDER or a
  // format for `windowVisual`.
  struct Formats {
    xcb_render_pictformat_t argb32 = 0;
    xcb_render_pictformat_t window = 0;
  };
  static std::optional<Formats> query(xcb_connection_t* c, xcb_visualid_t windowVisual);

  // Uploads the split's base (the window's size), sprite and clip mask.
  // `gc` draws on depth-32 drawables.
  ServerComposition(xcb_connection_t* c, const Formats& formats, xcb_window_t window, xcb_gcontext_t gc,
                    std::size_t maxRequestBytes, const render::LayerSplit& split);
  ~ServerComposition();
  ServerComposition(const ServerComposition&) = delete;
  ServerComposition& operator=(const ServerComposition&) = delete;

  // Shows the sprite at `p`; false, sending nothing, when it is there.
  bool show(const render::LayerSplit::Placement& p);
  // The window lost its contents (exposed): the last frame again.
  void showAgain();
  // The connection broke: the server's objects went with it.
  void forget() { c_ = nullptr; }
  // Another client destroyed the window, and its picture with it.
  void windowGone() { window_ = XCB_NONE; }

 private:
  xcb_connection_t* c_;
  int width_, height_, spriteWidth_, spriteHeight_;
  xcb_pixmap_t basePixmap_, spritePixmap_, framePixmap_, maskPixmap_ = XCB_NONE;
  xcb_render_picture_t base_, sprite_, frame_, window_, mask_ = XCB_NONE;
  std::optional<render::LayerSplit::Placement> shown_;
  void draw(const render::LayerSplit::Placement& p, bool whole);
};

}  // namespace display::x
