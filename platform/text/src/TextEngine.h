#pragma once
// The process-wide pango state shared by layout, measuring and fonts: one
// cairo font map at 72 dpi, one context, one reusable layout, and the text
// module's caches (layouts, font descriptions and line heights per size,
// faces, glyph outlines), each bounded as TextCacheLimits says. Created on
// first use, never released (font maps own glyph caches that must outlive
// every layout).

#include <pango/pangocairo.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "LruCache.h"
#include "quartz/AttributedString.h"
#include "quartz/Font.h"
#include "quartz/Path.h"
#include "text/FontFace.h"
#include "text/TextCaches.h"
#include "text/TextLayout.h"

namespace text {

struct GObjectUnref {
  void operator()(void* p) const { g_object_unref(p); }
};
struct FontDescriptionFree {
  void operator()(PangoFontDescription* d) const { pango_font_description_free(d); }
};

// What a layout depends on: the text with its fonts (no colours), the
// default font and the options.
struct LayoutKey {
  quartz::AttributedString text;
  quartz::Font font;
  LayoutOptions options;
  bool operator==(const LayoutKey&) const = default;
};
struct LayoutKeyHash {
  std::size_t operator()(const LayoutKey& k) const;
};

struct FontKey {
  std::string name;
  double pointSize = 0;
  bool bold = false;
  bool operator==(const FontKey&) const = default;
};
struct FontKeyHash {
  std::size_t operator()(const FontKey& k) const;
};

// A glyph of an outline face (a font file and index, at no particular size).
struct GlyphKey {
  std::uint32_t face = 0;
  std::uint32_t glyph = 0;
  bool operator==(const GlyphKey&) const = default;
};
struct GlyphKeyHash {
  std::size_t operator()(const GlyphKey& k) const {
    return std::hash<std::uint64_t>()((std::uint64_t{k.face} << 32) | k.glyph);
  }
};

class TextEngine {
 public:
  static TextEngine& shared();

  PangoContext* context() const { return context_.get(); }
  // A layout reused by every computation; callers set all of its state.
  PangoLayout* scratchLayout() const { return layout_.get(); }
  // Description for a font (resolved family, weight, style; absolute size).
  // Valid until the next call of description() or lineHeight() for another
  // size, which may drop it: callers copy it (pango does) before that.
  const PangoFontDescription* description(const quartz::Font& font);
  // Ascent + descent of the font's primary face.
  double lineHeight(const quartz::Font& font);
  // The face object for a font pango chose; the same object while it stays
  // cached (runs and layouts keep theirs alive regardless).
  std::shared_ptr<const FontFace> face(PangoFont* font);
  // Glyph outlines in font units, y up, by outline face and glyph; the cost
  // of an entry is its bytes.
  LruCache<GlyphKey, quartz::Path, GlyphKeyHash>& outlines() { return outlines_; }
  // Layouts by what they depend on.
  LruCache<LayoutKey, std::shared_ptr<const TextLayout>, LayoutKeyHash>& layouts() { return layouts_; }

  TextCacheUsage usage() const;

 private:
  TextEngine();
  struct FontEntry {
    std::unique_ptr<PangoFontDescription, FontDescriptionFree> description;
    double lineHeight = -1;  // not measured yet
  };
  FontEntry& fontEntry(const quartz::Font& font);
  // A small number per font file and face index, so that every size of a
  // face shares its outlines. Bounded by the installed fonts.
  std::uint32_t outlineFaceId(PangoFont* font);

  std::unique_ptr<PangoFontMap, GObjectUnref> fontMap_;
  std::unique_ptr<PangoContext, GObjectUnref> context_;
  std::unique_ptr<PangoLayout, GObjectUnref> layout_;
  LruCache<LayoutKey, std::shared_ptr<const TextLayout>, LayoutKeyHash> layouts_{TextCacheLimits::layouts};
  LruCache<FontKey, FontEntry, FontKeyHash> fonts_{TextCacheLimits::fontSizes};
  // Each face holds a reference to its pango font, so a key stays the
  // address of a live font while its entry exists.
  LruCache<PangoFont*, std::shared_ptr<const FontFace>> faces_{TextCacheLimits::faces};
  LruCache<GlyphKey, quartz::Path, GlyphKeyHash> outlines_{TextCacheLimits::outlineBytes};
  std::map<std::pair<std::string, int>, std::uint32_t> outlineFaces_;
  std::size_t sizesSinceFontMapReset_ = 0;
};

}  // namespace text
