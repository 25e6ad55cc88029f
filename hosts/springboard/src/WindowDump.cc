#include "WindowDump.h"

#include <cmath>
#include <nlohmann/json.hpp>
#include <string_view>
#include <vector>

#include "ui/Application.h"
#include "ui/TreeDump.h"
#include "ui/Window.h"

namespace springboard {

namespace {

const char* nameOf(std::string_view cls) {
  if (cls == "MMLyricSuperWindow") return "lyricWindow";
  if (cls == "LyricSettingWindow") return "settingWindow";
  if (cls == "FullScreenWindow") return "fullScreenWindow";
  return nullptr;
}

// JSON text in the shape ui::treeJson writes (", " and ": " between items,
// integral numbers without a fraction), so readers of the trees see one form.
void writeJson(const nlohmann::ordered_json& value, std::string& out) {
  if (value.is_object()) {
    out += "{";
    bool first = true;
    for (const auto& [key, item] : value.items()) {
      if (!first) out += ", ";
      first = false;
      out += nlohmann::json(key).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + ": ";
      writeJson(item, out);
    }
    out += "}";
  } else if (value.is_array()) {
    out += "[";
    for (std::size_t i = 0; i < value.size(); ++i) {
      if (i > 0) out += ", ";
      writeJson(value[i], out);
    }
    out += "]";
  } else if (value.is_number_float() && std::abs(value.get<double>()) < 1e15 &&
             value.get<double>() == std::trunc(value.get<double>())) {
    out += std::to_string(static_cast<long long>(value.get<double>()));
  } else {
    out += value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
  }
}

// Adds, to every window in the tree (windows may hold windows: the
// screenshots window holds the always-on one), where it is on the screen and
// whether a user sees it: it and every view holding it neither hidden nor
// fully transparent.
void addWindowFields(const ui::View& view, nlohmann::ordered_json& tree, bool holdersShown) {
  const bool shown = holdersShown && !view.isHidden() && view.alpha() >= 0.01;
  if (const auto* window = dynamic_cast<const ui::Window*>(&view)) {
    const ui::Rect frame = window->convertRect(window->bounds(), nullptr);
    tree["level"] = window->windowLevel();
    tree["screenFrame"] = {frame.x(), frame.y(), frame.width(), frame.height()};
    tree["shown"] = shown;
  }
  nlohmann::ordered_json& subviews = tree["subviews"];
  for (std::size_t i = 0; i < view.subviews().size() && i < subviews.size(); ++i) {
    addWindowFields(*view.subviews()[i], subviews[i], shown);
  }
}

}  // namespace

std::string dumpWindows() {
  std::string out = "[";
  for (ui::Window* window : ui::Application::shared().windows()) {
    if (window->superview() != nullptr) continue;  // dumped inside its holder
    ui::ViewNames names;
    std::vector<const ui::View*> pending{window};
    while (!pending.empty()) {
      const ui::View* v = pending.back();
      pending.pop_back();
      if (const char* name = nameOf(v->className())) names[v] = name;
      for (const auto& sub : v->subviews()) pending.push_back(sub.get());
    }
    nlohmann::ordered_json tree = nlohmann::ordered_json::parse(ui::treeJson(*window, names), nullptr, false);
    if (tree.is_discarded()) continue;
    addWindowFields(*window, tree, true);
    if (out.size() > 1) out += ", ";
    writeJson(tree, out);
  }
  return out + "]";
}

std::string systemWindowName(const ui::Window& window) {
  if (const char* name = nameOf(window.className())) return name;
  for (const auto& sub : window.subviews())
    if (const char* name = nameOf(sub->className())) return name;
  return {};
}

}  // namespace springboard
