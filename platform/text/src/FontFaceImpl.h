#pragma once
// What a FontFace holds: the pango font (kept alive) and a harfbuzz font at
// units-per-em scale for outlines and advances. Outlines are cached by the
// text engine per outline face, in font units, for every size at once.

#include <hb.h>
#include <pango/pangocairo.h>

#include <cstdint>
#include <string>

#include "text/FontFace.h"

namespace text {

struct FontFace::Impl {
  PangoFont* font = nullptr;        // owned reference
  hb_font_t* outlineFont = nullptr; // owned; scale = units per em
  std::string postScriptName;
  std::string familyName;
  double pointSize = 0;
  double unitsPerEm = 1000;
  double ascent = 0;
  double descent = 0;
  std::uint32_t outlineFace = 0;    // the text engine's number for the font file and index

  Impl() = default;
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;
  ~Impl();
};

}  // namespace text
