#include "text/FontFace.h"

#include <cairo.h>

#include "FontFaceImpl.h"
#include "TextEngine.h"

namespace text {

FontFace::Impl::~Impl() {
  if (outlineFont) hb_font_destroy(outlineFont);
  if (font) g_object_unref(font);
}

FontFace::FontFace(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
FontFace::~FontFace() = default;

const std::string& FontFace::postScriptName() const { return impl_->postScriptName; }
const std::string& FontFace::familyName() const { return impl_->familyName; }
double FontFace::pointSize() const { return impl_->pointSize; }
double FontFace::ascent() const { return impl_->ascent; }
double FontFace::descent() const { return impl_->descent; }

namespace {

// Harfbuzz draws in font units, y up; outlines are kept so, and scaled to
// points when placed.
struct OutlineSink {
  quartz::Path* path;
  quartz::Point at(float x, float y) const { return {x, y}; }
};

void moveTo(hb_draw_funcs_t*, void* data, hb_draw_state_t*, float x, float y, void*) {
  auto* s = static_cast<OutlineSink*>(data);
  s->path->moveTo(s->at(x, y));
}
void lineTo(hb_draw_funcs_t*, void* data, hb_draw_state_t*, float x, float y, void*) {
  auto* s = static_cast<OutlineSink*>(data);
  s->path->lineTo(s->at(x, y));
}
void quadTo(hb_draw_funcs_t*, void* data, hb_draw_state_t*, float cx, float cy, float x, float y, void*) {
  auto* s = static_cast<OutlineSink*>(data);
  s->path->quadTo(s->at(cx, cy), s->at(x, y));
}
void cubicTo(hb_draw_funcs_t*, void* data, hb_draw_state_t*, float c1x, float c1y, float c2x, float c2y,
             float x, float y, void*) {
  auto* s = static_cast<OutlineSink*>(data);
  s->path->cubicTo(s->at(c1x, c1y), s->at(c2x, c2y), s->at(x, y));
}
void closePath(hb_draw_funcs_t*, void* data, hb_draw_state_t*, void*) {
  static_cast<OutlineSink*>(data)->path->close();
}

hb_draw_funcs_t* drawFuncs() {
  static hb_draw_funcs_t* funcs = [] {
    hb_draw_funcs_t* f = hb_draw_funcs_create();
    hb_draw_funcs_set_move_to_func(f, moveTo, nullptr, nullptr);
    hb_draw_funcs_set_line_to_func(f, lineTo, nullptr, nullptr);
    hb_draw_funcs_set_quadratic_to_func(f, quadTo, nullptr, nullptr);
    hb_draw_funcs_set_cubic_to_func(f, cubicTo, nullptr, nullptr);
    hb_draw_funcs_set_close_path_func(f, closePath, nullptr, nullptr);
    hb_draw_funcs_make_immutable(f);
    return f;
  }();
  return funcs;
}

// The glyph's outline in font units, from the engine's cache.
const quartz::Path& unitOutline(const FontFace::Impl& face, std::uint32_t glyph) {
  auto& cache = TextEngine::shared().outlines();
  const GlyphKey key{face.outlineFace, glyph};
  if (const quartz::Path* cached = cache.find(key)) return *cached;
  quartz::Path drawn;
  if (face.outlineFont) {
    OutlineSink sink{&drawn};
    hb_font_get_glyph_shape(face.outlineFont, glyph, drawFuncs(), &sink);
  }
  // A copy sized exactly: the drawn path's storage grew by doubling.
  quartz::Path exact;
  exact.addPath(drawn);
  const std::size_t bytes = sizeof(quartz::Path) + exact.elements().size() * sizeof(quartz::Path::Element);
  return cache.insert(key, std::move(exact), bytes);
}

}  // namespace

void FontFace::addPathForGlyph(std::uint32_t glyph, const quartz::AffineTransform& placement,
                               quartz::Path& path) const {
  const quartz::Path& outline = unitOutline(*impl_, glyph);
  if (outline.isEmpty()) return;
  const double s = impl_->pointSize / impl_->unitsPerEm;
  path.addPath(outline, quartz::concat(quartz::AffineTransform::makeScale(s, s), placement));
}

quartz::Path FontFace::pathForGlyph(std::uint32_t glyph) const {
  quartz::Path path;
  addPathForGlyph(glyph, {}, path);
  return path;
}

double FontFace::advanceForGlyph(std::uint32_t glyph) const {
  if (!impl_->outlineFont) return 0;
  return hb_font_get_glyph_h_advance(impl_->outlineFont, glyph) * impl_->pointSize / impl_->unitsPerEm;
}

cairo_scaled_font_t* FontFace::cairoScaledFont() const {
  return pango_cairo_font_get_scaled_font(PANGO_CAIRO_FONT(impl_->font));
}

}  // namespace text
