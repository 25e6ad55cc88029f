#include "DeviceBusService.h"

#include <sdbus-c++/sdbus-c++.h>

#include <cstdint>

#include "hostcommon/DeviceBus.h"

namespace device {

struct DeviceBusService::Bus {
  std::shared_ptr<ipc::BusConnection> connection;
  std::unique_ptr<sdbus::IObject> object;
  sdbus::Slot appNames;
  std::string busName;

  ~Bus() {
    // The objects go before the connection they live on.
    appNames.reset();
    object.reset();
    if (connection && connection->isOpen() && !busName.empty()) {
      try {
        connection->connection().releaseName(busName);
      } catch (const sdbus::Error&) {
      }
    }
  }
};

std::unique_ptr<DeviceBusService> DeviceBusService::create(std::shared_ptr<ipc::BusConnection> connection,
                                                           DeviceControl& control, std::string& error) {
  if (!connection || !connection->isOpen()) {
    error = "no connection to the device's bus";
    return nullptr;
  }
  auto bus = std::make_unique<Bus>();
  bus->connection = connection;
  using hostcommon::kDeviceInterface;
  try {
    sdbus::IConnection& c = connection->connection();
    bus->object = sdbus::createObject(c, hostcommon::kDeviceObjectPath);
    bus->object->registerMethod("StartApp")
        .onInterface(kDeviceInterface)
        .withInputParamNames("bundle", "song", "play")
        .implementedAs([&control](sdbus::Result<>&& result, std::string bundle, std::int32_t song, bool play) {
          auto pending = std::make_shared<sdbus::Result<>>(std::move(result));
          control.startApp(bundle, song, play, [pending](const std::optional<ControlError>& failure) {
            try {
              if (failure) {
                pending->returnError(sdbus::Error(failure->name, failure->message));
              } else {
                pending->returnResults();
              }
            } catch (const sdbus::Error&) {
              // The caller or the bus went away; nobody is left to tell.
            }
          });
        });
    bus->object->registerMethod("SetRoute")
        .onInterface(kDeviceInterface)
        .withInputParamNames("portType")
        .implementedAs([&control](const std::string& portType) {
          if (auto failure = control.setRoute(portType)) throw sdbus::Error(failure->name, failure->message);
        });
    bus->object->registerMethod("Status")
        .onInterface(kDeviceInterface)
        .withOutputParamNames("json")
        .implementedAs([&control]() { return control.statusJson(); });
    bus->object->registerMethod("Stop").onInterface(kDeviceInterface).implementedAs([&control, loop = &connection->loop()]() {
      // Answer first; stopping releases the bus.
      loop->dispatchAsync([&control] { control.stop(); });
    });
    bus->object->finishRegistration();
    bus->appNames = c.addMatch(
        std::string("type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop.DBus',"
                    "member='NameOwnerChanged',arg0namespace='") +
            hostcommon::kMusicAppInterface + "'",
        [&control](sdbus::Message& message) {
          try {
            std::string name;
            std::string oldOwner;
            std::string newOwner;
            message >> name >> oldOwner >> newOwner;
            control.musicAppNameChanged(name, !newOwner.empty());
          } catch (const sdbus::Error&) {
          }
        });
    c.requestName(hostcommon::kDeviceBusName);
    bus->busName = hostcommon::kDeviceBusName;
  } catch (const sdbus::Error& failure) {
    error = "cannot serve " + std::string(hostcommon::kDeviceBusName) + ": " + failure.getMessage();
    return nullptr;
  }
  return std::unique_ptr<DeviceBusService>(new DeviceBusService(std::move(bus)));
}

DeviceBusService::DeviceBusService(std::unique_ptr<Bus> bus) : bus_(std::move(bus)) {}

DeviceBusService::~DeviceBusService() = default;

}  // namespace device
