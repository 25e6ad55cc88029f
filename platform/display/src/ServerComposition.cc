#include "ServerComposition.h"

#include <cairo.h>
#include <xcb/xcb_renderutil.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace display::x {

void putRows(xcb_connection_t* c, xcb_drawable_t drawable, xcb_gcontext_t gc, std::uint8_t depth,
             std::size_t maxRequestBytes, const render::Canvas& image, int x0, int y0, int x1, int y1) {
  if (x1 <= x0 || y1 <= y0) return;
  cairo_surface_flush(image.surface());
  const unsigned char* data = cairo_image_surface_get_data(image.surface());
  const int stride = cairo_image_surface_get_stride(image.surface());
  const std::size_t rowBytes = static_cast<std::size_t>(x1 - x0) * 4;
  constexpr std::size_t header = 24;
  const int rowsPerRequest =
      static_cast<int>(std::max<std::size_t>(1, (maxRequestBytes > header ? maxRequestBytes - header : 0) / rowBytes));
  std::vector<unsigned char> chunk;
  for (int y = y0; y < y1; y += rowsPerRequest) {
    const int n = std::min(rowsPerRequest, y1 - y);
    chunk.resize(rowBytes * static_cast<std::size_t>(n));
    for (int r = 0; r < n; ++r)
      std::memcpy(chunk.data() + rowBytes * static_cast<std::size_t>(r),
                  data + static_cast<std::ptrdiff_t>(y + r) * stride + static_cast<std::ptrdiff_t>(x0) * 4, rowBytes);
    xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, gc, static_cast<std::uint16_t>(x1 - x0),
                  static_cast<std::uint16_t>(n), static_cast<std::int16_t>(x0), static_cast<std::int16_t>(y), 0, depth,
                  static_cast<std::uint32_t>(chunk.size()), chunk.data());
  }
}

std::optional<ServerComposition::Formats> ServerComposition::query(xcb_connection_t* c, xcb_visualid_t windowVisual) {
  // xcb-renderutil asks once per connection and keeps the answer.
  const xcb_render_query_pict_formats_reply_t* formats = xcb_render_util_query_formats(c);
  if (!formats) return std::nullopt;
  const xcb_render_pictforminfo_t* argb = xcb_render_util_find_standard_format(formats, XCB_PICT_STANDARD_ARGB_32);
  const xcb_render_pictvisual_t* window = xcb_render_util_find_visual_format(formats, windowVisual);
  if (!argb || !window) return std::nullopt;
  return Formats{argb->id, window->format};
}

ServerComposition::ServerComposition(xcb_connection_t* c, const Formats& formats, xcb_window_t window,
                                     xcb_gcontext_t gc, std::size_t maxRequestBytes, const render::LayerSplit& split)
    : c_(c),
      width_(split.base()->pixelWidth()),
      height_(split.base()->pixelHeight()),
      spriteWidth_(split.spriteWidth()),
      spriteHeight_(split.spriteHeight()) {
  const auto pixmap = [&](int width, int height) {
    const xcb_pixmap_t p = xcb_generate_id(c);
    xcb_create_pixmap(c, 32, p, window, static_cast<std::uint16_t>(std::max(1, width)),
                      static_cast<std::uint16_t>(std::max(1, height)));
    return p;
  };
  const auto picture = [&](xcb_drawable_t drawable, xcb_render_pictformat_t format) {
    const xcb_render_picture_t p = xcb_generate_id(c);
    xcb_render_create_picture(c, p, drawable, format, 0, nullptr);
    return p;
  };
  basePixmap_ = pixmap(width_, height_);
  spritePixmap_ = pixmap(spriteWidth_, spriteHeight_);
  framePixmap_ = pixmap(width_, height_);
  putRows(c, basePixmap_, gc, 32, maxRequestBytes, *split.base(), 0, 0, width_, height_);
  putRows(c, spritePixmap_, gc, 32, maxRequestBytes, *split.sprite(), 0, 0, spriteWidth_, spriteHeight_);
  if (const render::Canvas* mask = split.clipMask()) {
    maskPixmap_ = pixmap(width_, height_);
    putRows(c, maskPixmap_, gc, 32, maxRequestBytes, *mask, 0, 0, width_, height_);
    mask_ = picture(maskPixmap_, formats.argb32);
  }
  base_ = picture(basePixmap_, formats.argb32);
  sprite_ = picture(spritePixmap_, formats.argb32);
  frame_ = picture(framePixmap_, formats.argb32);
  window_ = picture(window, formats.window);
}

ServerComposition::~ServerComposition() {
  if (!c_) return;
  for (xcb_render_picture_t p : {base_, sprite_, frame_, window_, mask_})
    if (p != XCB_NONE) xcb_render_free_picture(c_, p);
  for (xcb_pixmap_t p : {basePixmap_, spritePixmap_, framePixmap_, maskPixmap_})
    if (p != XCB_NONE) xcb_free_pixmap(c_, p);
}

bool ServerComposition::show(const render::LayerSplit::Placement& p) {
  if (!c_ || window_ == XCB_NONE || shown_ == p) return false;
  draw(p, !shown_);
  shown_ = p;
  return true;
}

void ServerComposition::showAgain() {
  if (c_ && window_ != XCB_NONE && shown_) draw(*shown_, true);
}

void ServerComposition::draw(const render::LayerSplit::Placement& p, bool whole) {
  // Only the clip changes from frame to frame; the rest of the window keeps
  // what the base put there.
  const int cx = std::max(0, p.clip.x), cy = std::max(0, p.clip.y);
  const int cw = std::min(width_, p.clip.x + p.clip.width) - cx, ch = std::min(height_, p.clip.y + p.clip.height) - cy;
  if (cw <= 0 || ch <= 0) return;
  const auto u16 = [](int v) { return static_cast<std::uint16_t>(v); };
  const auto i16 = [](int v) { return static_cast<std::int16_t>(v); };
  const int fx = whole ? 0 : cx, fy = whole ? 0 : cy, fw = whole ? width_ : cw, fh = whole ? height_ : ch;
  xcb_render_composite(c_, XCB_RENDER_PICT_OP_SRC, base_, XCB_NONE, frame_, i16(fx), i16(fy), 0, 0, i16(fx), i16(fy),
                       u16(fw), u16(fh));
  const int sx = std::max(cx, p.x), sy = std::max(cy, p.y);
  const int sw = std::min(cx + cw, p.x + spriteWidth_) - sx, sh = std::min(cy + ch, p.y + spriteHeight_) - sy;
  if (sw > 0 && sh > 0)
    xcb_render_composite(c_, XCB_RENDER_PICT_OP_OVER, sprite_, mask_, frame_, i16(sx - p.x), i16(sy - p.y), i16(sx),
                         i16(sy), i16(sx), i16(sy), u16(sw), u16(sh));
  xcb_render_composite(c_, XCB_RENDER_PICT_OP_SRC, frame_, XCB_NONE, window_, i16(fx), i16(fy), 0, 0, i16(fx),
                       i16(fy), u16(fw), u16(fh));
}

}  // namespace display::x
