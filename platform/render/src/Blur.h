#pragma once
// Gaussian-like blur of an image surface's alpha (three box passes), in
// place, for shadows. `sigma` in pixels; the surface must be A8 or ARGB32
// (for ARGB32 every channel is blurred, which keeps premultiplication).

#include <cairo.h>

namespace render {

void blurSurface(cairo_surface_t* surface, double sigma);

// Pixels of padding a blur of `sigma` needs around the ink.
int blurPadding(double sigma);

}  // namespace render
