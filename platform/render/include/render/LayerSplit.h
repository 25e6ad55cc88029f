#pragma once
// Showing a tree in which one layer only moves (a scrolling line) without
// drawing it again: the tree less that layer (the base) and the layer's
// subtree alone (the sprite) are drawn once, and every later frame is the
// base with the sprite over it at the layer's new place, cut to the bounds
// of its clipping superlayers. A display server composes that by itself.
//
// A layer qualifies when it is drawn last (nothing of the tree is drawn
// over it: it is the last visible sublayer of its superlayer, and so on up,
// and no superlayer has a border), its superlayers only translate (identity
// transforms, not flipped, opaque, no mask, no shadow), its own transform is
// the identity, and nothing in the tree animates. A clip with rounded
// corners or edges off whole pixels comes with a mask of what it lets
// through. The sprite lands on the pixels the renderer would put the layer
// on; a composed frame matches a drawn one up to the rounding of blending
// premultiplied pixels in two steps, except in pixels a clip's edge covers
// only in part: there the renderer clips each step of a layer drawn in
// several (a shadow, then the body over it) and the composition the layer
// as a whole, which differs by up to a quarter of that layer's alpha.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "quartz/Layer.h"
#include "render/Canvas.h"

namespace render {

class Renderer;

struct PixelRect {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const PixelRect&) const = default;
};

class LayerSplit {
 public:
  // The one layer of root's committed tree whose own state changed since
  // commit serial `since` while nothing else in the tree did; null when
  // nothing or more than that changed (or it is the root).
  static const quartz::Layer* soleChange(const quartz::Layer& root, std::uint64_t since);

  // Draws the base and the sprite for `moving` in root's tree at t, at
  // `scale` pixels per point (the base covers root's bounds). False, and
  // not active, when the layer does not qualify or its sprite would be
  // larger than a display server takes.
  bool begin(Renderer& renderer, const quartz::Layer& root, const quartz::Layer& moving, double t, double scale);
  bool active() const { return active_; }
  void end();

  struct Placement {
    int x = 0, y = 0;  // the sprite's top left, in base pixels
    PixelRect clip;    // what of the sprite may show, in base pixels (and of that, what clipMask lets through)
    bool operator==(const Placement&) const = default;
  };
  // The sprite's place at t; nothing once the tree has changed since begin
  // in any other way than the layer's position (the split is then over).
  std::optional<Placement> placement(const quartz::Layer& root, double t) const;

  // Drawn by begin; a display drops them once the server holds them.
  const Canvas* base() const { return base_.get(); }
  const Canvas* sprite() const { return sprite_.get(); }
  // The clipping superlayers' coverage as alpha, in base pixels; null when
  // the clip is a rectangle on whole pixels.
  const Canvas* clipMask() const { return mask_.get(); }
  bool hasClipMask() const { return hasMask_; }
  int spriteWidth() const { return spriteWidth_; }
  int spriteHeight() const { return spriteHeight_; }
  void dropImages();

 private:
  bool active_ = false;
  std::uint64_t mark_ = 0;               // root's tree serial at begin
  std::vector<const quartz::Layer*> path_;  // root … moving layer
  std::vector<const quartz::Layer*> movingSublayers_;
  const quartz::Layer* movingMask_ = nullptr;
  mutable quartz::LayerState movingProbe_;  // the layer's state at begin, at its latest position
  double scale_ = 1;
  double superX_ = 0, superY_ = 0;      // the superlayer's origin, device pixels
  double originX_ = 0, originY_ = 0;    // the layer's snapped origin at begin
  Placement begun_;
  std::unique_ptr<Canvas> base_, sprite_, mask_;
  bool hasMask_ = false;
  int spriteWidth_ = 0, spriteHeight_ = 0;
};

}  // namespace render
