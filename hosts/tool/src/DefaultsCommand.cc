// defaults get|set|list: the home screen's defaults store, the one the
// settings panel, the floating window and the always-on window use, in the
// device root.

#include <ostream>
#include <string>

#include "Commands.h"
#include "HomeScreen.h"
#include "foundation/UserDefaults.h"
#include "foundation/Value.h"

namespace tool {

void becomeHomeScreen() {
  foundation::ProcessInfo::setBundleIdentifier(std::string(kHomeScreenBundleIdentifier));
  foundation::UserDefaults::resetStandardUserDefaults();
}

int defaultsCommand(Arguments args, CommandIO& io) {
  if (args.empty()) return usageError(io, "defaults: missing get, set or list");
  const std::string_view action = args[0];
  const bool known = (action == "get" && args.size() == 2) || (action == "set" && args.size() == 3) ||
                     (action == "list" && args.size() == 1);
  if (!known) return usageError(io, "defaults: bad arguments");
  if (action != "list" && args[1].empty()) return usageError(io, "defaults: the key is empty");

  becomeHomeScreen();
  foundation::UserDefaults& defaults = foundation::UserDefaults::standardUserDefaults();
  if (action == "get") {
    // What the system's "%@" readers see: "(null)" for an absent key.
    io.out << foundation::describe(defaults.objectForKey(args[1])) << "\n";
    return kExitOk;
  }
  if (action == "set") {
    // Stored as text, like every setting the system writes.
    defaults.setObject(foundation::Value(args[2]), args[1]);
    if (!defaults.synchronize()) {
      io.err << "hoververse-tool: defaults set: cannot write " << defaults.file().string() << "\n";
      return kExitFailure;
    }
    return kExitOk;
  }
  io.out << foundation::describe(foundation::Value(defaults.dictionaryRepresentation())) << "\n";
  return kExitOk;
}

}  // namespace tool
