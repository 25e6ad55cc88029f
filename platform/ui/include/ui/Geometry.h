#pragma once
// The view system shares the layer model's geometry types.
#include "quartz/Geometry.h"

namespace ui {
using quartz::AffineTransform;
using quartz::Point;
using quartz::Rect;
using quartz::Size;
using quartz::Transform3D;
}  // namespace ui
