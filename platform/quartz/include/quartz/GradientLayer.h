#pragma once
// A layer that fills its bounds with a linear gradient (see LayerState for
// the meaning of colours, locations and the start and end points). Its
// "colors" can be animated with a key-frame animation of colour lists.

#include "quartz/Layer.h"

namespace quartz {

class GradientLayer : public Layer {
 public:
  GradientLayer();
  static std::shared_ptr<GradientLayer> layer() { return std::make_shared<GradientLayer>(); }
  std::string className() const override { return "GradientLayer"; }

  const std::vector<Color>& colors() const { return model().colors; }
  void setColors(std::vector<Color> colors);
  const std::vector<double>& locations() const { return model().locations; }
  void setLocations(std::vector<double> locations);
  Point startPoint() const { return model().startPoint; }
  void setStartPoint(Point p);
  Point endPoint() const { return model().endPoint; }
  void setEndPoint(Point p);
};

}  // namespace quartz
