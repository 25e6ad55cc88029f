#include "media/AudioSession.h"

namespace media {

AudioSession& AudioSession::sharedInstance() {
  // Created once, thread-safely, and never destroyed, like the platform's.
  static AudioSession* const session = new AudioSession();
  return *session;
}

void AudioSession::setCurrentOutput(std::string_view portType) {
  AudioSessionRouteDescription route;
  if (!portType.empty()) route.outputs.push_back({std::string(portType), std::string(portType)});
  route_ = std::move(route);
}

}  // namespace media
