// The settings panel as previews and the showcase build and drive it.

#include "PanelPreview.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "Preview.h"
#include "foundation/RunLoop.h"
#include "foundation/Text.h"
#include "panel/LyricSettingWindow.h"
#include "quartz/Geometry.h"
#include "settings/SettingDefaults.h"
#include "ui/Application.h"
#include "ui/Device.h"
#include "ui/Screen.h"

namespace tool {

namespace {

constexpr double kQuarterTurn = 1.5707963267948966;
// Time between the touches of one action, and after each action, so that
// two taps in a row are two taps, not a double tap, and animations settle.
constexpr double kTouchStep = 0.05;
constexpr double kAfterAction = 0.5;

enum class Kind { View, Switch, Slider, Segmented, Button };

struct Property {
  std::string_view name;
  Kind kind;
  std::shared_ptr<ui::View> (*get)(LyricSettingWindow&);
};

template <auto Getter>
std::shared_ptr<ui::View> property(LyricSettingWindow& panel) {
  return (panel.*Getter)();
}

using P = LyricSettingWindow;

// The panel's views in the order the column holds them.
constexpr Property kProperties[] = {
    {"scroll", Kind::View, property<&P::scroll>},
    {"titleLabel", Kind::View, property<&P::titleLabel>},
    {"floatLockLabel", Kind::View, property<&P::floatLockLabel>},
    {"floatLockSwitch", Kind::Switch, property<&P::floatLockSwitch>},
    {"alwaysOnLabel", Kind::View, property<&P::alwaysOnLabel>},
    {"alwaysOnSwitch", Kind::Switch, property<&P::alwaysOnSwitch>},
    {"alwaysOnMediaControlLabel", Kind::View, property<&P::alwaysOnMediaControlLabel>},
    {"alwaysOnMediaControlSwitch", Kind::Switch, property<&P::alwaysOnMediaControlSwitch>},
    {"alwaysOnHPLabel", Kind::View, property<&P::alwaysOnHPLabel>},
    {"alwaysOnHPSwitch", Kind::Switch, property<&P::alwaysOnHPSwitch>},
    {"alwaysOnDoubleTapGesLabel", Kind::View, property<&P::alwaysOnDoubleTapGesLabel>},
    {"alwaysOnDoubleTapGesSwitch", Kind::Switch, property<&P::alwaysOnDoubleTapGesSwitch>},
    {"shortCutOpenAPPLabel", Kind::View, property<&P::shortCutOpenAPPLabel>},
    {"shortCutOpenAPPSwitch", Kind::Switch, property<&P::shortCutOpenAPPSwitch>},
    {"alwaysOnFontSizeLabel", Kind::View, property<&P::alwaysOnFontSizeLabel>},
    {"alwaysOnFontSizeSlider", Kind::Slider, property<&P::alwaysOnFontSizeSlider>},
    {"floatWidthLabel", Kind::View, property<&P::floatWidthLabel>},
    {"floatWidthSlider", Kind::Slider, property<&P::floatWidthSlider>},
    {"floatHeightLabel", Kind::View, property<&P::floatHeightLabel>},
    {"floatHeightSlider", Kind::Slider, property<&P::floatHeightSlider>},
    {"floatCornerLabel", Kind::View, property<&P::floatCornerLabel>},
    {"floatCornerSlider", Kind::Slider, property<&P::floatCornerSlider>},
    {"fontLayerShadowNameLabel", Kind::View, property<&P::fontLayerShadowNameLabel>},
    {"fontLayerShadowSlider", Kind::Slider, property<&P::fontLayerShadowSlider>},
    {"fontPathLineWidthNameLabel", Kind::View, property<&P::fontPathLineWidthNameLabel>},
    {"fontPathLineWidthSlider", Kind::Slider, property<&P::fontPathLineWidthSlider>},
    {"fontPathDurationNameLabel", Kind::View, property<&P::fontPathDurationNameLabel>},
    {"fontPathDurationSlider", Kind::Slider, property<&P::fontPathDurationSlider>},
    {"smashDurationNameLabel", Kind::View, property<&P::smashDurationNameLabel>},
    {"smashDurationSlider", Kind::Slider, property<&P::smashDurationSlider>},
    {"colorSegmented", Kind::Segmented, property<&P::colorSegmented>},
    {"previewColorBtn", Kind::Button, property<&P::previewColorBtn>},
    {"lyricRLabel", Kind::View, property<&P::lyricRLabel>},
    {"lyricGLabel", Kind::View, property<&P::lyricGLabel>},
    {"lyricBLabel", Kind::View, property<&P::lyricBLabel>},
    {"lyricALabel", Kind::View, property<&P::lyricALabel>},
    {"lyricRslider", Kind::Slider, property<&P::lyricRslider>},
    {"lyricGslider", Kind::Slider, property<&P::lyricGslider>},
    {"lyricBslider", Kind::Slider, property<&P::lyricBslider>},
    {"lyricAslider", Kind::Slider, property<&P::lyricAslider>},
    {"animationNameLabel", Kind::View, property<&P::animationNameLabel>},
    {"fontShadowLabel", Kind::View, property<&P::fontShadowLabel>},
    {"fontShadowSwitch", Kind::Switch, property<&P::fontShadowSwitch>},
    {"randomColorLabel", Kind::View, property<&P::randomColorLabel>},
    {"randomColorSwitch", Kind::Switch, property<&P::randomColorSwitch>},
    {"fontPathLabel", Kind::View, property<&P::fontPathLabel>},
    {"fontPathSwitch", Kind::Switch, property<&P::fontPathSwitch>},
    {"aodAnimationNameLabel", Kind::View, property<&P::aodAnimationNameLabel>},
    {"aodGradientAnimationLabel", Kind::View, property<&P::aodGradientAnimationLabel>},
    {"aodGradientAnimationSwitch", Kind::Switch, property<&P::aodGradientAnimationSwitch>},
    {"aodSmashAnimationLabel", Kind::View, property<&P::aodSmashAnimationLabel>},
    {"aodSmashAnimationSwitch", Kind::Switch, property<&P::aodSmashAnimationSwitch>},
    {"closeBtn", Kind::Button, property<&P::closeBtn>},
};

const Property* findProperty(std::string_view name) {
  for (const Property& p : kProperties)
    if (p.name == name) return &p;
  return nullptr;
}

std::optional<double> parseNumber(std::string_view text) {
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::optional<long> parseIndex(std::string_view text) {
  long value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// One finger: down at `from`, one move to `to` when they differ, up at `to`.
void touch(ui::Point from, ui::Point to) {
  ui::Application& app = ui::Application::shared();
  app.sendTouch(ui::TouchPhase::Began, from);
  runFor(kTouchStep);
  if (from != to) {
    app.sendTouch(ui::TouchPhase::Moved, to);
    runFor(kTouchStep);
  }
  app.sendTouch(ui::TouchPhase::Ended, to);
  runFor(kAfterAction);
}

// Whether a touch at `screen` lands on `control` (or a view inside it).
bool lands(LyricSettingWindow& panel, ui::Point screen, const ui::View& control) {
  const ui::View* hit = panel.hitTest(panel.convertPointFromView(screen, nullptr));
  return hit != nullptr && hit->isDescendantOfView(&control);
}

}  // namespace

std::shared_ptr<LyricSettingWindow> makeSettingPanel(bool pad, bool landscape) {
  ui::Device::current().setUserInterfaceIdiom(pad ? ui::UserInterfaceIdiom::Pad : ui::UserInterfaceIdiom::Phone);
  ui::Screen::main().setBounds(pad ? ui::Rect(0, 0, kPadWidth, kPadHeight) : ui::Rect(0, 0, 375, 812));
  // Start-up stores its defaults before it creates the panel.
  applyStartupDefaults();
  const ui::Rect screen = ui::Screen::main().bounds();
  auto panel = LyricSettingWindow::initWithFrame(screen);
  panel->setWindowLevel(ui::WindowLevel::alert);
  panel->setAlpha(0);
  panel->setUserInteractionEnabled(true);
  quartz::Layer& layer = *panel->layer();
  layer.setShadowColor(quartz::Color::black());
  layer.setShadowOffset({0, 0});
  layer.setShadowOpacity(0.3f);
  layer.setShadowRadius(8);
  panel->makeKeyAndVisible();
  if (landscape) {
    panel->setTransform(quartz::rotate(panel->transform(), kQuarterTurn));
    panel->setFrame(ui::Rect(0, 0, screen.width(), screen.height() * 0.5));
    panel->setIsHP(true);
  }
  // A tap on the floating window opens it.
  panel->setAlpha(1);
  runFor(0);
  return panel;
}

ui::ViewNames panelViewNames(LyricSettingWindow& panel) {
  ui::ViewNames names;
  for (const Property& p : kProperties) names.emplace(p.get(panel).get(), std::string(p.name));
  return names;
}

std::optional<PanelAction> parsePanelAction(std::string_view text, std::string& error) {
  const std::size_t eq = text.find('=');
  const std::string_view name = text.substr(0, eq);
  const Property* p = findProperty(name);
  if (eq == std::string_view::npos || p == nullptr || p->kind == Kind::View) {
    error = "--do expects CONTROL=VALUE with a control of the panel, got '" + std::string(text) + "'";
    return std::nullopt;
  }
  const std::string_view value = text.substr(eq + 1);
  bool ok = false;
  switch (p->kind) {
    case Kind::Switch:
      ok = value == "on" || value == "off";
      break;
    case Kind::Slider:
      ok = parseNumber(value).has_value();
      break;
    case Kind::Segmented:
      ok = parseIndex(value).has_value();
      break;
    case Kind::Button:
      ok = value == "tap";
      break;
    case Kind::View:
      break;
  }
  if (!ok) {
    static constexpr std::string_view kForms[] = {"", "on or off", "a number", "a segment index", "tap"};
    error = std::string(name) + " takes " + std::string(kForms[static_cast<int>(p->kind)]) + ", got '" +
            std::string(value) + "'";
    return std::nullopt;
  }
  return PanelAction{std::string(name), std::string(value)};
}

void scrollPanelTo(LyricSettingWindow& panel, double y) {
  ui::ScrollView& column = *panel.scroll();
  column.setContentOffset({column.contentOffset().x, std::clamp(y, 0.0, column.maximumContentOffset().y)});
  runFor(0);
}

ActionResult performPanelAction(LyricSettingWindow& panel, const PanelAction& action, std::string& error) {
  const Property& p = *findProperty(action.control);
  const std::shared_ptr<ui::View> view = p.get(panel);
  if (view->window() != &panel || view->isHidden()) {
    error = action.control + " is not on this panel";
    return ActionResult::Refused;
  }
  auto* segmented = dynamic_cast<ui::SegmentedControl*>(view.get());
  if (segmented) {
    const long index = *parseIndex(action.value);
    if (index < 0 || index >= segmented->numberOfSegments()) {
      error = action.control + " has segments 0 to " + std::to_string(segmented->numberOfSegments() - 1) + ", got " +
              action.value;
      return ActionResult::Refused;
    }
  }
  auto* slider = dynamic_cast<ui::Slider*>(view.get());
  float target = 0;
  if (slider) {
    const double value = *parseNumber(action.value);
    target = static_cast<float>(value);
    if (!(target >= slider->minimumValue() && target <= slider->maximumValue())) {
      error = action.control + " takes " +
              foundation::format("%g to %g", static_cast<double>(slider->minimumValue()),
                                 static_cast<double>(slider->maximumValue())) +
              ", got " + action.value;
      return ActionResult::Refused;
    }
  }

  // Bring the control into view, as a user scrolls to it first.
  ui::ScrollView& column = *panel.scroll();
  const ui::Rect frame = view->frame();
  const double top = column.contentOffset().y;
  const double height = column.bounds().height();
  if (frame.minY() < top || frame.maxY() > top + height) scrollPanelTo(panel, frame.midY() - height / 2);

  const ui::Rect bounds = view->bounds();
  ui::Point from{bounds.midX(), bounds.midY()};
  ui::Point to = from;
  if (auto* sw = dynamic_cast<ui::Switch*>(view.get())) {
    if (sw->isOn() == (action.value == "on")) return ActionResult::Done;
  } else if (segmented) {
    const ui::Rect segment = segmented->rectForSegment(*parseIndex(action.value));
    from = to = {segment.midX(), segment.midY()};
  } else if (slider) {
    if (slider->value() == target) return ActionResult::Done;
    // The thumb's centre travels from one radius in to one radius short of
    // the far end; grab it where it is and drag it to the value's place.
    const ui::Rect thumb = slider->thumbRect();
    const double radius = ui::Slider::kThumbDiameter / 2;
    const double span = slider->maximumValue() - slider->minimumValue();
    const double fraction = span > 0 ? (static_cast<double>(target) - slider->minimumValue()) / span : 0;
    from = {thumb.midX(), thumb.midY()};
    to = {radius + fraction * (bounds.width() - 2 * radius), thumb.midY()};
  }
  const ui::Point screenFrom = view->convertPoint(from, nullptr);
  const ui::Point screenTo = view->convertPoint(to, nullptr);
  if (!lands(panel, screenFrom, *view)) {
    error = "the touch at " + foundation::format("(%g, %g)", screenFrom.x, screenFrom.y) + " did not reach " +
            action.control;
    return ActionResult::Unreachable;
  }
  touch(screenFrom, screenTo);
  return ActionResult::Done;
}

}  // namespace tool
