#include "render/LayerSplit.h"

#include <algorithm>
#include <cmath>

#include "Placement.h"
#include "render/Renderer.h"

namespace render {

using quartz::CommittedLayer;
using quartz::Layer;
using quartz::LayerState;
using quartz::Rect;

namespace {

// What a display server takes: X pixmaps are at most 32767 pixels a side.
constexpr int kMaxSpriteSide = 32767;
constexpr double kMaxSpriteBytes = 64.0 * 1024 * 1024;

bool shows(const LayerState& s) { return !s.hidden && s.opacity > 0; }
bool shows(const Layer& layer, double t) { return shows(quartz::presentationAt(layer.committed(), t)); }

bool onWholePixel(double v) { return std::fabs(v - std::round(v)) < 1e-6; }

bool translatesOnly(const quartz::AffineTransform& t) { return t.a == 1 && t.b == 0 && t.c == 0 && t.d == 1; }

// Everything `layer` may draw at t, in its superlayer's space.
Rect drawnExtent(const Layer& layer, double t) {
  const CommittedLayer& c = layer.committed();
  const LayerState s = quartz::presentationAt(c, t);
  Rect own = s.bounds;
  if (!s.masksToBounds) {
    for (const auto& sub : c.sublayers)
      if (shows(*sub, t)) own = own.unionWith(drawnExtent(*sub, t));
  }
  if (s.shadowOpacity > 0 && s.shadowColor.alpha > 0) {
    // The blur reaches about three radii; the offset moves it.
    const double reach = 3 * std::fabs(s.shadowRadius) + 2;
    own = Rect(own.x() - reach + std::min(0.0, s.shadowOffset.width), own.y() - reach + std::min(0.0, s.shadowOffset.height),
               own.width() + 2 * reach + std::fabs(s.shadowOffset.width),
               own.height() + 2 * reach + std::fabs(s.shadowOffset.height));
  }
  return s.transformToSuperlayer().apply(own);
}

bool findPath(const Layer& from, const Layer& to, std::vector<const Layer*>& path) {
  path.push_back(&from);
  if (&from == &to) return true;
  for (const auto& sub : from.committed().sublayers)
    if (findPath(*sub, to, path)) return true;
  path.pop_back();
  return false;
}

}  // namespace

const Layer* LayerSplit::soleChange(const Layer& root, std::uint64_t since) {
  const Layer* layer = &root;
  for (;;) {
    const CommittedLayer& c = layer->committed();
    if (c.treeSerial <= since) return nullptr;
    if (c.mask && c.mask->committed().treeSerial > since) return nullptr;
    const Layer* next = nullptr;
    for (const auto& sub : c.sublayers) {
      if (sub->committed().treeSerial <= since) continue;
      if (next) return nullptr;  // two branches changed
      next = sub.get();
    }
    if (c.serial > since) return next || layer == &root ? nullptr : layer;
    if (!next) return nullptr;
    layer = next;
  }
}

void LayerSplit::end() {
  active_ = false;
  hasMask_ = false;
  path_.clear();
  movingSublayers_.clear();
  dropImages();
}

void LayerSplit::dropImages() {
  base_.reset();
  sprite_.reset();
  mask_.reset();
}

bool LayerSplit::begin(Renderer& renderer, const Layer& root, const Layer& moving, double t, double scale) {
  end();
  const CommittedLayer& rc = root.committed();
  if (&root == &moving || rc.treeAnimationsSettle > t || !(scale > 0)) return false;
  if (!findPath(root, moving, path_)) return false;

  // The superlayers, top down, as the renderer places them: the root's
  // bounds origin at the canvas's top left, then each one snapped to whole
  // pixels; their clips intersect.
  const int canvasWidth = static_cast<int>(std::ceil(rc.state.bounds.width() * scale - 1e-9));
  const int canvasHeight = static_cast<int>(std::ceil(rc.state.bounds.height() * scale - 1e-9));
  double x0 = -rc.state.bounds.x() * scale, y0 = -rc.state.bounds.y() * scale;
  Rect clip(0, 0, canvasWidth, canvasHeight);
  struct Clip {
    double x0, y0;
    Rect bounds;
    double radius;
  };
  std::vector<Clip> clips;
  bool square = true;
  for (std::size_t i = 0; i + 1 < path_.size(); ++i) {
    const Layer& layer = *path_[i];
    const CommittedLayer& c = layer.committed();
    const LayerState& s = c.state;
    if (!c.animations.empty() || c.mask || s.geometryFlipped || (s.borderWidth > 0 && s.borderColor.alpha > 0)) break;
    if (i > 0) {
      const quartz::AffineTransform m = s.transformToSuperlayer();
      if (!translatesOnly(m) || s.opacity < 1 || !shows(s) || (s.shadowOpacity > 0 && s.shadowColor.alpha > 0)) break;
      x0 = snapToPixel(m.tx * scale + x0);
      y0 = snapToPixel(m.ty * scale + y0);
    }
    if (s.masksToBounds) {
      const Rect own(x0 + s.bounds.x() * scale, y0 + s.bounds.y() * scale, s.bounds.width() * scale,
                     s.bounds.height() * scale);
      square = square && s.cornerRadius <= 0 && onWholePixel(own.x()) && onWholePixel(own.y()) &&
               onWholePixel(own.maxX()) && onWholePixel(own.maxY());
      clips.push_back({x0, y0, s.bounds, s.cornerRadius});
      clip = clip.intersection(own);
    }
    // Nothing after the next one on the path may draw over it.
    const auto& subs = c.sublayers;
    const auto next = std::find_if(subs.begin(), subs.end(), [&](const auto& l) { return l.get() == path_[i + 1]; });
    if (std::any_of(std::next(next), subs.end(), [t](const auto& l) { return shows(*l, t); })) break;
    if (i + 2 == path_.size()) {
      // All superlayers qualify; now the layer itself.
      const CommittedLayer& mc = moving.committed();
      if (!mc.animations.empty() || !translatesOnly(mc.state.transform.affine()))
        break;
      superX_ = x0;
      superY_ = y0;
      const Rect extent = drawnExtent(moving, t);
      const int left = static_cast<int>(std::floor(x0 + extent.x() * scale)) - 1;
      const int top = static_cast<int>(std::floor(y0 + extent.y() * scale)) - 1;
      const double right = std::ceil(x0 + extent.maxX() * scale) + 1;
      const double bottom = std::ceil(y0 + extent.maxY() * scale) + 1;
      const double width = right - left, height = bottom - top;
      if (!(width > 0 && height > 0) || width > kMaxSpriteSide || height > kMaxSpriteSide ||
          width * height * 4 > kMaxSpriteBytes || clip.isEmpty())
        break;
      const quartz::AffineTransform m = mc.state.transformToSuperlayer();
      originX_ = snapToPixel(m.tx * scale + x0);
      originY_ = snapToPixel(m.ty * scale + y0);
      movingProbe_ = mc.state;
      for (const auto& sub : mc.sublayers) movingSublayers_.push_back(sub.get());
      movingMask_ = mc.mask.get();
      scale_ = scale;
      mark_ = rc.treeSerial;
      begun_.x = left;
      begun_.y = top;
      // Whole pixels around the clip; a mask says what of them it covers.
      const int clipLeft = static_cast<int>(std::floor(clip.minX() + 1e-6));
      const int clipTop = static_cast<int>(std::floor(clip.minY() + 1e-6));
      begun_.clip = {clipLeft, clipTop, static_cast<int>(std::ceil(clip.maxX() - 1e-6)) - clipLeft,
                     static_cast<int>(std::ceil(clip.maxY() - 1e-6)) - clipTop};

      base_ = std::make_unique<Canvas>(rc.state.bounds.size, scale);
      renderer.drawWithout(root, t, *base_, moving);
      sprite_ = std::make_unique<Canvas>(quartz::Size{width / scale, height / scale}, scale);
      renderer.drawAlone(moving, t, *sprite_, x0 - left, y0 - top);
      hasMask_ = !square;
      if (hasMask_) {
        // The clips as the renderer applies them: each superlayer's
        // rounded bounds in its own placement.
        mask_ = std::make_unique<Canvas>(rc.state.bounds.size, scale);
        cairo_t* cr = cairo_create(mask_->surface());
        for (const Clip& each : clips) {
          cairo_matrix_t placed;
          cairo_matrix_init(&placed, scale, 0, 0, scale, each.x0, each.y0);
          cairo_set_matrix(cr, &placed);
          roundedRect(cr, each.bounds, each.radius);
          cairo_clip(cr);
        }
        cairo_identity_matrix(cr);
        cairo_set_source_rgba(cr, 1, 1, 1, 1);
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_flush(mask_->surface());
      }
      spriteWidth_ = sprite_->pixelWidth();
      spriteHeight_ = sprite_->pixelHeight();
      active_ = true;
      return true;
    }
  }
  end();
  return false;
}

std::optional<LayerSplit::Placement> LayerSplit::placement(const Layer& root, double t) const {
  if (!active_ || path_.empty() || path_.front() != &root) return std::nullopt;
  const CommittedLayer& rc = root.committed();
  if (rc.treeSerial == mark_) return begun_;
  if (rc.treeAnimationsSettle > t) return std::nullopt;
  // The superlayers and everything beside the path are as they were (which
  // also proves each pointer on the path still names a layer of the tree).
  for (std::size_t i = 0; i + 1 < path_.size(); ++i) {
    const CommittedLayer& c = path_[i]->committed();
    if (c.serial > mark_ || (c.mask && c.mask->committed().treeSerial > mark_)) return std::nullopt;
    bool found = false;
    for (const auto& sub : c.sublayers) {
      if (sub.get() == path_[i + 1]) {
        found = true;
      } else if (sub->committed().treeSerial > mark_) {
        return std::nullopt;
      }
    }
    if (!found) return std::nullopt;
  }
  // The layer has only moved.
  const CommittedLayer& mc = path_.back()->committed();
  if (mc.contentSerial > mark_ || !mc.animations.empty() || mc.mask.get() != movingMask_ ||
      (mc.mask && mc.mask->committed().treeSerial > mark_) || mc.sublayers.size() != movingSublayers_.size())
    return std::nullopt;
  for (std::size_t i = 0; i < mc.sublayers.size(); ++i)
    if (mc.sublayers[i].get() != movingSublayers_[i] || mc.sublayers[i]->committed().treeSerial > mark_)
      return std::nullopt;
  // Compared through a copy kept for it, so a frame copies no state.
  movingProbe_.position = mc.state.position;
  if (!(movingProbe_ == mc.state)) return std::nullopt;
  const quartz::AffineTransform m = mc.state.transformToSuperlayer();
  Placement p = begun_;
  p.x += static_cast<int>(snapToPixel(m.tx * scale_ + superX_) - originX_);
  p.y += static_cast<int>(snapToPixel(m.ty * scale_ + superY_) - originY_);
  return p;
}

}  // namespace render
