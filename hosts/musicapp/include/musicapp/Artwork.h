#pragma once
// Cover artwork drawn in code, so the catalogue carries real images without
// image files: a square with a vertical two-colour gradient and a disc in the
// middle, encoded as PNG (libpng).

#include <cstdint>

#include "foundation/Value.h"

namespace musicapp {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
};

struct ArtworkStyle {
  int size = 64;  // pixels per side, 1 to 1024
  Rgb top;        // gradient, first row
  Rgb bottom;     // gradient, last row
  Rgb disc;       // filled circle centred, radius a third of the side
};

// PNG bytes; empty only if the encoder fails (or the size is out of range).
foundation::Data drawArtwork(const ArtworkStyle& style);

}  // namespace musicapp
