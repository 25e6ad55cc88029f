#pragma once
// A persistent ARGB drawing target of whole pixels at a scale (pixels per
// point). A renderer draws into it frame after frame; keeping the same canvas
// lets the renderer skip frames where nothing changed. Pixels are cairo's
// ARGB32 (premultiplied, native-endian words), the same layout as
// quartz::Image, so exporting an image is one copy.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "quartz/Geometry.h"
#include "quartz/Image.h"

typedef struct _cairo_surface cairo_surface_t;

namespace render {

class Canvas {
 public:
  // A canvas for `size` points at `scale`; pixel sizes are rounded up.
  Canvas(quartz::Size size, double scale = 1.0);
  // A canvas drawing into memory the caller owns and keeps mapped for the
  // canvas's life: `pixels` holds width × height packed words (a display's
  // shared-memory segment, so a window needs no second buffer). Its
  // contents are taken as unknown, so the first frame clears them.
  Canvas(int pixelWidth, int pixelHeight, double scale, std::uint32_t* pixels);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  int pixelWidth() const { return width_; }
  int pixelHeight() const { return height_; }
  double scale() const { return scale_; }
  quartz::Size size() const { return {width_ / scale_, height_ / scale_}; }

  // Premultiplied ARGB of one pixel; 0 outside the canvas.
  std::uint32_t pixelAt(int x, int y) const;
  // A copy of the pixels as an immutable image at the canvas's scale.
  std::shared_ptr<const quartz::Image> image() const;
  // The pixels themselves as an image, without a copy (snapshots); the
  // canvas is transparent again afterwards. A canvas over the caller's
  // memory hands out a copy.
  std::shared_ptr<const quartz::Image> takeImage();
  bool writePNG(const std::string& path) const;
  void clear();

  // The backing surface (for the renderer and displays).
  cairo_surface_t* surface() const;

 private:
  friend class Renderer;
  // Gives the canvas pixels again after takeImage().
  void ensureSurface() const;
  int width_;
  int height_;
  double scale_;
  std::uint32_t* words() const { return external_ ? external_ : pixels_.data(); }
  mutable std::vector<std::uint32_t> pixels_;  // rows packed; empty after takeImage() or when external
  std::uint32_t* external_ = nullptr;          // the caller's pixels, when given
  mutable cairo_surface_t* surface_ = nullptr;  // draws into pixels_
  // Known to be all transparent (new, cleared or taken, and not handed out
  // for drawing since), so a frame need not clear it first.
  mutable bool blank_ = true;
  // What was drawn last, so an unchanged frame can be skipped.
  const void* lastRoot_ = nullptr;
  std::uint64_t lastTreeSerial_ = 0;
  double lastTime_ = 0;
  bool valid_ = false;
};

}  // namespace render
