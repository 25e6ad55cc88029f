#pragma once
// Snapshots: what the screen shows now for a layer or view, drawn from its
// last committed state (not the model) at the run loop's current time,
// without waiting for pending changes. Pending model changes made in the
// same turn are therefore not in the picture, as the platform's
// "after screen updates: NO" snapshot behaves. The image covers the
// layer's (view's) bounds at `scale` pixels per point.

#include <memory>

#include "quartz/Image.h"
#include "quartz/Layer.h"
#include "ui/View.h"

namespace render {

std::shared_ptr<const quartz::Image> snapshotLayer(const quartz::Layer& layer, double scale = 1.0);
std::shared_ptr<const quartz::Image> snapshotView(const ui::View& view, double scale = 1.0);

}  // namespace render
