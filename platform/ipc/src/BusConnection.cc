#include "ipc/BusConnection.h"

#include <sdbus-c++/sdbus-c++.h>
#include <systemd/sd-bus.h>

#include <cstdlib>
#include <cstring>
#include <utility>

#include "foundation/Log.h"

namespace ipc {

namespace {

// Messages handled in one drain before the loop gets a turn: a flood of
// messages must not starve timers. A capped drain asks to come back at once.
constexpr int kMaxMessagesPerDrain = 64;
// How often shared() tries again to reach a bus that was unreachable.
constexpr double kReconnectInterval = 1.0;

void logBus(int line, const std::string& text) {
  foundation::logError("hoververse", "BusConnection.cc", line, "ERROR", foundation::Value(text));
}

// Whether a connection to `address` can be started, and why not. Asked
// before the library opens one: sdbus-c++ 1.2 loses its half-made connection
// when opening fails, which a process retrying a missing bus would leak.
std::string startProblem(const std::string& address) {
  sd_bus* bus = nullptr;
  int r = sd_bus_new(&bus);
  if (r >= 0) r = sd_bus_set_address(bus, address.c_str());
  if (r >= 0) r = sd_bus_set_bus_client(bus, 1);
  if (r >= 0) r = sd_bus_start(bus);
  if (bus != nullptr) sd_bus_close_unref(bus);
  return r >= 0 ? std::string() : std::strerror(-r);
}

}  // namespace

std::shared_ptr<BusConnection> BusConnection::connect(const std::string& address,
                                                      foundation::RunLoop& loop) {
  if (const std::string problem = startProblem(address); !problem.empty()) {
    logBus(__LINE__, "cannot reach the bus at " + address + ": " + problem);
    return nullptr;
  }
  try {
    auto connection = sdbus::createSessionBusConnectionWithAddress(address);
    return std::shared_ptr<BusConnection>(new BusConnection(std::move(connection), loop));
  } catch (const sdbus::Error& error) {
    logBus(__LINE__, "cannot reach the bus at " + address + ": " + error.getMessage());
    return nullptr;
  }
}

std::shared_ptr<BusConnection> BusConnection::connectToDeviceBus(foundation::RunLoop& loop) {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address == nullptr || *address == '\0') return nullptr;
  return connect(address, loop);
}

std::shared_ptr<BusConnection> BusConnection::shared() {
  static std::shared_ptr<BusConnection> current;
  static const foundation::RunLoop* currentLoop = nullptr;
  static double lastAttempt = 0;
  static bool attempted = false;
  foundation::RunLoop& loop = foundation::RunLoop::main();
  if (current && current->isOpen() && currentLoop == &loop) return current;
  // A connection bound to a replaced main loop would never be serviced.
  if (currentLoop != &loop) attempted = false;
  current.reset();
  if (attempted && loop.now() - lastAttempt < kReconnectInterval) return nullptr;
  attempted = true;
  lastAttempt = loop.now();
  currentLoop = &loop;
  current = connectToDeviceBus(loop);
  return current;
}

BusConnection::BusConnection(std::unique_ptr<sdbus::IConnection> connection,
                             foundation::RunLoop& loop)
    : connection_(std::move(connection)), loop_(loop) {
  foundation::FileDescriptorSource source;
  source.fd = connection_->getEventLoopPollData().fd;
  source.prepare = [this] { return prepare(); };
  source.dispatch = [this](short revents) { dispatch(revents); };
  source_ = loop_.addFileDescriptorSource(std::move(source));
}

BusConnection::~BusConnection() { source_.reset(); }

std::string BusConnection::uniqueName() const {
  if (!open_) return {};
  try {
    return connection_->getUniqueName();
  } catch (const sdbus::Error&) {
    return {};
  }
}

void BusConnection::fail(const std::string& reason) {
  if (!open_) return;
  open_ = false;
  source_.reset();  // safe inside the source's own callbacks
  logBus(__LINE__, "bus connection closed: " + reason);
}

bool BusConnection::drain() {
  if (draining_) return false;  // a nested loop run inside a bus callback
  draining_ = true;
  bool capped = false;
  try {
    int handled = 0;
    while (connection_->processPendingRequest()) {
      if (++handled >= kMaxMessagesPerDrain) {
        capped = true;
        break;
      }
    }
  } catch (const sdbus::Error& error) {
    draining_ = false;
    fail(error.getMessage());
    return false;
  }
  draining_ = false;
  return capped;
}

foundation::PollRequest BusConnection::prepare() {
  if (!open_) return {0, foundation::Date::distantFuture};
  // Inside a bus callback (a nested loop run) the library cannot process:
  // ask for nothing until the outer drain returns.
  if (draining_) return {0, foundation::Date::distantFuture};
  try {
    // The library reports a zero timeout while it holds messages it has
    // not processed (read during a synchronous call, say): only then is
    // there anything to drain before the wait. A readable descriptor is
    // drained on dispatch.
    sdbus::IConnection::PollData data = connection_->getEventLoopPollData();
    bool capped = false;
    if (data.timeout_usec == 0) {
      capped = drain();
      if (!open_) return {0, foundation::Date::distantFuture};
      data = connection_->getEventLoopPollData();
    }
    double timeout = foundation::Date::distantFuture;
    if (capped) {
      timeout = 0;
    } else if (auto relative = data.getRelativeTimeout()) {
      timeout = static_cast<double>(relative->count()) / 1e6;
    }
    return {data.events, timeout};
  } catch (const sdbus::Error& error) {
    fail(error.getMessage());
    return {0, foundation::Date::distantFuture};
  }
}

void BusConnection::dispatch(short revents) {
  if ((revents & POLLNVAL) != 0) {
    fail("its descriptor was closed");
    return;
  }
  drain();
}

}  // namespace ipc
