// `preview prefs`: the preference page (or its font chooser) as the Settings
// app shows it, driven by `--do ACTION=VALUE` through real touches, then
// drawn and/or described with the page's properties named.

#include <string>
#include <vector>

#include "Preview.h"
#include "PrefsPreview.h"
#include "ui/Window.h"

namespace tool {

int previewPrefsCommand(Arguments args, CommandIO& io) {
  PreviewOptions options;
  PrefsSceneOptions scene;
  std::vector<PrefsAction> actions;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string error;
    if (parsePreviewOption(args, i, options, error)) {
      if (!error.empty()) return usageError(io, "preview prefs: " + error);
      continue;
    }
    const std::string_view arg = args[i];
    if (arg == "--landscape") {
      scene.landscape = true;
    } else if ((arg == "--page" || arg == "--idiom" || arg == "--appearance" || arg == "--do") && i + 1 < args.size()) {
      const std::string_view value = args[++i];
      if (arg == "--page") {
        if (value != "root" && value != "fonts")
          return usageError(io, "preview prefs: --page expects root or fonts, got '" + std::string(value) + "'");
        scene.fonts = value == "fonts";
      } else if (arg == "--idiom") {
        if (value != "phone" && value != "pad")
          return usageError(io, "preview prefs: --idiom expects phone or pad, got '" + std::string(value) + "'");
        scene.pad = value == "pad";
      } else if (arg == "--appearance") {
        if (value != "light" && value != "dark")
          return usageError(io, "preview prefs: --appearance expects light or dark, got '" + std::string(value) + "'");
        scene.dark = value == "dark";
      } else {
        auto action = parsePrefsAction(value, error);
        if (!action) return usageError(io, "preview prefs: " + error);
        actions.push_back(std::move(*action));
      }
    } else {
      return usageError(io, "preview prefs: unexpected argument '" + std::string(arg) + "'");
    }
  }
  if (options.png.empty() && !options.dump) options.dump = true;

  PreviewSession session;
  storeSettings(options);
  PrefsScene shown = makePrefsScene(scene);
  for (const PrefsAction& action : actions) {
    std::string error;
    const ActionResult result = performPrefsAction(shown, action, error);
    if (result == ActionResult::Refused) return usageError(io, "preview prefs: " + error);
    if (result == ActionResult::Unreachable) {
      io.err << "hoververse-tool: preview prefs: " << error << "\n";
      return kExitFailure;
    }
  }
  runFor(options.at);
  int code = kExitOk;
  if (!options.png.empty()) {
    PreviewOptions pngOnly = options;
    pngOnly.dump = false;
    code = finishPreview(*shown.window, pngOnly, io);
  }
  if (options.dump) io.out << prefsDumpJson(shown) << "\n";
  return code;
}

}  // namespace tool
