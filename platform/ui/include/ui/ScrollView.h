#pragma once
// A view whose subviews move with a content offset: the offset is the
// origin of the bounds, as on the platform, so content is laid out in
// content coordinates and scrolling never touches the subviews' frames.
// Clips to its bounds.
//
// Dragging: a pan recogniser on the scroll view begins once the finger has
// moved more than 10 points, and only when the larger part of that movement
// lies along an axis the view scrolls (content larger than the bounds on
// that axis, or alwaysBounce set for it); otherwise it fails for the rest
// of the touch. When it begins it takes the touch from the view under the
// finger (a button or switch there gets touchesCancelled, sends TouchCancel
// and never TouchUpInside or ValueChanged). So in a vertical scroll view a
// mostly horizontal drag - a slider's thumb - stays with the control, and a
// mostly vertical one scrolls. Past an edge the content follows the finger
// with rubber-band resistance (only when `bounces`).
//
// Releasing: the model offset is set at once to where the content comes to
// rest (the release velocity decaying at the deceleration rate, stopped at
// the content edges, or the nearest edge when released beyond one) and the
// way there is one precomputed animation of the layer's "bounds.origin"
// (key "scroll"), so no code runs per frame. scrollViewDidScroll is told
// of every model change (each drag step, and the rest offset once when the
// animation is set up); scrollViewDidEndDecelerating when the animation has
// run. A touch that lands while the content is still moving stops it where
// it is shown and goes to the scroll view itself, not to the content.

#include <memory>

#include "ui/GestureRecognizer.h"
#include "ui/View.h"

namespace ui {

class ScrollView;

// What a scroll view tells about its scrolling; every method does nothing
// by default. The scroll view holds its delegate weakly.
class ScrollViewDelegate {
 public:
  virtual ~ScrollViewDelegate() = default;
  virtual void scrollViewDidScroll(ScrollView&) {}
  virtual void scrollViewWillBeginDragging(ScrollView&) {}
  virtual void scrollViewDidEndDragging(ScrollView&, bool /*willDecelerate*/) {}
  virtual void scrollViewDidEndDecelerating(ScrollView&) {}
  virtual void scrollViewDidEndScrollingAnimation(ScrollView&) {}
};

class ScrollView : public View {
 public:
  // The platform's normal rate: velocity kept per millisecond.
  static constexpr double kDecelerationRateNormal = 0.998;
  static constexpr double kDecelerationRateFast = 0.99;

  explicit ScrollView(Rect frame = {});
  ~ScrollView() override;
  std::string className() const override { return "ScrollView"; }

  Size contentSize() const { return contentSize_; }
  void setContentSize(Size size);
  // The model offset: where the content is or comes to rest.
  Point contentOffset() const { return bounds().origin; }
  // Animated: a 0.3 s ease-in-out move from what is shown now, then
  // scrollViewDidEndScrollingAnimation.
  void setContentOffset(Point offset, bool animated = false);
  // What the screen shows at the run loop's current time (differs from the
  // model while a scroll animation runs).
  Point presentationContentOffset() const;
  // The largest offset that keeps the content edge at the bounds edge (0
  // when the content is smaller).
  Point maximumContentOffset() const;

  bool bounces() const { return bounces_; }
  void setBounces(bool b) { bounces_ = b; }
  bool alwaysBounceVertical() const { return alwaysBounceVertical_; }
  void setAlwaysBounceVertical(bool b) { alwaysBounceVertical_ = b; }
  bool alwaysBounceHorizontal() const { return alwaysBounceHorizontal_; }
  void setAlwaysBounceHorizontal(bool b) { alwaysBounceHorizontal_ = b; }
  bool isScrollEnabled() const { return scrollEnabled_; }
  void setScrollEnabled(bool e);
  double decelerationRate() const { return decelerationRate_; }
  void setDecelerationRate(double r) { decelerationRate_ = r; }

  bool isDragging() const { return dragging_; }
  // True while a deceleration or bounce animation is in flight.
  bool isDecelerating() const;

  // Null once the delegate is gone.
  ScrollViewDelegate* delegate() const;
  void setDelegate(std::weak_ptr<ScrollViewDelegate> delegate);
  // A delegate that is a view (or another object owned by a shared_ptr with
  // enable_shared_from_this): held weakly through its own weak_from_this().
  template <class T>
  void setDelegate(T* delegate) {
    if (delegate == nullptr) {
      setDelegate(std::weak_ptr<ScrollViewDelegate>());
      return;
    }
    setDelegate(std::weak_ptr<const void>(delegate->weak_from_this()), static_cast<ScrollViewDelegate*>(delegate));
  }

  PanGestureRecognizer* panGestureRecognizer() const { return pan_.get(); }

  View* hitTest(Point p) override;
  void addDebugFields(DebugFields& fields) const override;  // "contentSize", "contentOffset"

 protected:
  // Run-loop time at which the running scroll animation ends (in the past
  // when none runs).
  double scrollAnimationEnd() const { return animationEnd_; }

 private:
  friend class ScrollPanGestureRecognizer;
  void setDelegate(std::weak_ptr<const void> life, ScrollViewDelegate* delegate);
  bool scrollsVertically() const;
  bool scrollsHorizontally() const;
  void stopScrollAnimation();
  void setOffsetAndNotify(Point offset);
  void panned(GestureRecognizer& recognizer);
  void release(Point velocity);
  template <class F>
  void tellDelegate(F&& call);

  Size contentSize_;
  bool bounces_ = true;
  bool alwaysBounceVertical_ = false;
  bool alwaysBounceHorizontal_ = false;
  bool scrollEnabled_ = true;
  bool dragging_ = false;
  double decelerationRate_ = kDecelerationRateNormal;
  double animationEnd_ = -1;  // run-loop time the scroll animation ends
  Point dragStartOffset_;
  std::weak_ptr<const void> delegateLife_;
  ScrollViewDelegate* delegate_ = nullptr;
  std::shared_ptr<PanGestureRecognizer> pan_;
};

}  // namespace ui
