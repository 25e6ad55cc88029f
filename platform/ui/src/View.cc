#include "ui/View.h"

#include <algorithm>
#include <limits>

#include "foundation/RunLoop.h"
#include "foundation/Text.h"
#include "quartz/Transaction.h"
#include "ui/Application.h"
#include "ui/GestureRecognizer.h"
#include "ui/Window.h"

namespace ui {

namespace {
std::uint64_t contentChangeCount = 0;  // see View::contentChanges
}  // namespace

// ---- Layout and display passes (run before each commit) ------------------------

struct ViewPasses {
  std::vector<View*> layout;
  std::vector<View*> display;

  static ViewPasses& get() {
    static ViewPasses* passes = [] {
      auto* p = new ViewPasses();  // never destroyed: views may outlive static destruction
      quartz::Transaction::addPreCommitHandler([p] { p->run(); });
      return p;
    }();
    return *passes;
  }

  static int depth(const View* v) {
    int d = 0;
    for (; v != nullptr; v = v->superview_) ++d;
    return d;
  }

  // Views of the pass in progress; destroyed ones are nulled (see forget).
  std::vector<View*> current;

  void run() {
    // Layout may change frames and so ask for more layout: repeat until
    // quiet, with a bound against views that always dirty themselves.
    for (int round = 0; round < 32 && !layout.empty(); ++round) {
      std::vector<std::pair<int, View*>> order;
      order.reserve(layout.size());
      for (View* v : layout) order.emplace_back(depth(v), v);
      layout.clear();
      std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
      current.clear();
      for (auto& entry : order) current.push_back(entry.second);
      for (std::size_t i = 0; i < current.size(); ++i) {
        View* v = current[i];
        if (v == nullptr || !v->needsLayout_) continue;
        v->needsLayout_ = false;
        std::shared_ptr<View> keep = v->weak_from_this().lock();
        v->layoutSubviews();
      }
      current.clear();
    }
    current = std::move(display);
    display.clear();
    for (std::size_t i = 0; i < current.size(); ++i)
      if (View* v = current[i]) v->displayIfNeeded();
    current.clear();
  }

  void forget(View* v) {
    if (v->needsLayout_) std::erase(layout, v);
    if (v->needsDisplay_) std::erase(display, v);
    std::replace(current.begin(), current.end(), v, static_cast<View*>(nullptr));
  }
};

// ---- Animation blocks -------------------------------------------------------------

namespace {

struct BlockGroup {
  int pending = 0;
  bool closed = false;
  bool allFinished = true;
  View::Completion completion;
};

struct BlockContext {
  double duration = 0;
  double delay = 0;
  AnimationOptions options;
  std::shared_ptr<BlockGroup> group;
  bool disabled = false;
};

std::vector<BlockContext>& blockStack() {
  static std::vector<BlockContext> stack;
  return stack;
}

bool animatableByViews(std::string_view key) {
  return key == "position" || key == "bounds" || key == "opacity" || key == "transform" || key == "backgroundColor";
}

}  // namespace

void View::animate(double duration, const std::function<void()>& animations, Completion completion) {
  animate(duration, 0, AnimationOptions{}, animations, std::move(completion));
}

void View::animate(double duration, double delay, AnimationOptions options, const std::function<void()>& animations,
                   Completion completion) {
  auto group = std::make_shared<BlockGroup>();
  group->completion = std::move(completion);
  blockStack().push_back(BlockContext{duration, delay, options, group, false});
  if (animations) animations();
  blockStack().pop_back();
  group->closed = true;
  if (group->pending == 0 && group->completion) {
    foundation::RunLoop::main().dispatchAsync([group] { group->completion(true); });
  }
}

void View::performWithoutAnimation(const std::function<void()>& changes) {
  blockStack().push_back(BlockContext{0, 0, {}, nullptr, true});
  if (changes) changes();
  blockStack().pop_back();
}

bool View::isInAnimationBlock() {
  return !blockStack().empty() && !blockStack().back().disabled && blockStack().back().duration > 0;
}

std::unique_ptr<quartz::Animation> View::actionForLayer(const quartz::Layer& layer, std::string_view key,
                                                        const quartz::AnimationValue& from) {
  if (!isInAnimationBlock() || !animatableByViews(key)) return nullptr;
  const BlockContext& ctx = blockStack().back();
  auto animation = std::make_unique<quartz::BasicAnimation>(std::string(key));
  animation->setFromValue(from);
  animation->setToValue(layer.valueForKey(key));
  animation->setDuration(ctx.duration);
  animation->setTimingFunction(ctx.options.curve);
  if (ctx.options.repeat) animation->setRepeatCount(std::numeric_limits<double>::infinity());
  animation->setAutoreverses(ctx.options.autoreverse);
  if (ctx.delay > 0) {
    animation->setBeginTime(foundation::RunLoop::main().now() + ctx.delay);
    animation->setFillMode(quartz::FillMode::Backwards);
  }
  std::shared_ptr<BlockGroup> group = ctx.group;
  ++group->pending;
  animation->setDidStop([group](bool finished) {
    group->allFinished = group->allFinished && finished;
    if (--group->pending == 0 && group->closed && group->completion) group->completion(group->allFinished);
  });
  return animation;
}

// ---- Construction -----------------------------------------------------------------

View::View(Rect frame) : View(frame, std::make_shared<quartz::Layer>()) {}

View::View(Rect frame, std::shared_ptr<quartz::Layer> layer) : layer_(std::move(layer)) {
  if (!layer_) layer_ = std::make_shared<quartz::Layer>();
  layer_->setFrame(frame);  // before becoming the delegate: creation never animates
  layer_->setDelegate(this);
  ViewPasses& passes = ViewPasses::get();
  needsLayout_ = true;
  passes.layout.push_back(this);
  needsDisplay_ = true;
  passes.display.push_back(this);
  quartz::Transaction::scheduleCommit();
}

View::~View() {
  if (layer_->delegate() == this) layer_->setDelegate(nullptr);
  ViewPasses::get().forget(this);
  for (auto& sub : subviews_) sub->superview_ = nullptr;
  for (auto& r : recognizers_) r->view_ = nullptr;
  Application::shared().forgetView(this);
}

// ---- Geometry and appearance ------------------------------------------------------

void View::sizeMayHaveChanged(Size before) {
  if (bounds().size == before) return;
  setNeedsLayout();
  if (contentMode_ == ContentMode::Redraw) setNeedsDisplay();
}

void View::setFrame(const Rect& frame) {
  const Size before = bounds().size;
  layer_->setFrame(frame);
  sizeMayHaveChanged(before);
}

void View::setBounds(const Rect& b) {
  const Size before = bounds().size;
  layer_->setBounds(b);
  sizeMayHaveChanged(before);
}

void View::setCenter(Point c) { layer_->setPosition(c); }
void View::setTransform(const AffineTransform& t) { layer_->setAffineTransform(t); }
void View::setAlpha(double a) { layer_->setOpacity(a); }
void View::setHidden(bool hidden) { layer_->setHidden(hidden); }

void View::setBackgroundColor(std::optional<Color> color) {
  backgroundColor_ = std::move(color);
  layer_->setBackgroundColor(backgroundColor_ ? backgroundColor_->cgColor() : quartz::Color::clear());
}

void View::setContentMode(ContentMode m) {
  contentMode_ = m;
  using G = quartz::ContentsGravity;
  G g = G::Resize;
  switch (m) {
    case ContentMode::ScaleToFill:
    case ContentMode::Redraw: g = G::Resize; break;
    case ContentMode::ScaleAspectFit: g = G::ResizeAspect; break;
    case ContentMode::ScaleAspectFill: g = G::ResizeAspectFill; break;
    case ContentMode::Center: g = G::Center; break;
    case ContentMode::Top: g = G::Top; break;
    case ContentMode::Bottom: g = G::Bottom; break;
    case ContentMode::Left: g = G::Left; break;
    case ContentMode::Right: g = G::Right; break;
  }
  layer_->setContentsGravity(g);
}

void View::traitCollectionDidChange() {
  if (backgroundColor_) layer_->setBackgroundColor(backgroundColor_->cgColor());
}

// ---- Hierarchy --------------------------------------------------------------------

Window* View::window() const {
  const View* v = this;
  while (v->superview_ != nullptr) v = v->superview_;
  return dynamic_cast<Window*>(const_cast<View*>(v));
}

void View::moved(Window* oldWindow) {
  ++contentChangeCount;
  didMoveToSuperview();
  if (window() != oldWindow) {
    std::vector<View*> stack{this};
    while (!stack.empty()) {
      View* v = stack.back();
      stack.pop_back();
      v->didMoveToWindow();
      for (auto& s : v->subviews_) stack.push_back(s.get());
    }
  }
}

void View::insertSubview(std::shared_ptr<View> view, std::size_t index) {
  if (!view || view.get() == this || isDescendantOfView(view.get())) return;
  Window* oldWindow = view->window();
  if (view->superview_ != nullptr) {
    auto& siblings = view->superview_->subviews_;
    std::erase_if(siblings, [&](const auto& p) { return p == view; });
    view->superview_ = nullptr;
  }
  index = std::min(index, subviews_.size());
  // The new layer goes just below the layer of the subview now at `index`,
  // so other sublayers keep their place relative to the subviews.
  if (index < subviews_.size()) {
    layer_->insertSublayerBelow(view->layer_, subviews_[index]->layer_.get());
  } else {
    layer_->addSublayer(view->layer_);
  }
  subviews_.insert(subviews_.begin() + static_cast<std::ptrdiff_t>(index), view);
  view->superview_ = this;
  view->moved(oldWindow);
}

void View::addSubview(std::shared_ptr<View> view) { insertSubview(std::move(view), std::numeric_limits<std::size_t>::max()); }

void View::insertSubviewBelow(std::shared_ptr<View> view, const View* sibling) {
  if (!view || view.get() == sibling) return;
  std::size_t index = subviews_.size();
  for (std::size_t i = 0, k = 0; i < subviews_.size(); ++i) {
    if (subviews_[i] == view) continue;  // positions counted without the moving view
    if (subviews_[i].get() == sibling) {
      index = k;
      break;
    }
    ++k;
  }
  if (view->superview_ == this) {
    std::erase_if(subviews_, [&](const auto& p) { return p == view; });
    view->superview_ = nullptr;
  }
  insertSubview(std::move(view), index);
}

void View::insertSubviewAbove(std::shared_ptr<View> view, const View* sibling) {
  if (!view || view.get() == sibling) return;
  if (view->superview_ == this) {
    std::erase_if(subviews_, [&](const auto& p) { return p == view; });
    view->superview_ = nullptr;
  }
  std::size_t index = subviews_.size();
  for (std::size_t i = 0; i < subviews_.size(); ++i)
    if (subviews_[i].get() == sibling) index = i + 1;
  insertSubview(std::move(view), index);
}

void View::bringSubviewToFront(const View* view) {
  auto it = std::find_if(subviews_.begin(), subviews_.end(), [view](const auto& p) { return p.get() == view; });
  if (it == subviews_.end()) return;
  std::rotate(it, it + 1, subviews_.end());
  ++contentChangeCount;
  layer_->addSublayer(subviews_.back()->layer_);
}

void View::sendSubviewToBack(const View* view) {
  auto it = std::find_if(subviews_.begin(), subviews_.end(), [view](const auto& p) { return p.get() == view; });
  if (it == subviews_.end()) return;
  std::rotate(subviews_.begin(), it, it + 1);
  ++contentChangeCount;
  layer_->insertSublayer(subviews_.front()->layer_, 0);
}

void View::removeFromSuperview() {
  if (superview_ == nullptr) return;
  std::shared_ptr<View> keep = weak_from_this().lock();
  Window* oldWindow = window();
  auto& siblings = superview_->subviews_;
  std::erase_if(siblings, [this](const auto& p) { return p.get() == this; });
  superview_ = nullptr;
  // A layer serving as another layer's mask has no superlayer and stays.
  if (layer_->superlayer() != nullptr) layer_->removeFromSuperlayer();
  moved(oldWindow);
}

bool View::isDescendantOfView(const View* view) const {
  for (const View* v = this; v != nullptr; v = v->superview_)
    if (v == view) return true;
  return false;
}

View* View::viewWithTag(long tag) {
  if (tag_ == tag) return this;
  for (auto& s : subviews_)
    if (View* found = s->viewWithTag(tag)) return found;
  return nullptr;
}

// ---- Layout and display -----------------------------------------------------------

void View::setNeedsLayout() {
  if (!needsLayout_) {
    needsLayout_ = true;
    ViewPasses::get().layout.push_back(this);
  }
  quartz::Transaction::scheduleCommit();
}

void View::layoutIfNeeded() {
  std::shared_ptr<View> keep = weak_from_this().lock();
  if (needsLayout_) {
    needsLayout_ = false;
    std::erase(ViewPasses::get().layout, this);
    layoutSubviews();
  }
  std::vector<std::shared_ptr<View>> subs = subviews_;
  for (auto& s : subs) s->layoutIfNeeded();
}

void View::sizeToFit() {
  const Size s = sizeThatFits(bounds().size);
  Rect f = frame();
  setFrame(Rect(f.origin, s));
}

std::uint64_t View::contentChanges() { return contentChangeCount; }

void View::setNeedsDisplay() {
  ++contentChangeCount;
  if (!needsDisplay_) {
    needsDisplay_ = true;
    ViewPasses::get().display.push_back(this);
  }
  quartz::Transaction::scheduleCommit();
}

void View::displayIfNeeded() {
  if (!needsDisplay_) return;
  needsDisplay_ = false;
  std::erase(ViewPasses::get().display, this);
  quartz::GraphicsContext context(bounds());
  drawRect(context, bounds());
  quartz::DisplayList list = context.takeDisplayList();
  if (list.isEmpty()) {
    layer_->setDisplayList(nullptr);
  } else {
    layer_->setDisplayList(std::make_shared<const quartz::DisplayList>(std::move(list)));
  }
}

void View::drawRect(quartz::GraphicsContext&, Rect) {}

// ---- Coordinates and hit testing --------------------------------------------------

namespace {

// This view's bounds space to screen coordinates.
AffineTransform toScreen(const View* v) {
  AffineTransform t;
  for (; v != nullptr; v = v->superview()) t = quartz::concat(t, v->layer()->model().transformToSuperlayer());
  return t;
}

}  // namespace

Point View::convertPoint(Point p, const View* toView) const {
  const Point screen = toScreen(this).apply(p);
  return toView ? toScreen(toView).inverted().apply(screen) : screen;
}

Point View::convertPointFromView(Point p, const View* fromView) const {
  const Point screen = fromView ? toScreen(fromView).apply(p) : p;
  return toScreen(this).inverted().apply(screen);
}

Rect View::convertRect(const Rect& r, const View* toView) const {
  AffineTransform t = toScreen(this);
  if (toView) t = quartz::concat(t, toScreen(toView).inverted());
  return t.apply(r);
}

Rect View::convertRectFromView(const Rect& r, const View* fromView) const {
  AffineTransform t = fromView ? toScreen(fromView) : AffineTransform{};
  t = quartz::concat(t, toScreen(this).inverted());
  return t.apply(r);
}

bool View::pointInside(Point p) const { return bounds().contains(p); }

View* View::hitTest(Point p) {
  if (isHidden() || alpha() < 0.01 || !userInteractionEnabled_) return nullptr;
  if (!pointInside(p)) return nullptr;
  for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it) {
    View* sub = it->get();
    const Point q = sub->layer_->model().transformToSuperlayer().inverted().apply(p);
    if (View* hit = sub->hitTest(q)) return hit;
  }
  return this;
}

// ---- Gesture recognisers ----------------------------------------------------------

void View::addGestureRecognizer(std::shared_ptr<GestureRecognizer> recognizer) {
  if (!recognizer) return;
  if (recognizer->view_ == this) return;
  if (recognizer->view_ != nullptr) recognizer->view_->removeGestureRecognizer(recognizer.get());
  recognizer->view_ = this;
  recognizers_.push_back(std::move(recognizer));
}

void View::removeGestureRecognizer(const GestureRecognizer* recognizer) {
  auto it = std::find_if(recognizers_.begin(), recognizers_.end(), [recognizer](const auto& p) { return p.get() == recognizer; });
  if (it == recognizers_.end()) return;
  (*it)->view_ = nullptr;
  recognizers_.erase(it);
}

}  // namespace ui

namespace ui {

std::string View::description() const {
  const Rect f = frame();
  return foundation::format("<%s: %p; frame = (%g %g; %g %g)>", className().c_str(),
                            static_cast<const void*>(this), f.x(), f.y(), f.width(), f.height());
}

}  // namespace ui
