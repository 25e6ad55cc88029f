#include "TextEngine.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangofc-font.h>

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

const PangoFontDescription* TextEngine::description(const quartz::Font& font) {
  FontKey key{font.name, font.pointSize, font.bold};
  auto it = descriptions_.find(key);
  if (it != descriptions_.end()) return it->second.get();

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
  return descriptions_.emplace(key, d).first->second.get();
}

double TextEngine::lineHeight(const quartz::Font& font) {
  FontKey key{font.name, font.pointSize, font.bold};
  auto it = lineHeights_.find(key);
  if (it != lineHeights_.end()) return it->second;
  PangoFontMetrics* metrics = pango_context_get_metrics(context_.get(), description(font), nullptr);
  double h = (pango_font_metrics_get_ascent(metrics) + pango_font_metrics_get_descent(metrics)) /
             static_cast<double>(PANGO_SCALE);
  pango_font_metrics_unref(metrics);
  lineHeights_.emplace(key, h);
  return h;
}

std::shared_ptr<const FontFace> TextEngine::face(PangoFont* font) {
  auto it = faces_.find(font);
  if (it != faces_.end()) return it->second;

  auto impl = std::make_unique<FontFace::Impl>();
  impl->font = PANGO_FONT(g_object_ref(font));
  if (PANGO_IS_FC_FONT(font)) {
    FcPattern* pattern = pango_fc_font_get_pattern(PANGO_FC_FONT(font));
    impl->postScriptName = patternString(pattern, FC_POSTSCRIPT_NAME);
    impl->familyName = patternString(pattern, FC_FAMILY);
  }
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
  auto face = std::make_shared<const FontFace>(std::move(impl));
  faces_.emplace(font, face);
  return face;
}

}  // namespace text
