#pragma once
// An immutable bitmap: 32-bit ARGB pixels, premultiplied alpha, native-endian
// words (cairo's ARGB32 layout), rows packed (stride = width * 4 bytes).
// Shared between layers and tiles as std::shared_ptr<const Image>; nothing
// ever changes its pixels, so a renderer may cache by address. An image may
// be given a recycler that takes its pixel buffer back when it is destroyed
// (a renderer reuses large buffers rather than fault in fresh pages).

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "quartz/Geometry.h"

namespace quartz {

class Image {
 public:
  using Recycler = void (*)(std::vector<std::uint32_t>&& pixels);

  // Pixels must hold width * height words, or be empty for a transparent image.
  Image(int width, int height, double scale, std::vector<std::uint32_t> pixels, Recycler recycler = nullptr);
  // A copy owns its own pixels and has no recycler.
  Image(const Image& other);
  Image& operator=(const Image&) = delete;
  ~Image();

  static std::shared_ptr<const Image> create(int width, int height, double scale = 1.0,
                                             std::vector<std::uint32_t> pixels = {}, Recycler recycler = nullptr);

  int width() const { return width_; }    // pixels
  int height() const { return height_; }  // pixels
  double scale() const { return scale_; } // pixels per point
  Size size() const { return {width_ / scale_, height_ / scale_}; }  // points
  int stride() const { return width_ * 4; }
  const std::uint32_t* pixels() const { return pixels_.data(); }
  std::span<const std::uint32_t> data() const { return pixels_; }
  std::uint32_t pixelAt(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)]; }

  // Decoding encoded bytes (PNG, JPEG) needs a codec that lives above the
  // model; a higher layer installs it. Without one, decode returns null.
  using Decoder = std::function<std::shared_ptr<const Image>(std::span<const std::uint8_t>)>;
  static void setDecoder(Decoder decoder);
  static std::shared_ptr<const Image> decode(std::span<const std::uint8_t> bytes);

 private:
  int width_;
  int height_;
  double scale_;
  std::vector<std::uint32_t> pixels_;
  Recycler recycler_ = nullptr;
};

}  // namespace quartz
