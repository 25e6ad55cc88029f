#include "quartz/GradientLayer.h"

namespace quartz {

GradientLayer::GradientLayer() { mutableModel().kind = LayerKind::Gradient; }

void GradientLayer::setColors(std::vector<Color> colors) {
  if (mutableModel().colors == colors) return;
  mutableModel().colors = std::move(colors);
  markChanged(true);
}

void GradientLayer::setLocations(std::vector<double> locations) {
  if (mutableModel().locations == locations) return;
  mutableModel().locations = std::move(locations);
  markChanged(true);
}

void GradientLayer::setStartPoint(Point p) {
  if (mutableModel().startPoint == p) return;
  mutableModel().startPoint = p;
  markChanged(true);
}

void GradientLayer::setEndPoint(Point p) {
  if (mutableModel().endPoint == p) return;
  mutableModel().endPoint = p;
  markChanged(true);
}

}  // namespace quartz
