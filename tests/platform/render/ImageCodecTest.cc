#include "render/ImageCodec.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include <jpeglib.h>

namespace {

std::shared_ptr<const quartz::Image> checker() {
  std::vector<std::uint32_t> px(6 * 4);
  for (int i = 0; i < 24; ++i) px[static_cast<std::size_t>(i)] = (i % 2) ? 0xffff0000u : 0x80000080u;  // premultiplied
  return quartz::Image::create(6, 4, 1.0, px);
}

TEST(ImageCodecTest, PngRoundTripsPremultipliedPixels) {
  auto original = checker();
  std::vector<std::uint8_t> bytes = render::encodePNG(*original);
  ASSERT_GT(bytes.size(), 8u);
  auto decoded = render::decodeImage(bytes);
  ASSERT_TRUE(decoded);
  ASSERT_EQ(decoded->width(), 6);
  ASSERT_EQ(decoded->height(), 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(decoded->pixelAt(x, y), original->pixelAt(x, y));

  auto path = std::filesystem::temp_directory_path() / "hv-codec-test.png";
  ASSERT_TRUE(render::writePNG(*original, path.string()));
  auto read = render::readPNG(path.string());
  ASSERT_TRUE(read);
  EXPECT_EQ(read->pixelAt(1, 0), 0xffff0000u);
  std::filesystem::remove(path);
}

TEST(ImageCodecTest, DecodesJpegAsOpaquePixels) {
  // Encode a 16x8 image: left half red, right half blue.
  jpeg_compress_struct info;
  jpeg_error_mgr err;
  info.err = jpeg_std_error(&err);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &out, &size);
  info.image_width = 16;
  info.image_height = 8;
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 95, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<unsigned char> row(16 * 3);
  for (int x = 0; x < 16; ++x) {
    row[static_cast<std::size_t>(x * 3)] = x < 8 ? 255 : 0;
    row[static_cast<std::size_t>(x * 3 + 2)] = x < 8 ? 0 : 255;
  }
  while (info.next_scanline < 8) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::vector<std::uint8_t> bytes(out, out + size);
  free(out);

  auto image = render::decodeImage(bytes);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width(), 16);
  EXPECT_EQ(image->height(), 8);
  std::uint32_t left = image->pixelAt(2, 4), right = image->pixelAt(13, 4);
  EXPECT_EQ(left >> 24, 0xffu);
  EXPECT_GT((left >> 16) & 0xff, 200u);
  EXPECT_LT(left & 0xff, 60u);
  EXPECT_GT(right & 0xff, 200u);
}

TEST(ImageCodecTest, RejectsBytesThatAreNotImages) {
  std::vector<std::uint8_t> junk = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  EXPECT_FALSE(render::decodeImage(junk));
  EXPECT_FALSE(render::decodeImage({}));
  // A PNG signature followed by garbage, and a truncated JPEG.
  std::vector<std::uint8_t> badPng = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H'};
  EXPECT_FALSE(render::decodeImage(badPng));
  std::vector<std::uint8_t> badJpeg = {0xff, 0xd8, 0xff, 0xe0, 0, 16, 'J', 'F'};
  EXPECT_FALSE(render::decodeImage(badJpeg));
}

TEST(ImageCodecTest, InstalledDecoderServesTheModel) {
  render::installImageDecoder();
  auto bytes = render::encodePNG(*checker());
  auto image = quartz::Image::decode(bytes);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width(), 6);
}

}  // namespace
