#include "quartz/DisplayList.h"

namespace quartz {

void GraphicsContext::saveGState() {
  stack_.push_back(state_);
  list_.ops.emplace_back(op::Save{});
}

void GraphicsContext::restoreGState() {
  if (stack_.empty()) return;
  state_ = stack_.back();
  stack_.pop_back();
  list_.ops.emplace_back(op::Restore{});
}

void GraphicsContext::translateCTM(double x, double y) { concatCTM(AffineTransform::makeTranslation(x, y)); }
void GraphicsContext::scaleCTM(double sx, double sy) { concatCTM(AffineTransform::makeScale(sx, sy)); }
void GraphicsContext::rotateCTM(double radians) { concatCTM(AffineTransform::makeRotation(radians)); }
void GraphicsContext::concatCTM(const AffineTransform& t) {
  if (t.isIdentity()) return;
  list_.ops.emplace_back(op::ConcatCTM{t});
}

void GraphicsContext::clipToRect(const Rect& r) { list_.ops.emplace_back(op::ClipRect{r}); }
void GraphicsContext::clipToPath(const Path& path, bool evenOdd) {
  list_.ops.emplace_back(op::ClipPath{path, evenOdd});
}

void GraphicsContext::fillRect(const Rect& r) { list_.ops.emplace_back(op::FillRect{r, state_.fill}); }

void GraphicsContext::fillPath(const Path& path, bool evenOdd) {
  if (path.isEmpty()) return;
  list_.ops.emplace_back(op::FillPath{path, state_.fill, evenOdd});
}

void GraphicsContext::strokePath(const Path& path) {
  if (path.isEmpty()) return;
  list_.ops.emplace_back(
      op::StrokePath{path, state_.stroke, state_.lineWidth, state_.join, state_.cap, state_.miterLimit});
}

void GraphicsContext::strokeRect(const Rect& r) {
  Path p;
  p.addRect(r);
  strokePath(p);
}

void GraphicsContext::drawImage(std::shared_ptr<const Image> image, const Rect& r) {
  if (!image) return;
  list_.ops.emplace_back(op::DrawImage{std::move(image), r});
}

void GraphicsContext::drawText(TextBox box) { list_.ops.emplace_back(op::DrawText{std::move(box)}); }

DisplayList GraphicsContext::takeDisplayList() {
  DisplayList out = std::move(list_);
  list_ = DisplayList();
  stack_.clear();
  state_ = State();
  return out;
}

}  // namespace quartz
