#include "TextEngine.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangofc-font.h>
#include <pango/pangofc-fontmap.h>

#include <string>
#include <utility>

#include "FontFaceImpl.h"
#include "text/FontDatabase.h"

namespace text {

namespace {

PangoWeight pangoWeight(int fcWeight) {
  int ot = FcWeightToOpenType(fcWeight);
  return static_cast<PangoWeight>(ot > 0 ? ot : 400);
}

PangoStretch pangoStretch(const FaceInfo& face) {
  if (face.width <= FC_WIDTH_ULTRACONDENSED) return PANGO_STRETCH_ULTRA_CONDENSED;
  if (face.width <= FC_WIDTH_EXTRACONDENSED) return PANGO_STRETCH_EXTRA_CONDENSED;
  if (face.width <= FC_WIDTH_CONDENSED) return PANGO_STRETCH_CONDENSED;
  if (face.width <= FC_WIDTH_SEMICONDENSED) return PANGO_STRETCH_SEMI_CONDENSED;
  if (face.width < FC_WIDTH_SEMIEXPANDED) return PANGO_STRETCH_NORMAL;
  if (face.width < FC_WIDTH_EXPANDED) return PANGO_STRETCH_SEMI_EXPANDED;
  return PANGO_STRETCH_EXPANDED;
}

std::string patternString(FcPattern* pattern, const char* object) {
  FcChar8* value = nullptr;
  if (FcPatternGetString(pattern, object, 0, &value) == FcResultMatch && value)
    return reinterpret_cast<const char*>(value);
  return {};
}

}  // namespace

TextEngine& TextEngine::shared() {
  static TextEngine* engine = new TextEngine();
  return *engine;
}

TextEngine::TextEngine() {
  fontMap_.reset(pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT));
  // 72 dpi: font sizes in points come out as the same number of pixels at scale 1.
  pango_cairo_font_map_set_resolution(PANGO_CAIRO_FONT_MAP(fontMap_.get()), 72.0);
  context_.reset(pango_font_map_create_context(fontMap_.get()));
  // Unhinted metrics and fractional positions: widths scale linearly with the
  // size and do not depend on the drawing scale.
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  pango_cairo_context_set_font_options(context_.get(), options);
  cairo_font_options_destroy(options);
  pango_cairo_context_set_resolution(context_.get(), 72.0);
  pango_context_set_round_glyph_positions(context_.get(), FALSE);
  pango_context_set_language(context_.get(), pango_language_from_string("en"));
  layout_.reset(pango_layout_new(context_.get()));
}

TextEngine::FontEntry& TextEngine::fontEntry(const quartz::Font& font) {
  FontKey key{font.name, font.pointSize, font.bold};
  if (FontEntry* cached = fonts_.find(key)) return *cached;

  PangoFontDescription* d = pango_font_description_new();
  const FontDatabase& db = FontDatabase::shared();
  if (font.isSystemFont() || !db.isInstalled(font.name)) {
    pango_font_description_set_family(d, FontDatabase::kSystemFamily);
  } else {
    FaceInfo face = db.resolve(font);
    pango_font_description_set_family(d, face.familyName.c_str());
    pango_font_description_set_weight(d, pangoWeight(face.weight));
    pango_font_description_set_style(d, face.slant == FC_SLANT_ITALIC    ? PANGO_STYLE_ITALIC
                                        : face.slant == FC_SLANT_OBLIQUE ? PANGO_STYLE_OBLIQUE
                                                                         : PANGO_STYLE_NORMAL);
    pango_font_description_set_stretch(d, pangoStretch(face));
  }
  if (font.bold) pango_font_description_set_weight(d, PANGO_WEIGHT_BOLD);
  pango_font_description_set_absolute_size(d, font.pointSize * PANGO_SCALE);
  // Pango's font map keeps a fontconfig pattern for every size it has seen,
  // for the life of the map (tens of kilobytes each); only emptying its
  // caches lets them go. Fonts still held (by faces, layouts) stay valid.
  if (++sizesSinceFontMapReset_ > TextCacheLimits::fontSizes) {
    sizesSinceFontMapReset_ = 0;
    faces_.clear();
    pango_fc_font_map_cache_clear(PANGO_FC_FONT_MAP(fontMap_.get()));
  }
  FontEntry entry;
  entry.description.reset(d);
  return fonts_.insert(std::move(key), std::move(entry));
}

const PangoFontDescription* TextEngine::description(const quartz::Font& font) {
  return fontEntry(font).description.get();
}

double TextEngine::lineHeight(const quartz::Font& font) {
  FontEntry& entry = fontEntry(font);
  if (entry.lineHeight >= 0) return entry.lineHeight;
  PangoFontMetrics* metrics = pango_context_get_metrics(context_.get(), entry.description.get(), nullptr);
  entry.lineHeight = (pango_font_metrics_get_ascent(metrics) + pango_font_metrics_get_descent(metrics)) /
                     static_cast<double>(PANGO_SCALE);
  pango_font_metrics_unref(metrics);
  return entry.lineHeight;
}

std::uint32_t TextEngine::outlineFaceId(PangoFont* font) {
  std::pair<std::string, int> file{"", 0};
  if (PANGO_IS_FC_FONT(font)) {
    FcPattern* pattern = pango_fc_font_get_pattern(PANGO_FC_FONT(font));
    file.first = patternString(pattern, FC_FILE);
    if (FcPatternGetInteger(pattern, FC_INDEX, 0, &file.second) != FcResultMatch) file.second = 0;
  }
  // A font without a file of its own shares outlines with nothing.
  if (file.first.empty()) file.first = "#" + std::to_string(outlineFaces_.size());
  auto [it, added] = outlineFaces_.try_emplace(std::move(file), static_cast<std::uint32_t>(outlineFaces_.size()));
  return it->second;
}

std::shared_ptr<const FontFace> TextEngine::face(PangoFont* font) {
  if (std::shared_ptr<const FontFace>* cached = faces_.find(font)) return *cached;

  auto impl = std::make_unique<FontFace::Impl>();
  impl->font = PANGO_FONT(g_object_ref(font));
  if (PANGO_IS_FC_FONT(font)) {
    FcPattern* pattern = pango_fc_font_get_pattern(PANGO_FC_FONT(font));
    impl->postScriptName = patternString(pattern, FC_POSTSCRIPT_NAME);
    impl->familyName = patternString(pattern, FC_FAMILY);
  }
  impl->outlineFace = outlineFaceId(font);
  PangoFontDescription* d = pango_font_describe_with_absolute_size(font);
  impl->pointSize = pango_font_description_get_size(d) / static_cast<double>(PANGO_SCALE);
  pango_font_description_free(d);

  if (hb_font_t* pangoHb = pango_font_get_hb_font(font)) {
    hb_face_t* hbFace = hb_font_get_face(pangoHb);
    impl->outlineFont = hb_font_create(hbFace);  // scale defaults to units per em
    impl->unitsPerEm = hb_face_get_upem(hbFace);
    hb_font_extents_t extents{};
    if (hb_font_get_h_extents(impl->outlineFont, &extents)) {
      double s = impl->pointSize / impl->unitsPerEm;
      impl->ascent = extents.ascender * s;
      impl->descent = -extents.descender * s;
    }
  }
  return faces_.insert(font, std::make_shared<const FontFace>(std::move(impl)));
}

TextCacheUsage TextEngine::usage() const {
  TextCacheUsage u;
  u.layouts = layouts_.size();
  u.fontSizes = fonts_.size();
  u.faces = faces_.size();
  u.outlines = outlines_.size();
  u.outlineBytes = outlines_.totalCost();
  return u;
}

namespace {

std::size_t mix(std::size_t h, std::size_t v) { return h ^ (v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2)); }

}  // namespace

std::size_t FontKeyHash::operator()(const FontKey& k) const {
  std::size_t h = std::hash<std::string>()(k.name);
  h = mix(h, std::hash<double>()(k.pointSize));
  return mix(h, k.bold);
}

std::size_t LayoutKeyHash::operator()(const LayoutKey& k) const {
  std::size_t h = 0;
  for (const quartz::TextRun& run : k.text.runs()) {
    h = mix(h, std::hash<std::string>()(run.text));
    if (run.attributes.font) h = mix(h, std::hash<double>()(run.attributes.font->pointSize));
  }
  h = mix(h, std::hash<std::string>()(k.font.name));
  h = mix(h, std::hash<double>()(k.font.pointSize));
  h = mix(h, k.font.bold);
  h = mix(h, std::hash<double>()(k.options.width));
  h = mix(h, std::hash<double>()(k.options.height));
  h = mix(h, static_cast<std::size_t>(k.options.numberOfLines));
  h = mix(h, static_cast<std::size_t>(k.options.lineBreakMode));
  h = mix(h, static_cast<std::size_t>(k.options.alignment));
  return mix(h, std::hash<double>()(k.options.minimumScaleFactor));
}

}  // namespace text
