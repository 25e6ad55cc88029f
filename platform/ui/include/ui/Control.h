#pragma once
// The base of the standard controls: target-action per control event, the
// enabled / highlighted / selected states and touch tracking.
//
// Touches arrive through the ordinary touch path (Application::sendTouch ->
// touchesBegan/Moved/Ended/Cancelled). The control turns them into control
// events the way the platform does: TouchDown when the finger lands,
// TouchDragInside/Outside (and DragEnter/Exit when it crosses the edge) on
// moves, TouchUpInside or TouchUpOutside when it lifts, TouchCancel when the
// touch is taken away (for instance by a scroll view that starts scrolling).
// "Inside" while tracking is the bounds grown by 70 points on every side, as
// the platform allows a finger to wander off a button and still count.
// Subclasses add their own behaviour through beginTracking/continueTracking/
// endTracking/cancelTracking and send ValueChanged themselves.
//
// Actions: a control holds its actions; an action added with a target holds
// the target weakly and is skipped (and dropped) once the target is gone, so
// an action never runs on a destroyed object. While actions run the control
// keeps itself alive, so an action may remove or release the control.
// Disabled controls take no touches (hit testing passes through them) and
// send no events from touches; sendActionsForControlEvents still sends.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "ui/View.h"

namespace ui {

enum class ControlEvent : std::uint32_t {
  TouchDown = 1u << 0,
  TouchDownRepeat = 1u << 1,  // a touch down with a tap count above 1
  TouchDragInside = 1u << 2,
  TouchDragOutside = 1u << 3,
  TouchDragEnter = 1u << 4,
  TouchDragExit = 1u << 5,
  TouchUpInside = 1u << 6,
  TouchUpOutside = 1u << 7,
  TouchCancel = 1u << 8,
  ValueChanged = 1u << 12,
  AllTouchEvents = 0x0FFFu,
  AllEvents = 0xFFFFFFFFu,
};

// A set of control events; a single ControlEvent converts implicitly, and
// events combine with |.
class ControlEvents {
 public:
  constexpr ControlEvents() = default;
  constexpr ControlEvents(ControlEvent e) : bits_(static_cast<std::uint32_t>(e)) {}  // NOLINT: implicit by design
  constexpr bool contains(ControlEvent e) const { return (bits_ & static_cast<std::uint32_t>(e)) != 0; }
  constexpr bool intersects(ControlEvents o) const { return (bits_ & o.bits_) != 0; }
  constexpr bool empty() const { return bits_ == 0; }
  constexpr std::uint32_t bits() const { return bits_; }
  constexpr ControlEvents operator|(ControlEvents o) const { return fromBits(bits_ | o.bits_); }
  constexpr ControlEvents operator&(ControlEvents o) const { return fromBits(bits_ & o.bits_); }
  constexpr ControlEvents without(ControlEvents o) const { return fromBits(bits_ & ~o.bits_); }
  constexpr bool operator==(const ControlEvents&) const = default;

 private:
  static constexpr ControlEvents fromBits(std::uint32_t b) {
    ControlEvents e;
    e.bits_ = b;
    return e;
  }
  std::uint32_t bits_ = 0;
};

constexpr ControlEvents operator|(ControlEvent a, ControlEvent b) { return ControlEvents(a) | ControlEvents(b); }

// Control states: Normal is the empty set; the others combine with |.
enum class ControlState : std::uint32_t {
  Normal = 0,
  Highlighted = 1u << 0,
  Disabled = 1u << 1,
  Selected = 1u << 2,
};

constexpr ControlState operator|(ControlState a, ControlState b) {
  return static_cast<ControlState>(static_cast<std::uint32_t>(a) | static_cast<std::uint32_t>(b));
}
constexpr bool hasState(ControlState set, ControlState s) {
  return (static_cast<std::uint32_t>(set) & static_cast<std::uint32_t>(s)) != 0;
}

class Control : public View {
 public:
  // The sender is the control that sent the event.
  using Action = std::function<void(Control& sender)>;

  explicit Control(Rect frame = {});
  ~Control() override;
  std::string className() const override { return "Control"; }

  // ---- Target-action ----
  // Runs `action` for `events` as long as the control lives (no target).
  void addAction(Action action, ControlEvents events);
  // Runs `action` for `events` while `target` lives; the control holds the
  // target weakly (and strongly only while the action runs).
  // removeTarget(target.lock().get()) drops it.
  void addTarget(std::weak_ptr<const void> target, Action action, ControlEvents events);
  // The platform's target/selector pair: `(target->*method)(sender)` while
  // the target lives. The target must already be owned by a std::shared_ptr
  // (views are; call this after construction, not from a constructor).
  // Sender may be Control or the concrete control type, so a Switch's
  // handler can take `Switch&`:
  //   sw->addTarget(this, &Panel::lockChanged, ControlEvent::ValueChanged);
  template <class T, class Sender>
  void addTarget(T* target, void (T::*method)(Sender&), ControlEvents events) {
    std::weak_ptr<const void> life = target->weak_from_this();
    addEntry(std::move(life), target,
             [target, method](Control& sender) {
               if (auto* typed = dynamic_cast<Sender*>(&sender)) (target->*method)(*typed);
             },
             events);
  }
  // Drops the actions of `target` for `events` (a null target: every action,
  // with or without a target, for those events).
  void removeTarget(const void* target, ControlEvents events = ControlEvent::AllEvents);
  // Events that have at least one live action.
  ControlEvents allControlEvents() const;
  // Runs every live action registered for any of `events`, in the order the
  // actions were added.
  void sendActionsForControlEvents(ControlEvents events);

  // ---- State ----
  bool isEnabled() const { return enabled_; }
  virtual void setEnabled(bool enabled);
  bool isHighlighted() const { return highlighted_; }
  virtual void setHighlighted(bool highlighted);
  bool isSelected() const { return selected_; }
  virtual void setSelected(bool selected);
  ControlState state() const;
  bool isTracking() const { return tracking_; }
  // Whether the finger of the current (or last) touch is inside the
  // tracking area (bounds grown by 70 points).
  bool isTouchInside() const { return touchInside_; }

  // ---- Touch tracking, for subclasses ----
  // Return false from beginTracking to ignore the rest of this touch for
  // tracking (the touch events are still sent); from continueTracking to
  // stop tracking it.
  virtual bool beginTracking(const Touch& touch);
  virtual bool continueTracking(const Touch& touch);
  virtual void endTracking(const Touch& touch);
  virtual void cancelTracking();

  View* hitTest(Point p) override;
  void touchesBegan(const Touch& touch) override;
  void touchesMoved(const Touch& touch) override;
  void touchesEnded(const Touch& touch) override;
  void touchesCancelled(const Touch& touch) override;

 // Adds "enabled" (when off), "highlighted" and "selected" (when on).
  void addDebugFields(DebugFields& fields) const override;

 protected:
  // Whether `p` (bounds space) counts as inside while tracking.
  virtual bool pointInsideForTracking(Point p) const;
  // Called when the enabled, highlighted or selected state changed.
  virtual void stateDidChange() {}

 private:
  void addEntry(std::weak_ptr<const void> life, const void* target, Action action, ControlEvents events);
  struct Entry {
    std::weak_ptr<const void> life;
    const void* target = nullptr;  // identity for removeTarget; null = no target
    Action action;
    ControlEvents events;
  };
  std::vector<Entry> actions_;
  bool enabled_ = true;
  bool highlighted_ = false;
  bool selected_ = false;
  bool tracking_ = false;
  bool touchInside_ = false;
  bool touchActive_ = false;  // between touchesBegan and the end or cancel
};

}  // namespace ui
