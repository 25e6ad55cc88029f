#pragma once
// A concrete face at a point size, as a glyph run uses it: the font the text
// engine actually chose for the run (a fallback face for characters the
// requested font lacks). Shared and immutable; instances are cached for the
// life of the process, so two runs in the same face at the same size hold
// the same object.

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
  // Outlines are cached per glyph.
  const quartz::Path& pathForGlyph(std::uint32_t glyph) const;
  // Horizontal advance of one glyph in points.
  double advanceForGlyph(std::uint32_t glyph) const;

  // The cairo font that draws this face at this size (for the renderer);
  // owned by the face.
  cairo_scaled_font_t* cairoScaledFont() const;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace text
