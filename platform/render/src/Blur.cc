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
  const std::uint32_t v = (sum * scale) >> 16;
  return static_cast<std::uint8_t>(v < 255u ? v : 255u);
}

// One box pass of width 2r+1 along every row. Samples of one channel are
// `channels` bytes apart; out-of-range samples count as transparent, which a
// zero border of r samples on either side of a copy of the row provides, so
// the loop has no bounds checks.
void boxRows(std::uint8_t* data, int w, int h, int stride, int channels, int r,
             std::vector<std::uint8_t>& line) {
  const std::uint32_t scale = reciprocal(r);
  const std::size_t pad = static_cast<std::size_t>(r);
  line.assign(static_cast<std::size_t>(w) + 2 * pad + 1, 0);
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = data + static_cast<std::ptrdiff_t>(y) * stride;
    for (int c = 0; c < channels; ++c) {
      for (int i = 0; i < w; ++i) line[pad + static_cast<std::size_t>(i)] = row[i * channels + c];
      const std::uint8_t* in = line.data();
      std::uint32_t sum = 0;
      for (std::size_t i = 0; i < 2 * pad + 1; ++i) sum += in[i];
      for (int i = 0; i < w; ++i) {
        row[i * channels + c] = average(sum, scale);
        sum += in[static_cast<std::size_t>(i) + 2 * pad + 1];
        sum -= in[i];
      }
    }
  }
}

// The same pass for a one-channel mask, summing the 2r+1 shifted copies of
// each padded row tap by tap: no running sum, so nothing carries from one
// pixel to the next and every loop vectorises.
void boxRowsA8(std::uint8_t* data, int w, int h, int stride, int r, std::vector<std::uint8_t>& line,
               std::vector<std::uint32_t>& sums) {
  const std::uint32_t scale = reciprocal(r);
  const std::size_t pad = static_cast<std::size_t>(r);
  const std::size_t n = static_cast<std::size_t>(w);
  line.assign(n + 2 * pad, 0);
  sums.resize(n);
  std::uint32_t* sum = sums.data();
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = data + static_cast<std::ptrdiff_t>(y) * stride;
    std::copy(row, row + n, line.begin() + static_cast<std::ptrdiff_t>(pad));
    const std::uint8_t* in = line.data();
    for (std::size_t i = 0; i < n; ++i) sum[i] = in[i];
    for (std::size_t k = 1; k < 2 * pad + 1; ++k)
      for (std::size_t i = 0; i < n; ++i) sum[i] += in[i + k];
    for (std::size_t i = 0; i < n; ++i) row[i] = average(sum[i], scale);
  }
}

// One box pass of width 2r+1 down every column, walking rows in order with a
// running sum per byte so memory is read sequentially and the inner loops
// vectorise; r zero rows above and below stand for the transparent outside.
void boxColumns(std::uint8_t* data, int w, int h, int stride, int channels, int r,
                std::vector<std::uint8_t>& copy, std::vector<std::uint32_t>& sums) {
  const std::uint32_t scale = reciprocal(r);
  const std::size_t rowBytes = static_cast<std::size_t>(w) * channels;
  const std::size_t pad = static_cast<std::size_t>(r);
  copy.assign(rowBytes * (static_cast<std::size_t>(h) + 2 * pad + 1), 0);
  for (int y = 0; y < h; ++y)
    std::copy(data + static_cast<std::ptrdiff_t>(y) * stride,
              data + static_cast<std::ptrdiff_t>(y) * stride + rowBytes,
              copy.begin() + static_cast<std::ptrdiff_t>((static_cast<std::size_t>(y) + pad) * rowBytes));
  sums.assign(rowBytes, 0);
  for (std::size_t y = 0; y < 2 * pad + 1; ++y) {
    const std::uint8_t* in = copy.data() + y * rowBytes;
    for (std::size_t i = 0; i < rowBytes; ++i) sums[i] += in[i];
  }
  std::uint32_t* sum = sums.data();
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = data + static_cast<std::ptrdiff_t>(y) * stride;
    const std::uint8_t* leaving = copy.data() + static_cast<std::size_t>(y) * rowBytes;
    const std::uint8_t* entering = leaving + (2 * pad + 1) * rowBytes;
    for (std::size_t i = 0; i < rowBytes; ++i) {
      row[i] = average(sum[i], scale);
      sum[i] += entering[i];
      sum[i] -= leaving[i];
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
  std::vector<std::uint32_t> sums;
  if (channels == 1) {
    for (int pass = 0; pass < 3; ++pass) {
      boxRowsA8(data, w, h, stride, r, scratch, sums);
      boxColumns(data, w, h, stride, 1, r, scratch, sums);
    }
  } else {
    for (int pass = 0; pass < 3; ++pass) {
      boxRows(data, w, h, stride, channels, r, scratch);
      boxColumns(data, w, h, stride, channels, r, scratch, sums);
    }
  }
  cairo_surface_mark_dirty(surface);
}

}  // namespace render
