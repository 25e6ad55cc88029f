#pragma once
// A layer that fills and strokes one path, in its bounds space. The path is
// shared immutably, so committing a moved shape layer does not copy it.
// strokeStart/strokeEnd select the part of the outline (by length) stroked.

#include "quartz/Layer.h"

namespace quartz {

class ShapeLayer : public Layer {
 public:
  ShapeLayer();
  static std::shared_ptr<ShapeLayer> layer() { return std::make_shared<ShapeLayer>(); }
  std::string className() const override { return "ShapeLayer"; }

  const Path& path() const;  // an empty path when none is set
  void setPath(Path path);
  void setPath(std::shared_ptr<const Path> path);
  Color fillColor() const { return model().fillColor; }      // default opaque black
  void setFillColor(const Color& c);
  Color strokeColor() const { return model().strokeColor; }  // default clear (no stroke)
  void setStrokeColor(const Color& c);
  bool fillRuleEvenOdd() const { return model().fillRuleEvenOdd; }
  void setFillRuleEvenOdd(bool e);
  double lineWidth() const { return model().lineWidth; }
  void setLineWidth(double w);
  LineJoin lineJoin() const { return model().lineJoin; }
  void setLineJoin(LineJoin j);
  LineCap lineCap() const { return model().lineCap; }
  void setLineCap(LineCap c);
  double miterLimit() const { return model().miterLimit; }
  void setMiterLimit(double m);
  double strokeStart() const { return model().strokeStart; }
  void setStrokeStart(double s);
  double strokeEnd() const { return model().strokeEnd; }
  void setStrokeEnd(double e);
};

}  // namespace quartz
