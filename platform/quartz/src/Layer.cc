#include "quartz/Layer.h"

#include <algorithm>
#include <cmath>

#include "CommitAccess.h"
#include "foundation/RunLoop.h"
#include "quartz/Transaction.h"

namespace quartz {

// ---- Geometry -----------------------------------------------------------------

namespace {

// Rotations by quarter turns compute cos(pi/2) as 6e-17; snapping such
// entries keeps frames of turned layers exact.
double snap(double v) {
  if (std::fabs(v) < 1e-12) return 0;
  if (std::fabs(v - 1) < 1e-12) return 1;
  if (std::fabs(v + 1) < 1e-12) return -1;
  return v;
}

AffineTransform cleaned(const AffineTransform& t) {
  return {snap(t.a), snap(t.b), snap(t.c), snap(t.d), t.tx, t.ty};
}

}  // namespace

AffineTransform LayerState::transformToSuperlayer() const {
  const Point anchor{bounds.x() + anchorPoint.x * bounds.width(), bounds.y() + anchorPoint.y * bounds.height()};
  AffineTransform t = AffineTransform::makeTranslation(-anchor.x, -anchor.y);
  t = concat(t, cleaned(transform.affine()));
  return concat(t, AffineTransform::makeTranslation(position.x, position.y));
}

Rect LayerState::frame() const { return transformToSuperlayer().apply(bounds); }

// ---- Key paths ------------------------------------------------------------------

namespace {

using Vec3 = std::array<double, 3>;

double rowLength(double a, double b, double c) { return std::sqrt(a * a + b * b + c * c); }

void setRowScale(double& a, double& b, double& c, double s, int axis) {
  const double len = rowLength(a, b, c);
  if (len < 1e-12) {  // direction lost (scale 0): restart from the axis
    a = axis == 0 ? s : 0;
    b = axis == 1 ? s : 0;
    c = axis == 2 ? s : 0;
    return;
  }
  a = a / len * s;
  b = b / len * s;
  c = c / len * s;
}

template <class T>
const T* as(const AnimationValue& v) {
  return std::get_if<T>(&v);
}

}  // namespace

std::optional<AnimationValue> valueForKeyPath(const LayerState& s, std::string_view k) {
  const Transform3D& m = s.transform;
  if (k == "position") return s.position;
  if (k == "position.x") return s.position.x;
  if (k == "position.y") return s.position.y;
  if (k == "bounds") return s.bounds;
  if (k == "bounds.size") return s.bounds.size;
  if (k == "bounds.origin") return s.bounds.origin;
  if (k == "anchorPoint") return s.anchorPoint;
  if (k == "opacity") return s.opacity;
  if (k == "transform") return s.transform;
  if (k == "transform.scale" || k == "transform.scale.x") return rowLength(m.m11, m.m12, m.m13);
  if (k == "transform.scale.y") return rowLength(m.m21, m.m22, m.m23);
  if (k == "transform.scale.z") return rowLength(m.m31, m.m32, m.m33);
  if (k == "transform.rotation" || k == "transform.rotation.z") return std::atan2(m.m12, m.m11);
  if (k == "transform.translation.x") return m.m41;
  if (k == "transform.translation.y") return m.m42;
  if (k == "backgroundColor") return s.backgroundColor;
  if (k == "cornerRadius") return s.cornerRadius;
  if (k == "borderWidth") return s.borderWidth;
  if (k == "borderColor") return s.borderColor;
  if (k == "shadowColor") return s.shadowColor;
  if (k == "shadowOpacity") return s.shadowOpacity;
  if (k == "shadowRadius") return s.shadowRadius;
  if (k == "shadowOffset") return s.shadowOffset;
  if (k == "contentsRect") return s.contentsRect;
  if (k == "colors") return s.colors;
  if (k == "startPoint") return s.startPoint;
  if (k == "endPoint") return s.endPoint;
  if (k == "strokeStart") return s.strokeStart;
  if (k == "strokeEnd") return s.strokeEnd;
  if (k == "lineWidth") return s.lineWidth;
  if (k == "strokeColor") return s.strokeColor;
  if (k == "fillColor") return s.fillColor;
  return std::nullopt;
}

bool setValueForKeyPath(LayerState& s, std::string_view k, const AnimationValue& v) {
  Transform3D& m = s.transform;
  auto setD = [&](double& field) {
    if (const double* d = as<double>(v)) {
      field = *d;
      return true;
    }
    return false;
  };
  auto setP = [&](Point& field) {
    if (const Point* p = as<Point>(v)) {
      field = *p;
      return true;
    }
    return false;
  };
  auto setC = [&](Color& field) {
    if (const Color* c = as<Color>(v)) {
      field = *c;
      return true;
    }
    return false;
  };
  auto setR = [&](Rect& field) {
    if (const Rect* r = as<Rect>(v)) {
      field = *r;
      return true;
    }
    return false;
  };
  if (k == "position") return setP(s.position);
  if (k == "position.x") return setD(s.position.x);
  if (k == "position.y") return setD(s.position.y);
  if (k == "bounds") return setR(s.bounds);
  if (k == "bounds.size") {
    if (const Size* z = as<Size>(v)) {
      s.bounds.size = *z;
      return true;
    }
    return false;
  }
  if (k == "bounds.origin") return setP(s.bounds.origin);
  if (k == "anchorPoint") return setP(s.anchorPoint);
  if (k == "opacity") return setD(s.opacity);
  if (k == "transform") {
    if (const Transform3D* t = as<Transform3D>(v)) {
      m = *t;
      return true;
    }
    return false;
  }
  if (k == "transform.scale" || k == "transform.scale.x" || k == "transform.scale.y" || k == "transform.scale.z") {
    const double* d = as<double>(v);
    if (!d) return false;
    const bool all = k == "transform.scale";
    if (all || k == "transform.scale.x") setRowScale(m.m11, m.m12, m.m13, *d, 0);
    if (all || k == "transform.scale.y") setRowScale(m.m21, m.m22, m.m23, *d, 1);
    if (all || k == "transform.scale.z") setRowScale(m.m31, m.m32, m.m33, *d, 2);
    return true;
  }
  if (k == "transform.rotation" || k == "transform.rotation.z") {
    const double* d = as<double>(v);
    if (!d) return false;
    const double sx = std::hypot(m.m11, m.m12), sy = std::hypot(m.m21, m.m22);
    const double c = std::cos(*d), sn = std::sin(*d);
    m.m11 = c * sx;
    m.m12 = sn * sx;
    m.m21 = -sn * sy;
    m.m22 = c * sy;
    return true;
  }
  if (k == "transform.translation.x") return setD(m.m41);
  if (k == "transform.translation.y") return setD(m.m42);
  if (k == "backgroundColor") return setC(s.backgroundColor);
  if (k == "cornerRadius") return setD(s.cornerRadius);
  if (k == "borderWidth") return setD(s.borderWidth);
  if (k == "borderColor") return setC(s.borderColor);
  if (k == "shadowColor") return setC(s.shadowColor);
  if (k == "shadowOpacity") return setD(s.shadowOpacity);
  if (k == "shadowRadius") return setD(s.shadowRadius);
  if (k == "shadowOffset") {
    if (const Size* z = as<Size>(v)) {
      s.shadowOffset = *z;
      return true;
    }
    return false;
  }
  if (k == "contentsRect") return setR(s.contentsRect);
  if (k == "colors") {
    if (const auto* c = as<std::vector<Color>>(v)) {
      s.colors = *c;
      return true;
    }
    return false;
  }
  if (k == "startPoint") return setP(s.startPoint);
  if (k == "endPoint") return setP(s.endPoint);
  if (k == "strokeStart") return setD(s.strokeStart);
  if (k == "strokeEnd") return setD(s.strokeEnd);
  if (k == "lineWidth") return setD(s.lineWidth);
  if (k == "strokeColor") return setC(s.strokeColor);
  if (k == "fillColor") return setC(s.fillColor);
  return false;
}

LayerState applyAnimations(LayerState state, const std::vector<KeyedAnimation>& animations, double t,
                           double uncommittedBegin) {
  for (const KeyedAnimation& ka : animations) {
    const Animation& a = *ka.animation;
    const double effective = a.isStamped() ? t : t - uncommittedBegin;
    const std::optional<AnimationValue> base = valueForKeyPath(state, a.keyPath());
    if (!base) continue;
    const std::optional<AnimationValue> v = a.valueAt(effective, *base);
    if (v) setValueForKeyPath(state, a.keyPath(), *v);
  }
  return state;
}

LayerState presentationAt(const CommittedLayer& committed, double t) {
  if (committed.animations.empty()) return committed.state;
  return applyAnimations(committed.state, committed.animations, t, t);
}

// ---- Layer -------------------------------------------------------------------------

Layer::Layer() { markChanged(true); }

Layer::~Layer() {
  for (auto& sub : sublayers_) sub->superlayer_ = nullptr;
  if (mask_) mask_->maskOwner_ = nullptr;
  CommitAccess::forget(*this);
}

void Layer::markChanged(bool content) {
  contentDirty_ = contentDirty_ || content;
  if (!dirty_) {
    dirty_ = true;
    CommitAccess::dirtyLayers().push_back(this);
  }
  // Every change, not only the first: the main loop may have been replaced
  // since the layer became dirty.
  Transaction::scheduleCommit();
}

std::optional<AnimationValue> Layer::actionFromValue(std::string_view key) const {
  if (delegate_ == nullptr) return std::nullopt;
  return valueForKeyPath(presentationAt(CommitAccess::currentTime()), key);
}

void Layer::runAction(std::string_view key, const std::optional<AnimationValue>& from) {
  if (!from || delegate_ == nullptr) return;
  std::unique_ptr<Animation> action = delegate_->actionForLayer(*this, key, *from);
  if (!action) return;
  if (action->keyPath().empty()) action->setKeyPath(std::string(key));
  addAnimation(*action, std::string(key));
}

// A property change: skipped when equal; delegate actions for animatable keys.
template <class T>
static void change(Layer& layer, LayerState& model, T LayerState::*field, const T& value,
                   std::string_view actionKey, bool content,
                   std::optional<AnimationValue> (Layer::*from)(std::string_view) const,
                   void (Layer::*run)(std::string_view, const std::optional<AnimationValue>&),
                   void (Layer::*mark)(bool)) {
  if (model.*field == value) return;
  std::optional<AnimationValue> before;
  if (!actionKey.empty()) before = (layer.*from)(actionKey);
  model.*field = value;
  (layer.*mark)(content);
  if (!actionKey.empty()) (layer.*run)(actionKey, before);
}

#define HV_CHANGE(field, value, key, content) \
  change(*this, model_, &LayerState::field, value, key, content, &Layer::actionFromValue, &Layer::runAction, &Layer::markChanged)

void Layer::setBounds(const Rect& r) { HV_CHANGE(bounds, r, "bounds", true); }
void Layer::setPosition(Point p) { HV_CHANGE(position, p, "position", false); }
void Layer::setAnchorPoint(Point p) { HV_CHANGE(anchorPoint, p, "", false); }
void Layer::setTransform(const Transform3D& t) { HV_CHANGE(transform, t, "transform", false); }
void Layer::setGeometryFlipped(bool f) { HV_CHANGE(geometryFlipped, f, "", true); }
void Layer::setOpacity(double o) { HV_CHANGE(opacity, o, "opacity", false); }
void Layer::setHidden(bool h) { HV_CHANGE(hidden, h, "", false); }
void Layer::setBackgroundColor(const Color& c) { HV_CHANGE(backgroundColor, c, "backgroundColor", false); }
void Layer::setCornerRadius(double r) { HV_CHANGE(cornerRadius, r, "", false); }
void Layer::setMasksToBounds(bool m) { HV_CHANGE(masksToBounds, m, "", false); }
void Layer::setBorderWidth(double w) { HV_CHANGE(borderWidth, w, "", false); }
void Layer::setBorderColor(const Color& c) { HV_CHANGE(borderColor, c, "", false); }
void Layer::setShadowColor(const Color& c) { HV_CHANGE(shadowColor, c, "", false); }
void Layer::setShadowOpacity(double o) { HV_CHANGE(shadowOpacity, o, "", false); }
void Layer::setShadowRadius(double r) { HV_CHANGE(shadowRadius, r, "", false); }
void Layer::setShadowOffset(Size s) { HV_CHANGE(shadowOffset, s, "", false); }
void Layer::setContents(std::shared_ptr<const Image> image) { HV_CHANGE(contents, image, "", true); }
void Layer::setContentsRect(const Rect& r) { HV_CHANGE(contentsRect, r, "", true); }
void Layer::setContentsGravity(ContentsGravity g) { HV_CHANGE(contentsGravity, g, "", true); }

void Layer::setDisplayList(std::shared_ptr<const DisplayList> list) {
  if (list && list->isEmpty()) list = nullptr;
  if (model_.displayList == list) return;
  if (model_.displayList && list && *model_.displayList == *list) return;  // same drawing
  model_.displayList = std::move(list);
  markChanged(true);
}

void Layer::setFrame(const Rect& r) {
  const AffineTransform t = cleaned(model_.transform.affine());
  const double a = std::fabs(t.a), b = std::fabs(t.b), c = std::fabs(t.c), d = std::fabs(t.d);
  // The transformed box of a w x h rectangle is (a w + c h) x (b w + d h).
  Size size = model_.bounds.size;
  const double W = std::fabs(r.width()), H = std::fabs(r.height());
  const double det = a * d - b * c;
  if (std::fabs(det) > 1e-12) {
    size.width = std::max(0.0, (d * W - c * H) / det);
    size.height = std::max(0.0, (a * H - b * W) / det);
  }
  LayerState probe = model_;
  probe.bounds.size = size;
  probe.position = {0, 0};
  const Rect box = probe.frame();
  setBounds(Rect(model_.bounds.origin, size));
  setPosition({r.minX() - box.x(), r.minY() - box.y()});
}

bool Layer::setValueForKey(std::string_view keyPath, const AnimationValue& value) {
  LayerState next = model_;
  if (!setValueForKeyPath(next, keyPath, value)) return false;
  // Route through the setters so that actions and change tracking apply.
  if (!(next.bounds == model_.bounds)) setBounds(next.bounds);
  if (!(next.position == model_.position)) setPosition(next.position);
  if (!(next.anchorPoint == model_.anchorPoint)) setAnchorPoint(next.anchorPoint);
  if (!(next.transform == model_.transform)) setTransform(next.transform);
  if (next.opacity != model_.opacity) setOpacity(next.opacity);
  if (!(next.backgroundColor == model_.backgroundColor)) setBackgroundColor(next.backgroundColor);
  const bool content = keyPath == "colors" || keyPath == "startPoint" || keyPath == "endPoint" ||
                       keyPath == "strokeStart" || keyPath == "strokeEnd" || keyPath == "lineWidth" ||
                       keyPath == "strokeColor" || keyPath == "fillColor" || keyPath == "contentsRect";
  next.bounds = model_.bounds;
  next.position = model_.position;
  next.anchorPoint = model_.anchorPoint;
  next.transform = model_.transform;
  next.opacity = model_.opacity;
  next.backgroundColor = model_.backgroundColor;
  model_ = std::move(next);
  markChanged(content);
  return true;
}

// ---- Tree ------------------------------------------------------------------------------

void Layer::detachFromParent() {
  if (superlayer_ != nullptr) {
    Layer* parent = superlayer_;
    superlayer_ = nullptr;
    auto& subs = parent->sublayers_;
    auto it = std::find_if(subs.begin(), subs.end(), [this](const auto& p) { return p.get() == this; });
    if (it != subs.end()) {
      std::shared_ptr<Layer> keep = std::move(*it);  // the caller may hold no other reference
      subs.erase(it);
      parent->markChanged(false);
    }
  }
  if (maskOwner_ != nullptr) {
    Layer* owner = maskOwner_;
    maskOwner_ = nullptr;
    std::shared_ptr<Layer> keep = std::move(owner->mask_);
    owner->mask_.reset();
    owner->markChanged(false);
  }
}

void Layer::addSublayer(std::shared_ptr<Layer> layer) {
  insertSublayer(std::move(layer), static_cast<std::size_t>(-1));
}

void Layer::insertSublayer(std::shared_ptr<Layer> layer, std::size_t index) {
  if (!layer || layer.get() == this) return;
  layer->detachFromParent();
  index = std::min(index, sublayers_.size());
  layer->superlayer_ = this;
  sublayers_.insert(sublayers_.begin() + static_cast<std::ptrdiff_t>(index), std::move(layer));
  markChanged(false);
}

void Layer::insertSublayerBelow(std::shared_ptr<Layer> layer, const Layer* sibling) {
  if (!layer || layer.get() == this) return;
  layer->detachFromParent();
  auto it = std::find_if(sublayers_.begin(), sublayers_.end(), [sibling](const auto& p) { return p.get() == sibling; });
  insertSublayer(std::move(layer), static_cast<std::size_t>(it - sublayers_.begin()));
}

void Layer::insertSublayerAbove(std::shared_ptr<Layer> layer, const Layer* sibling) {
  if (!layer || layer.get() == this) return;
  layer->detachFromParent();
  auto it = std::find_if(sublayers_.begin(), sublayers_.end(), [sibling](const auto& p) { return p.get() == sibling; });
  const std::size_t index = it == sublayers_.end() ? sublayers_.size() : static_cast<std::size_t>(it - sublayers_.begin()) + 1;
  insertSublayer(std::move(layer), index);
}

void Layer::removeFromSuperlayer() {
  if (superlayer_ == nullptr) return;
  std::shared_ptr<Layer> keep = weak_from_this().lock();
  Layer* parent = superlayer_;
  superlayer_ = nullptr;
  auto& subs = parent->sublayers_;
  auto it = std::find_if(subs.begin(), subs.end(), [this](const auto& p) { return p.get() == this; });
  if (it != subs.end()) subs.erase(it);
  parent->markChanged(false);
}

bool Layer::containsSublayer(const Layer* layer) const {
  return std::any_of(sublayers_.begin(), sublayers_.end(), [layer](const auto& p) { return p.get() == layer; });
}

void Layer::setMask(std::shared_ptr<Layer> mask) {
  if (mask_ == mask) return;
  if (mask && mask.get() == this) return;
  if (mask_) {
    mask_->maskOwner_ = nullptr;
    mask_.reset();
  }
  if (mask) {
    mask->detachFromParent();
    mask->maskOwner_ = this;
  }
  mask_ = std::move(mask);
  markChanged(false);
}

// ---- Animations ------------------------------------------------------------------------

void Layer::stopAnimation(const KeyedAnimation& removed) {
  std::erase_if(unstamped_, [&](const auto& p) { return p.get() == removed.animation.get(); });
  if (const auto& handler = removed.animation->didStop()) {
    foundation::RunLoop::main().dispatchAsync([handler] { handler(false); });
  }
}

void Layer::addAnimation(const Animation& animation, std::string key) {
  std::shared_ptr<Animation> copy(animation.clone());
  if (copy->didStop()) {
    // Stopping is reported once, however the animation ends.
    auto reported = std::make_shared<bool>(false);
    copy->setDidStop([handler = copy->didStop(), reported](bool finished) {
      if (*reported) return;
      *reported = true;
      handler(finished);
    });
  }
  if (key.empty()) {
    static std::uint64_t counter = 0;
    key = "animation-" + std::to_string(++counter);
  }
  auto it = std::find_if(animations_.begin(), animations_.end(), [&](const auto& ka) { return ka.key == key; });
  if (it != animations_.end()) {
    KeyedAnimation old = std::move(*it);
    animations_.erase(it);
    stopAnimation(old);
  }
  unstamped_.push_back(copy);
  animations_.push_back({std::move(key), std::move(copy)});
  markChanged(false);
}

std::vector<std::string> Layer::animationKeys() const {
  std::vector<std::string> keys;
  keys.reserve(animations_.size());
  for (const auto& ka : animations_) keys.push_back(ka.key);
  return keys;
}

std::shared_ptr<const Animation> Layer::animationForKey(std::string_view key) const {
  for (const auto& ka : animations_)
    if (ka.key == key) return ka.animation;
  return nullptr;
}

void Layer::removeAnimationForKey(std::string_view key) {
  auto it = std::find_if(animations_.begin(), animations_.end(), [&](const auto& ka) { return ka.key == key; });
  if (it == animations_.end()) return;
  KeyedAnimation old = std::move(*it);
  animations_.erase(it);
  stopAnimation(old);
  markChanged(false);
}

void Layer::removeAllAnimations() {
  if (animations_.empty()) return;
  std::vector<KeyedAnimation> old = std::move(animations_);
  animations_.clear();
  for (const auto& ka : old) stopAnimation(ka);
  markChanged(false);
}

LayerState Layer::presentationAt(double t) const {
  if (animations_.empty()) return model_;
  return applyAnimations(model_, animations_, t, t);
}

}  // namespace quartz
