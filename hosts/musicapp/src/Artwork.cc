#include "musicapp/Artwork.h"

#include <png.h>

#include <vector>

namespace musicapp {
namespace {

std::uint8_t mix(std::uint8_t a, std::uint8_t b, int step, int steps) {
  return static_cast<std::uint8_t>((a * (steps - step) + b * step) / steps);
}

}  // namespace

foundation::Data drawArtwork(const ArtworkStyle& style) {
  if (style.size < 1 || style.size > 1024) return {};
  const int n = style.size;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(n) * static_cast<std::size_t>(n) * 3);
  const double centre = (n - 1) / 2.0;
  const double radius = n / 3.0;
  for (int y = 0; y < n; ++y) {
    const int steps = n > 1 ? n - 1 : 1;
    const Rgb row{mix(style.top.r, style.bottom.r, y, steps), mix(style.top.g, style.bottom.g, y, steps),
                  mix(style.top.b, style.bottom.b, y, steps)};
    for (int x = 0; x < n; ++x) {
      const double dx = x - centre;
      const double dy = y - centre;
      const Rgb& c = dx * dx + dy * dy <= radius * radius ? style.disc : row;
      std::uint8_t* p = &pixels[(static_cast<std::size_t>(y) * static_cast<std::size_t>(n) + static_cast<std::size_t>(x)) * 3];
      p[0] = c.r;
      p[1] = c.g;
      p[2] = c.b;
    }
  }

  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(n);
  image.height = static_cast<png_uint_32>(n);
  image.format = PNG_FORMAT_RGB;
  png_alloc_size_t size = 0;
  // The first call measures, the second writes.
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr)) {
    png_image_free(&image);
    return {};
  }
  foundation::Data png(size);
  if (!png_image_write_to_memory(&image, png.data(), &size, 0, pixels.data(), 0, nullptr)) {
    png_image_free(&image);
    return {};
  }
  png.resize(size);
  return png;
}

}  // namespace musicapp
