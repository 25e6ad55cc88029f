#include "render/Canvas.h"

#include <cairo.h>

#include <cmath>
#include <cstring>

#include "render/ImageCodec.h"

namespace render {

Canvas::Canvas(quartz::Size size, double scale)
    : width_(std::max(0, static_cast<int>(std::ceil(size.width * scale - 1e-9)))),
      height_(std::max(0, static_cast<int>(std::ceil(size.height * scale - 1e-9)))),
      scale_(scale > 0 ? scale : 1.0) {
  surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width_, height_);
}

Canvas::~Canvas() { cairo_surface_destroy(surface_); }

std::uint32_t Canvas::pixelAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  cairo_surface_flush(surface_);
  const unsigned char* data = cairo_image_surface_get_data(surface_);
  int stride = cairo_image_surface_get_stride(surface_);
  std::uint32_t v;
  std::memcpy(&v, data + y * stride + x * 4, 4);
  return v;
}

std::shared_ptr<const quartz::Image> Canvas::image() const {
  cairo_surface_flush(surface_);
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
  const unsigned char* data = cairo_image_surface_get_data(surface_);
  int stride = cairo_image_surface_get_stride(surface_);
  for (int y = 0; y < height_; ++y)
    std::memcpy(pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_), data + y * stride,
                static_cast<std::size_t>(width_) * 4);
  return quartz::Image::create(width_, height_, scale_, std::move(pixels));
}

bool Canvas::writePNG(const std::string& path) const {
  cairo_surface_flush(surface_);
  return cairo_surface_write_to_png(surface_, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

void Canvas::clear() {
  cairo_t* cr = cairo_create(surface_);
  cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
  cairo_paint(cr);
  cairo_destroy(cr);
  valid_ = false;
}

}  // namespace render
