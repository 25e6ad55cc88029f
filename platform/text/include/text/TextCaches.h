#pragma once
// What the text module keeps between calls, and its bounds. Layouts, font
// descriptions and line heights per size, faces, and glyph outlines are all
// cached; each cache drops its least recently used entries beyond its limit,
// so a line height that keeps changing (a slider, a rotation) costs a bounded
// amount of memory however many sizes it passes through.

#include <cstddef>

namespace text {

struct TextCacheLimits {
  // Layouts hold their faces, so this also bounds the faces kept alive.
  static constexpr std::size_t layouts = 256;
  // Font descriptions and line heights, per (name, size, weight). Pango's
  // own font map, which keeps what it learnt about every size for ever, is
  // emptied each time this many sizes new to the text engine have passed.
  static constexpr std::size_t fontSizes = 128;
  // Faces the text engine hands out for pango's fonts (a face at a size).
  static constexpr std::size_t faces = 64;
  // Glyph outlines are kept in font units, shared by every size of a face;
  // bounded by the bytes of their path elements.
  static constexpr std::size_t outlineBytes = 4u << 20;
};

struct TextCacheUsage {
  std::size_t layouts = 0;
  std::size_t fontSizes = 0;
  std::size_t faces = 0;
  std::size_t outlines = 0;
  std::size_t outlineBytes = 0;
};

// The caches' contents now (benchmarks, tests, diagnostics).
TextCacheUsage textCacheUsage();

}  // namespace text
