#include "Blur.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace render {

namespace {

// Averages by multiplying with a 16.16 reciprocal of the box width instead of
// dividing: the division dominated the blur and kept the loops scalar.
std::uint32_t reciprocal(int r) { return (1u << 16) / static_cast<std::uint32_t>(2 * r + 1) + 1; }
std::uint8_t average(std::uint32_t sum, std::uint32_t scale) {
  return static_cast<std::uint8_t>(std::min<std::uint32_t>(255u, (sum * scale) >> 16));
}

// One box pass of width 2r+1 along every row. Samples of one channel are
// `channels` bytes apart; out-of-range samples count as transparent.
void boxRows(std::uint8_t* data, int w, int h, int stride, int channels, int r,
             std::vector<std::uint8_t>& scratch) {
  const std::uint32_t scale = reciprocal(r);
  const std::size_t rowBytes = static_cast<std::size_t>(w) * channels;
  scratch.resize(rowBytes);
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = data + static_cast<std::ptrdiff_t>(y) * stride;
    std::copy(row, row + rowBytes, scratch.begin());
    for (int c = 0; c < channels; ++c) {
      const std::uint8_t* in = scratch.data() + c;
      int sum = 0;
      for (int i = 0; i <= r && i < w; ++i) sum += in[i * channels];
      for (int i = 0; i < w; ++i) {
        row[i * channels + c] = average(static_cast<std::uint32_t>(sum), scale);
        int out = i - r, next = i + r + 1;
        if (out >= 0) sum -= in[out * channels];
        if (next < w) sum += in[next * channels];
      }
    }
  }
}

// One box pass of width 2r+1 down every column, walking rows in order with a
// running sum per byte so memory is read sequentially.
void boxColumns(std::uint8_t* data, int w, int h, int stride, int channels, int r,
                std::vector<std::uint8_t>& copy, std::vector<int>& sums) {
  const std::uint32_t scale = reciprocal(r);
  const std::size_t rowBytes = static_cast<std::size_t>(w) * channels;
  copy.resize(rowBytes * static_cast<std::size_t>(h));
  for (int y = 0; y < h; ++y)
    std::copy(data + static_cast<std::ptrdiff_t>(y) * stride,
              data + static_cast<std::ptrdiff_t>(y) * stride + rowBytes, copy.begin() + y * rowBytes);
  sums.assign(rowBytes, 0);
  for (int y = 0; y <= r && y < h; ++y) {
    const std::uint8_t* in = copy.data() + y * rowBytes;
    for (std::size_t i = 0; i < rowBytes; ++i) sums[i] += in[i];
  }
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = data + static_cast<std::ptrdiff_t>(y) * stride;
    for (std::size_t i = 0; i < rowBytes; ++i)
      row[i] = average(static_cast<std::uint32_t>(sums[i]), scale);
    int out = y - r, next = y + r + 1;
    if (out >= 0) {
      const std::uint8_t* in = copy.data() + out * rowBytes;
      for (std::size_t i = 0; i < rowBytes; ++i) sums[i] -= in[i];
    }
    if (next < h) {
      const std::uint8_t* in = copy.data() + next * rowBytes;
      for (std::size_t i = 0; i < rowBytes; ++i) sums[i] += in[i];
    }
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
  std::vector<int> sums;
  for (int pass = 0; pass < 3; ++pass) {
    boxRows(data, w, h, stride, channels, r, scratch);
    boxColumns(data, w, h, stride, channels, r, scratch, sums);
  }
  cairo_surface_mark_dirty(surface);
}

}  // namespace render
