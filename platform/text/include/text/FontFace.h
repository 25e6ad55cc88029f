#pragma once
// A concrete face at a point size, as a glyph run uses it: the font the text
// engine actually chose for the run (a fallback face for characters the
// requested font lacks). Shared and immutable. The text engine keeps a
// bounded number of recently used faces, so runs laid out close together in
// the same face at the same size hold the same object; a face stays valid
// for as long as anything holds it.

#include <cstdint>
#include <memory>
#include <string>

#include "quartz/Path.h"

typedef struct _cairo_scaled_font cairo_scaled_font_t;

namespace text {

class FontFace {
 public:
  struct Impl;
  explicit FontFace(std::unique_ptr<Impl> impl);
  ~FontFace();
  FontFace(const FontFace&) = delete;
  FontFace& operator=(const FontFace&) = delete;

  const std::string& postScriptName() const;
  const std::string& familyName() const;
  double pointSize() const;
  double ascent() const;   // above the baseline, positive
  double descent() const;  // below the baseline, positive

  // The glyph's outline in points, y up, origin on the glyph's baseline
  // origin (the text engine's convention). Empty for glyphs without ink.
  // Outlines are cached once per font file for every size (in font units,
  // least recently used dropped first), so this is a scaled copy.
  quartz::Path pathForGlyph(std::uint32_t glyph) const;
  // Adds that outline, moved by `placement` (applied to its points in
  // points), to `path`: what a line's path is built from, without a copy.
  void addPathForGlyph(std::uint32_t glyph, const quartz::AffineTransform& placement, quartz::Path& path) const;
  // Horizontal advance of one glyph in points.
  double advanceForGlyph(std::uint32_t glyph) const;

  // The cairo font that draws this face at this size (for the renderer);
  // owned by the face.
  cairo_scaled_font_t* cairoScaledFont() const;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace text
