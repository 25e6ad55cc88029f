#pragma once
// Owning handles for cairo objects.

#include <cairo.h>

#include <memory>

namespace render {

struct SurfaceDestroy {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextDestroy {
  void operator()(cairo_t* c) const { cairo_destroy(c); }
};
struct PatternDestroy {
  void operator()(cairo_pattern_t* p) const { cairo_pattern_destroy(p); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceDestroy>;
using ContextPtr = std::unique_ptr<cairo_t, ContextDestroy>;
using PatternPtr = std::unique_ptr<cairo_pattern_t, PatternDestroy>;

}  // namespace render
