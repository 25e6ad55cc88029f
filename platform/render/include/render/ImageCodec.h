#pragma once
// Encoded images in and out: PNG through cairo, JPEG through libjpeg.
// Decoded images are premultiplied ARGB at scale 1.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "quartz/Image.h"

namespace render {

// PNG or JPEG bytes (recognised by their signature); null when the bytes are
// neither or do not decode.
std::shared_ptr<const quartz::Image> decodeImage(std::span<const std::uint8_t> bytes);
std::shared_ptr<const quartz::Image> readPNG(const std::string& path);
bool writePNG(const quartz::Image& image, const std::string& path);
std::vector<std::uint8_t> encodePNG(const quartz::Image& image);

// Installs decodeImage as quartz::Image's decoder, so the model can turn
// bytes into images without linking a codec. Idempotent.
void installImageDecoder();

}  // namespace render
