// settings get|set|path: the settings file as the system reads and writes it.

#include <ostream>
#include <string>

#include "Commands.h"
#include "foundation/Value.h"
#include "settings/MMLocalSettingManager.h"

namespace tool {

int settingsCommand(Arguments args, CommandIO& io) {
  if (args.empty()) return usageError(io, "settings: missing get, set or path");
  MMLocalSettingManager& manager = MMLocalSettingManager::shared();
  const std::string_view action = args[0];
  if (action == "get" && args.size() == 2) {
    io.out << foundation::describe(manager.getValueForKey(args[1])) << "\n";
    return kExitOk;
  }
  if (action == "set" && args.size() == 3) {
    const foundation::Status status =
        manager.saveValueChecked(foundation::Value(args[2]), foundation::Value(args[1]));
    if (!status.ok()) {
      io.err << "hoververse-tool: settings set: " << status.message() << "\n";
      return kExitFailure;
    }
    return kExitOk;
  }
  if (action == "path" && args.size() == 1) {
    io.out << MMLocalSettingManager::filePath().string() << "\n";
    return kExitOk;
  }
  return usageError(io, "settings: bad arguments");
}

}  // namespace tool
