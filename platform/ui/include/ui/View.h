#pragma once
// The view model. A view owns one layer (created with it, never replaced)
// and mirrors its geometry and appearance there: center = layer position,
// bounds = layer bounds, transform = the layer's affine transform, alpha =
// opacity, hidden, backgroundColor, clipsToBounds = masksToBounds. The view
// is its layer's delegate, which is how changes inside View::animate blocks
// (view setters or the layer's own transform/opacity setters) turn into
// animations.
//
// Ownership: views are held by std::shared_ptr; a superview holds its
// subviews strongly and each subview points back with a raw pointer. The
// subview order is the order of their layers among the superview layer's
// sublayers (other sublayers, such as a gradient added by hand, keep their
// place among them).
//
// Layout: changing the bounds size (through frame or bounds) marks the view
// as needing layout; so does setNeedsLayout. Before each commit the pending
// layouts run, outermost views first, then pending displays record drawRect
// into the layer's display list. Every view starts needing display once.
//
// Frame semantics: see quartz::Layer (bounding box of the transformed bounds;
// setting the frame keeps the transform, exact for quarter turns).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "quartz/Animation.h"
#include "quartz/DisplayList.h"
#include "quartz/Layer.h"
#include "ui/Color.h"
#include "ui/Geometry.h"
#include "ui/Touch.h"

namespace ui {

class DebugFields;
class GestureRecognizer;
class Window;

enum class ContentMode {
  ScaleToFill,
  ScaleAspectFit,
  ScaleAspectFill,
  Redraw,  // like ScaleToFill, and the view redraws when its size changes
  Center,
  Top,
  Bottom,
  Left,
  Right,
};

// Options of an animation block.
struct AnimationOptions {
  quartz::TimingFunction curve = quartz::TimingFunction::viewDefault();
  bool repeat = false;       // for ever
  bool autoreverse = false;
};

class View : public std::enable_shared_from_this<View>, public quartz::LayerDelegate {
 public:
  explicit View(Rect frame = {});
  ~View() override;
  View(const View&) = delete;
  View& operator=(const View&) = delete;

  // The platform type name; system classes override with their own name.
  virtual std::string className() const { return "View"; }
  // The platform's "%@" of a view: "<ClassName: 0x…; frame = (x y; w h)>"
  // (hosts find their windows by the class name in it).
  std::string description() const;

  // Geometry.
  Rect frame() const { return layer_->frame(); }
  virtual void setFrame(const Rect& frame);
  Rect bounds() const { return layer_->bounds(); }
  virtual void setBounds(const Rect& bounds);
  Point center() const { return layer_->position(); }
  void setCenter(Point center);
  AffineTransform transform() const { return layer_->affineTransform(); }
  void setTransform(const AffineTransform& t);

  // Appearance.
  double alpha() const { return layer_->opacity(); }
  void setAlpha(double a);
  bool isHidden() const { return layer_->isHidden(); }
  virtual void setHidden(bool hidden);
  const std::optional<Color>& backgroundColor() const { return backgroundColor_; }
  virtual void setBackgroundColor(std::optional<Color> color);
  bool clipsToBounds() const { return layer_->masksToBounds(); }
  void setClipsToBounds(bool c) { layer_->setMasksToBounds(c); }
  ContentMode contentMode() const { return contentMode_; }
  virtual void setContentMode(ContentMode m);
  bool isUserInteractionEnabled() const { return userInteractionEnabled_; }
  void setUserInteractionEnabled(bool e) { userInteractionEnabled_ = e; }
  long tag() const { return tag_; }
  void setTag(long t) { tag_ = t; }
  const std::shared_ptr<quartz::Layer>& layer() const { return layer_; }

  // Hierarchy.
  View* superview() const { return superview_; }
  const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }
  Window* window() const;
  void addSubview(std::shared_ptr<View> view);
  void insertSubview(std::shared_ptr<View> view, std::size_t index);
  void insertSubviewBelow(std::shared_ptr<View> view, const View* sibling);
  void insertSubviewAbove(std::shared_ptr<View> view, const View* sibling);
  void bringSubviewToFront(const View* view);
  void sendSubviewToBack(const View* view);
  void removeFromSuperview();
  bool isDescendantOfView(const View* view) const;
  View* viewWithTag(long tag);  // this view or a descendant, depth first
  // Grows whenever any view of the process may draw something new
  // (setNeedsDisplay) or joins, leaves or reorders among its siblings. What
  // is read from a view tree's texts (debugText) can only differ after it
  // grew, so a reader asked every turn need not walk the tree otherwise.
  static std::uint64_t contentChanges();

  // Layout.
  void setNeedsLayout();
  bool needsLayout() const { return needsLayout_; }
  void layoutIfNeeded();  // this view, then its subviews, recursively
  virtual void layoutSubviews() {}
  virtual Size sizeThatFits(Size size) const { return bounds().size.width > 0 ? bounds().size : size; }
  void sizeToFit();

  // Drawing: drawRect records into the layer's display list before a commit.
  void setNeedsDisplay();
  bool needsDisplay() const { return needsDisplay_; }
  void displayIfNeeded();
  virtual void drawRect(quartz::GraphicsContext& context, Rect rect);

  // Coordinates. A null view means screen coordinates (the space the root
  // view's frame is in; for windows, the screen).
  Point convertPoint(Point p, const View* toView) const;
  Point convertPointFromView(Point p, const View* fromView) const;
  Rect convertRect(const Rect& r, const View* toView) const;
  Rect convertRectFromView(const Rect& r, const View* fromView) const;

  // Hit testing: hidden views, views with alpha < 0.01 and views without
  // user interaction take no touches; points outside bounds miss (even when
  // subviews reach outside). Point in this view's bounds space.
  virtual View* hitTest(Point p);
  virtual bool pointInside(Point p) const;

  // Gesture recognisers (held strongly) and raw touches.
  void addGestureRecognizer(std::shared_ptr<GestureRecognizer> recognizer);
  void removeGestureRecognizer(const GestureRecognizer* recognizer);
  const std::vector<std::shared_ptr<GestureRecognizer>>& gestureRecognizers() const { return recognizers_; }
  virtual void touchesBegan(const Touch&) {}
  virtual void touchesMoved(const Touch&) {}
  virtual void touchesEnded(const Touch&) {}
  virtual void touchesCancelled(const Touch&) {}

  // Called when the application's interface style changes; re-resolves the
  // view's dynamic colours (subclasses with colours of their own extend it).
  virtual void traitCollectionDidChange();
  virtual void didMoveToSuperview() {}
  virtual void didMoveToWindow() {}

  // Text shown in tree dumps (labels: their text). A view whose text
  // changes calls setNeedsDisplay (see contentChanges).
  virtual std::optional<std::string> debugText() const { return std::nullopt; }
  // State of their own that views add to tree dumps (a switch: "on"); see
  // ui/TreeDump.h. Subclasses call their base class first.
  virtual void addDebugFields(DebugFields&) const {}

  // Animation blocks. Changes of frame, bounds, center, transform, alpha and
  // backgroundColor made inside `animations` (also through the layer's own
  // setters, for view-backed layers) become basic animations from the
  // presentation value at the time of the change to the new model value,
  // with the block's duration, delay and curve. `completion` runs on the run
  // loop once all of them have stopped (finished = every one ran to its end);
  // when nothing animated (or duration <= 0) it runs at the next turn with
  // finished = true. Blocks nest; the innermost applies.
  using Completion = std::function<void(bool finished)>;
  static void animate(double duration, const std::function<void()>& animations, Completion completion = {});
  static void animate(double duration, double delay, AnimationOptions options,
                      const std::function<void()>& animations, Completion completion = {});
  static void performWithoutAnimation(const std::function<void()>& changes);
  static bool isInAnimationBlock();

 protected:
  std::unique_ptr<quartz::Animation> actionForLayer(const quartz::Layer& layer, std::string_view key,
                                                    const quartz::AnimationValue& from) override;
  // Subclasses with a special layer (gradient, shape) pass it here.
  View(Rect frame, std::shared_ptr<quartz::Layer> layer);

 private:
  friend class Window;
  friend class Application;
  friend struct ViewPasses;
  std::shared_ptr<quartz::Layer> layer_;
  View* superview_ = nullptr;
  std::vector<std::shared_ptr<View>> subviews_;
  std::vector<std::shared_ptr<GestureRecognizer>> recognizers_;
  std::optional<Color> backgroundColor_;
  ContentMode contentMode_ = ContentMode::ScaleToFill;
  bool userInteractionEnabled_ = true;
  bool needsLayout_ = false;
  bool needsDisplay_ = false;
  long tag_ = 0;
  void sizeMayHaveChanged(Size before);
  void moved(Window* oldWindow);
};

}  // namespace ui
