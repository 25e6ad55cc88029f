// `preview panel`: the settings panel opened over the home screen, driven by
// `--do CONTROL=VALUE` through real touches, then drawn and/or described with
// every property named.

#include <ostream>
#include <string>
#include <vector>

#include "PanelPreview.h"
#include "Preview.h"
#include "foundation/NotificationCenter.h"
#include "panel/LyricSettingWindow.h"

namespace tool {

namespace {

std::string jsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

}  // namespace

int previewPanelCommand(Arguments args, CommandIO& io) {
  PreviewOptions options;
  std::vector<PanelAction> actions;
  bool pad = false;
  bool landscape = false;
  bool notifications = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string error;
    if (parsePreviewOption(args, i, options, error)) {
      if (!error.empty()) return usageError(io, "preview panel: " + error);
      continue;
    }
    const std::string_view arg = args[i];
    if (arg == "--landscape") {
      landscape = true;
    } else if (arg == "--notifications") {
      notifications = true;
    } else if ((arg == "--idiom" || arg == "--do") && i + 1 < args.size()) {
      const std::string_view value = args[++i];
      if (arg == "--idiom") {
        if (value != "phone" && value != "pad")
          return usageError(io, "preview panel: --idiom expects phone or pad, got '" + std::string(value) + "'");
        pad = value == "pad";
      } else {
        auto action = parsePanelAction(value, error);
        if (!action) return usageError(io, "preview panel: " + error);
        actions.push_back(std::move(*action));
      }
    } else {
      return usageError(io, "preview panel: unexpected argument '" + std::string(arg) + "'");
    }
  }
  if (options.png.empty() && !options.dump) options.dump = true;

  PreviewSession session;
  storeSettings(options);
  std::vector<std::string> posted;
  foundation::Observation observation;
  if (notifications) {
    observation = foundation::NotificationCenter::defaultCenter().addObserver(
        "", [&posted](const foundation::Notification& n) { posted.push_back(n.name); });
  }
  auto panel = makeSettingPanel(pad, landscape);
  for (const PanelAction& action : actions) {
    std::string error;
    const ActionResult result = performPanelAction(*panel, action, error);
    if (result == ActionResult::Refused) return usageError(io, "preview panel: " + error);
    if (result == ActionResult::Unreachable) {
      io.err << "hoververse-tool: preview panel: " << error << "\n";
      return kExitFailure;
    }
  }
  runFor(options.at);
  if (notifications) {
    std::string list = "[";
    for (const std::string& name : posted) list += (list.size() > 1 ? ", " : "") + jsonString(name);
    io.err << list << "]\n";
  }
  const ui::ViewNames names = panelViewNames(*panel);
  return finishPreview(*panel, options, io, &names);
}

}  // namespace tool
