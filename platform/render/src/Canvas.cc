#include "render/Canvas.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "PixelPool.h"
#include "render/ImageCodec.h"

namespace render {

Canvas::Canvas(quartz::Size size, double scale)
    : width_(std::max(0, static_cast<int>(std::ceil(size.width * scale - 1e-9)))),
      height_(std::max(0, static_cast<int>(std::ceil(size.height * scale - 1e-9)))),
      scale_(scale > 0 ? scale : 1.0) {
  ensureSurface();
}

Canvas::Canvas(int pixelWidth, int pixelHeight, double scale, std::uint32_t* pixels)
    : width_(std::max(0, pixelWidth)),
      height_(std::max(0, pixelHeight)),
      scale_(scale > 0 ? scale : 1.0),
      external_(pixels) {
  ensureSurface();
  blank_ = false;  // whatever the memory held
}

Canvas::~Canvas() {
  if (surface_) cairo_surface_destroy(surface_);
  givePixels(std::move(pixels_));
}

void Canvas::ensureSurface() const {
  if (surface_) return;
  if (external_) {
    surface_ = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(external_), CAIRO_FORMAT_ARGB32,
                                                   width_, height_, width_ * 4);
    blank_ = false;
    return;
  }
  pixels_ = takePixels(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), Contents::cleared);
  // Rows of an ARGB32 surface need no padding, so cairo draws straight into
  // the packed pixels an image uses.
  surface_ = pixels_.empty() ? cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width_, height_)
                             : cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels_.data()),
                                                                   CAIRO_FORMAT_ARGB32, width_, height_, width_ * 4);
  blank_ = true;
}

cairo_surface_t* Canvas::surface() const {
  ensureSurface();
  blank_ = false;  // the caller may draw into it
  return surface_;
}

std::uint32_t Canvas::pixelAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_ || !surface_) return 0;
  cairo_surface_flush(surface_);
  return words()[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)];
}

std::shared_ptr<const quartz::Image> Canvas::image() const {
  ensureSurface();
  cairo_surface_flush(surface_);
  const std::size_t count = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
  std::vector<std::uint32_t> copy = takePixels(count, Contents::unspecified);
  if (!copy.empty()) std::memcpy(copy.data(), words(), count * sizeof(std::uint32_t));
  return quartz::Image::create(width_, height_, scale_, std::move(copy), givePixels);
}

std::shared_ptr<const quartz::Image> Canvas::takeImage() {
  if (external_) {
    std::shared_ptr<const quartz::Image> copy = image();
    clear();
    return copy;
  }
  ensureSurface();
  cairo_surface_flush(surface_);
  cairo_surface_destroy(surface_);
  surface_ = nullptr;
  valid_ = false;
  return quartz::Image::create(width_, height_, scale_, std::move(pixels_), givePixels);
}

bool Canvas::writePNG(const std::string& path) const {
  ensureSurface();
  cairo_surface_flush(surface_);
  return cairo_surface_write_to_png(surface_, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

void Canvas::clear() {
  if (surface_ && !blank_) {
    cairo_surface_flush(surface_);
    std::fill_n(words(), static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0u);
    cairo_surface_mark_dirty(surface_);
  }
  blank_ = true;
  valid_ = false;
}

}  // namespace render
