#include "SessionLock.h"

#include <sdbus-c++/sdbus-c++.h>
#include <unistd.h>

#include <map>

#include <cstdlib>
#include <vector>

#include "foundation/Log.h"
#include "foundation/RunLoop.h"
#include "ipc/BusConnection.h"

namespace desktop {
namespace {

constexpr const char* kLogin = "org.freedesktop.login1";
constexpr const char* kLoginManagerPath = "/org/freedesktop/login1";
constexpr const char* kLoginManager = "org.freedesktop.login1.Manager";
constexpr const char* kLoginSession = "org.freedesktop.login1.Session";
constexpr const char* kProperties = "org.freedesktop.DBus.Properties";
constexpr const char* kSystemBus = "unix:path=/run/dbus/system_bus_socket";

void logLine(const std::string& text) {
  foundation::logError("hoververse", __FILE__, __LINE__, "INFO", foundation::Value(text));
}

}  // namespace

struct SessionLock::Bus {
  std::shared_ptr<ipc::BusConnection> session;
  std::vector<sdbus::Slot> screensaverMatches;
  std::shared_ptr<ipc::BusConnection> login;
  sdbus::Slot lockedHintMatch;
  std::unique_ptr<sdbus::IProxy> sessionProxy;
  ~Bus() {
    // Proxies and matches go before their connections.
    sessionProxy.reset();
    lockedHintMatch.reset();
    screensaverMatches.clear();
  }
};

SessionLock::SessionLock(const std::shared_ptr<ipc::BusConnection>& session, Handler handler)
    : bus_(std::make_unique<Bus>()), handler_(std::move(handler)) {
  bus_->session = session;
  if (session && session->isOpen()) {
    for (const char* interface : {"org.freedesktop.ScreenSaver", "org.gnome.ScreenSaver"}) {
      try {
        bus_->screensaverMatches.push_back(session->connection().addMatch(
            std::string("type='signal',interface='") + interface + "',member='ActiveChanged'",
            [this](sdbus::Message& message) {
              try {
                bool active = false;
                message >> active;
                set(active);
              } catch (const sdbus::Error&) {
              }
            }));
      } catch (const sdbus::Error& failure) {
        logLine("cannot follow the screensaver: " + failure.getMessage());
      }
    }
  }
  watchLogind();
}

SessionLock::~SessionLock() = default;

void SessionLock::set(bool locked) {
  if (locked == locked_) return;
  locked_ = locked;
  if (handler_) handler_(locked);
}

void SessionLock::watchLogind() {
  const char* address = std::getenv(kLoginBusVariable);
  const std::string where = address != nullptr && *address != '\0' ? address : kSystemBus;
  if (where == "none") return;
  bus_->login = ipc::BusConnection::connect(where, foundation::RunLoop::main());
  if (!bus_->login) {
    logLine("no bus at " + where + " for logind: the session's lock is followed through the screensaver only");
    return;
  }
  try {
    sdbus::IConnection& c = bus_->login->connection();
    auto manager = sdbus::createProxy(c, kLogin, kLoginManagerPath);
    sdbus::ObjectPath path;
    const char* id = std::getenv("XDG_SESSION_ID");
    if (id != nullptr && *id != '\0') {
      manager->callMethod("GetSession").onInterface(kLoginManager).withTimeout(std::chrono::seconds(2))
          .withArguments(std::string(id)).storeResultsTo(path);
    } else {
      manager->callMethod("GetSessionByPID").onInterface(kLoginManager).withTimeout(std::chrono::seconds(2))
          .withArguments(static_cast<std::uint32_t>(::getpid())).storeResultsTo(path);
    }
    bus_->lockedHintMatch = c.addMatch(
        std::string("type='signal',sender='") + kLogin + "',interface='" + kProperties +
            "',member='PropertiesChanged',path='" + std::string(path) + "'",
        [this](sdbus::Message& message) {
          try {
            std::string interface;
            std::map<std::string, sdbus::Variant> changed;
            message >> interface >> changed;
            if (interface != kLoginSession) return;
            if (auto it = changed.find("LockedHint"); it != changed.end()) set(it->second.get<bool>());
          } catch (const sdbus::Error&) {
          }
        });
    bus_->sessionProxy = sdbus::createProxy(c, kLogin, path);
    const sdbus::Variant hint = bus_->sessionProxy->getProperty("LockedHint").onInterface(kLoginSession);
    set(hint.get<bool>());
  } catch (const sdbus::Error& failure) {
    logLine("logind does not tell this session's lock (" + failure.getMessage() +
            "): it is followed through the screensaver only");
    bus_->sessionProxy.reset();
    bus_->lockedHintMatch.reset();
  }
}

}  // namespace desktop
