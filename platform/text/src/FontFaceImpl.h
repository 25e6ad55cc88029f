#pragma once
// What a FontFace holds: the pango font (kept alive), a harfbuzz font at
// units-per-em scale for outlines and advances, and the outline cache.

#include <hb.h>
#include <pango/pangocairo.h>

#include <string>
#include <unordered_map>

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
  mutable std::unordered_map<std::uint32_t, quartz::Path> paths;

  Impl() = default;
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;
  ~Impl();
};

}  // namespace text
