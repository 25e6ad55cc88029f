#include "ui/Control.h"

#include <cassert>

#include "ui/TreeDump.h"

namespace ui {

namespace {
// How far a finger may leave the bounds and still count as inside.
constexpr double kTrackingSlop = 70;
}  // namespace

Control::Control(Rect frame) : View(frame) {}
Control::~Control() = default;

// ---- Target-action ------------------------------------------------------------------

void Control::addAction(Action action, ControlEvents events) {
  if (!action || events.empty()) return;
  actions_.push_back(Entry{{}, nullptr, std::move(action), events});
}

void Control::addTarget(std::weak_ptr<const void> target, Action action, ControlEvents events) {
  const void* key = target.lock().get();
  addEntry(std::move(target), key, std::move(action), events);
}

void Control::addEntry(std::weak_ptr<const void> life, const void* target, Action action, ControlEvents events) {
  // A target that no shared_ptr owns yet (a constructor calling
  // addTarget(this, ...)) could never be reached: a programmer error.
  assert(target == nullptr || !life.expired());
  if (!action || events.empty() || target == nullptr || life.expired()) return;
  actions_.push_back(Entry{std::move(life), target, std::move(action), events});
}

void Control::removeTarget(const void* target, ControlEvents events) {
  for (auto& e : actions_)
    if (target == nullptr || e.target == target) e.events = e.events.without(events);
  std::erase_if(actions_, [](const Entry& e) { return e.events.empty(); });
}

ControlEvents Control::allControlEvents() const {
  ControlEvents all;
  for (const auto& e : actions_)
    if (e.target == nullptr || !e.life.expired()) all = all | e.events;
  return all;
}

void Control::sendActionsForControlEvents(ControlEvents events) {
  // Actions may release this control or the targets, or add and remove
  // actions: keep the control alive, work on a copy, and pin each target
  // for the length of its call.
  std::shared_ptr<View> keepSelf = weak_from_this().lock();
  std::erase_if(actions_, [](const Entry& e) { return e.target != nullptr && e.life.expired(); });
  const std::vector<Entry> entries = actions_;
  for (const Entry& e : entries) {
    if (!e.events.intersects(events)) continue;
    if (e.target == nullptr) {
      e.action(*this);
      continue;
    }
    std::shared_ptr<const void> pinned = e.life.lock();
    if (pinned) e.action(*this);
  }
}

// ---- State --------------------------------------------------------------------------

void Control::setEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  if (!enabled) {
    // The platform ends a touch in progress without further events.
    if (tracking_) cancelTracking();
    tracking_ = false;
    touchActive_ = false;
    highlighted_ = false;
  }
  stateDidChange();
}

void Control::setHighlighted(bool highlighted) {
  if (highlighted_ == highlighted) return;
  highlighted_ = highlighted;
  stateDidChange();
}

void Control::setSelected(bool selected) {
  if (selected_ == selected) return;
  selected_ = selected;
  stateDidChange();
}

ControlState Control::state() const {
  ControlState s = ControlState::Normal;
  if (highlighted_) s = s | ControlState::Highlighted;
  if (!enabled_) s = s | ControlState::Disabled;
  if (selected_) s = s | ControlState::Selected;
  return s;
}

// ---- Tracking -----------------------------------------------------------------------

bool Control::beginTracking(const Touch&) { return true; }
bool Control::continueTracking(const Touch&) { return true; }
void Control::endTracking(const Touch&) {}
void Control::cancelTracking() {}

bool Control::pointInsideForTracking(Point p) const {
  return bounds().insetBy(-kTrackingSlop, -kTrackingSlop).contains(p);
}

View* Control::hitTest(Point p) {
  if (!enabled_) return nullptr;
  return View::hitTest(p);
}

void Control::touchesBegan(const Touch& touch) {
  if (!enabled_) return;
  std::shared_ptr<View> keep = weak_from_this().lock();
  touchActive_ = true;
  touchInside_ = true;
  tracking_ = beginTracking(touch);
  if (!touchActive_) return;  // disabled by beginTracking
  setHighlighted(true);
  ControlEvents events = ControlEvent::TouchDown;
  if (touch.tapCount > 1) events = events | ControlEvent::TouchDownRepeat;
  sendActionsForControlEvents(events);
}

void Control::touchesMoved(const Touch& touch) {
  if (!touchActive_ || !enabled_) return;
  std::shared_ptr<View> keep = weak_from_this().lock();
  const bool wasInside = touchInside_;
  touchInside_ = pointInsideForTracking(touch.locationInView(this));
  setHighlighted(touchInside_);
  if (tracking_) tracking_ = continueTracking(touch);
  if (!touchActive_) return;
  ControlEvents events = touchInside_ ? ControlEvent::TouchDragInside : ControlEvent::TouchDragOutside;
  if (touchInside_ && !wasInside) events = events | ControlEvent::TouchDragEnter;
  if (!touchInside_ && wasInside) events = events | ControlEvent::TouchDragExit;
  sendActionsForControlEvents(events);
}

void Control::touchesEnded(const Touch& touch) {
  if (!touchActive_ || !enabled_) return;
  std::shared_ptr<View> keep = weak_from_this().lock();
  touchActive_ = false;
  touchInside_ = pointInsideForTracking(touch.locationInView(this));
  // The subclass acts (a switch toggles and sends ValueChanged) before the
  // touch-up events, as the platform orders them.
  if (tracking_) endTracking(touch);
  tracking_ = false;
  setHighlighted(false);
  if (touchInside_) {
    sendActionsForControlEvents(ControlEvent::TouchUpInside);
  } else {
    sendActionsForControlEvents(ControlEvent::TouchUpOutside);
  }
}

void Control::touchesCancelled(const Touch&) {
  if (!touchActive_) return;
  std::shared_ptr<View> keep = weak_from_this().lock();
  touchActive_ = false;
  if (tracking_) cancelTracking();
  tracking_ = false;
  setHighlighted(false);
  sendActionsForControlEvents(ControlEvent::TouchCancel);
}

void Control::addDebugFields(DebugFields& fields) const {
  View::addDebugFields(fields);
  if (!enabled_) fields.add("enabled", false);
  if (highlighted_) fields.add("highlighted", true);
  if (selected_) fields.add("selected", true);
}

}  // namespace ui
