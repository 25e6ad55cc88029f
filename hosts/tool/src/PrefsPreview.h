#pragma once
// The preference page in previews and in the showcase: hosted as the
// Settings app hosts it (a window whose root is a navigation controller with
// the page), turned and coloured as asked, and driven through real touches.
// The restart command is replaced by a harmless one: a preview never
// restarts a home screen.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Commands.h"
#include "PanelPreview.h"
#include "Showcase.h"

class MMRootListController;
namespace ui {
class NavigationController;
class Window;
}  // namespace ui

namespace tool {

struct PrefsScene {
  std::shared_ptr<ui::Window> window;
  std::shared_ptr<ui::NavigationController> nav;
  std::shared_ptr<MMRootListController> page;
};

struct PrefsSceneOptions {
  bool pad = false;
  bool landscape = false;
  bool dark = false;
  bool fonts = false;  // open the chooser (a tap on row C)
};

// Sets the idiom, screen and appearance, builds the page in portrait, turns
// the device when asked (the page rebuilds itself) and opens the chooser.
PrefsScene makePrefsScene(const PrefsSceneOptions& options);

// One `--do ACTION=VALUE`, checked for form.
struct PrefsAction {
  std::string action;
  std::string value;
};
std::optional<PrefsAction> parsePrefsAction(std::string_view text, std::string& error);
// Refused: the value does not apply now (no alert, no such action, no such
// font, the chooser is not shown); Unreachable: the touch did not land.
ActionResult performPrefsAction(PrefsScene& scene, const PrefsAction& action, std::string& error);

// The window's tree with the page's (and the chooser's) properties named,
// plus "alert" while one shows and "rows" while the chooser shows.
std::string prefsDumpJson(PrefsScene& scene);

int previewPrefsCommand(Arguments args, CommandIO& io);

// Phone light and dark, tablet, the warning alert and the chooser.
std::vector<ShowcaseSection> prefsShowcaseSections();

}  // namespace tool
