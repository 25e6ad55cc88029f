// The preference page as previews and the showcase host and drive it.

#include "PrefsPreview.h"

#include <algorithm>

#include "Preview.h"
#include "foundation/Text.h"
#include "foundation/UserDefaults.h"
#include "prefs/FontCell.h"
#include "prefs/FontsVC.h"
#include "prefs/MMRootListController.h"
#include "quartz/Transaction.h"
#include "ui/AlertController.h"
#include "ui/Application.h"
#include "ui/Device.h"
#include "ui/NavigationController.h"
#include "ui/Screen.h"
#include "ui/TreeDump.h"
#include "ui/Window.h"

#ifndef HV_PREFS_BUNDLE_DIR
#define HV_PREFS_BUNDLE_DIR ""
#endif

namespace tool {

namespace {

constexpr std::string_view kSettingsBundleIdentifier = "com.apple.Preferences";
// Time between the touches of one action, and after each action, so two
// taps in a row are two taps and slides and fades have ended.
constexpr double kTouchStep = 0.05;
constexpr double kAfterAction = 0.5;
constexpr double kAfterPush = 1.0;

std::string bundleFolder() {
  if (const char* chosen = std::getenv("HOVERVERSE_PREFS_BUNDLE"); chosen != nullptr && *chosen != '\0')
    return chosen;
  return HV_PREFS_BUNDLE_DIR;
}

void tapAt(ui::Point screen) {
  ui::Application& app = ui::Application::shared();
  app.sendTouch(ui::TouchPhase::Began, screen);
  runFor(kTouchStep);
  app.sendTouch(ui::TouchPhase::Ended, screen);
  runFor(kAfterAction);
}

// Taps the middle of `view` when a touch there reaches it.
ActionResult tapView(PrefsScene& scene, const ui::View& view, const std::string& what, std::string& error) {
  const ui::Point screen = view.convertPoint({view.bounds().midX(), view.bounds().midY()}, nullptr);
  const ui::View* hit = scene.window->hitTest(scene.window->convertPointFromView(screen, nullptr));
  if (hit == nullptr || !hit->isDescendantOfView(&view)) {
    error = "the touch at " + foundation::format("(%g, %g)", screen.x, screen.y) + " did not reach " + what;
    return ActionResult::Unreachable;
  }
  tapAt(screen);
  return ActionResult::Done;
}

FontsVC* chooser(const PrefsScene& scene) {
  return scene.nav ? dynamic_cast<FontsVC*>(scene.nav->topViewController()) : nullptr;
}

ui::AlertController* shownAlert(const PrefsScene& scene) {
  for (const auto& c : scene.nav->viewControllers())
    if (auto* alert = dynamic_cast<ui::AlertController*>(c->presentedViewController())) return alert;
  return nullptr;
}

std::string jsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      out += c == '\n' ? "\\n" : foundation::format("\\u%04x", static_cast<unsigned>(c));
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// Brings the page's `view` into sight in its scroll view.
void reveal(MMRootListController& page, const ui::View& view) {
  ui::ScrollView& scroll = *page.scroll();
  const ui::Rect frame = view.convertRect(view.bounds(), &scroll);
  const double top = scroll.contentOffset().y;
  const double height = scroll.bounds().height();
  if (frame.minY() >= top && frame.maxY() <= top + height) return;
  const double y = std::clamp(frame.midY() - height / 2, 0.0, std::max(0.0, scroll.maximumContentOffset().y));
  scroll.setContentOffset({scroll.contentOffset().x, y});
  runFor(0);
}

}  // namespace

PrefsScene makePrefsScene(const PrefsSceneOptions& options) {
  foundation::ProcessInfo::setBundleIdentifier(std::string(kSettingsBundleIdentifier));
  foundation::UserDefaults::resetStandardUserDefaults();
  MMRootListController::setRestartCommand(":");
  ui::Device::current().setUserInterfaceIdiom(options.pad ? ui::UserInterfaceIdiom::Pad : ui::UserInterfaceIdiom::Phone);
  const double width = options.pad ? kPadWidth : 375;
  const double height = options.pad ? kPadHeight : 812;
  const double statusBar = options.pad ? 24 : 44;
  ui::Screen::main().setBounds(ui::Rect(0, 0, width, height));
  ui::Application::shared().setStatusBarFrame(ui::Rect(0, 0, width, statusBar));
  ui::Application::shared().setUserInterfaceStyle(options.dark ? ui::UserInterfaceStyle::Dark
                                                               : ui::UserInterfaceStyle::Light);
  PrefsScene scene;
  scene.page = MMRootListController::init();
  scene.page->setBundle(preferences::Bundle(bundleFolder()));
  scene.nav = ui::NavigationController::initWithRootViewController(scene.page);
  scene.window = std::make_shared<ui::Window>(ui::Screen::main().bounds());
  scene.window->setRootViewController(scene.nav);
  scene.window->makeKeyAndVisible();
  runFor(0.05);
  if (options.landscape) {
    // The device turns: the screen and the window take the new size, then
    // the status bar's frame changes (a phone with a notch hides it).
    ui::Device::current().setOrientation(3);
    ui::Screen::main().setBounds(ui::Rect(0, 0, height, width));
    scene.window->setFrame(ui::Rect(0, 0, height, width));
    runFor(0);
    ui::Application::shared().setStatusBarFrame(ui::Rect(0, 0, height, options.pad ? statusBar : 0));
    runFor(0.05);
  }
  if (options.fonts) {
    std::string error;
    tapView(scene, *scene.page->viewRowC(), "viewRowC", error);
    runFor(kAfterPush);
  }
  return scene;
}

std::optional<PrefsAction> parsePrefsAction(std::string_view text, std::string& error) {
  const std::size_t eq = text.find('=');
  const std::string_view action = text.substr(0, eq);
  const std::string_view value = eq == std::string_view::npos ? std::string_view() : text.substr(eq + 1);
  bool ok = false;
  std::string form;
  if (action == "switchRowA" || action == "switchRowB") {
    ok = value == "on" || value == "off";
    form = "on or off";
  } else if (action == "rowC" || action == "respring") {
    ok = value == "tap";
    form = "tap";
  } else if (action == "alert" || action == "font") {
    ok = !value.empty();
    form = action == "alert" ? "the title of an action of the alert" : "a font name";
  } else {
    error = "--do expects switchRowA=, switchRowB=, alert=, rowC=, font= or respring=, got '" + std::string(text) + "'";
    return std::nullopt;
  }
  if (eq == std::string_view::npos || !ok) {
    error = std::string(action) + " takes " + form + ", got '" + std::string(value) + "'";
    return std::nullopt;
  }
  return PrefsAction{std::string(action), std::string(value)};
}

ActionResult performPrefsAction(PrefsScene& scene, const PrefsAction& action, std::string& error) {
  MMRootListController& page = *scene.page;
  if (action.action == "switchRowA" || action.action == "switchRowB") {
    const std::shared_ptr<ui::Switch>& sw = action.action == "switchRowA" ? page.switchRowA() : page.switchRowB();
    if (!sw) {
      error = "the page is not built";
      return ActionResult::Unreachable;
    }
    if (sw->isOn() == (action.value == "on")) return ActionResult::Done;
    if (chooser(scene) == nullptr) reveal(page, *sw);
    return tapView(scene, *sw, action.action, error);
  }
  if (action.action == "rowC") {
    if (chooser(scene) == nullptr) reveal(page, *page.viewRowC());
    const ActionResult result = tapView(scene, *page.viewRowC(), "viewRowC", error);
    runFor(kAfterPush);
    return result;
  }
  if (action.action == "respring") return tapView(scene, *page.respringButton(), "the 注销 button", error);
  if (action.action == "alert") {
    ui::AlertController* alert = shownAlert(scene);
    if (alert == nullptr) {
      error = "no alert is shown";
      return ActionResult::Refused;
    }
    for (std::size_t i = 0; i < alert->actions().size(); ++i)
      if (alert->actions()[i]->title() == action.value)
        return tapView(scene, *alert->actionButtons()[i], "the alert's " + action.value, error);
    std::string titles;
    for (const auto& a : alert->actions()) titles += (titles.empty() ? "" : ", ") + a->title();
    error = "the alert has no action '" + action.value + "' (it has " + titles + ")";
    return ActionResult::Refused;
  }
  // font=NAME
  FontsVC* fonts = chooser(scene);
  if (fonts == nullptr) {
    error = "the font chooser is not shown (open it with --page fonts or --do rowC=tap)";
    return ActionResult::Refused;
  }
  const auto& rows = fonts->dataArray();
  const auto it = std::find_if(rows.begin(), rows.end(), [&](const auto& m) { return m->foneName() == action.value; });
  if (it == rows.end()) {
    error = "no font named '" + action.value + "' is listed";
    return ActionResult::Refused;
  }
  ui::TableView& table = *fonts->table();
  const ui::IndexPath path{0, static_cast<long>(it - rows.begin())};
  const ui::Rect row = table.rectForRowAtIndexPath(path);
  const double top = table.contentOffset().y;
  if (row.minY() < top || row.maxY() > top + table.bounds().height()) {
    const double y = std::clamp(row.midY() - table.bounds().height() / 2, 0.0, std::max(0.0, table.maximumContentOffset().y));
    table.setContentOffset({0, y});
    runFor(0);
  }
  const ui::TableViewCell* cell = table.cellForRowAtIndexPath(path);
  if (cell == nullptr) {
    error = "the row of " + action.value + " did not come into view";
    return ActionResult::Unreachable;
  }
  return tapView(scene, *cell, "the row of " + action.value, error);
}

std::string prefsDumpJson(PrefsScene& scene) {
  quartz::Transaction::flush();
  ui::ViewNames names;
  MMRootListController& p = *scene.page;
  const std::pair<const char*, const ui::View*> properties[] = {
      {"scroll", p.scroll().get()},           {"titleLab", p.titleLab().get()},
      {"titleNameLabel", p.titleNameLabel().get()}, {"viewRowA", p.viewRowA().get()},
      {"labelRowA", p.labelRowA().get()},     {"switchRowA", p.switchRowA().get()},
      {"viewRowB", p.viewRowB().get()},       {"labelRowB", p.labelRowB().get()},
      {"switchRowB", p.switchRowB().get()},   {"viewRowC", p.viewRowC().get()},
      {"labelRowC", p.labelRowC().get()},     {"moreSettingLabel", p.moreSettingLabel().get()},
      {"bottomTipLabel", p.bottomTipLabel().get()},
  };
  for (const auto& [name, view] : properties)
    if (view != nullptr) names.emplace(view, name);
  FontsVC* fonts = chooser(scene);
  if (fonts != nullptr) {
    names.emplace(fonts->table().get(), "table");
    for (ui::TableViewCell* cell : fonts->table()->visibleCells()) {
      auto& font = static_cast<FontCell&>(*cell);
      names.emplace(font.pointV().get(), "pointV");
      names.emplace(font.nameLabel().get(), "nameLabel");
    }
  }
  std::string json = ui::treeJson(*scene.window, names);
  while (!json.empty() && (json.back() == '\n' || json.back() == ' ')) json.pop_back();
  if (json.empty() || json.back() != '}') return json;
  json.pop_back();
  if (const ui::AlertController* alert = shownAlert(scene)) {
    std::string actions;
    for (const auto& a : alert->actions()) actions += (actions.empty() ? "" : ", ") + jsonString(a->title());
    json += ", \"alert\": {\"title\": " + jsonString(alert->title().value_or("")) +
            ", \"message\": " + jsonString(alert->message()) + ", \"actions\": [" + actions + "]}";
  }
  if (fonts != nullptr) {
    std::string rows;
    for (const auto& m : fonts->dataArray())
      rows += std::string(rows.empty() ? "" : ", ") + "{\"font\": " + jsonString(m->foneName()) +
              ", \"checked\": " + (m->isCheck() ? "true" : "false") + "}";
    json += ", \"rows\": [" + rows + "]";
  }
  return json + "}";
}

}  // namespace tool
