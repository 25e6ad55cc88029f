#pragma once
// The bridge's two doors on the session bus, both feeding one LineBridge:
//  - org.hoververse.Lyrics (/org/hoververse/Lyrics, interface
//    org.hoververse.Lyrics): SetLine(s player, s line), Clear(s player),
//    SetSource(s player, s mode);
//  - org.gnome.Shell.TrayLyric (/org/gnome/Shell/TrayLyric, same
//    interface name): UpdateLyric(s json), which some players call.
// Refused input is the error org.freedesktop.DBus.Error.InvalidArgs with a
// message naming what was expected. A name another process owns is not
// taken from it: that door is logged and stays closed.
//
// Owns the bus objects; the bridge and connection must outlive it.

#include <memory>
#include <string>
#include <vector>

#include "bridge/LineBridge.h"
#include "ipc/BusConnection.h"

namespace sdbus {
class IObject;
}

namespace bridge {

inline constexpr const char* kLyricsBusName = "org.hoververse.Lyrics";
inline constexpr const char* kLyricsObjectPath = "/org/hoververse/Lyrics";
inline constexpr const char* kLyricsInterface = "org.hoververse.Lyrics";
inline constexpr const char* kTrayLyricBusName = "org.gnome.Shell.TrayLyric";
inline constexpr const char* kTrayLyricObjectPath = "/org/gnome/Shell/TrayLyric";
inline constexpr const char* kTrayLyricInterface = "org.gnome.Shell.TrayLyric";

class LyricsService {
 public:
  LyricsService(std::shared_ptr<ipc::BusConnection> connection, LineBridge& bridge);
  ~LyricsService();
  LyricsService(const LyricsService&) = delete;
  LyricsService& operator=(const LyricsService&) = delete;

  // The bus names this process owns now.
  const std::vector<std::string>& ownedNames() const { return owned_; }

 private:
  std::shared_ptr<ipc::BusConnection> connection_;
  std::unique_ptr<sdbus::IObject> lyrics_;
  std::unique_ptr<sdbus::IObject> trayLyric_;
  std::vector<std::string> owned_;
};

}  // namespace bridge
