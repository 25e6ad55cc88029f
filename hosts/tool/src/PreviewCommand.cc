// `preview SUBJECT …`: one window of the system, built as start-up would,
// given a line, run on the virtual clock, then drawn and/or described.

#include <string>

#include "Commands.h"
#include "AlwaysOnPreview.h"
#include "PanelPreview.h"
#include "PrefsPreview.h"
#include "Preview.h"

namespace tool {

namespace {

struct Subject {
  std::string_view name;
  CommandFunction run;
};

// One line per previewable window.
const Subject kSubjects[] = {
    {"floating", previewFloatingCommand},
    {"alwayson", previewAlwaysOnCommand},
    {"panel", previewPanelCommand},
    {"prefs", previewPrefsCommand},
};

}  // namespace

int previewCommand(Arguments args, CommandIO& io) {
  if (args.empty()) return usageError(io, "preview: which window? (floating, alwayson, panel, prefs)");
  for (const Subject& subject : kSubjects) {
    if (subject.name == args[0]) return subject.run(args.subspan(1), io);
  }
  return usageError(io, "preview: unknown window '" + std::string(args[0]) + "'");
}

}  // namespace tool
