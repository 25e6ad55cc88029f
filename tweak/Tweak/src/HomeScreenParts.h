#pragma once
// The handlers the hook table installs, one file per road: launch and
// start-up, the now-playing relay and messages, and the system's reactions
// (refresh tick, gestures, rotation, button, lock).

#include <cstdint>
#include <string>

#include "foundation/NotificationCenter.h"
#include "foundation/Value.h"
#include "runtime/Object.h"
#include "ui/GestureRecognizer.h"

// Launch.cc
void launchHook(runtime::Object& application);
void startUpBlock();

// Messages.cc
void relayNowPlayingInfo(const foundation::Value& info);
void handleMessage(const std::string& name, const foundation::Value& userInfo);
void mediaTrackChanged(const foundation::Notification& notification);
void nowPlayingApplicationIsPlayingDidChange(runtime::Object* notification);
void nowPlayingInfoDidChange(runtime::Object* notification);

// SystemEvents.cc
void refreshTimer();
void tapAction(ui::GestureRecognizer& recognizer);
void pan(ui::GestureRecognizer& recognizer);
void longGesAction(ui::GestureRecognizer& recognizer);
void handleDoubleTap(ui::GestureRecognizer& recognizer);
// Between the host's two calls of its own orientation change.
void orientationDidChange(std::int64_t orientation);
// The host's screen changed size: the screen size is read again and the
// panel covers the new screen; the next refresh tick lays the floating
// window out on it and keeps it there.
void screenDidChange();
// The token the hardware model's button events carry ("type=105"/"type=101").
std::string physicalButtonToken(const std::string& model);
void physicalButtonEvent(runtime::Object* event);
// Before the host's own lock; `manager` gets the screen wake.
void lockUI(runtime::Object& manager);
