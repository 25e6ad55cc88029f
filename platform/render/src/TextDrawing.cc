#include "TextDrawing.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "Blur.h"
#include "CairoPtr.h"

namespace render {

namespace {

struct RunStyle {
  quartz::Color color;
  std::optional<quartz::Shadow> shadow;
};

// The attributes in force at byte `offset` of the box's text.
RunStyle styleAt(const quartz::TextBox& box, std::size_t offset) {
  std::size_t start = 0;
  const quartz::TextAttributes* found = nullptr;
  for (const quartz::TextRun& run : box.text.runs()) {
    if (offset < start + run.text.size() || &run == &box.text.runs().back()) {
      found = &run.attributes;
      break;
    }
    start += run.text.size();
  }
  RunStyle s{box.defaultColor, box.defaultShadow};
  if (found) {
    if (found->foregroundColor) s.color = *found->foregroundColor;
    if (found->shadow) s.shadow = found->shadow;
  }
  return s;
}

void showRun(cairo_t* cr, const text::GlyphRun& run, double x, double y, std::vector<cairo_glyph_t>& glyphs) {
  if (run.glyphs.empty()) return;
  glyphs.resize(run.glyphs.size());
  for (std::size_t i = 0; i < run.glyphs.size(); ++i)
    glyphs[i] = {run.glyphs[i], x + run.positions[i].x, y - run.positions[i].y};
  cairo_set_scaled_font(cr, run.font->cairoScaledFont());
  cairo_show_glyphs(cr, glyphs.data(), static_cast<int>(glyphs.size()));
}

}  // namespace

std::shared_ptr<const text::TextLayout> layoutForTextBox(const quartz::TextBox& box) {
  text::LayoutOptions o;
  o.width = box.rect.width();
  o.height = box.rect.height();
  o.numberOfLines = box.numberOfLines;
  o.lineBreakMode = box.lineBreakMode;
  o.alignment = box.alignment;
  if (box.adjustsFontSizeToFitWidth && box.numberOfLines == 1)
    o.minimumScaleFactor = box.minimumScaleFactor > 0 ? box.minimumScaleFactor : 0.01;
  return text::TextLayout::create(box.text, box.defaultFont, o);
}

void drawTextBox(cairo_t* cr, const quartz::TextBox& box, double alpha) {
  if (box.text.empty() || box.rect.width() <= 0) return;
  auto layout = layoutForTextBox(box);
  double top = box.rect.y() + (box.rect.height() - layout->size().height) / 2;
  double left = box.rect.x();

  struct Placed {
    const text::GlyphRun* run;
    double x, y;      // the line's origin: glyph positions are relative to it
    double runStart;  // where the run begins along the line
    RunStyle style;
  };
  std::vector<Placed> placed;
  bool anyShadow = false;
  for (const text::TextLine& line : layout->lines()) {
    double runStart = 0;
    for (const text::GlyphRun& run : line.runs) {
      Placed p{&run, left + line.origin.x, top + line.origin.y, runStart, styleAt(box, run.textStart)};
      anyShadow = anyShadow || (p.style.shadow && p.style.shadow->color.alpha > 0);
      placed.push_back(p);
      runStart += run.width;
    }
  }
  std::vector<cairo_glyph_t> glyphs;

  if (anyShadow) {
    // Each shadow is the blurred shape of its glyphs, drawn in device space
    // under the text.
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    double scale = std::sqrt(std::fabs(m.xx * m.yy - m.xy * m.yx));
    for (const Placed& p : placed) {
      if (!p.style.shadow || p.style.shadow->color.alpha <= 0 || p.style.color.alpha <= 0) continue;
      const quartz::Shadow& sh = *p.style.shadow;
      double sigma = sh.blurRadius / 2 * scale;
      // Wide blurs are computed at half resolution and scaled back up with
      // bilinear filtering: indistinguishable for soft shadows, four times
      // fewer pixels to blur.
      const double down = sigma >= 2 ? 0.5 : 1.0;
      int pad = blurPadding(sigma) + 2;
      // Device extents of the run's box along the line, with room for ink
      // that overhangs the advances.
      const double overhang = (p.run->font->ascent() + p.run->font->descent()) * 0.25;
      double x0 = p.x + p.runStart - overhang, x1 = p.x + p.runStart + p.run->width + overhang;
      double y0 = p.y - p.run->font->ascent() * 1.5, y1 = p.y + p.run->font->descent() * 1.5;
      double xs[4] = {x0, x1, x0, x1}, ys[4] = {y0, y0, y1, y1};
      double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
      for (int i = 0; i < 4; ++i) {
        double dx = xs[i], dy = ys[i];
        cairo_user_to_device(cr, &dx, &dy);
        minX = std::min(minX, dx), maxX = std::max(maxX, dx);
        minY = std::min(minY, dy), maxY = std::max(maxY, dy);
      }
      int ox = static_cast<int>(std::floor(minX)) - pad, oy = static_cast<int>(std::floor(minY)) - pad;
      int w = static_cast<int>(std::ceil(maxX)) + pad - ox, h = static_cast<int>(std::ceil(maxY)) + pad - oy;
      if (w <= 0 || h <= 0 || w > 16384 || h > 16384) continue;
      int mw = static_cast<int>(std::ceil(w * down)), mh = static_cast<int>(std::ceil(h * down));
      SurfacePtr mask(cairo_image_surface_create(CAIRO_FORMAT_A8, mw, mh));
      {
        ContextPtr mcr(cairo_create(mask.get()));
        cairo_scale(mcr.get(), down, down);
        cairo_matrix_t shifted = m;
        shifted.x0 -= ox;
        shifted.y0 -= oy;
        cairo_transform(mcr.get(), &shifted);
        cairo_font_options_t* fo = cairo_font_options_create();
        cairo_get_font_options(cr, fo);
        cairo_set_font_options(mcr.get(), fo);
        cairo_font_options_destroy(fo);
        // The shadow follows the ink: translucent text casts a fainter shadow.
        cairo_set_source_rgba(mcr.get(), 0, 0, 0, p.style.color.alpha);
        showRun(mcr.get(), *p.run, p.x, p.y, glyphs);
      }
      blurSurface(mask.get(), sigma * down);
      double offX = sh.offset.width, offY = sh.offset.height;
      cairo_user_to_device_distance(cr, &offX, &offY);
      cairo_save(cr);
      cairo_identity_matrix(cr);
      cairo_set_source_rgba(cr, sh.color.red, sh.color.green, sh.color.blue, sh.color.alpha * alpha);
      cairo_pattern_t* maskPattern = cairo_pattern_create_for_surface(mask.get());
      cairo_matrix_t toMask;
      cairo_matrix_init_scale(&toMask, down, down);
      cairo_matrix_translate(&toMask, -(ox + offX), -(oy + offY));
      cairo_pattern_set_matrix(maskPattern, &toMask);
      // Bilinear: a 2x upscale through nearest-neighbour sampling (what
      // CAIRO_FILTER_FAST does) leaves 2x2-pixel steps along every edge.
      cairo_pattern_set_filter(maskPattern, CAIRO_FILTER_BILINEAR);
      cairo_mask(cr, maskPattern);
      cairo_pattern_destroy(maskPattern);
      cairo_restore(cr);
    }
  }

  for (const Placed& p : placed) {
    const quartz::Color& c = p.style.color;
    if (c.alpha <= 0) continue;
    cairo_set_source_rgba(cr, c.red, c.green, c.blue, c.alpha * alpha);
    showRun(cr, *p.run, p.x, p.y, glyphs);
  }
}

}  // namespace render
