#pragma once
// The settings panel in previews and in the showcase: built as start-up
// builds it, shown as a tap on the floating window shows it, turned as the
// rotation handler turns it, and driven through real touches.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Commands.h"
#include "Showcase.h"
#include "ui/TreeDump.h"

class LyricSettingWindow;
namespace ui {
class View;
}  // namespace ui

namespace tool {

// Sets the device idiom and the main screen for it, stores the start-up
// defaults, creates the panel with the screen's bounds (alert level, the
// start-up shadow), makes it visible and opens it (alpha 1). `landscape`
// turns it a quarter turn with the frame (0, 0, W, H / 2) and isHP.
std::shared_ptr<LyricSettingWindow> makeSettingPanel(bool pad, bool landscape);

// Every view the panel holds as a property, under the property's name.
ui::ViewNames panelViewNames(LyricSettingWindow& panel);

// One `--do CONTROL=VALUE`, checked for form only (on/off, a number, an
// index, "tap"); whether the control takes it is known once the panel exists.
struct PanelAction {
  std::string control;
  std::string value;
};
// Parses "CONTROL=VALUE"; nothing (and `error` set) when the control is not
// a control of the panel or the value does not have the control's form.
std::optional<PanelAction> parsePanelAction(std::string_view text, std::string& error);

// What performing an action came to.
enum class ActionResult { Done, Refused, Unreachable };
// Performs the action through the control's real event path: scrolls the
// column so the control shows, then taps (switch, segment, button) or drags
// the slider's thumb to the value. Refused (with `error`) when the control
// cannot take the value now (out of range, not shown on this panel);
// Unreachable when the touch did not land on the control (a closed panel).
ActionResult performPanelAction(LyricSettingWindow& panel, const PanelAction& action, std::string& error);

// Scrolls the column to `y`, clamped to what it can scroll.
void scrollPanelTo(LyricSettingWindow& panel, double y);

int previewPanelCommand(Arguments args, CommandIO& io);

// Portrait, scrolled to the bottom, landscape and tablet.
std::vector<ShowcaseSection> panelShowcaseSections();

}  // namespace tool
