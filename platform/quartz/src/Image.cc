#include "quartz/Image.h"

#include <cassert>

namespace quartz {

namespace {
Image::Decoder& decoderSlot() {
  static Image::Decoder decoder;
  return decoder;
}
}  // namespace

Image::Image(int width, int height, double scale, std::vector<std::uint32_t> pixels, Recycler recycler)
    : width_(width < 0 ? 0 : width),
      height_(height < 0 ? 0 : height),
      scale_(scale > 0 ? scale : 1),
      pixels_(std::move(pixels)),
      recycler_(recycler) {
  const std::size_t n = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
  if (pixels_.empty()) pixels_.assign(n, 0);
  assert(pixels_.size() == n && "pixel buffer does not match the image size");
  pixels_.resize(n, 0);
}

Image::Image(const Image& other)
    : width_(other.width_), height_(other.height_), scale_(other.scale_), pixels_(other.pixels_) {}

Image::~Image() {
  if (recycler_) recycler_(std::move(pixels_));
}

std::shared_ptr<const Image> Image::create(int width, int height, double scale, std::vector<std::uint32_t> pixels,
                                           Recycler recycler) {
  return std::make_shared<const Image>(width, height, scale, std::move(pixels), recycler);
}

void Image::setDecoder(Decoder decoder) { decoderSlot() = std::move(decoder); }

std::shared_ptr<const Image> Image::decode(std::span<const std::uint8_t> bytes) {
  if (!decoderSlot() || bytes.empty()) return nullptr;
  return decoderSlot()(bytes);
}

}  // namespace quartz
