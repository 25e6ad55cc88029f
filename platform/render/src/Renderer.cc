#include "render/Renderer.h"
#include "render/Snapshot.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <variant>

#include "Blur.h"
#include "CairoPtr.h"
#include "PathGeometry.h"
#include "PixelPool.h"
#include "Placement.h"
#include "TextDrawing.h"
#include "foundation/RunLoop.h"

namespace render {

using quartz::Color;
using quartz::CommittedLayer;
using quartz::Layer;
using quartz::LayerKind;
using quartz::LayerState;
using quartz::Rect;

namespace {

void setColor(cairo_t* cr, const Color& c, double alpha) {
  cairo_set_source_rgba(cr, c.red, c.green, c.blue, c.alpha * alpha);
}


cairo_line_join_t joinOf(quartz::LineJoin j) {
  switch (j) {
    case quartz::LineJoin::Round: return CAIRO_LINE_JOIN_ROUND;
    case quartz::LineJoin::Bevel: return CAIRO_LINE_JOIN_BEVEL;
    default: return CAIRO_LINE_JOIN_MITER;
  }
}

cairo_line_cap_t capOf(quartz::LineCap c) {
  switch (c) {
    case quartz::LineCap::Round: return CAIRO_LINE_CAP_ROUND;
    case quartz::LineCap::Square: return CAIRO_LINE_CAP_SQUARE;
    default: return CAIRO_LINE_CAP_BUTT;
  }
}

bool isWhole(double v) { return v == std::floor(v); }

// Places axis-aligned layers on whole device pixels, so that cached content
// composites by plain copies and edges stay sharp.
void snapToPixels(cairo_t* cr) {
  cairo_matrix_t m;
  cairo_get_matrix(cr, &m);
  if (m.xy != 0 || m.yx != 0) return;
  if (isWhole(m.x0) && isWhole(m.y0)) return;
  m.x0 = snapToPixel(m.x0);
  m.y0 = snapToPixel(m.y0);
  cairo_set_matrix(cr, &m);
}

cairo_matrix_t toCairo(const quartz::AffineTransform& t) {
  cairo_matrix_t m;
  cairo_matrix_init(&m, t.a, t.b, t.c, t.d, t.tx, t.ty);
  return m;
}

// What a layer's cached raster depends on besides the layer itself.
struct ContentKey {
  std::uint64_t contentSerial = 0;
  double xx = 0, yx = 0, xy = 0, yy = 0;  // device matrix, linear part
  double strokeStart = 0, strokeEnd = 0, lineWidth = 0, miterLimit = 0;
  Color strokeColor, fillColor;
  int join = 0, cap = 0;
  bool evenOdd = false;
  bool operator==(const ContentKey&) const = default;
};

struct ContentEntry {
  std::weak_ptr<const Layer> owner;
  ContentKey key;
  bool keyed = false;
  SurfacePtr raster;   // null: not rasterised (yet) or no ink
  bool rasterised = false;
  int originX = 0, originY = 0;  // device offset of the raster from the layer origin
  std::uint64_t lastUsed = 0;
};

struct FlatEntry {
  std::weak_ptr<const quartz::Path> owner;
  std::unique_ptr<FlattenedPath> flat;
  std::uint64_t lastUsed = 0;
};

struct ImageEntry {
  std::weak_ptr<const quartz::Image> owner;
  SurfacePtr surface;
  std::uint64_t lastUsed = 0;
};

constexpr std::uint64_t kEvictAfterFrames = 240;

}  // namespace

struct Renderer::Impl {
  Stats& stats;
  double t = 0;
  std::uint64_t frame = 0;
  bool rootBackgroundDrawn = false;
  const Layer* rootLayer = nullptr;  // the frame's first fill already painted it
  const Layer* skip = nullptr;       // left out of the frame with its subtree
  std::unordered_map<const Layer*, ContentEntry> contents;
  std::unordered_map<const quartz::Path*, FlatEntry> flattened;
  std::unordered_map<const quartz::Image*, ImageEntry> images;

  explicit Impl(Stats& s) : stats(s) {}

  void drawLayer(cairo_t* cr, const Layer& layer, bool isRoot);
  void drawBody(cairo_t* cr, const Layer& layer, const LayerState& s, const CommittedLayer& c, double alpha);
  void drawContent(cairo_t* cr, const Layer& layer, const LayerState& s, const CommittedLayer& c, double alpha);
  enum class CacheResult { Raster, Empty, Direct };
  CacheResult prepareRaster(cairo_t* cr, const Layer& layer, const LayerState& s, const CommittedLayer& c, bool eager,
                            ContentEntry*& out);
  void drawCachedContent(cairo_t* cr, const Layer& layer, const LayerState& s, const CommittedLayer& c,
                         double alpha);
  bool drawMaskedGradient(cairo_t* cr, const LayerState& s, const CommittedLayer& c, double opacity);
  PatternPtr gradientPattern(const LayerState& s, double alpha);
  void drawShapeAndList(cairo_t* cr, const LayerState& s, double alpha);
  void drawShape(cairo_t* cr, const LayerState& s, double alpha);
  void drawDisplayList(cairo_t* cr, const quartz::DisplayList& list, double alpha);
  void drawImage(cairo_t* cr, const std::shared_ptr<const quartz::Image>& image, const Rect& dest,
                 const Rect& unitSource, double alpha);
  void drawGradient(cairo_t* cr, const LayerState& s, double alpha);
  void drawShadowed(cairo_t* cr, const Layer& layer, const LayerState& s, const CommittedLayer& c, double opacity);
  cairo_surface_t* surfaceFor(const std::shared_ptr<const quartz::Image>& image);
  const FlattenedPath& flatten(const std::shared_ptr<const quartz::Path>& path);
  void evict();
};

namespace {

bool visible(const Layer& layer, double t) {
  LayerState s = quartz::presentationAt(layer.committed(), t);
  return !s.hidden && s.opacity > 0;
}

bool hasDrawnContent(const LayerState& s) {
  return (s.kind == LayerKind::Shape && s.path && !s.path->isEmpty()) ||
         (s.displayList && !s.displayList->isEmpty());
}

}  // namespace

void Renderer::Impl::drawLayer(cairo_t* cr, const Layer& layer, bool isRoot) {
  if (&layer == skip) return;
  const CommittedLayer& c = layer.committed();
  LayerState s = quartz::presentationAt(c, t);
  if (!isRoot && (s.hidden || s.opacity <= 0)) return;
  // A mask that draws nothing (hidden or fully transparent) lets nothing of
  // the layer through, as the compositor does; it is not "no mask".
  if (c.mask && !visible(*c.mask, t)) return;
  cairo_save(cr);
  double opacity = 1;
  if (!isRoot) {
    cairo_matrix_t m = toCairo(s.transformToSuperlayer());
    cairo_transform(cr, &m);
    snapToPixels(cr);
    opacity = std::min(1.0, s.opacity);
  } else {
    // The root's bounds origin is the canvas's top left.
    cairo_translate(cr, -s.bounds.x(), -s.bounds.y());
  }

  bool masked = c.mask && visible(*c.mask, t);
  bool shadow = !isRoot && s.shadowOpacity > 0 && s.shadowColor.alpha > 0;
  if (shadow) {
    drawShadowed(cr, layer, s, c, opacity);
    cairo_restore(cr);
    return;
  }
  int parts = (s.backgroundColor.alpha > 0) + (s.borderWidth > 0 && s.borderColor.alpha > 0) +
              (s.contents != nullptr) + hasDrawnContent(s) + (s.kind == LayerKind::Gradient);
  bool sublayers = false;
  for (const auto& sub : c.sublayers)
    if (visible(*sub, t)) {
      sublayers = true;
      break;
    }
  bool group = opacity < 1 && (sublayers || parts > 1);

  if (masked && drawMaskedGradient(cr, s, c, opacity)) {
    // done: the gradient was filled through the mask's cached raster
  } else if (masked) {
    // Only what the mask covers can show: keep the groups to its frame.
    LayerState ms = quartz::presentationAt(c.mask->committed(), t);
    Rect area = ms.frame();
    if (s.masksToBounds) area = area.intersection(s.bounds);
    cairo_rectangle(cr, area.x(), area.y(), area.width(), area.height());
    cairo_clip(cr);
    cairo_push_group(cr);
    drawBody(cr, layer, s, c, 1.0);
    PatternPtr body(cairo_pop_group(cr));
    cairo_push_group_with_content(cr, CAIRO_CONTENT_ALPHA);
    drawLayer(cr, *c.mask, false);
    PatternPtr mask(cairo_pop_group(cr));
    if (opacity < 1) cairo_push_group(cr);
    cairo_set_source(cr, body.get());
    cairo_mask(cr, mask.get());
    if (opacity < 1) {
      cairo_pop_group_to_source(cr);
      cairo_paint_with_alpha(cr, opacity);
    }
  } else if (group) {
    if (s.masksToBounds) {
      roundedRect(cr, s.bounds, s.cornerRadius);
      cairo_clip(cr);
    }
    cairo_push_group(cr);
    drawBody(cr, layer, s, c, 1.0);
    cairo_pop_group_to_source(cr);
    cairo_paint_with_alpha(cr, opacity);
  } else {
    drawBody(cr, layer, s, c, opacity);
  }
  cairo_restore(cr);
}

void Renderer::Impl::drawShadowed(cairo_t* cr, const Layer& layer, const LayerState& s, const CommittedLayer& c,
                                  double opacity) {
  // The shadow is the blurred alpha of everything the layer draws, offset,
  // beneath it. Draw the layer into an offscreen surface covering its
  // device extent (bounds, and sublayers one level down), then use it twice.
  cairo_matrix_t m;
  cairo_get_matrix(cr, &m);
  double scale = std::sqrt(std::fabs(m.xx * m.yy - m.xy * m.yx));
  double sigma = s.shadowRadius / 2 * scale;
  Rect extent = s.bounds;
  for (const auto& sub : c.sublayers) extent = extent.unionWith(quartz::presentationAt(sub->committed(), t).frame());
  double xs[4] = {extent.minX(), extent.maxX(), extent.minX(), extent.maxX()};
  double ys[4] = {extent.minY(), extent.minY(), extent.maxY(), extent.maxY()};
  double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
  for (int i = 0; i < 4; ++i) {
    double x = xs[i], y = ys[i];
    cairo_user_to_device(cr, &x, &y);
    minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
  }
  int pad = blurPadding(sigma) + 1;
  int ox = static_cast<int>(std::floor(minX)) - pad, oy = static_cast<int>(std::floor(minY)) - pad;
  int w = static_cast<int>(std::ceil(maxX)) + pad - ox, h = static_cast<int>(std::ceil(maxY)) + pad - oy;
  if (w <= 0 || h <= 0 || w > 16384 || h > 16384) return;

  SurfacePtr body(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
  {
    ContextPtr bcr(cairo_create(body.get()));
    cairo_matrix_t shifted = m;
    shifted.x0 -= ox;
    shifted.y0 -= oy;
    cairo_set_matrix(bcr.get(), &shifted);
    if (c.mask && visible(*c.mask, t)) {
      cairo_push_group(bcr.get());
      drawBody(bcr.get(), layer, s, c, 1.0);
      PatternPtr content(cairo_pop_group(bcr.get()));
      cairo_push_group_with_content(bcr.get(), CAIRO_CONTENT_ALPHA);
      drawLayer(bcr.get(), *c.mask, false);
      PatternPtr mask(cairo_pop_group(bcr.get()));
      cairo_set_source(bcr.get(), content.get());
      cairo_mask(bcr.get(), mask.get());
    } else {
      drawBody(bcr.get(), layer, s, c, 1.0);
    }
  }
  cairo_surface_flush(body.get());
  SurfacePtr shadowMask(cairo_image_surface_create(CAIRO_FORMAT_A8, w, h));
  {
    ContextPtr scr(cairo_create(shadowMask.get()));
    cairo_set_source_surface(scr.get(), body.get(), 0, 0);
    cairo_paint(scr.get());
  }
  blurSurface(shadowMask.get(), sigma);
  double offX = s.shadowOffset.width, offY = s.shadowOffset.height;
  cairo_user_to_device_distance(cr, &offX, &offY);

  cairo_save(cr);
  cairo_identity_matrix(cr);
  setColor(cr, s.shadowColor, s.shadowOpacity * opacity);
  cairo_mask_surface(cr, shadowMask.get(), ox + offX, oy + offY);
  cairo_set_source_surface(cr, body.get(), ox, oy);
  cairo_paint_with_alpha(cr, opacity);
  cairo_restore(cr);
}

void Renderer::Impl::drawBody(cairo_t* cr, const Layer& layer, const LayerState& s, const CommittedLayer& c,
                              double alpha) {
  const Rect& b = s.bounds;
  if (s.backgroundColor.alpha > 0 && !(rootBackgroundDrawn && &layer == rootLayer)) {
    roundedRect(cr, b, s.cornerRadius);
    setColor(cr, s.backgroundColor, alpha);
    cairo_fill(cr);
  }
  cairo_save(cr);
  if (s.masksToBounds) {
    roundedRect(cr, b, s.cornerRadius);
    cairo_clip(cr);
  }
  if (s.geometryFlipped) {
    cairo_translate(cr, 0, b.minY() + b.maxY());
    cairo_scale(cr, 1, -1);
    snapToPixels(cr);
  }
  drawContent(cr, layer, s, c, alpha);
  for (const auto& sub : c.sublayers) drawLayer(cr, *sub, false);
  cairo_restore(cr);
  if (s.borderWidth > 0 && s.borderColor.alpha > 0) {
    double w = std::min({s.borderWidth, std::fabs(b.width()) / 2, std::fabs(b.height()) / 2});
    roundedRect(cr, b.insetBy(w / 2, w / 2), std::max(0.0, s.cornerRadius - w / 2));
    cairo_set_line_width(cr, w);
    setColor(cr, s.borderColor, alpha);
    cairo_stroke(cr);
  }
}

void Renderer::Impl::drawContent(cairo_t* cr, const Layer& layer, const LayerState& s, const CommittedLayer& c,
                                 double alpha) {
  if (s.contents && s.contents->width() > 0 && s.contents->height() > 0) {
    // Gravity places the (selected part of the) image in the bounds.
    const Rect& b = s.bounds;
    Rect cr0 = s.contentsRect;
    double iw = s.contents->size().width * cr0.width(), ih = s.contents->size().height * cr0.height();
    Rect dest = b;
    using G = quartz::ContentsGravity;
    switch (s.contentsGravity) {
      case G::Resize: break;
      case G::ResizeAspect:
      case G::ResizeAspectFill: {
        double sx = b.width() / iw, sy = b.height() / ih;
        double k = s.contentsGravity == G::ResizeAspect ? std::min(sx, sy) : std::max(sx, sy);
        dest = {b.midX() - iw * k / 2, b.midY() - ih * k / 2, iw * k, ih * k};
        break;
      }
      case G::Center: dest = {b.midX() - iw / 2, b.midY() - ih / 2, iw, ih}; break;
      case G::Top: dest = {b.midX() - iw / 2, b.minY(), iw, ih}; break;
      case G::Bottom: dest = {b.midX() - iw / 2, b.maxY() - ih, iw, ih}; break;
      case G::Left: dest = {b.minX(), b.midY() - ih / 2, iw, ih}; break;
      case G::Right: dest = {b.maxX() - iw, b.midY() - ih / 2, iw, ih}; break;
    }
    drawImage(cr, s.contents, dest, cr0, alpha);
  }
  if (s.kind == LayerKind::Gradient) drawGradient(cr, s, alpha);
  if (hasDrawnContent(s)) drawCachedContent(cr, layer, s, c, alpha);
}

Renderer::Impl::CacheResult Renderer::Impl::prepareRaster(cairo_t* cr, const Layer& layer, const LayerState& s,
                                                          const CommittedLayer& c, bool eager, ContentEntry*& out) {
  cairo_matrix_t m;
  cairo_get_matrix(cr, &m);
  if (!isWhole(m.x0) || !isWhole(m.y0)) return CacheResult::Direct;
  ContentKey key;
  key.contentSerial = c.contentSerial;
  key.xx = m.xx, key.yx = m.yx, key.xy = m.xy, key.yy = m.yy;
  if (s.kind == LayerKind::Shape) {
    key.strokeStart = s.strokeStart, key.strokeEnd = s.strokeEnd, key.lineWidth = s.lineWidth;
    key.miterLimit = s.miterLimit, key.strokeColor = s.strokeColor, key.fillColor = s.fillColor;
    key.join = static_cast<int>(s.lineJoin), key.cap = static_cast<int>(s.lineCap);
    key.evenOdd = s.fillRuleEvenOdd;
  }
  ContentEntry& e = contents[&layer];
  out = &e;
  if (e.owner.expired() || e.owner.lock().get() != &layer) {
    e = ContentEntry{};
    e.owner = layer.weak_from_this();
  }
  e.lastUsed = frame;
  if (!e.keyed || !(e.key == key)) {
    // New content is drawn straight away and cached if it is still the same
    // next frame, so content that animates never pays for a raster.
    e.key = key;
    e.keyed = true;
    e.raster.reset();
    e.rasterised = false;
    if (!eager) return CacheResult::Direct;
  }
  if (!e.rasterised) {
    SurfacePtr recording(cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, nullptr));
    {
      ContextPtr rcr(cairo_create(recording.get()));
      cairo_matrix_t linear = m;
      linear.x0 = 0, linear.y0 = 0;
      cairo_set_matrix(rcr.get(), &linear);
      cairo_font_options_t* fo = cairo_font_options_create();
      cairo_get_font_options(cr, fo);
      cairo_set_font_options(rcr.get(), fo);
      cairo_font_options_destroy(fo);
      drawShapeAndList(rcr.get(), s, 1.0);
    }
    double x, y, w, h;
    cairo_recording_surface_ink_extents(recording.get(), &x, &y, &w, &h);
    e.rasterised = true;
    if (w > 0 && h > 0 && w < 16384 && h < 16384) {
      // Ink extents can fall short of antialiased edges (a glyph's fringe):
      // a pixel more on each side keeps them.
      int ix = static_cast<int>(std::floor(x)) - 1, iy = static_cast<int>(std::floor(y)) - 1;
      int iw = static_cast<int>(std::ceil(x + w)) + 1 - ix, ih = static_cast<int>(std::ceil(y + h)) + 1 - iy;
      e.raster.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, iw, ih));
      ContextPtr icr(cairo_create(e.raster.get()));
      cairo_set_source_surface(icr.get(), recording.get(), -ix, -iy);
      cairo_paint(icr.get());
      e.originX = ix, e.originY = iy;
    }
    ++stats.contentRasterized;
  } else {
    ++stats.contentFromCache;
  }
  return e.raster ? CacheResult::Raster : CacheResult::Empty;
}

void Renderer::Impl::drawCachedContent(cairo_t* cr, const Layer& layer, const LayerState& s,
                                       const CommittedLayer& c, double alpha) {
  ContentEntry* e = nullptr;
  CacheResult r = prepareRaster(cr, layer, s, c, false, e);
  if (r == CacheResult::Direct) {
    ++stats.contentDrawnDirect;
    drawShapeAndList(cr, s, alpha);
    return;
  }
  if (r == CacheResult::Empty) return;
  cairo_matrix_t m;
  cairo_get_matrix(cr, &m);
  cairo_save(cr);
  cairo_identity_matrix(cr);
  double x = m.x0 + e->originX, y = m.y0 + e->originY;
  cairo_set_source_surface(cr, e->raster.get(), x, y);
  cairo_rectangle(cr, x, y, cairo_image_surface_get_width(e->raster.get()),
                  cairo_image_surface_get_height(e->raster.get()));
  if (alpha >= 1) {
    cairo_fill(cr);
  } else {
    cairo_clip(cr);
    cairo_paint_with_alpha(cr, alpha);
  }
  cairo_restore(cr);
}

bool Renderer::Impl::drawMaskedGradient(cairo_t* cr, const LayerState& s, const CommittedLayer& c, double opacity) {
  // A gradient masked by a layer that only draws cached content (a label's
  // text): fill the gradient through the mask's raster, without groups.
  if (s.kind != LayerKind::Gradient || s.geometryFlipped || s.contents || hasDrawnContent(s) ||
      s.backgroundColor.alpha > 0 || (s.borderWidth > 0 && s.borderColor.alpha > 0))
    return false;
  for (const auto& sub : c.sublayers)
    if (visible(*sub, t)) return false;
  const Layer& maskLayer = *c.mask;
  const CommittedLayer& mc = maskLayer.committed();
  LayerState ms = quartz::presentationAt(mc, t);
  if (!mc.sublayers.empty() || mc.mask || ms.contents || ms.backgroundColor.alpha > 0 || ms.kind == LayerKind::Gradient ||
      (ms.borderWidth > 0 && ms.borderColor.alpha > 0) || (ms.shadowOpacity > 0 && ms.shadowColor.alpha > 0) ||
      ms.geometryFlipped || !hasDrawnContent(ms))
    return false;
  cairo_save(cr);
  cairo_matrix_t mm = toCairo(ms.transformToSuperlayer());
  cairo_transform(cr, &mm);
  snapToPixels(cr);
  ContentEntry* e = nullptr;
  CacheResult r = prepareRaster(cr, maskLayer, ms, mc, true, e);
  cairo_get_matrix(cr, &mm);
  cairo_restore(cr);
  if (r == CacheResult::Direct) return false;
  if (r == CacheResult::Empty) return true;
  PatternPtr gradient = gradientPattern(s, opacity * std::min(1.0, ms.opacity));
  if (!gradient) return true;
  cairo_save(cr);
  const Rect& b = s.bounds;
  if (s.masksToBounds && s.cornerRadius > 0)
    roundedRect(cr, b, s.cornerRadius);
  else
    cairo_rectangle(cr, b.x(), b.y(), b.width(), b.height());
  cairo_clip(cr);
  cairo_set_source(cr, gradient.get());
  cairo_identity_matrix(cr);
  cairo_mask_surface(cr, e->raster.get(), mm.x0 + e->originX, mm.y0 + e->originY);
  cairo_restore(cr);
  return true;
}

void Renderer::Impl::drawShapeAndList(cairo_t* cr, const LayerState& s, double alpha) {
  if (s.kind == LayerKind::Shape && s.path && !s.path->isEmpty()) drawShape(cr, s, alpha);
  if (s.displayList && !s.displayList->isEmpty()) drawDisplayList(cr, *s.displayList, alpha);
}

void Renderer::Impl::drawShape(cairo_t* cr, const LayerState& s, double alpha) {
  if (s.fillColor.alpha > 0) {
    cairo_new_path(cr);
    appendPath(cr, *s.path);
    cairo_set_fill_rule(cr, s.fillRuleEvenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
    setColor(cr, s.fillColor, alpha);
    cairo_fill(cr);
  }
  double start = std::clamp(s.strokeStart, 0.0, 1.0), end = std::clamp(s.strokeEnd, 0.0, 1.0);
  if (s.strokeColor.alpha <= 0 || s.lineWidth <= 0 || end <= start) return;
  cairo_new_path(cr);
  if (start <= 0 && end >= 1)
    appendPath(cr, *s.path);
  else
    flatten(s.path).appendPart(cr, start, end);
  cairo_set_line_width(cr, s.lineWidth);
  cairo_set_line_join(cr, joinOf(s.lineJoin));
  cairo_set_line_cap(cr, capOf(s.lineCap));
  cairo_set_miter_limit(cr, s.miterLimit);
  setColor(cr, s.strokeColor, alpha);
  cairo_stroke(cr);
}

void Renderer::Impl::drawDisplayList(cairo_t* cr, const quartz::DisplayList& list, double alpha) {
  namespace op = quartz::op;
  int depth = 0;
  cairo_save(cr);
  for (const quartz::DisplayOp& o : list.ops) {
    std::visit(
        [&](const auto& v) {
          using T = std::decay_t<decltype(v)>;
          if constexpr (std::is_same_v<T, op::Save>) {
            cairo_save(cr);
            ++depth;
          } else if constexpr (std::is_same_v<T, op::Restore>) {
            if (depth > 0) {
              cairo_restore(cr);
              --depth;
            }
          } else if constexpr (std::is_same_v<T, op::ConcatCTM>) {
            cairo_matrix_t m = toCairo(v.transform);
            cairo_transform(cr, &m);
          } else if constexpr (std::is_same_v<T, op::ClipRect>) {
            cairo_rectangle(cr, v.rect.x(), v.rect.y(), v.rect.width(), v.rect.height());
            cairo_clip(cr);
          } else if constexpr (std::is_same_v<T, op::ClipPath>) {
            cairo_new_path(cr);
            appendPath(cr, v.path);
            cairo_set_fill_rule(cr, v.evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
            cairo_clip(cr);
          } else if constexpr (std::is_same_v<T, op::FillRect>) {
            cairo_rectangle(cr, v.rect.x(), v.rect.y(), v.rect.width(), v.rect.height());
            setColor(cr, v.color, alpha);
            cairo_fill(cr);
          } else if constexpr (std::is_same_v<T, op::FillPath>) {
            cairo_new_path(cr);
            appendPath(cr, v.path);
            cairo_set_fill_rule(cr, v.evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
            setColor(cr, v.color, alpha);
            cairo_fill(cr);
          } else if constexpr (std::is_same_v<T, op::StrokePath>) {
            cairo_new_path(cr);
            appendPath(cr, v.path);
            cairo_set_line_width(cr, v.lineWidth);
            cairo_set_line_join(cr, joinOf(v.lineJoin));
            cairo_set_line_cap(cr, capOf(v.lineCap));
            cairo_set_miter_limit(cr, v.miterLimit);
            setColor(cr, v.color, alpha);
            cairo_stroke(cr);
          } else if constexpr (std::is_same_v<T, op::DrawImage>) {
            if (v.image) drawImage(cr, v.image, v.rect, Rect(0, 0, 1, 1), alpha);
          } else if constexpr (std::is_same_v<T, op::DrawText>) {
            drawTextBox(cr, v.box, alpha);
          }
        },
        o);
  }
  while (depth-- > 0) cairo_restore(cr);
  cairo_restore(cr);
}

cairo_surface_t* Renderer::Impl::surfaceFor(const std::shared_ptr<const quartz::Image>& image) {
  ImageEntry& e = images[image.get()];
  e.lastUsed = frame;
  if (e.surface && !e.owner.expired() && e.owner.lock() == image) return e.surface.get();
  e.owner = image;
  // The image's pixels are immutable and outlive the entry (checked through
  // the weak owner), so cairo reads them in place.
  auto* data = reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(image->pixels()));
  if (image->data().empty())
    e.surface.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, image->width(), image->height()));
  else
    e.surface.reset(cairo_image_surface_create_for_data(data, CAIRO_FORMAT_ARGB32, image->width(), image->height(),
                                                        image->stride()));
  return e.surface.get();
}

void Renderer::Impl::drawImage(cairo_t* cr, const std::shared_ptr<const quartz::Image>& image, const Rect& dest,
                               const Rect& unitSource, double alpha) {
  if (dest.isEmpty() || unitSource.isEmpty()) return;
  cairo_surface_t* surface = surfaceFor(image);
  double sx = unitSource.x() * image->width(), sy = unitSource.y() * image->height();
  double sw = unitSource.width() * image->width(), sh = unitSource.height() * image->height();
  // A part of the image is sampled from a view of just that part (rounded
  // out to whole pixels), so filtering does not pull in its neighbours.
  SurfacePtr part;
  if (sx > 0 || sy > 0 || sx + sw < image->width() || sy + sh < image->height()) {
    int px0 = std::clamp(static_cast<int>(std::floor(sx + 1e-6)), 0, image->width());
    int py0 = std::clamp(static_cast<int>(std::floor(sy + 1e-6)), 0, image->height());
    int px1 = std::clamp(static_cast<int>(std::ceil(sx + sw - 1e-6)), px0, image->width());
    int py1 = std::clamp(static_cast<int>(std::ceil(sy + sh - 1e-6)), py0, image->height());
    if (px1 <= px0 || py1 <= py0) return;
    part.reset(cairo_surface_create_for_rectangle(surface, px0, py0, px1 - px0, py1 - py0));
    surface = part.get();
    sx -= px0;
    sy -= py0;
  }
  cairo_save(cr);
  cairo_rectangle(cr, dest.x(), dest.y(), dest.width(), dest.height());
  cairo_clip(cr);
  PatternPtr pattern(cairo_pattern_create_for_surface(surface));
  // Pattern space (image pixels) from user space (layer points).
  cairo_matrix_t pm;
  cairo_matrix_init(&pm, sw / dest.width(), 0, 0, sh / dest.height(), sx - dest.x() * sw / dest.width(),
                    sy - dest.y() * sh / dest.height());
  cairo_pattern_set_matrix(pattern.get(), &pm);
  cairo_pattern_set_extend(pattern.get(), CAIRO_EXTEND_PAD);
  cairo_pattern_set_filter(pattern.get(), CAIRO_FILTER_BILINEAR);
  cairo_set_source(cr, pattern.get());
  if (alpha >= 1)
    cairo_paint(cr);
  else
    cairo_paint_with_alpha(cr, alpha);
  cairo_restore(cr);
}

PatternPtr Renderer::Impl::gradientPattern(const LayerState& s, double alpha) {
  if (s.colors.empty() || s.bounds.isEmpty()) return nullptr;
  const Rect& b = s.bounds;
  PatternPtr pattern(cairo_pattern_create_linear(b.x() + s.startPoint.x * b.width(), b.y() + s.startPoint.y * b.height(),
                                                 b.x() + s.endPoint.x * b.width(), b.y() + s.endPoint.y * b.height()));
  std::size_t n = s.colors.size();
  bool located = s.locations.size() == n;
  for (std::size_t i = 0; i < n; ++i) {
    double at = located ? s.locations[i] : (n == 1 ? 0 : static_cast<double>(i) / static_cast<double>(n - 1));
    const Color& c = s.colors[i];
    cairo_pattern_add_color_stop_rgba(pattern.get(), at, c.red, c.green, c.blue, c.alpha * alpha);
  }
  cairo_pattern_set_extend(pattern.get(), CAIRO_EXTEND_PAD);
  return pattern;
}

void Renderer::Impl::drawGradient(cairo_t* cr, const LayerState& s, double alpha) {
  PatternPtr pattern = gradientPattern(s, alpha);
  if (!pattern) return;
  const Rect& b = s.bounds;
  cairo_rectangle(cr, b.x(), b.y(), b.width(), b.height());
  cairo_set_source(cr, pattern.get());
  cairo_fill(cr);
}

const FlattenedPath& Renderer::Impl::flatten(const std::shared_ptr<const quartz::Path>& path) {
  FlatEntry& e = flattened[path.get()];
  e.lastUsed = frame;
  if (!e.flat || e.owner.expired() || e.owner.lock() != path) {
    e.owner = path;
    e.flat = std::make_unique<FlattenedPath>(*path);
  }
  return *e.flat;
}

void Renderer::Impl::evict() {
  auto stale = [this](std::uint64_t lastUsed) { return frame - lastUsed > kEvictAfterFrames; };
  std::erase_if(contents, [&](const auto& kv) { return kv.second.owner.expired() || stale(kv.second.lastUsed); });
  std::erase_if(flattened, [&](const auto& kv) { return kv.second.owner.expired() || stale(kv.second.lastUsed); });
  std::erase_if(images, [&](const auto& kv) { return kv.second.owner.expired() || stale(kv.second.lastUsed); });
}

Renderer::Renderer() : impl_(std::make_unique<Impl>(stats_)) {}
Renderer::~Renderer() = default;

Renderer& Renderer::shared() {
  static Renderer* renderer = new Renderer();
  return *renderer;
}

bool Renderer::isCurrent(const quartz::Layer& root, double t, const Canvas& canvas) const {
  const CommittedLayer& c = root.committed();
  const double settle = c.treeAnimationsSettle;
  return canvas.valid_ && canvas.lastRoot_ == &root && canvas.lastTreeSerial_ == c.treeSerial &&
         (canvas.lastTime_ == t || (t >= settle && canvas.lastTime_ >= settle));
}

namespace {

void setTextOptions(cairo_t* cr) {
  cairo_font_options_t* fo = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(fo, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(fo, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_antialias(fo, CAIRO_ANTIALIAS_GRAY);
  cairo_set_font_options(cr, fo);
  cairo_font_options_destroy(fo);
}

}  // namespace

bool Renderer::render(const quartz::Layer& root, double t, Canvas& canvas) {
  const CommittedLayer& c = root.committed();
  if (isCurrent(root, t, canvas)) {
    ++stats_.framesSkipped;
    return false;
  }
  draw(root, t, canvas, nullptr);
  canvas.valid_ = true;
  canvas.lastRoot_ = &root;
  canvas.lastTreeSerial_ = c.treeSerial;
  canvas.lastTime_ = t;
  ++stats_.framesRendered;
  return true;
}

void Renderer::draw(const quartz::Layer& root, double t, Canvas& canvas, const quartz::Layer* skip) {
  const CommittedLayer& c = root.committed();
  Impl& impl = *impl_;
  ContextPtr cr(beginFrame(t, canvas));
  // A square background covers every pixel, and painted as the source it
  // is what clearing then drawing it over gives, in one pass (a marquee's
  // every frame); otherwise start clear (a canvas known to be blank already
  // is).
  const LayerState& rs = c.state;
  bool covered = rs.cornerRadius <= 0 && c.animations.empty();
  if (covered) {
    setColor(cr.get(), rs.backgroundColor, 1.0);
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr.get());
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_OVER);
  } else if (!canvas.blank_) {
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr.get());
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_OVER);
  }
  canvas.blank_ = false;
  cairo_scale(cr.get(), canvas.scale(), canvas.scale());
  setTextOptions(cr.get());
  impl.rootBackgroundDrawn = covered;
  impl.rootLayer = &root;
  impl.skip = skip;
  impl.drawLayer(cr.get(), root, true);
  impl.rootBackgroundDrawn = false;
  impl.skip = nullptr;
  cr.reset();
  endFrame(canvas);
}

cairo_t* Renderer::beginFrame(double t, Canvas& canvas) {
  impl_->t = t;
  ++impl_->frame;
  canvas.ensureSurface();
  canvas.valid_ = false;
  return cairo_create(canvas.surface_);
}

void Renderer::endFrame(Canvas& canvas) {
  cairo_surface_flush(canvas.surface_);
  if (impl_->frame % 64 == 0) impl_->evict();
}

void Renderer::drawWithout(const quartz::Layer& root, double t, Canvas& canvas, const quartz::Layer& skip) {
  draw(root, t, canvas, &skip);
}

void Renderer::drawAlone(const quartz::Layer& layer, double t, Canvas& canvas, double x0, double y0) {
  Impl& impl = *impl_;
  ContextPtr cr(beginFrame(t, canvas));
  if (!canvas.blank_) {
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr.get());
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_OVER);
  }
  canvas.blank_ = false;
  cairo_matrix_t m;
  cairo_matrix_init(&m, canvas.scale(), 0, 0, canvas.scale(), x0, y0);
  cairo_set_matrix(cr.get(), &m);
  setTextOptions(cr.get());
  impl.rootLayer = nullptr;
  impl.drawLayer(cr.get(), layer, false);
  cr.reset();
  endFrame(canvas);
}

std::shared_ptr<const quartz::Image> Renderer::renderImage(const quartz::Layer& root, double t, double scale) {
  Canvas canvas(root.committed().state.bounds.size, scale);
  render(root, t, canvas);
  return canvas.takeImage();
}

void Renderer::purgeCaches() {
  impl_->contents.clear();
  impl_->flattened.clear();
  impl_->images.clear();
  dropPooledPixels();
}

std::shared_ptr<const quartz::Image> snapshotLayer(const quartz::Layer& layer, double scale) {
  return Renderer::shared().renderImage(layer, foundation::RunLoop::main().now(), scale);
}

std::shared_ptr<const quartz::Image> snapshotView(const ui::View& view, double scale) {
  return snapshotLayer(*view.layer(), scale);
}

}  // namespace render
