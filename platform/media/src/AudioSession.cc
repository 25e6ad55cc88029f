#include "media/AudioSession.h"

#include "foundation/DeviceRoot.h"
#include "foundation/PropertyList.h"
#include "foundation/Value.h"

namespace media {

namespace {

AudioSessionRouteDescription routeWithOutput(std::string_view portType) {
  AudioSessionRouteDescription route;
  if (!portType.empty()) route.outputs.push_back({std::string(portType), std::string(portType)});
  return route;
}

}  // namespace

AudioSession& AudioSession::sharedInstance() {
  // Created once, thread-safely, and never destroyed, like the platform's.
  static AudioSession* const session = new AudioSession();
  return *session;
}

const AudioSessionRouteDescription& AudioSession::currentRoute() const {
  if (!pinned_) route_ = deviceRoute();
  return route_;
}

void AudioSession::setCurrentRoute(AudioSessionRouteDescription route) {
  pinned_ = true;
  route_ = std::move(route);
}

void AudioSession::setCurrentOutput(std::string_view portType) {
  setCurrentRoute(routeWithOutput(portType));
}

void AudioSession::useDeviceRoute() { pinned_ = false; }

AudioSessionRouteDescription AudioSession::deviceRoute() {
  AudioSessionRouteDescription route;
  const auto file =
      foundation::readDictionaryFile(foundation::DeviceRoot::resolve(kDeviceRoutePath));
  if (!file) return route;
  auto outputs = file->find("outputs");
  if (outputs == file->end() || !outputs->second.isArray()) return route;
  for (const foundation::Value& output : *outputs->second.array()) {
    const std::string* type = output["portType"].text();
    if (type == nullptr || type->empty()) continue;  // an output needs a type
    const std::string* name = output["portName"].text();
    route.outputs.push_back({*type, name != nullptr ? *name : *type});
  }
  return route;
}

foundation::Status AudioSession::setDeviceRoute(const AudioSessionRouteDescription& route) {
  foundation::Array outputs;
  for (const AudioSessionPortDescription& port : route.outputs) {
    outputs.push_back(foundation::Value(foundation::Dictionary{
        {"portType", foundation::Value(port.portType)}, {"portName", foundation::Value(port.portName)}}));
  }
  return foundation::writeDictionaryFile(foundation::DeviceRoot::resolve(kDeviceRoutePath),
                                         {{"outputs", foundation::Value(std::move(outputs))}});
}

}  // namespace media
