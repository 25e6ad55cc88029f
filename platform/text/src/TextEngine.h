#pragma once
// The process-wide pango state shared by layout, measuring and fonts: one
// cairo font map at 72 dpi, one context, one reusable layout, and caches of
// font descriptions and faces. Created on first use, never released
// (font maps own glyph caches that must outlive every layout).

#include <pango/pangocairo.h>

#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <unordered_map>

#include "quartz/Font.h"
#include "text/FontFace.h"

namespace text {

struct GObjectUnref {
  void operator()(void* p) const { g_object_unref(p); }
};
struct FontDescriptionFree {
  void operator()(PangoFontDescription* d) const { pango_font_description_free(d); }
};

class TextEngine {
 public:
  static TextEngine& shared();

  PangoContext* context() const { return context_.get(); }
  // A layout reused by every computation; callers set all of its state.
  PangoLayout* scratchLayout() const { return layout_.get(); }
  // Description for a font (resolved family, weight, style; absolute size).
  const PangoFontDescription* description(const quartz::Font& font);
  // Ascent + descent of the font's primary face.
  double lineHeight(const quartz::Font& font);
  // The shared face object for a font pango chose.
  std::shared_ptr<const FontFace> face(PangoFont* font);

 private:
  TextEngine();
  using FontKey = std::tuple<std::string, double, bool>;
  std::unique_ptr<PangoFontMap, GObjectUnref> fontMap_;
  std::unique_ptr<PangoContext, GObjectUnref> context_;
  std::unique_ptr<PangoLayout, GObjectUnref> layout_;
  std::map<FontKey, std::unique_ptr<PangoFontDescription, FontDescriptionFree>> descriptions_;
  std::map<FontKey, double> lineHeights_;
  std::unordered_map<PangoFont*, std::shared_ptr<const FontFace>> faces_;
};

}  // namespace text
