#include "quartz/ShapeLayer.h"

namespace quartz {

ShapeLayer::ShapeLayer() { mutableModel().kind = LayerKind::Shape; }

const Path& ShapeLayer::path() const {
  static const Path empty;
  return model().path ? *model().path : empty;
}

void ShapeLayer::setPath(Path path) { setPath(std::make_shared<const Path>(std::move(path))); }

void ShapeLayer::setPath(std::shared_ptr<const Path> path) {
  auto& current = mutableModel().path;
  if (current == path) return;
  if (current && path && *current == *path) return;
  current = std::move(path);
  markChanged(true);
}

template <class T>
static bool assign(T& field, const T& value) {
  if (field == value) return false;
  field = value;
  return true;
}

void ShapeLayer::setFillColor(const Color& c) { if (assign(mutableModel().fillColor, c)) markChanged(true); }
void ShapeLayer::setStrokeColor(const Color& c) { if (assign(mutableModel().strokeColor, c)) markChanged(true); }
void ShapeLayer::setFillRuleEvenOdd(bool e) { if (assign(mutableModel().fillRuleEvenOdd, e)) markChanged(true); }
void ShapeLayer::setLineWidth(double w) { if (assign(mutableModel().lineWidth, w)) markChanged(true); }
void ShapeLayer::setLineJoin(LineJoin j) { if (assign(mutableModel().lineJoin, j)) markChanged(true); }
void ShapeLayer::setLineCap(LineCap c) { if (assign(mutableModel().lineCap, c)) markChanged(true); }
void ShapeLayer::setMiterLimit(double m) { if (assign(mutableModel().miterLimit, m)) markChanged(true); }
void ShapeLayer::setStrokeStart(double s) { if (assign(mutableModel().strokeStart, s)) markChanged(true); }
void ShapeLayer::setStrokeEnd(double e) { if (assign(mutableModel().strokeEnd, e)) markChanged(true); }

}  // namespace quartz
