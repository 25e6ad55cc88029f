#include "bridge/LyricsService.h"

#include <sdbus-c++/sdbus-c++.h>

#include "foundation/Log.h"

namespace bridge {

namespace {

void logService(int line, const std::string& text) {
  foundation::logError("bridge", "LyricsService.cc", line, "ERROR", foundation::Value(text));
}

void check(const foundation::Status& status) {
  if (!status.ok()) throw sdbus::Error("org.freedesktop.DBus.Error.InvalidArgs", status.message());
}

}  // namespace

LyricsService::LyricsService(std::shared_ptr<ipc::BusConnection> connection, LineBridge& bridge)
    : connection_(std::move(connection)) {
  if (!connection_ || !connection_->isOpen()) return;
  sdbus::IConnection& c = connection_->connection();
  try {
    lyrics_ = sdbus::createObject(c, kLyricsObjectPath);
    lyrics_->registerMethod("SetLine")
        .onInterface(kLyricsInterface)
        .withInputParamNames("player", "line")
        .implementedAs([&bridge](const std::string& player, const std::string& line) {
          check(bridge.setLine(player, line));
        });
    lyrics_->registerMethod("Clear")
        .onInterface(kLyricsInterface)
        .withInputParamNames("player")
        .implementedAs([&bridge](const std::string& player) { check(bridge.clear(player)); });
    lyrics_->registerMethod("SetSource")
        .onInterface(kLyricsInterface)
        .withInputParamNames("player", "mode")
        .implementedAs([&bridge](const std::string& player, const std::string& mode) {
          check(bridge.setSource(player, mode));
        });
    lyrics_->finishRegistration();
    trayLyric_ = sdbus::createObject(c, kTrayLyricObjectPath);
    trayLyric_->registerMethod("UpdateLyric")
        .onInterface(kTrayLyricInterface)
        .withInputParamNames("json")
        .implementedAs([&bridge](const std::string& json) { check(bridge.updateTrayLyric(json)); });
    trayLyric_->finishRegistration();
  } catch (const sdbus::Error& error) {
    logService(__LINE__, "cannot serve the lyrics objects: " + error.getMessage());
    lyrics_.reset();
    trayLyric_.reset();
    return;
  }
  // Names last, so a client that sees a name finds its object. Without the
  // replace flag: a name someone else holds stays theirs.
  for (const char* name : {kLyricsBusName, kTrayLyricBusName}) {
    try {
      c.requestName(name);
      owned_.emplace_back(name);
    } catch (const sdbus::Error& error) {
      logService(__LINE__, std::string("not serving ") + name + ", which another process owns: " + error.getMessage());
    }
  }
}

LyricsService::~LyricsService() {
  if (!connection_ || !connection_->isOpen()) return;
  for (const std::string& name : owned_) {
    try {
      connection_->connection().releaseName(name);
    } catch (const sdbus::Error&) {
    }
  }
}

}  // namespace bridge
