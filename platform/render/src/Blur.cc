#include "Blur.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace render {

namespace {

// One box pass of width 2r+1 along a line of `n` samples `step` bytes apart.
void boxLine(std::uint8_t* data, int n, int step, int r, std::vector<std::uint8_t>& scratch) {
  scratch.resize(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) scratch[static_cast<std::size_t>(i)] = data[i * step];
  int width = 2 * r + 1;
  int sum = 0;
  for (int i = -r; i <= r; ++i)
    if (i >= 0 && i < n) sum += scratch[static_cast<std::size_t>(i)];
  for (int i = 0; i < n; ++i) {
    data[i * step] = static_cast<std::uint8_t>((sum + width / 2) / width);
    int out = i - r;
    int in = i + r + 1;
    if (out >= 0) sum -= scratch[static_cast<std::size_t>(out)];
    if (in < n) sum += scratch[static_cast<std::size_t>(in)];
  }
}

}  // namespace

int blurPadding(double sigma) { return sigma <= 0 ? 0 : static_cast<int>(std::ceil(sigma * 3)) + 1; }

void blurSurface(cairo_surface_t* surface, double sigma) {
  if (sigma < 0.3) return;
  cairo_surface_flush(surface);
  int w = cairo_image_surface_get_width(surface);
  int h = cairo_image_surface_get_height(surface);
  int stride = cairo_image_surface_get_stride(surface);
  std::uint8_t* data = cairo_image_surface_get_data(surface);
  if (!data || w == 0 || h == 0) return;
  int channels = cairo_image_surface_get_format(surface) == CAIRO_FORMAT_A8 ? 1 : 4;
  // Box width that three passes need to approximate a gaussian of sigma.
  double d = std::floor(sigma * 3 * std::sqrt(2 * M_PI) / 4 + 0.5);
  int r = std::max(1, static_cast<int>(d) / 2);
  std::vector<std::uint8_t> scratch;
  for (int pass = 0; pass < 3; ++pass) {
    for (int y = 0; y < h; ++y)
      for (int c = 0; c < channels; ++c) boxLine(data + y * stride + c, w, channels, r, scratch);
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < channels; ++c) boxLine(data + x * channels + c, h, stride, r, scratch);
  }
  cairo_surface_mark_dirty(surface);
}

}  // namespace render
