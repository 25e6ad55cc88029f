#include "render/ImageCodec.h"

#include <cairo.h>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include <jpeglib.h>

#include "CairoPtr.h"

namespace render {

namespace {

// A cairo view of an immutable image's pixels (cairo only reads them).
SurfacePtr surfaceFor(const quartz::Image& image) {
  // NOLINTNEXTLINE: cairo takes a non-const pointer but never writes a source it only reads.
  auto* data = reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(image.pixels()));
  if (image.width() <= 0 || image.height() <= 0 || image.data().empty())
    return SurfacePtr(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(0, image.width()),
                                                 std::max(0, image.height())));
  return SurfacePtr(cairo_image_surface_create_for_data(data, CAIRO_FORMAT_ARGB32, image.width(), image.height(),
                                                        image.stride()));
}

std::shared_ptr<const quartz::Image> imageFromSurface(cairo_surface_t* s) {
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) return nullptr;
  int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
  cairo_surface_flush(s);
  SurfacePtr argb;
  if (cairo_image_surface_get_format(s) != CAIRO_FORMAT_ARGB32) {
    argb.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
    ContextPtr cr(cairo_create(argb.get()));
    cairo_set_source_surface(cr.get(), s, 0, 0);
    cairo_paint(cr.get());
    cr.reset();
    cairo_surface_flush(argb.get());
    s = argb.get();
  }
  const unsigned char* data = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  for (int y = 0; y < h; ++y)
    std::memcpy(pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w), data + y * stride,
                static_cast<std::size_t>(w) * 4);
  return quartz::Image::create(w, h, 1.0, std::move(pixels));
}

struct ByteReader {
  std::span<const std::uint8_t> bytes;
  std::size_t at = 0;
};

cairo_status_t readBytes(void* closure, unsigned char* out, unsigned int length) {
  auto* r = static_cast<ByteReader*>(closure);
  if (r->bytes.size() - r->at < length) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(out, r->bytes.data() + r->at, length);
  r->at += length;
  return CAIRO_STATUS_SUCCESS;
}

cairo_status_t writeBytes(void* closure, const unsigned char* data, unsigned int length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(closure);
  out->insert(out->end(), data, data + length);
  return CAIRO_STATUS_SUCCESS;
}

std::shared_ptr<const quartz::Image> decodePNG(std::span<const std::uint8_t> bytes) {
  ByteReader reader{bytes};
  SurfacePtr s(cairo_image_surface_create_from_png_stream(readBytes, &reader));
  return imageFromSurface(s.get());
}

struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

void jpegFail(j_common_ptr info) {
  // libjpeg cannot continue after an error; return to the decoder.
  std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

void jpegSilence(j_common_ptr) {}

// Kept free of objects with destructors between setjmp and the last libjpeg
// call, so the jump back on an error skips nothing.
bool decodeJPEGInto(std::span<const std::uint8_t> bytes, std::vector<std::uint32_t>* pixels, int* width,
                    int* height, std::vector<std::uint8_t>* row) {
  jpeg_decompress_struct info;
  JpegError error;
  info.err = jpeg_std_error(&error.mgr);
  error.mgr.error_exit = jpegFail;
  error.mgr.output_message = jpegSilence;
  if (setjmp(error.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  *width = static_cast<int>(info.output_width);
  *height = static_cast<int>(info.output_height);
  pixels->resize(static_cast<std::size_t>(info.output_width) * info.output_height);
  row->resize(static_cast<std::size_t>(info.output_width) * 3);
  while (info.output_scanline < info.output_height) {
    JSAMPROW rows[1] = {row->data()};
    std::size_t y = info.output_scanline;
    jpeg_read_scanlines(&info, rows, 1);
    for (std::size_t x = 0; x < info.output_width; ++x) {
      const std::uint8_t* p = row->data() + x * 3;
      (*pixels)[y * info.output_width + x] = 0xff000000u | (std::uint32_t{p[0]} << 16) |
                                            (std::uint32_t{p[1]} << 8) | std::uint32_t{p[2]};
    }
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

std::shared_ptr<const quartz::Image> decodeJPEG(std::span<const std::uint8_t> bytes) {
  std::vector<std::uint32_t> pixels;
  std::vector<std::uint8_t> row;
  int w = 0, h = 0;
  if (!decodeJPEGInto(bytes, &pixels, &w, &h, &row) || w <= 0 || h <= 0) return nullptr;
  return quartz::Image::create(w, h, 1.0, std::move(pixels));
}

}  // namespace

std::shared_ptr<const quartz::Image> decodeImage(std::span<const std::uint8_t> bytes) {
  static const std::uint8_t kPNG[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  if (bytes.size() >= 8 && std::memcmp(bytes.data(), kPNG, 8) == 0) return decodePNG(bytes);
  if (bytes.size() >= 3 && bytes[0] == 0xff && bytes[1] == 0xd8 && bytes[2] == 0xff) return decodeJPEG(bytes);
  return nullptr;
}

std::shared_ptr<const quartz::Image> readPNG(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return nullptr;
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return decodePNG(bytes);
}

std::vector<std::uint8_t> encodePNG(const quartz::Image& image) {
  std::vector<std::uint8_t> out;
  SurfacePtr s = surfaceFor(image);
  if (cairo_surface_write_to_png_stream(s.get(), writeBytes, &out) != CAIRO_STATUS_SUCCESS) out.clear();
  return out;
}

bool writePNG(const quartz::Image& image, const std::string& path) {
  SurfacePtr s = surfaceFor(image);
  return cairo_surface_write_to_png(s.get(), path.c_str()) == CAIRO_STATUS_SUCCESS;
}

void installImageDecoder() {
  quartz::Image::setDecoder([](std::span<const std::uint8_t> bytes) { return decodeImage(bytes); });
}

}  // namespace render
