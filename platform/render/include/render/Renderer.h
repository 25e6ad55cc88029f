#pragma once
// The compositor: draws a committed layer tree at a time t with cairo.
//
// What is drawn is each layer's committed state with its animations applied
// at t (quartz::presentationAt), never the model, so no system code runs per
// frame. A layer is drawn in this order: shadow, background, content
// (contents image with its contents rectangle, gradient, shape, recorded
// drawing), sublayers, border; clipped by masksToBounds (with cornerRadius),
// masked by its mask layer, in an opacity group when it is translucent and
// draws more than once. 3-D transforms are drawn orthographically (their
// affine part). Axis-aligned layers are placed on whole device pixels.
//
// Caching: the content of shape layers and of recorded drawing is
// rasterised once per content change (the layer's contentSerial and the
// presented stroke/fill values) and re-used while the layer only moves,
// fades or is covered; content that changes on consecutive frames is drawn
// directly instead. Flattened paths, cairo views of images and text layouts
// are cached too. A frame whose tree and animations are unchanged since the
// last frame drawn into the same canvas is skipped entirely.
//
// One renderer serves any number of canvases; it is single-threaded.

#include <cstdint>
#include <memory>

#include "quartz/Image.h"
#include "quartz/Layer.h"
#include "render/Canvas.h"

typedef struct _cairo cairo_t;

namespace render {

class LayerSplit;

class Renderer {
 public:
  Renderer();
  ~Renderer();
  Renderer(const Renderer&) = delete;
  Renderer& operator=(const Renderer&) = delete;

  // The process-wide renderer used by snapshots and displays.
  static Renderer& shared();

  // Draws `root`'s committed tree at t into `canvas`, the canvas covering
  // root's bounds (root's own position, transform and opacity are not
  // applied: they place the tree on screen, which is the display's job).
  // Returns false, touching nothing, when the canvas already shows this
  // tree at a time with the same appearance.
  bool render(const quartz::Layer& root, double t, Canvas& canvas);
  // Whether render(root, t, canvas) would return false: a display whose
  // canvas the X server may still be reading waits only when it would draw.
  bool isCurrent(const quartz::Layer& root, double t, const Canvas& canvas) const;

  // Convenience: a new image of root's bounds at `scale`.
  std::shared_ptr<const quartz::Image> renderImage(const quartz::Layer& root, double t, double scale = 1.0);

  struct Stats {
    std::uint64_t framesRendered = 0;
    std::uint64_t framesSkipped = 0;
    std::uint64_t contentRasterized = 0;  // layer contents drawn into the cache
    std::uint64_t contentFromCache = 0;   // layer contents composited from the cache
    std::uint64_t contentDrawnDirect = 0; // layer contents drawn without the cache
  };
  const Stats& stats() const { return stats_; }
  // Drops every cached raster and pooled pixel buffer (tests, memory pressure).
  void purgeCaches();

 private:
  friend class LayerSplit;
  void draw(const quartz::Layer& root, double t, Canvas& canvas, const quartz::Layer* skip);
  // A frame's context on `canvas` (the caller destroys it), and its end
  // (flushing; now and then dropping cached content not used for a while).
  cairo_t* beginFrame(double t, Canvas& canvas);
  void endFrame(Canvas& canvas);
  // root's tree as render() draws it, less `skip` and its subtree; the
  // canvas is not taken to show the tree afterwards.
  void drawWithout(const quartz::Layer& root, double t, Canvas& canvas, const quartz::Layer& skip);
  // `layer` and its subtree alone on a clear canvas, its superlayer's space
  // mapped to pixels by the canvas's scale and then (x0, y0).
  void drawAlone(const quartz::Layer& layer, double t, Canvas& canvas, double x0, double y0);

  struct Impl;
  std::unique_ptr<Impl> impl_;
  Stats stats_;
};

}  // namespace render
