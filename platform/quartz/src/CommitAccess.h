#pragma once
// Internal bridge between layers and the commit (both in this module).

#include <vector>

#include "quartz/Layer.h"

namespace quartz {

struct CommitAccess {
  // Layers changed since the last commit (each at most once).
  static std::vector<Layer*>& dirtyLayers();
  static void forget(Layer& layer);
  // Copies the models of the dirty layers into their committed states.
  static bool commitDirty(double now);
  static double currentTime();
};

}  // namespace quartz
