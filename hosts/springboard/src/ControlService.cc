#include "ControlService.h"

#include <sdbus-c++/sdbus-c++.h>

#include "hostcommon/DeviceBus.h"
#include "ipc/BusConnection.h"

namespace springboard {

struct ControlService::Bus {
  std::unique_ptr<sdbus::IObject> object;
};

ControlService::~ControlService() = default;

bool ControlService::announceLine(const std::string& text, std::uint64_t monotonicNanoseconds, std::string& error) {
  try {
    bus_->object->emitSignal("LineShown")
        .onInterface(hostcommon::kSpringBoardInterface)
        .withArguments(text, monotonicNanoseconds);
  } catch (const sdbus::Error& failure) {
    error = failure.getMessage();
    return false;
  }
  return true;
}

bool isButtonType(const std::string& type) {
  if (type.empty() || type.size() > 32) return false;
  for (const char c : type) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    if (!plain) return false;
  }
  return true;
}

std::unique_ptr<ControlService> ControlService::create(const std::shared_ptr<ipc::BusConnection>& bus,
                                                       ControlHandlers handlers, std::string& error) {
  std::unique_ptr<ControlService> service(new ControlService());
  service->handlers_ = std::move(handlers);
  service->bus_ = std::make_unique<Bus>();
  ControlHandlers& h = service->handlers_;
  const char* interface = hostcommon::kSpringBoardInterface;
  try {
    auto object = sdbus::createObject(bus->connection(), hostcommon::kSpringBoardObjectPath);
    object->registerMethod("Dump").onInterface(interface).withOutputParamNames("json").implementedAs([&h] {
      return h.dump();
    });
    object->registerMethod("State").onInterface(interface).withOutputParamNames("json").implementedAs([&h] {
      return h.state();
    });
    if (h.lock) object->registerMethod("Lock").onInterface(interface).implementedAs([&h] { h.lock(); });
    if (h.unlock) object->registerMethod("Unlock").onInterface(interface).implementedAs([&h] { h.unlock(); });
    if (h.rotate) object->registerMethod("Rotate")
        .onInterface(interface)
        .withInputParamNames("orientation")
        .implementedAs([&h](std::int32_t orientation) {
          if (orientation < 1 || orientation > 4) {
            throw sdbus::Error(hostcommon::kErrorInvalidArgs,
                               "the orientation is 1 (portrait), 2 (upside down), 3 or 4 (landscape)");
          }
          h.rotate(orientation);
        });
    if (h.button) object->registerMethod("Button")
        .onInterface(interface)
        .withInputParamNames("type")
        .implementedAs([&h](const std::string& type) {
          if (!isButtonType(type)) {
            throw sdbus::Error(hostcommon::kErrorInvalidArgs,
                               "a button type is 1 to 32 letters, digits, '_' or '-', such as 101");
          }
          h.button(type);
        });
    if (h.stage) {
      object->registerMethod("Stage")
          .onInterface(interface)
          .withInputParamNames("on", "monitor")
          .implementedAs([&h](bool on, const std::string& monitor) {
            if (auto refused = h.stage(on, monitor)) throw sdbus::Error(hostcommon::kErrorFailed, *refused);
          });
    }
    object->registerSignal("LineShown").onInterface(interface).withParameters<std::string, std::uint64_t>();
    object->finishRegistration();
    bus->connection().requestName(hostcommon::kSpringBoardBusName);
    service->bus_->object = std::move(object);
  } catch (const sdbus::Error& failure) {
    error = failure.getMessage();
    return nullptr;
  }
  return service;
}

std::function<void(const std::string&, std::chrono::nanoseconds)> ControlService::announcer(
    const std::unique_ptr<ControlService>& control, std::function<void(const std::string&)> log) {
  return [&control, log = std::move(log)](const std::string& text, std::chrono::nanoseconds at) {
    if (!control) return;
    std::string failure;
    if (!control->announceLine(text, static_cast<std::uint64_t>(at.count()), failure)) {
      log("cannot announce the line: " + failure);
    }
  };
}

}  // namespace springboard
