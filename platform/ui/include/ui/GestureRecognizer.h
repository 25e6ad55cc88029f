#pragma once
// Gesture recognisers with the platform's states. A recogniser is attached
// to one view (held strongly by it) and sees the touches that begin on that
// view or its subviews. Actions run on Began, Changed, Ended (= recognised)
// and Cancelled; a discrete recogniser (tap) goes Possible -> Ended or
// Possible -> Failed. After Ended, Cancelled or Failed the state returns to
// Possible when the touch sequence is over. A recogniser whose view went away
// (destroyed, or the recogniser removed from it) runs no actions, even when
// the touch it was tracking goes on.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/RunLoop.h"
#include "ui/Geometry.h"
#include "ui/Touch.h"

namespace ui {

class View;

enum class GestureRecognizerState { Possible, Began, Changed, Ended, Cancelled, Failed };

class GestureRecognizer {
 public:
  using Action = std::function<void(GestureRecognizer&)>;
  explicit GestureRecognizer(Action action = {});
  virtual ~GestureRecognizer();
  GestureRecognizer(const GestureRecognizer&) = delete;
  GestureRecognizer& operator=(const GestureRecognizer&) = delete;

  virtual std::string className() const { return "GestureRecognizer"; }
  void addTarget(Action action);
  GestureRecognizerState state() const { return state_; }
  View* view() const { return view_; }
  bool isEnabled() const { return enabled_; }
  void setEnabled(bool e);
  bool cancelsTouchesInView() const { return cancelsTouches_; }
  void setCancelsTouchesInView(bool c) { cancelsTouches_ = c; }
  // Where the current (or last) touch is, in v's bounds space (null = screen).
  Point locationInView(const View* v) const;
  // Every state this recogniser entered, oldest first (debugging and tests).
  const std::vector<GestureRecognizerState>& stateHistory() const { return history_; }

  // Touch events, fed by the application.
  virtual void touchesBegan(const Touch& touch);
  virtual void touchesMoved(const Touch& touch);
  virtual void touchesEnded(const Touch& touch);
  virtual void touchesCancelled(const Touch& touch);

 protected:
  // Enters a state and runs the actions where the platform does.
  void setState(GestureRecognizerState s);
  // Back to Possible, clearing per-sequence data (subclasses extend).
  virtual void reset();
  const Touch& lastTouch() const { return touch_; }

 private:
  friend class View;
  friend class Application;
  View* view_ = nullptr;
  std::vector<Action> actions_;
  GestureRecognizerState state_ = GestureRecognizerState::Possible;
  std::vector<GestureRecognizerState> history_;
  Touch touch_;
  bool enabled_ = true;
  bool cancelsTouches_ = true;
};

// Recognises after numberOfTapsRequired taps, each within 10 points of
// where the first began, with at most 0.35 s between one tap's end and the
// next one's start (run-loop clock); otherwise it fails.
class TapGestureRecognizer : public GestureRecognizer {
 public:
  using GestureRecognizer::GestureRecognizer;
  ~TapGestureRecognizer() override;
  std::string className() const override { return "TapGestureRecognizer"; }
  int numberOfTapsRequired() const { return taps_; }
  void setNumberOfTapsRequired(int n) { taps_ = n < 1 ? 1 : n; }

  void touchesBegan(const Touch& touch) override;
  void touchesMoved(const Touch& touch) override;
  void touchesEnded(const Touch& touch) override;
  void touchesCancelled(const Touch& touch) override;

 protected:
  void reset() override;

 private:
  int taps_ = 1;
  int count_ = 0;
  Point first_;
  std::shared_ptr<foundation::Timer> pending_;
};

// Begins once the finger moves more than 10 points from where it went down;
// Changed on every further move; Ended when lifted. translationInView is the
// finger's movement since it went down (plus any setTranslation offset).
class PanGestureRecognizer : public GestureRecognizer {
 public:
  using GestureRecognizer::GestureRecognizer;
  std::string className() const override { return "PanGestureRecognizer"; }
  Point translationInView(const View* v) const;
  void setTranslation(Point translation, const View* v);
  // Points per second over the last move, in v's space.
  Point velocityInView(const View* v) const;

  void touchesBegan(const Touch& touch) override;
  void touchesMoved(const Touch& touch) override;
  void touchesEnded(const Touch& touch) override;
  void touchesCancelled(const Touch& touch) override;

 protected:
  void reset() override;

 private:
  Point origin_;  // screen location the translation counts from
  double previousTimestamp_ = 0;
};

// Begins when the finger stays down for minimumPressDuration (default 0.5 s,
// run-loop clock) without moving more than allowableMovement (10 points);
// Changed on moves after that; Ended when lifted. Lifting or moving away
// earlier fails it.
class LongPressGestureRecognizer : public GestureRecognizer {
 public:
  using GestureRecognizer::GestureRecognizer;
  ~LongPressGestureRecognizer() override;
  std::string className() const override { return "LongPressGestureRecognizer"; }
  double minimumPressDuration() const { return minimumPressDuration_; }
  void setMinimumPressDuration(double d) { minimumPressDuration_ = d; }
  double allowableMovement() const { return allowableMovement_; }
  void setAllowableMovement(double m) { allowableMovement_ = m; }

  void touchesBegan(const Touch& touch) override;
  void touchesMoved(const Touch& touch) override;
  void touchesEnded(const Touch& touch) override;
  void touchesCancelled(const Touch& touch) override;

 protected:
  void reset() override;

 private:
  double minimumPressDuration_ = 0.5;
  double allowableMovement_ = 10;
  std::shared_ptr<foundation::Timer> pending_;
};

}  // namespace ui
