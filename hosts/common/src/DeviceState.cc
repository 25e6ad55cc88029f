#include "hostcommon/DeviceState.h"

#include "foundation/PropertyList.h"
#include "foundation/Value.h"

namespace hostcommon {

namespace {

std::string textOf(const foundation::Value& value) {
  const std::string* text = value.text();
  return text != nullptr ? *text : std::string();
}

}  // namespace

foundation::Status DeviceState::write(const std::filesystem::path& file) const {
  foundation::Array list;
  for (const DeviceProcess& process : processes) {
    foundation::Dictionary entry{{"name", foundation::Value(process.name)},
                                 {"pid", foundation::Value(static_cast<long long>(process.pid))},
                                 {"program", foundation::Value(process.program)},
                                 {"restarts", foundation::Value(process.restarts)}};
    if (!process.bundleIdentifier.empty()) {
      entry["bundleIdentifier"] = foundation::Value(process.bundleIdentifier);
    }
    list.push_back(foundation::Value(std::move(entry)));
  }
  return foundation::writeDictionaryFile(
      file, {{"busAddress", foundation::Value(busAddress)},
             {"supervisorPid", foundation::Value(static_cast<long long>(supervisorPid))},
             {"root", foundation::Value(root)},
             {"profile", foundation::Value(profile)},
             {"route", foundation::Value(route)},
             {"display", foundation::Value(display)},
             {"displayScale", foundation::Value(displayScale)},
             {"processes", foundation::Value(std::move(list))}});
}

std::optional<DeviceState> DeviceState::read(const std::filesystem::path& file) {
  const auto dictionary = foundation::readDictionaryFile(file);
  if (!dictionary) return std::nullopt;
  const foundation::Value plist(*dictionary);
  DeviceState state;
  state.busAddress = textOf(plist["busAddress"]);
  if (state.busAddress.empty()) return std::nullopt;
  state.supervisorPid = static_cast<pid_t>(plist["supervisorPid"].integerValue());
  state.root = textOf(plist["root"]);
  state.profile = textOf(plist["profile"]);
  state.route = textOf(plist["route"]);
  state.display = textOf(plist["display"]);
  state.displayScale = plist["displayScale"].doubleValue();
  if (const foundation::Array* list = plist["processes"].array()) {
    for (const foundation::Value& entry : *list) {
      DeviceProcess process;
      process.name = textOf(entry["name"]);
      process.pid = static_cast<pid_t>(entry["pid"].integerValue());
      process.program = textOf(entry["program"]);
      process.bundleIdentifier = textOf(entry["bundleIdentifier"]);
      process.restarts = static_cast<int>(entry["restarts"].integerValue());
      if (!process.name.empty() && process.pid > 0) state.processes.push_back(std::move(process));
    }
  }
  return state;
}

}  // namespace hostcommon
