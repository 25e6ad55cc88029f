#pragma once
// A connection to the device's bus, serviced by one run loop. The loop
// watches the connection's descriptor with the events and timeout the bus
// library asks for, and messages the library holds are drained before a wait, so
// every bus callback runs on the loop's thread and there is no bus thread.
//
// Expected failures (no bus, the bus going away) are reported by return
// values and one log line, never by exceptions: a process without a bus
// keeps working, its bus features just do nothing.

#include <memory>
#include <string>

#include "foundation/RunLoop.h"

namespace sdbus {
class IConnection;
}

namespace ipc {

class BusConnection {
 public:
  // The bus at `address` (a D-Bus address such as "unix:path=/run/bus");
  // nothing, with a log line, when it cannot be reached. `loop` must outlive
  // the connection.
  static std::shared_ptr<BusConnection> connect(const std::string& address,
                                                foundation::RunLoop& loop);
  // The device's private bus, named by DBUS_SESSION_BUS_ADDRESS; nothing when
  // the variable is unset or the bus cannot be reached.
  static std::shared_ptr<BusConnection> connectToDeviceBus(foundation::RunLoop& loop);
  // The process's connection to the device's bus on the main run loop,
  // opened on first use and opened again after it closed. While the bus
  // cannot be reached, asks again at most once a second.
  static std::shared_ptr<BusConnection> shared();

  BusConnection(const BusConnection&) = delete;
  BusConnection& operator=(const BusConnection&) = delete;
  ~BusConnection();

  // False once the bus hung up or failed; a closed connection stays closed.
  bool isOpen() const { return open_; }
  // ":1.42"; empty once closed.
  std::string uniqueName() const;
  foundation::RunLoop& loop() const { return loop_; }
  // The library's connection, for modules that put objects and proxies on
  // it (they link the library themselves and catch its errors). Objects and
  // proxies must be destroyed before the connection.
  sdbus::IConnection& connection() { return *connection_; }
  // Closes the connection after a library error seen by a user of
  // connection(), with one log line naming the reason.
  void fail(const std::string& reason);

 private:
  BusConnection(std::unique_ptr<sdbus::IConnection> connection, foundation::RunLoop& loop);
  foundation::PollRequest prepare();
  void dispatch(short revents);
  bool drain();

  std::unique_ptr<sdbus::IConnection> connection_;
  foundation::RunLoop& loop_;
  foundation::SourceHandle source_;
  bool open_ = true;
  bool draining_ = false;
};

}  // namespace ipc
